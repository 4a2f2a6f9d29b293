#include "platform/records_sql_store.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QVariant>
#include <array>
#include <atomic>
#include <charconv>
#include <filesystem>
#include <map>

#include "messages/message_ids.h"
#include "messages/messages.h"

namespace vq {

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

std::string ss(const QVariant& value) {
    return value.toString().toStdString();
}

// Each store has a connection of its own: Qt's connections are named, and two stores (two
// windows, a test with two writers) must never share one.
QString newConnectionName() {
    static std::atomic<int> counter{0};
    return QStringLiteral("vq-records-%1").arg(++counter);
}

// The two dialects differ only in how a table gets its key and how bytes are stored.
struct Dialect {
    QString key;
    QString blob;
};

// Version 2: where each event came from (reported, imported from a file, simulated), whether its
// PC time was believed, and per instrument the evidence the state rule folds
// (app/records_state.h) instead of a summary that followed the latest PC time. The evidence is
// rebuilt from the events once the columns exist (rebuildStates).
std::vector<QString> stateMigration() {
    return {
        QStringLiteral("ALTER TABLE events ADD COLUMN origin INTEGER NOT NULL DEFAULT 0"),
        QStringLiteral("ALTER TABLE events ADD COLUMN clock_ahead INTEGER NOT NULL DEFAULT 0"),
        QStringLiteral("ALTER TABLE events ADD COLUMN import_file TEXT NOT NULL DEFAULT ''"),
        QStringLiteral(
            "ALTER TABLE events ADD COLUMN import_time DOUBLE PRECISION NOT NULL DEFAULT 0"),
        QStringLiteral("UPDATE events SET origin = 1 WHERE import_key IS NOT NULL"),
        QStringLiteral("ALTER TABLE instruments ADD COLUMN state TEXT NOT NULL DEFAULT ''"),
        QStringLiteral("CREATE INDEX events_trusted ON events (origin, clock_ahead, pc_time)"),
    };
}

// Migrations: entry N takes a store from version N to N + 1.
std::vector<std::vector<QString>> migrations(const Dialect& d) {
    return {
        {
            QStringLiteral(
                "CREATE TABLE instruments (id %1, serial TEXT NOT NULL UNIQUE, "
                "station TEXT NOT NULL DEFAULT '', user_id TEXT NOT NULL DEFAULT '', "
                "last_read DOUBLE PRECISION NOT NULL DEFAULT 0, "
                "cal_limit INTEGER NOT NULL DEFAULT 0, events BIGINT NOT NULL DEFAULT 0, "
                "channels TEXT NOT NULL DEFAULT '')")
                .arg(d.key),
            QStringLiteral(
                "CREATE TABLE snapshots (id %1, digest TEXT NOT NULL UNIQUE, body %2 NOT "
                "NULL)")
                .arg(d.key, d.blob),
            QStringLiteral("CREATE TABLE events (id %1, instrument_id BIGINT NOT NULL, "
                           "kind INTEGER NOT NULL, pc_time DOUBLE PRECISION NOT NULL, "
                           "instrument_time DOUBLE PRECISION NOT NULL, station TEXT NOT NULL, "
                           "user_id TEXT NOT NULL, success INTEGER NOT NULL, "
                           "cal_limit INTEGER NOT NULL, snapshot_id BIGINT, detail TEXT NOT NULL, "
                           "import_key TEXT UNIQUE)")
                .arg(d.key),
            QStringLiteral("CREATE INDEX events_by_instrument ON events (instrument_id, pc_time)"),
            QStringLiteral("CREATE TABLE event_channels (event_id BIGINT NOT NULL, "
                           "channel INTEGER NOT NULL, gas TEXT NOT NULL, enabled INTEGER NOT NULL, "
                           "concentration DOUBLE PRECISION NOT NULL, result TEXT NOT NULL, "
                           "before_date DOUBLE PRECISION NOT NULL, before_before REAL NOT NULL, "
                           "before_after REAL NOT NULL, after_date DOUBLE PRECISION NOT NULL, "
                           "after_before REAL NOT NULL, after_after REAL NOT NULL, "
                           "PRIMARY KEY (event_id, channel))"),
        },
        stateMigration()};
}

// What a record carries besides its columns: a write's review list, a dump's file, a note.
QString detailText(const RecordEvent& e) {
    QJsonObject detail;
    if (!e.changes.empty()) {
        QJsonArray changes;
        for (const RecordChange& c : e.changes) {
            changes.append(QJsonObject{{"code", qs(c.code)},
                                       {"number", c.number},
                                       {"caption", qs(c.caption)},
                                       {"from", qs(c.from)},
                                       {"to", qs(c.to)}});
        }
        detail.insert("changes", changes);
    }
    if (!e.file.empty()) {
        detail.insert("file", qs(e.file));
        detail.insert("size", static_cast<double>(e.size));
    }
    if (!e.note.empty()) detail.insert("note", qs(e.note));
    return QString::fromUtf8(QJsonDocument(detail).toJson(QJsonDocument::Compact));
}

void readDetail(const QString& text, RecordEvent& e) {
    const QJsonObject detail = QJsonDocument::fromJson(text.toUtf8()).object();
    for (const QJsonValue& value : detail.value("changes").toArray()) {
        const QJsonObject c = value.toObject();
        e.changes.push_back({c.value("code").toString().toStdString(), c.value("number").toInt(),
                             c.value("caption").toString().toStdString(),
                             c.value("from").toString().toStdString(),
                             c.value("to").toString().toStdString()});
    }
    e.file = detail.value("file").toString().toStdString();
    e.size = static_cast<std::int64_t>(detail.value("size").toDouble());
    e.note = detail.value("note").toString().toStdString();
}

// Columns of an event as the store reads them back, in this order (see readEvent).
constexpr const char* kEventColumns =
    "e.id, e.kind, e.pc_time, e.instrument_time, e.station, e.user_id, e.success, e.cal_limit, "
    "e.snapshot_id, e.detail, e.import_key, e.origin, e.clock_ahead, e.import_file, "
    "e.import_time";
constexpr int kEventColumnCount = 15;

// The event columns from `first` on.
void readEvent(const QSqlQuery& query, TimelineEntry& t, int first = 0) {
    auto v = [&](int i) { return query.value(first + i); };
    t.id = v(0).toLongLong();
    RecordEvent& e = t.event;
    e.kind = static_cast<RecordKind>(v(1).toInt());
    e.pcTime = v(2).toDouble();
    e.instrumentTime = v(3).toDouble();
    e.station = ss(v(4));
    e.user = ss(v(5));
    e.success = v(6).toInt() != 0;
    e.calLimit = v(7).toInt();
    t.hasSnapshot = !v(8).isNull();
    readDetail(v(9).toString(), e);
    e.importKey = ss(v(10));
    e.origin = static_cast<RecordOrigin>(v(11).toInt());
    e.clockAhead = v(12).toInt() != 0;
    e.importFile = ss(v(13));
    e.importTime = v(14).toDouble();
}

// event_channels columns from `first` on.
ChannelRecord readChannel(const QSqlQuery& query, int first) {
    ChannelRecord c;
    c.channel = query.value(first).toInt();
    c.gas = ss(query.value(first + 1));
    c.enabled = query.value(first + 2).toInt() != 0;
    c.concentration = query.value(first + 3).toDouble();
    c.result = ss(query.value(first + 4));
    c.historyBefore = {query.value(first + 5).toDouble(), query.value(first + 6).toFloat(),
                       query.value(first + 7).toFloat()};
    c.history = {query.value(first + 8).toDouble(), query.value(first + 9).toFloat(),
                 query.value(first + 10).toFloat()};
    return c;
}

constexpr const char* kChannelColumns =
    "c.channel, c.gas, c.enabled, c.concentration, c.result, c.before_date, c.before_before, "
    "c.before_after, c.after_date, c.after_before, c.after_after";

}  // namespace

