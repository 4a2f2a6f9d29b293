#pragma once
// One connection of the records store to its database and what the store needs around it:
// opening (SQLite: write-ahead log, busy time-out, the opening check, read-only without writing
// anything), each error sorted into "another program holds the lock" or "the file is damaged",
// and transactions tried again while another program holds the lock, for a bounded time.

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "app/records.h"
#include "platform/records_sql_store.h"

namespace vq {

// How long a transaction keeps trying while another program holds the lock: longer than any
// one transaction of another writer takes (an import commits in slices shorter than this).
inline constexpr std::chrono::milliseconds kRecordsLockPatience{15000};

class RecordsConnection {
  public:
    RecordsConnection();
    ~RecordsConnection();
    RecordsConnection(const RecordsConnection&) = delete;
    RecordsConnection& operator=(const RecordsConnection&) = delete;

    // Opens and checks the database; the schema is the store's business. Why not in `problem`.
    StoreStatus open(const RecordsLocation& location, RecordsAccess access,
                     RecordsProblem& problem);

    QSqlDatabase db;
    bool postgres = false;
    bool readOnly = false;
    std::string where;  // "records FILE", the start of every message
    std::string place;  // the file, or the server's address without a password
    // Set by any error that says the file is damaged, and kept: nothing is written after it.
    bool damaged = false;
    std::string damage;  // what the first such error said
    // The last failure was a lock held by another program (worth trying again).
    bool lastBusy = false;

    StoreStatus fail(const QSqlError& error);
    StoreStatus fail(const QSqlQuery& query) { return fail(query.lastError()); }
    // The message of a damaged store.
    StoreStatus damagedStatus() const;
    // One statement with its values bound in order.
    bool run(QSqlQuery& query, const QString& sql, const std::vector<QVariant>& values);
    StoreStatus begin();
    StoreStatus commit();
    void rollback();
    // `work` in one transaction, committed; tried again from the start while another program
    // holds the lock, until kRecordsLockPatience has passed. A damaged store is not touched.
    StoreStatus transact(const std::function<StoreStatus()>& work);
    // The same for anything outside a transaction (a pragma, a read).
    StoreStatus retrying(const std::function<StoreStatus()>& work);
    // PRAGMA quick_check (SQLite): of the whole file up to 8 MB, else of the small tables every
    // opening relies on; damage makes the store damaged.
    StoreStatus quickCheck();
    // PRAGMA integrity_check: every problem found, one line each.
    StoreStatus integrityCheck(std::vector<std::string>& findings);

  private:
    StoreStatus openSqlite(const RecordsLocation& location, RecordsProblem& problem);
    StoreStatus openSqliteReadOnly(const RecordsLocation& location, RecordsProblem& problem);
    StoreStatus openPostgres(const RecordsLocation& location);
    QString name_;
};

// The whole check of a SQLite file (PRAGMA integrity_check) opened read-only: what was found, one
// line each, in `findings`. A file that does not exist is Missing; one that is not a database at
// all, Damaged.
StoreStatus CheckRecordsFile(const RecordsLocation& location, std::vector<std::string>& findings,
                             RecordsProblem& problem);

}  // namespace vq
