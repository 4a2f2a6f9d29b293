#include "records/store_versions.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace vq::test {

namespace {

// Entry N undoes what version N + 1 added (N from 1): the opposite of the migrations.
const std::vector<std::vector<std::string>>& undoSteps() {
    static const std::vector<std::vector<std::string>> steps = {
        // 2: event ids and the queue towards a shared store
        {"DROP INDEX events_by_uid", "ALTER TABLE events DROP COLUMN event_uid",
         "DROP TABLE records_outbox"},
        // 3: where each event came from, and the state evidence
        {"DROP INDEX events_trusted", "ALTER TABLE events DROP COLUMN origin",
         "ALTER TABLE events DROP COLUMN clock_ahead", "ALTER TABLE events DROP COLUMN import_file",
         "ALTER TABLE events DROP COLUMN import_time", "ALTER TABLE instruments DROP COLUMN state"},
        // 4: identities
        {"DROP TABLE instrument_serials", "ALTER TABLE events DROP COLUMN manufacture_no",
         "ALTER TABLE events DROP COLUMN serial",
         "ALTER TABLE instruments DROP COLUMN manufacture_no",
         "ALTER TABLE instruments DROP COLUMN simulated"},
        // 5: the due dates kept per instrument
        {"DROP TABLE instrument_due"},
    };
    return steps;
}

}  // namespace

std::vector<std::string> DowngradeSteps(int version) {
    std::vector<std::string> out;
    const auto& steps = undoSteps();
    for (int v = kRecordsSchemaVersion; v > version && v >= 2; --v) {
        const auto& step = steps.at(static_cast<std::size_t>(v - 2));
        out.insert(out.end(), step.begin(), step.end());
    }
    out.push_back("UPDATE records_schema SET version = " + std::to_string(version));
    return out;
}

bool RunRaw(const RecordsLocation& where, const std::vector<std::string>& statements,
            std::string& error) {
    const QString name = QStringLiteral("vq-test-raw");
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(where.postgres ? "QPSQL" : "QSQLITE", name);
        if (where.postgres) {
            db.setHostName(QString::fromStdString(where.host));
            db.setPort(where.port);
            db.setUserName(QString::fromStdString(where.user));
            db.setPassword(QString::fromStdString(where.password));
            db.setDatabaseName(QString::fromStdString(where.database));
        } else {
            db.setDatabaseName(QString::fromStdString(where.path));
        }
        if (!db.open()) {
            error = db.lastError().text().toStdString();
            ok = false;
        }
        QSqlQuery query(db);
        for (std::size_t i = 0; ok && i < statements.size(); ++i) {
            if (query.exec(QString::fromStdString(statements[i]))) continue;
            error = statements[i] + ": " + query.lastError().text().toStdString();
            ok = false;
        }
        query.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

bool DowngradeTo(const RecordsLocation& where, int version, std::string& error) {
    return RunRaw(where, DowngradeSteps(version), error);
}

}  // namespace vq::test