std::string RecordsLocation::describe() const {
    if (!postgres) return path;
    return "postgresql://" + user + "@" + host + ":" + std::to_string(port) + "/" + database;
}

std::optional<RecordsLocation> ParseRecordsLocation(const std::string& text,
                                                    const std::string& workDir,
                                                    std::string* error) {
    RecordsLocation location;
    const QString given = qs(text);
    if (given.startsWith("postgresql://") || given.startsWith("postgres://")) {
        const QUrl url(given, QUrl::StrictMode);
        location.postgres = true;
        location.user = url.userName().toStdString();
        location.password = url.password().toStdString();
        location.host = url.host().toStdString();
        location.port = url.port(5432);
        location.database = url.path().mid(1).toStdString();
        if (!url.isValid() || location.host.empty() || location.database.empty()) {
            if (error) *error = ResMessage(msg::RecordsBadAddress, {text});
            return std::nullopt;
        }
        return location;
    }
    const std::filesystem::path file =
        text.empty() ? std::filesystem::path(kRecordsFileName) : std::filesystem::path(text);
    location.path = (file.is_absolute() || workDir.empty() ? file : workDir / file).string();
    return location;
}

class RecordsSqlStore::Impl {
  public:
    QString name = newConnectionName();
    QSqlDatabase db;
    bool postgres = false;
    std::string where;

