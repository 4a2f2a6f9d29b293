#include "platform/records_sql_connection.h"

#include <QFileInfo>
#include <QStringList>
#include <QUrl>
#include <atomic>
#include <random>
#include <thread>

#include "messages/message_ids.h"
#include "messages/messages.h"

namespace vq {

namespace {

// SQLite's primary result codes (Qt gives the extended code; the low byte is the primary one).
constexpr int kSqliteBusy = 5;
constexpr int kSqliteLocked = 6;
constexpr int kSqliteReadOnly = 8;
constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteCantOpen = 14;
constexpr int kSqliteNotADatabase = 26;

// Another writer may hold the lock for a while; this one waits on the busy handler first.
constexpr int kBusyTimeoutMs = 2000;

// The largest file checked whole at every opening (see quickCheck).
constexpr qint64 kWholeCheckBytes = 8 * 1024 * 1024;

int sqliteCode(const QSqlError& error) {
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok ? code & 0xff : 0;
}

// Writers that collided must not collide again in step: each waits a little longer each time,
// by an amount of its own.
void pauseBeforeRetry(int attempt) {
    thread_local std::minstd_rand random{std::random_device{}()};
    const int ceiling = std::min(200, 10 << std::min(attempt, 5));
    std::this_thread::sleep_for(std::chrono::milliseconds(5 + random() % ceiling));
}

QString newConnectionName() {
    static std::atomic<int> counter{0};
    return QStringLiteral("vq-records-%1").arg(++counter);
}

}  // namespace

RecordsConnection::RecordsConnection() : name_(newConnectionName()) {}

RecordsConnection::~RecordsConnection() {
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase(name_);
}

StoreStatus RecordsConnection::fail(const QSqlError& error) {
    if (postgres) {
        // Serialization failure, deadlock, lock not available: the transaction can run again.
        const QString state = error.nativeErrorCode();
        lastBusy = state == "40001" || state == "40P01" || state == "55P03";
    } else {
        const int code = sqliteCode(error);
        lastBusy = code == kSqliteBusy || code == kSqliteLocked;
        if ((code == kSqliteCorrupt || code == kSqliteNotADatabase) && !damaged) {
            damaged = true;
            damage = error.text().toStdString();
        }
    }
    if (damaged) return damagedStatus();
    return StoreStatus::failure(where + ": " + error.text().toStdString());
}

StoreStatus RecordsConnection::damagedStatus() const {
    return StoreStatus::failure(where + ": " + ResMessage(msg::RecordsDamaged, {damage}));
}

bool RecordsConnection::run(QSqlQuery& query, const QString& sql,
                            const std::vector<QVariant>& values) {
    if (!query.prepare(sql)) return false;
    for (const QVariant& value : values) query.addBindValue(value);
    return query.exec();
}

StoreStatus RecordsConnection::begin() {
    // SQLite: take the write lock up front, so two writers queue on the busy time-out instead of
    // one failing halfway when it upgrades a read lock.
    QSqlQuery query(db);
    if (!query.exec(postgres ? "BEGIN" : "BEGIN IMMEDIATE")) return fail(query);
    return {};
}

StoreStatus RecordsConnection::commit() {
    QSqlQuery query(db);
    if (!query.exec("COMMIT")) return fail(query);
    return {};
}

void RecordsConnection::rollback() {
    QSqlQuery(db).exec("ROLLBACK");
}

StoreStatus RecordsConnection::transact(const std::function<StoreStatus()>& work) {
    return retrying([&] {
        if (damaged) return damagedStatus();
        StoreStatus status = begin();
        if (!status.ok) return status;
        status = work();
        if (status.ok) status = commit();
        if (!status.ok) {
            const bool busy = lastBusy;
            rollback();
            lastBusy = busy;
        }
        return status;
    });
}

StoreStatus RecordsConnection::retrying(const std::function<StoreStatus()>& work) {
    const auto deadline = std::chrono::steady_clock::now() + kRecordsLockPatience;
    for (int attempt = 0;; ++attempt) {
        lastBusy = false;
        const StoreStatus status = work();
        if (status.ok || !lastBusy || damaged || std::chrono::steady_clock::now() >= deadline)
            return status;
        pauseBeforeRetry(attempt);
    }
}

StoreStatus RecordsConnection::quickCheck() {
    if (postgres) return {};
    // The check reads every page: about 3 s for a store of a million events (490 MB) on a busy
    // bench PC, which no listing may wait. Up to kWholeCheckBytes the whole file is checked at
    // every opening. Above, an opening for writing checks the tables every writer relies on (the
    // schema, the fleet, the queue, the due dates) before it writes; a read-only opening (a
    // listing, `records show`, the window) checks the small ones only (the schema, the queue, the
    // due dates: well under a megabyte for 20,000 instruments), as the fleet table alone takes
    // some 20 ms, more than the read it would guard. Everything else is left to `records check`
    // (every page, row and index) and to the statements: SQLite names a malformed page a read
    // meets as such, and that makes the store damaged.
    const QFileInfo file(db.databaseName().startsWith("file:")
                             ? QUrl(db.databaseName()).toLocalFile()
                             : db.databaseName());
    QStringList checks{"PRAGMA quick_check"};
    if (file.size() > kWholeCheckBytes) {
        checks.clear();
        QSqlQuery tables(db);
        if (!tables.exec(readOnly ? "SELECT name FROM sqlite_master WHERE type = 'table' AND "
                                    "name IN ('records_schema', 'records_outbox', 'instrument_due')"
                                  : "SELECT name FROM sqlite_master WHERE type = 'table' AND "
                                    "name IN ('records_schema', 'instruments', 'records_outbox', "
                                    "'instrument_due')"))
            return fail(tables);
        while (tables.next())
            checks << QStringLiteral("PRAGMA quick_check(%1)").arg(tables.value(0).toString());
    }
    return retrying([&]() -> StoreStatus {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        for (const QString& check : checks) {
            if (!query.exec(check)) return fail(query);
            if (!query.next()) continue;
            const QString first = query.value(0).toString();
            if (first == "ok") continue;
            damaged = true;
            damage = first.toStdString();
            return damagedStatus();
        }
        return {};
    });
}

StoreStatus RecordsConnection::integrityCheck(std::vector<std::string>& findings) {
    findings.clear();
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (postgres) {
        // The server keeps its own pages; what this program can see is its schema.
        if (!query.exec("SELECT version FROM records_schema")) return fail(query);
        return {};
    }
    const StoreStatus status = retrying([&]() -> StoreStatus {
        findings.clear();
        if (!query.exec("PRAGMA integrity_check(100)")) return fail(query);
        while (query.next()) {
            const QString line = query.value(0).toString();
            if (line != "ok") findings.push_back(line.toStdString());
        }
        return {};
    });
    if (status.ok && !findings.empty() && !damaged) {
        damaged = true;
        damage = findings.front();
    }
    return status;
}

StoreStatus RecordsConnection::open(const RecordsLocation& location, RecordsAccess access,
                                    RecordsProblem& problem) {
    problem = RecordsProblem::None;
    postgres = location.postgres;
    readOnly = access == RecordsAccess::ReadOnly;
    place = location.describe();
    where = ResMessage(msg::RecordsWhere, {place});
    const QString driver = postgres ? "QPSQL" : "QSQLITE";
    if (!QSqlDatabase::isDriverAvailable(driver)) {
        problem = RecordsProblem::Other;
        return StoreStatus::failure(where + ": " +
                                    ResMessage(msg::RecordsNoDriver, {driver.toStdString()}));
    }
    db = QSqlDatabase::addDatabase(driver, name_);
    StoreStatus status;
    if (postgres) {
        status = openPostgres(location);
    } else if (readOnly) {
        status = openSqliteReadOnly(location, problem);
    } else {
        status = openSqlite(location, problem);
    }
    if (!status.ok && problem == RecordsProblem::None)
        problem = damaged ? RecordsProblem::Damaged : RecordsProblem::Other;
    return status;
}

StoreStatus RecordsConnection::openPostgres(const RecordsLocation& location) {
    db.setHostName(QString::fromStdString(location.host));
    db.setPort(location.port);
    db.setUserName(QString::fromStdString(location.user));
    db.setPassword(QString::fromStdString(location.password));
    db.setDatabaseName(QString::fromStdString(location.database));
    // A server that is not there must not hold up an instrument operation.
    db.setConnectOptions("connect_timeout=3");
    if (!db.open()) return fail(db.lastError());
    QSqlQuery query(db);
    query.exec("SET client_min_messages TO WARNING");
    if (readOnly && !query.exec("SET default_transaction_read_only = on")) return fail(query);
    return {};
}

StoreStatus RecordsConnection::openSqlite(const RecordsLocation& location,
                                          RecordsProblem& problem) {
    const QFileInfo file(QString::fromStdString(location.path));
    const bool existed = file.exists() && file.size() > 0;
    db.setDatabaseName(file.filePath());
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
    if (!db.open()) return fail(db.lastError());
    // The check comes before anything that could write: a damaged file is left as it is.
    if (existed) {
        if (const StoreStatus checked = quickCheck(); !checked.ok) {
            problem = damaged ? RecordsProblem::Damaged : RecordsProblem::Other;
            return checked;
        }
    }
    // WAL: readers never wait for a writer, and a killed writer leaves every committed event.
    // Several programs making a new file at once contend for this switch: it is tried again.
    StoreStatus status = retrying([&]() -> StoreStatus {
        QSqlQuery query(db);
        if (!query.exec("PRAGMA journal_mode=WAL")) return fail(query);
        if (query.next() && query.value(0).toString().compare("wal", Qt::CaseInsensitive) != 0)
            return StoreStatus::failure(where + ": journal mode " +
                                        query.value(0).toString().toStdString());
        return {};
    });
    if (!status.ok) return status;
    // NORMAL: a committed event survives any crash of the programs; FULL would also survive a
    // power cut, at one disk flush per event (about 7 ms on a bench PC's disk).
    QSqlQuery query(db);
    if (!query.exec("PRAGMA synchronous=NORMAL")) return fail(query);
    return {};
}

StoreStatus RecordsConnection::openSqliteReadOnly(const RecordsLocation& location,
                                                  RecordsProblem& problem) {
    const QFileInfo file(QString::fromStdString(location.path));
    if (!file.exists()) {
        problem = RecordsProblem::Missing;
        return StoreStatus::failure(ResMessage(msg::RecordsMissing, {location.path}));
    }
    db.setDatabaseName(file.filePath());
    db.setConnectOptions(
        QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyTimeoutMs));
    int code = 0;
    StoreStatus status;
    if (!db.open()) {
        code = sqliteCode(db.lastError());
        status = fail(db.lastError());
    } else {
        QSqlQuery query(db);
        if (!query.exec("SELECT count(*) FROM sqlite_master")) {
            code = sqliteCode(query.lastError());
            status = fail(query);
        }
    }
    if (!status.ok && (code == kSqliteReadOnly || code == kSqliteCantOpen)) {
        // A write-ahead-log file needs its shared-memory file, which a folder that cannot be
        // written cannot take: nobody can write there either, so the file is read as unchanging.
        // Not when a log is left over: what it holds would be missed.
        const QFileInfo wal(file.filePath() + "-wal");
        if (wal.exists() && wal.size() > 0) {
            problem = RecordsProblem::Other;
            return StoreStatus::failure(
                where + ": " +
                ResMessage(msg::RecordsWalUnreadable, {wal.filePath().toStdString()}));
        }
        db.close();
        db.setDatabaseName(QUrl::fromLocalFile(file.absoluteFilePath()).toString() +
                           "?immutable=1");
        db.setConnectOptions("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI");
        status = db.open() ? retrying([&]() -> StoreStatus {
            QSqlQuery query(db);
            if (!query.exec("SELECT count(*) FROM sqlite_master")) return fail(query);
            return {};
        })
                           : fail(db.lastError());
    }
    if (!status.ok) return status;
    return quickCheck();
}

StoreStatus CheckRecordsFile(const RecordsLocation& location, std::vector<std::string>& findings,
                             RecordsProblem& problem) {
    findings.clear();
    RecordsConnection connection;
    StoreStatus status = connection.open(location, RecordsAccess::ReadOnly, problem);
    if (!status.ok && problem != RecordsProblem::Damaged) return status;
    if (connection.damaged && !connection.db.isOpen()) {
        findings.push_back(connection.damage);
        return {};
    }
    // Damage the opening check saw is looked at in full.
    status = connection.integrityCheck(findings);
    if (!status.ok && connection.damaged && findings.empty()) {
        findings.push_back(connection.damage);
        return {};
    }
    if (status.ok) problem = findings.empty() ? RecordsProblem::None : RecordsProblem::Damaged;
    return status;
}

}  // namespace vq
