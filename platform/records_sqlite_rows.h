#pragma once
// Rows of a SQLite connection read through SQLite's own interface, for the read where Qt SQL's
// work per value is most of the time: an instrument's whole timeline (10,000 events and their
// channels within a few tens of milliseconds, where Qt SQL alone takes over a hundred).
//
// Only for a connection whose handle is a database of the very SQLite this program is linked
// with (the same source id): anything else is read through Qt SQL as before.

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vq {

// One value of the current row.
class SqliteCell {
  public:
    SqliteCell(void* statement, int column) : statement_(statement), column_(column) {}
    bool isNull() const;
    long long toLongLong() const;
    int toInt() const { return static_cast<int>(toLongLong()); }
    double toDouble() const;
    float toFloat() const { return static_cast<float>(toDouble()); }
    std::string text() const;
    // The text without a copy, valid until the next row.
    std::string_view view() const;
    QString toString() const { return QString::fromStdString(text()); }

  private:
    void* statement_;
    int column_;
};

// A value bound to a statement.
using SqliteValue = std::variant<long long, double, std::string>;

class SqliteRows {
  public:
    // Whether `db` can be read this way (see above).
    static bool usable(const QSqlDatabase& db);
    // `db` must be usable.
    explicit SqliteRows(const QSqlDatabase& db);
    ~SqliteRows();
    SqliteRows(const SqliteRows&) = delete;
    SqliteRows& operator=(const SqliteRows&) = delete;

    // Prepares `sql` with `values` bound in order; false with lastError().
    bool exec(const QString& sql, const std::vector<SqliteValue>& values);
    // The next row; false at the end or on an error (lastError() says which).
    bool next();
    SqliteCell value(int column) const { return {statement_, column}; }
    // An error as Qt SQL would give it, its SQLite code as the native code.
    const QSqlError& lastError() const { return error_; }

  private:
    void fail(const char* what);
    void* db_ = nullptr;
    void* statement_ = nullptr;
    QSqlError error_;
};

}  // namespace vq