    StoreStatus fail(const QSqlError& error) const {
        return StoreStatus::failure(where + ": " + error.text().toStdString());
    }
    StoreStatus fail(const QSqlQuery& query) const { return fail(query.lastError()); }

    // One statement with its values bound in order.
    bool run(QSqlQuery& query, const QString& sql, const std::vector<QVariant>& values) {
        if (!query.prepare(sql)) return false;
        for (const QVariant& value : values) query.addBindValue(value);
        return query.exec();
    }

    StoreStatus begin() {
        // SQLite: take the write lock up front, so two writers queue on the busy time-out
        // instead of one failing halfway when it upgrades a read lock.
        QSqlQuery query(db);
        if (!query.exec(postgres ? "BEGIN" : "BEGIN IMMEDIATE")) return fail(query);
        return {};
    }
    void rollback() { QSqlQuery(db).exec("ROLLBACK"); }

    // The newest PC time the store believes, read under the write lock so that every event of
    // the transaction is judged against what was committed before it.
    double newestTrusted = 0;
    StoreStatus beginWrite() {
        if (const StoreStatus began = begin(); !began.ok) return began;
        QSqlQuery query(db);
        if (!query.exec("SELECT pc_time FROM events WHERE origin = 0 AND clock_ahead = 0 "
                        "ORDER BY pc_time DESC LIMIT 1")) {
            const StoreStatus status = fail(query);
            rollback();
            return status;
        }
        newestTrusted = query.next() ? query.value(0).toDouble() : 0.0;
        return {};
    }

    StoreStatus prepareSchema();
    StoreStatus rebuildStates();
    StoreStatus write(const RecordEvent& e, bool& added);
    std::optional<long long> storeSnapshot(const std::string& text, QSqlQuery& query);
};

StoreStatus RecordsSqlStore::Impl::prepareSchema() {
    QSqlQuery query(db);
    if (!query.exec("CREATE TABLE IF NOT EXISTS records_schema (version INTEGER NOT NULL)"))
        return fail(query);
    if (!query.exec("SELECT version FROM records_schema")) return fail(query);
    int version = 0;
    if (query.next()) version = query.value(0).toInt();
    query.finish();
    if (version > kRecordsSchemaVersion) {
        return StoreStatus::failure(
            where + ": " +
            ResMessage(msg::RecordsNewerSchema,
                       {std::to_string(version), std::to_string(kRecordsSchemaVersion)}));
    }
    if (version == kRecordsSchemaVersion) return {};
    const Dialect dialect = postgres ? Dialect{"BIGSERIAL PRIMARY KEY", "BYTEA"}
                                     : Dialect{"INTEGER PRIMARY KEY", "BLOB"};
    const auto steps = migrations(dialect);
    if (const StoreStatus began = begin(); !began.ok) return began;
    // Another program may have migrated between the look and the lock.
    if (!query.exec("SELECT version FROM records_schema")) {
        rollback();
        return fail(query);
    }
    version = query.next() ? query.value(0).toInt() : 0;
    query.finish();
    for (int step = version; step < kRecordsSchemaVersion; ++step) {
        for (const QString& sql : steps[static_cast<std::size_t>(step)]) {
            if (!query.exec(sql)) {
                const StoreStatus status = fail(query);
                rollback();
                return status;
            }
        }
    }
    if (version < 2) {
        if (const StoreStatus rebuilt = rebuildStates(); !rebuilt.ok) {
            rollback();
            return rebuilt;
        }
    }
    const bool stored =
        query.exec("DELETE FROM records_schema") &&
        run(query, "INSERT INTO records_schema (version) VALUES (?)", {kRecordsSchemaVersion});
    if (!stored || !query.exec("COMMIT")) {
        const StoreStatus status = fail(query);
        rollback();
        return status;
    }
    return {};
}

