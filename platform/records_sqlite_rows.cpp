#include "platform/records_sqlite_rows.h"

#include <sqlite3.h>

#include <QSqlDriver>
#include <QSqlQuery>
#include <QVariant>
#include <type_traits>

namespace vq {

namespace {

sqlite3* handleOf(const QSqlDatabase& db) {
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0) return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

sqlite3_stmt* statementOf(void* statement) {
    return static_cast<sqlite3_stmt*>(statement);
}

}  // namespace

bool SqliteCell::isNull() const {
    return sqlite3_column_type(statementOf(statement_), column_) == SQLITE_NULL;
}

long long SqliteCell::toLongLong() const {
    return sqlite3_column_int64(statementOf(statement_), column_);
}

double SqliteCell::toDouble() const {
    return sqlite3_column_double(statementOf(statement_), column_);
}

std::string SqliteCell::text() const {
    return std::string(view());
}

std::string_view SqliteCell::view() const {
    sqlite3_stmt* statement = statementOf(statement_);
    const auto* bytes = sqlite3_column_text(statement, column_);
    if (!bytes) return {};
    return {reinterpret_cast<const char*>(bytes),
            static_cast<std::size_t>(sqlite3_column_bytes(statement, column_))};
}

bool SqliteRows::usable(const QSqlDatabase& db) {
    if (!db.isOpen() || !handleOf(db)) return false;
    // The handle is only ours to use when Qt's driver runs this same SQLite: asked through the
    // driver, not through the handle.
    QSqlQuery query(db);
    return query.exec("SELECT sqlite_source_id()") && query.next() &&
           query.value(0).toString() == QString::fromLatin1(sqlite3_sourceid());
}

SqliteRows::SqliteRows(const QSqlDatabase& db) : db_(handleOf(db)) {}

SqliteRows::~SqliteRows() {
    sqlite3_finalize(statementOf(statement_));
}

void SqliteRows::fail(const char* what) {
    sqlite3* db = static_cast<sqlite3*>(db_);
    const int code = db ? sqlite3_extended_errcode(db) : SQLITE_MISUSE;
    error_ =
        QSqlError(QString::fromLatin1(what), db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString(),
                  QSqlError::StatementError, QString::number(code));
}

bool SqliteRows::exec(const QString& sql, const std::vector<SqliteValue>& values) {
    sqlite3_finalize(statementOf(statement_));
    statement_ = nullptr;
    error_ = QSqlError();
    if (!db_) {
        fail("Unable to execute statement");
        return false;
    }
    const QByteArray text = sql.toUtf8();
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(static_cast<sqlite3*>(db_), text.constData(),
                           static_cast<int>(text.size()), &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        fail("Unable to execute statement");
        return false;
    }
    statement_ = statement;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const int at = static_cast<int>(i) + 1;
        const int bound = std::visit(
            [&](const auto& value) {
                using T = std::decay_t<decltype(value)>;
                if constexpr (std::is_same_v<T, long long>)
                    return sqlite3_bind_int64(statement, at, value);
                else if constexpr (std::is_same_v<T, double>)
                    return sqlite3_bind_double(statement, at, value);
                else
                    return sqlite3_bind_text(statement, at, value.data(),
                                             static_cast<int>(value.size()), SQLITE_TRANSIENT);
            },
            values[i]);
        if (bound != SQLITE_OK) {
            fail("Unable to bind parameters");
            return false;
        }
    }
    return true;
}

bool SqliteRows::next() {
    if (!statement_) return false;
    const int result = sqlite3_step(statementOf(statement_));
    if (result == SQLITE_ROW) return true;
    if (result != SQLITE_DONE) fail("Unable to fetch row");
    return false;
}

}  // namespace vq