StoreStatus RecordsSqlStore::Impl::rebuildStates() {
    // Every event once, in the order it was committed, as the writers would have folded it.
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT e.instrument_id, %1, %2 FROM events e "
                                   "LEFT JOIN event_channels c ON c.event_id = e.id "
                                   "ORDER BY e.id, c.channel")
                        .arg(kEventColumns, kChannelColumns)))
        return fail(query);
    std::map<long long, InstrumentRecordState> states;
    std::vector<long long> ahead;
    double newest = 0;
    TimelineEntry current;
    long long currentInstrument = -1;
    auto finish = [&] {
        if (currentInstrument < 0) return;
        RecordEvent& e = current.event;
        e.clockAhead =
            e.origin == RecordOrigin::Reported && IsClockAhead(e.pcTime, e.instrumentTime, newest);
        if (e.clockAhead) ahead.push_back(current.id);
        FoldEvent(states[currentInstrument], e, newest);
        if (e.origin == RecordOrigin::Reported && !e.clockAhead)
            newest = std::max(newest, e.pcTime);
    };
    while (query.next()) {
        const long long id = query.value(1).toLongLong();
        if (id != current.id || currentInstrument < 0) {
            finish();
            current = TimelineEntry{};
            currentInstrument = query.value(0).toLongLong();
            readEvent(query, current, 1);
        }
        if (!query.value(1 + kEventColumnCount).isNull())
            current.event.channels.push_back(readChannel(query, 1 + kEventColumnCount));
    }
    finish();
    query.finish();
    for (long long id : ahead)
        if (!run(query, "UPDATE events SET clock_ahead = 1 WHERE id = ?", {id})) return fail(query);
    for (const auto& [instrument, state] : states)
        if (!run(query, "UPDATE instruments SET state = ? WHERE id = ?",
                 {qs(EncodeRecordState(state)), instrument}))
            return fail(query);
    return {};
}

std::optional<long long> RecordsSqlStore::Impl::storeSnapshot(const std::string& text,
                                                              QSqlQuery& query) {
    // Reads of an unchanged instrument give the same text: it is kept once.
    const QByteArray bytes = QByteArray::fromStdString(text);
    const QString digest =
        QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
    if (!run(query, "SELECT id FROM snapshots WHERE digest = ?", {digest})) return std::nullopt;
    if (query.next()) return query.value(0).toLongLong();
    if (!run(query,
             "INSERT INTO snapshots (digest, body) VALUES (?, ?) "
             "ON CONFLICT (digest) DO UPDATE SET digest = excluded.digest RETURNING id",
             {digest, qCompress(bytes, 9)}) ||
        !query.next())
        return std::nullopt;
    return query.value(0).toLongLong();
}

StoreStatus RecordsSqlStore::Impl::write(const RecordEvent& given, bool& added) {
    RecordEvent flagged;
    const bool ahead = given.origin == RecordOrigin::Reported &&
                       IsClockAhead(given.pcTime, given.instrumentTime, newestTrusted);
    if (ahead != given.clockAhead) {
        flagged = given;
        flagged.clockAhead = ahead;
    }
    const RecordEvent& e = ahead != given.clockAhead ? flagged : given;
    QSqlQuery query(db);
    if (!run(query,
             "INSERT INTO instruments (serial, station, user_id) VALUES (?, ?, ?) "
             "ON CONFLICT (serial) DO UPDATE SET "
             "station = CASE WHEN excluded.station <> '' THEN excluded.station "
             "ELSE instruments.station END, "
             "user_id = CASE WHEN excluded.user_id <> '' THEN excluded.user_id "
             "ELSE instruments.user_id END RETURNING id, state",
             {qs(e.serial), qs(e.station), qs(e.user)}) ||
        !query.next())
        return fail(query);
    // The upsert holds the row until the commit: no other writer changes the summary between
    // this read of it and the update below.
    const long long instrument = query.value(0).toLongLong();
    const QString stateBefore = query.value(1).toString();

    QVariant snapshotId(QMetaType::fromType<qlonglong>());
    if (!e.snapshot.empty()) {
        const auto id = storeSnapshot(e.snapshot, query);
        if (!id) return fail(query);
        snapshotId = *id;
    }
    const QVariant importKey =
        e.importKey.empty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(qs(e.importKey));
    if (!run(query,
             "INSERT INTO events (instrument_id, kind, pc_time, instrument_time, station, "
             "user_id, success, cal_limit, snapshot_id, detail, import_key, origin, "
             "clock_ahead, import_file, import_time) "
             "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) "
             "ON CONFLICT (import_key) DO NOTHING RETURNING id",
             {instrument, static_cast<int>(e.kind), e.pcTime, e.instrumentTime, qs(e.station),
              qs(e.user), e.success ? 1 : 0, e.calLimit, snapshotId, detailText(e), importKey,
              static_cast<int>(e.origin), e.clockAhead ? 1 : 0, qs(e.importFile), e.importTime}))
        return fail(query);
    if (!query.next()) {
        added = false;  // imported before
        return {};
    }
    const long long event = query.value(0).toLongLong();
    added = true;

    for (const ChannelRecord& c : e.channels) {
        if (!run(query,
                 "INSERT INTO event_channels (event_id, channel, gas, enabled, concentration, "
                 "result, before_date, before_before, before_after, after_date, after_before, "
                 "after_after) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                 {event, c.channel, qs(c.gas), c.enabled ? 1 : 0, c.concentration, qs(c.result),
                  c.historyBefore.date, c.historyBefore.before, c.historyBefore.after,
                  c.history.date, c.history.before, c.history.after}))
            return fail(query);
    }
    // The evidence the state rule folds; the rule (app/records_state.h) decides what counts.
    InstrumentRecordState state = DecodeRecordState(stateBefore.toStdString());
    FoldEvent(state, e, newestTrusted);
    if (e.origin == RecordOrigin::Reported && !e.clockAhead)
        newestTrusted = std::max(newestTrusted, e.pcTime);
    if (!run(query, "UPDATE instruments SET events = events + 1, state = ? WHERE id = ?",
             {qs(EncodeRecordState(state)), instrument}))
        return fail(query);
    return {};
}

RecordsSqlStore::RecordsSqlStore(RecordsLocation location)
    : location_(std::move(location)), impl_(std::make_unique<Impl>()) {}

RecordsSqlStore::~RecordsSqlStore() {
    const QString name = impl_->name;
    impl_->db.close();
    impl_->db = QSqlDatabase();
    QSqlDatabase::removeDatabase(name);
}

std::unique_ptr<RecordsSqlStore> RecordsSqlStore::open(const RecordsLocation& location,
                                                       StoreStatus& status) {
    std::unique_ptr<RecordsSqlStore> store(new RecordsSqlStore(location));
    Impl& d = *store->impl_;
    d.postgres = location.postgres;
    d.where = ResMessage(msg::RecordsWhere, {location.describe()});
    const QString driver = d.postgres ? "QPSQL" : "QSQLITE";
    if (!QSqlDatabase::isDriverAvailable(driver)) {
        status = StoreStatus::failure(d.where + ": " +
                                      ResMessage(msg::RecordsNoDriver, {driver.toStdString()}));
        return nullptr;
    }
    d.db = QSqlDatabase::addDatabase(driver, d.name);
    if (d.postgres) {
        d.db.setHostName(qs(location.host));
        d.db.setPort(location.port);
        d.db.setUserName(qs(location.user));
        d.db.setPassword(qs(location.password));
        d.db.setDatabaseName(qs(location.database));
        // A server that is not there must not hold up an instrument operation.
        d.db.setConnectOptions("connect_timeout=3");
    } else {
        d.db.setDatabaseName(qs(location.path));
        // Another program writing waits this long at most; then the event is reported unrecorded.
        d.db.setConnectOptions("QSQLITE_BUSY_TIMEOUT=1000");
    }
    if (!d.db.open()) {
        status = d.fail(d.db.lastError());
        return nullptr;
    }
    if (!d.postgres) {
        QSqlQuery query(d.db);
        // WAL: readers never wait for a writer, and a killed writer leaves every committed event.
        if (!query.exec("PRAGMA journal_mode=WAL") || !query.exec("PRAGMA synchronous=NORMAL")) {
            status = d.fail(query);
            return nullptr;
        }
    } else {
        QSqlQuery(d.db).exec("SET client_min_messages TO WARNING");
    }
    status = d.prepareSchema();
    if (!status.ok) return nullptr;
    return store;
}

StoreStatus RecordsSqlStore::record(const RecordEvent& event, bool* added) {
    bool wasAdded = false;
    if (const StoreStatus began = impl_->beginWrite(); !began.ok) return began;
    StoreStatus status = impl_->write(event, wasAdded);
    if (status.ok) {
        QSqlQuery commit(impl_->db);
        if (!commit.exec("COMMIT")) status = impl_->fail(commit);
    }
    if (!status.ok) impl_->rollback();
    if (added) *added = status.ok && wasAdded;
    return status;
}

StoreStatus RecordsSqlStore::recordAll(const std::vector<RecordEvent>& events, int* added) {
    int count = 0;
    if (const StoreStatus began = impl_->beginWrite(); !began.ok) return began;
    StoreStatus status;
    for (const RecordEvent& event : events) {
        bool wasAdded = false;
        status = impl_->write(event, wasAdded);
        if (!status.ok) break;
        count += wasAdded ? 1 : 0;
    }
    if (status.ok) {
        QSqlQuery commit(impl_->db);
        if (!commit.exec("COMMIT")) status = impl_->fail(commit);
    }
    if (!status.ok) impl_->rollback();
    if (added) *added = status.ok ? count : 0;
    return status;
}

StoreStatus RecordsSqlStore::instruments(std::vector<InstrumentSummary>& out) {
    out.clear();
    QSqlQuery query(impl_->db);
    query.setForwardOnly(true);
    if (!query.exec("SELECT serial, station, user_id, events, state FROM instruments "
                    "ORDER BY serial"))
        return impl_->fail(query);
    while (query.next()) {
        InstrumentSummary s;
        s.serial = ss(query.value(0));
        s.station = ss(query.value(1));
        s.user = ss(query.value(2));
        s.events = query.value(3).toLongLong();
        s.record = DecodeRecordState(query.value(4).toByteArray().toStdString());
        out.push_back(std::move(s));
    }
    return {};
}

StoreStatus RecordsSqlStore::timeline(const std::string& serial, std::vector<TimelineEntry>& out) {
    out.clear();
    QSqlQuery query(impl_->db);
    query.setForwardOnly(true);
    if (!impl_->run(query, "SELECT id FROM instruments WHERE serial = ?", {qs(serial)}))
        return impl_->fail(query);
    if (!query.next()) return {};
    const long long instrument = query.value(0).toLongLong();
    if (!impl_->run(query,
                    QStringLiteral("SELECT %1 FROM events e WHERE e.instrument_id = ? "
                                   "ORDER BY e.pc_time, e.id")
                        .arg(kEventColumns),
                    {instrument}))
        return impl_->fail(query);
    std::map<long long, std::size_t> index;
    while (query.next()) {
        TimelineEntry t;
        readEvent(query, t);
        t.event.serial = serial;
        index.emplace(t.id, out.size());
        out.push_back(std::move(t));
    }
    if (!impl_->run(query,
                    QStringLiteral("SELECT c.event_id, %1 FROM event_channels c "
                                   "JOIN events e ON e.id = c.event_id WHERE e.instrument_id = ? "
                                   "ORDER BY c.event_id, c.channel")
                        .arg(kChannelColumns),
                    {instrument}))
        return impl_->fail(query);
    while (query.next()) {
        const auto found = index.find(query.value(0).toLongLong());
        if (found == index.end()) continue;
        out[found->second].event.channels.push_back(readChannel(query, 1));
    }
    return {};
}

StoreStatus RecordsSqlStore::snapshot(long long eventId, std::string& text) {
    text.clear();
    QSqlQuery query(impl_->db);
    if (!impl_->run(query,
                    "SELECT s.body FROM events e JOIN snapshots s ON s.id = e.snapshot_id "
                    "WHERE e.id = ?",
                    {eventId}))
        return impl_->fail(query);
    if (!query.next())
        return StoreStatus::failure(impl_->where + ": " +
                                    ResMessage(msg::RecordsNoSnapshot, {std::to_string(eventId)}));
    text = qUncompress(query.value(0).toByteArray()).toStdString();
    return {};
}

}  // namespace vq
