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
#include <algorithm>
#include <array>
#include <charconv>
#include <filesystem>
#include <map>
#include <random>
#include <thread>

#include "messages/message_ids.h"
#include "messages/messages.h"
#include "platform/records_sql_connection.h"
#include "platform/records_sqlite_rows.h"

namespace vq {

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

std::string ss(const QVariant& value) {
    return value.toString().toStdString();
}

std::string ss(const SqliteCell& value) {
    return value.text();
}

// The two dialects differ only in how a table gets its key, how bytes are stored and how a
// random id is made.
struct Dialect {
    QString key;
    QString blob;
    QString randomId;
};

// Migrations: entry N takes a store from version N to N + 1.
std::vector<std::vector<QString>> migrations(const Dialect& d) {
    return {{
        QStringLiteral("CREATE TABLE instruments (id %1, serial TEXT NOT NULL UNIQUE, "
                       "station TEXT NOT NULL DEFAULT '', user_id TEXT NOT NULL DEFAULT '', "
                       "last_read DOUBLE PRECISION NOT NULL DEFAULT 0, "
                       "cal_limit INTEGER NOT NULL DEFAULT 0, events BIGINT NOT NULL DEFAULT 0, "
                       "channels TEXT NOT NULL DEFAULT '')")
            .arg(d.key),
        QStringLiteral("CREATE TABLE snapshots (id %1, digest TEXT NOT NULL UNIQUE, body %2 NOT "
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
    }};
}

// Version 2, one step of its own: every event gets a stable id (128 random bits as hexadecimal
// digits), unique in every store, so an event that reaches a store twice is kept once; and the
// queue of events a local file still owes a shared store.
std::vector<QString> eventIdMigration(const Dialect& d) {
    return {
        QStringLiteral("ALTER TABLE events ADD COLUMN event_uid TEXT"),
        QStringLiteral("UPDATE events SET event_uid = %1").arg(d.randomId),
        QStringLiteral("CREATE UNIQUE INDEX events_by_uid ON events (event_uid)"),
        QStringLiteral("CREATE TABLE records_outbox (event_id BIGINT PRIMARY KEY)"),
    };
}

// Version 3: where each event came from (reported, imported from a file, simulated), whether its
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

// Version 4: who an instrument is. The manufacture number it reports is kept with each event and
// the instrument; an instrument is marked simulated while every event of it came from the
// built-in virtual instrument; and the serials an instrument was known by before a serial change
// this program wrote lead to its one history.
std::vector<QString> identityMigration() {
    return {
        QStringLiteral("ALTER TABLE events ADD COLUMN manufacture_no TEXT NOT NULL DEFAULT ''"),
        // The serial each event was recorded under: an instrument's serial may change later.
        QStringLiteral("ALTER TABLE events ADD COLUMN serial TEXT NOT NULL DEFAULT ''"),
        QStringLiteral(
            "ALTER TABLE instruments ADD COLUMN manufacture_no TEXT NOT NULL DEFAULT ''"),
        QStringLiteral("ALTER TABLE instruments ADD COLUMN simulated INTEGER NOT NULL DEFAULT 0"),
        QStringLiteral("CREATE TABLE instrument_serials (serial TEXT NOT NULL, "
                       "instrument_id BIGINT NOT NULL, changed DOUBLE PRECISION NOT NULL, "
                       "UNIQUE (serial, instrument_id))"),
    };
}

// Version 5: per instrument what the due list asks first, its due date and whether it has failed,
// kept beside the state so the due list decodes only the instruments that may need attention. A
// table of its own: stores migrated from before it keep their instruments table as it was. Filled
// from the states (refreshDue).
std::vector<QString> dueMigration() {
    return {
        QStringLiteral("CREATE TABLE IF NOT EXISTS instrument_due (instrument_id BIGINT PRIMARY "
                       "KEY, due_date DOUBLE PRECISION NOT NULL, failed INTEGER NOT NULL)"),
    };
}

// What instrument_due keeps of a state: neither changes with the day the list is made (Assess
// fails a channel, and dates it, from the evidence alone).
struct DueFacts {
    double due = 0;
    bool failed = false;
};
DueFacts dueFacts(const InstrumentRecordState& state) {
    const Assessment a = Assess(state, 0.0, 0);
    return {a.due, a.state == InstrumentState::Failed};
}

// A new event id: 128 bits from the system's random source.
std::string newEventId() {
    thread_local std::random_device device;
    static constexpr char digits[] = "0123456789abcdef";
    std::string id;
    for (int word = 0; word < 4; ++word) {
        std::uint32_t bits = device();
        for (int i = 0; i < 8; ++i, bits >>= 4) id += digits[bits & 15];
    }
    return id;
}

// What a record carries besides its columns: a write's review list, a dump's file, a note.
QString detailText(const RecordEvent& e, bool joined = true) {
    QJsonObject detail;
    if (!e.previousSerial.empty()) detail.insert("previousSerial", qs(e.previousSerial));
    if (!joined) detail.insert("joined", false);
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
    if (text == QLatin1String("{}")) return;  // most events carry nothing more
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
    e.previousSerial = detail.value("previousSerial").toString().toStdString();
    e.serialJoined = detail.value("joined").toBool(true);
}

// An event row and a channel row as every reader selects them (the timeline, the queue towards a
// shared store): one place, so what the queue sends is all a store keeps.
const QString kEventColumns = QStringLiteral(
    "e.id, e.kind, e.pc_time, e.instrument_time, e.station, e.user_id, e.success, "
    "e.cal_limit, e.snapshot_id, e.detail, e.import_key, e.event_uid, e.origin, e.clock_ahead, "
    "e.import_file, e.import_time, e.manufacture_no, e.serial");
constexpr int kEventColumnCount = 18;
const QString kChannelColumns = QStringLiteral(
    "c.event_id, c.channel, c.gas, c.enabled, c.concentration, c.result, "
    "c.before_date, c.before_before, c.before_after, c.after_date, "
    "c.after_before, c.after_after");

// The event columns from `first` on, of a Qt SQL query or a row read through SQLite itself.
template <typename Rows>
TimelineEntry eventFromRow(const Rows& query, const std::string& serial, int first = 0) {
    auto v = [&](int i) { return query.value(first + i); };
    TimelineEntry t;
    t.id = v(0).toLongLong();
    RecordEvent& e = t.event;
    e.kind = static_cast<RecordKind>(v(1).toInt());
    e.serial = serial;
    e.pcTime = v(2).toDouble();
    e.instrumentTime = v(3).toDouble();
    e.station = ss(v(4));
    e.user = ss(v(5));
    e.success = v(6).toInt() != 0;
    e.calLimit = v(7).toInt();
    t.hasSnapshot = !v(8).isNull();
    readDetail(v(9).toString(), e);
    e.importKey = ss(v(10));
    e.eventId = ss(v(11));
    e.origin = static_cast<RecordOrigin>(v(12).toInt());
    e.clockAhead = v(13).toInt() != 0;
    e.importFile = ss(v(14));
    e.importTime = v(15).toDouble();
    e.manufactureNo = ss(v(16));
    if (const std::string own = ss(v(17)); !own.empty()) e.serial = own;
    return t;
}

// The channel columns (the event's id first) from `first` on.
template <typename Rows>
ChannelRecord channelFromRow(const Rows& query, int first = 0) {
    auto v = [&](int i) { return query.value(first + i); };
    ChannelRecord c;
    c.channel = v(1).toInt();
    c.gas = ss(v(2));
    c.enabled = v(3).toInt() != 0;
    c.concentration = v(4).toDouble();
    c.result = ss(v(5));
    c.historyBefore = {v(6).toDouble(), v(7).toFloat(), v(8).toFloat()};
    c.history = {v(9).toDouble(), v(10).toFloat(), v(11).toFloat()};
    return c;
}

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

class RecordsSqlStore::Impl : public RecordsConnection {
  public:
    bool queueForShared = false;
    // The newest PC time the store believes, read under the write lock so that every event of
    // the transaction is judged against what was committed before it.
    double newestTrusted = 0;
    StoreStatus readNewestTrusted() {
        QSqlQuery query(db);
        if (!query.exec("SELECT pc_time FROM events WHERE origin = 0 AND clock_ahead = 0 "
                        "ORDER BY pc_time DESC LIMIT 1"))
            return fail(query);
        newestTrusted = query.next() ? query.value(0).toDouble() : 0.0;
        return {};
    }
    StoreStatus rebuildStates();
    // instrument_due made again from every instrument's state.
    StoreStatus refreshDue();
    bool storeDue(QSqlQuery& query, long long instrument, const InstrumentRecordState& state) {
        const DueFacts facts = dueFacts(state);
        return run(query,
                   "INSERT INTO instrument_due (instrument_id, due_date, failed) VALUES (?, ?, ?) "
                   "ON CONFLICT (instrument_id) DO UPDATE SET due_date = excluded.due_date, "
                   "failed = excluded.failed",
                   {instrument, facts.due, facts.failed ? 1 : 0});
    }

    // The schema version the store holds (0: none yet); nothing on failure.
    std::optional<int> schemaVersion(StoreStatus& status);
    StoreStatus prepareSchema();
    StoreStatus checkReadableSchema(RecordsProblem& problem);
    StoreStatus write(const RecordEvent& e, bool& added, bool* joined = nullptr);
    // The instrument `serial` names now, else the one it named before a serial change; 0 when
    // none.
    StoreStatus instrumentOf(const QString& serial, long long& id);
    // The instrument row of the event's serial (made when new), its station, user, manufacture
    // number and simulated mark brought up to date; `state` its folded evidence.
    StoreStatus instrumentFor(const RecordEvent& e, const QString& serial, long long& id,
                              QString& state);
    // A serial change: the old serial's instrument takes the new serial unless that names
    // another instrument already.
    StoreStatus changeSerial(const RecordEvent& e, long long& id, QString& state, bool& joined);
    std::optional<long long> storeSnapshot(const std::string& text, QSqlQuery& query);
    // Instruments as the fleet query `sql` (summaryColumns first) gives them.
    StoreStatus readFleet(const QString& sql, const std::vector<QVariant>& values,
                          std::vector<InstrumentSummary>& out);
    // Whether rows can be read through SQLite's own interface (asked once).
    bool directRows();
    std::optional<bool> direct;
};

std::optional<int> RecordsSqlStore::Impl::schemaVersion(StoreStatus& status) {
    QSqlQuery query(db);
    const QString table = postgres ? "SELECT count(*) FROM information_schema.tables "
                                     "WHERE table_name = 'records_schema' AND "
                                     "table_schema = current_schema()"
                                   : "SELECT count(*) FROM sqlite_master "
                                     "WHERE type = 'table' AND name = 'records_schema'";
    if (!query.exec(table) || !query.next()) {
        status = fail(query);
        return std::nullopt;
    }
    if (query.value(0).toInt() == 0) return 0;
    if (!query.exec("SELECT version FROM records_schema")) {
        status = fail(query);
        return std::nullopt;
    }
    return query.next() ? query.value(0).toInt() : 0;
}

StoreStatus RecordsSqlStore::Impl::prepareSchema() {
    StoreStatus status;
    // A look without the write lock first: most openings find the schema as it should be.
    std::optional<int> version;
    status = retrying([&] {
        StoreStatus looked;
        version = schemaVersion(looked);
        return looked;
    });
    if (!version) return status;
    if (*version > kRecordsSchemaVersion) {
        return StoreStatus::failure(
            where + ": " +
            ResMessage(msg::RecordsNewerSchema,
                       {std::to_string(*version), std::to_string(kRecordsSchemaVersion)}));
    }
    if (*version == kRecordsSchemaVersion) return {};
    const Dialect dialect =
        postgres
            ? Dialect{"BIGSERIAL PRIMARY KEY", "BYTEA", "replace(gen_random_uuid()::text, '-', '')"}
            : Dialect{"INTEGER PRIMARY KEY", "BLOB", "lower(hex(randomblob(16)))"};
    auto steps = migrations(dialect);
    steps.push_back(eventIdMigration(dialect));
    steps.push_back(stateMigration());
    steps.push_back(identityMigration());
    steps.push_back(dueMigration());
    return transact([&]() -> StoreStatus {
        QSqlQuery query(db);
        // Programs that start together on a new database make its schema one after the other:
        // on PostgreSQL the lock is taken by hand, SQLite's write lock is already held.
        if (postgres && !query.exec("SELECT pg_advisory_xact_lock(51005100)")) return fail(query);
        // Another program may have made or migrated it between the look and the lock.
        StoreStatus looked;
        const std::optional<int> now = schemaVersion(looked);
        if (!now) return looked;
        if (*now >= kRecordsSchemaVersion) return {};
        if (*now == 0 &&
            !query.exec("CREATE TABLE IF NOT EXISTS records_schema (version INTEGER NOT NULL)"))
            return fail(query);
        for (int step = *now; step < kRecordsSchemaVersion; ++step) {
            for (const QString& sql : steps[static_cast<std::size_t>(step)])
                if (!query.exec(sql)) return fail(query);
        }
        // The state evidence of a store from before version 3 is made from its events.
        if (*now > 0 && *now < 3)
            if (const StoreStatus rebuilt = rebuildStates(); !rebuilt.ok) return rebuilt;
        if (*now > 0 && *now < 5)
            if (const StoreStatus refreshed = refreshDue(); !refreshed.ok) return refreshed;
        if (!query.exec("DELETE FROM records_schema") ||
            !run(query, "INSERT INTO records_schema (version) VALUES (?)", {kRecordsSchemaVersion}))
            return fail(query);
        return {};
    });
}

StoreStatus RecordsSqlStore::Impl::checkReadableSchema(RecordsProblem& problem) {
    StoreStatus status;
    const std::optional<int> version = schemaVersion(status);
    if (!version) return status;
    if (*version == 0) {
        // A database that never held records: for a reader, there are none.
        problem = RecordsProblem::Missing;
        return StoreStatus::failure(ResMessage(msg::RecordsMissing, {place}));
    }
    if (*version > kRecordsSchemaVersion) {
        return StoreStatus::failure(
            where + ": " +
            ResMessage(msg::RecordsNewerSchema,
                       {std::to_string(*version), std::to_string(kRecordsSchemaVersion)}));
    }
    if (*version < kRecordsSchemaVersion) {
        return StoreStatus::failure(
            where + ": " + ResMessage(msg::RecordsOlderReadOnly, {std::to_string(*version)}));
    }
    return {};
}

StoreStatus RecordsSqlStore::Impl::rebuildStates() {
    // Every event once, in the order it was committed, as the writers would have folded it.
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec("SELECT e.instrument_id, " + kEventColumns + ", " + kChannelColumns +
                    " FROM events e LEFT JOIN event_channels c ON c.event_id = e.id "
                    "ORDER BY e.id, c.channel"))
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
            currentInstrument = query.value(0).toLongLong();
            current = eventFromRow(query, {}, 1);
        }
        if (!query.value(1 + kEventColumnCount).isNull())
            current.event.channels.push_back(channelFromRow(query, 1 + kEventColumnCount));
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

StoreStatus RecordsSqlStore::Impl::refreshDue() {
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec("SELECT id, state FROM instruments")) return fail(query);
    std::vector<std::pair<long long, InstrumentRecordState>> states;
    while (query.next())
        states.emplace_back(query.value(0).toLongLong(),
                            DecodeRecordState(query.value(1).toString().toStdString()));
    query.finish();
    if (!query.exec("DELETE FROM instrument_due")) return fail(query);
    for (const auto& [instrument, state] : states)
        if (!storeDue(query, instrument, state)) return fail(query);
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

StoreStatus RecordsSqlStore::Impl::instrumentOf(const QString& serial, long long& id) {
    id = 0;
    QSqlQuery query(db);
    if (!run(query, "SELECT id FROM instruments WHERE serial = ?", {serial})) return fail(query);
    if (!query.next()) {
        // The instrument that had it last.
        if (!run(query,
                 "SELECT instrument_id FROM instrument_serials WHERE serial = ? "
                 "ORDER BY changed DESC LIMIT 1",
                 {serial}))
            return fail(query);
        if (!query.next()) return {};
    }
    id = query.value(0).toLongLong();
    return {};
}

StoreStatus RecordsSqlStore::Impl::instrumentFor(const RecordEvent& e, const QString& serial,
                                                 long long& id, QString& state) {
    // By the serial it has now only: a serial an instrument had before a change may since be
    // another's (virtual instruments all start with one), and only a change joins histories.
    QSqlQuery query(db);
    const QVariant simulated = e.origin == RecordOrigin::Simulated ? 1 : 0;
    if (!run(query,
             "INSERT INTO instruments (serial, station, user_id, manufacture_no, simulated) "
             "VALUES (?, ?, ?, ?, ?) ON CONFLICT (serial) DO UPDATE SET "
             "station = CASE WHEN excluded.station <> '' THEN excluded.station "
             "ELSE instruments.station END, "
             "user_id = CASE WHEN excluded.user_id <> '' THEN excluded.user_id "
             "ELSE instruments.user_id END, "
             "manufacture_no = CASE WHEN excluded.manufacture_no <> '' "
             "THEN excluded.manufacture_no ELSE instruments.manufacture_no END, "
             "simulated = CASE WHEN excluded.simulated = 0 THEN 0 ELSE instruments.simulated END "
             "RETURNING id, state",
             {serial, qs(e.station), qs(e.user), qs(e.manufactureNo), simulated}) ||
        !query.next())
        return fail(query);
    // The upsert holds the row until the commit: no other writer changes the summary between
    // this read of it and the update after the event.
    id = query.value(0).toLongLong();
    state = query.value(1).toString();
    return {};
}

StoreStatus RecordsSqlStore::Impl::changeSerial(const RecordEvent& e, long long& id, QString& state,
                                                bool& joined) {
    // The change is an event of the instrument the old serial names (made when it has none yet).
    if (const StoreStatus found = instrumentFor(e, qs(e.previousSerial), id, state); !found.ok)
        return found;
    long long owner = 0;
    if (const StoreStatus found = instrumentOf(qs(e.serial), owner); !found.ok) return found;
    // Only this instrument's own serial change joins histories. A new serial that already names
    // another instrument is not taken as proof that the two are one: the histories stay apart
    // and the change is kept in the old one.
    joined = owner == 0 || owner == id;
    if (!joined) return {};
    QSqlQuery query(db);
    if (!run(query, "DELETE FROM instrument_serials WHERE serial = ? AND instrument_id = ?",
             {qs(e.serial), id}) ||
        !run(query, "UPDATE instruments SET serial = ? WHERE id = ?", {qs(e.serial), id}) ||
        !run(query,
             "INSERT INTO instrument_serials (serial, instrument_id, changed) VALUES (?, ?, ?) "
             "ON CONFLICT (serial, instrument_id) DO UPDATE SET changed = excluded.changed",
             {qs(e.previousSerial), id, e.pcTime}))
        return fail(query);
    return {};
}

StoreStatus RecordsSqlStore::Impl::write(const RecordEvent& given, bool& added, bool* joined) {
    RecordEvent flagged;
    const bool ahead = given.origin == RecordOrigin::Reported &&
                       IsClockAhead(given.pcTime, given.instrumentTime, newestTrusted);
    if (ahead != given.clockAhead) {
        flagged = given;
        flagged.clockAhead = ahead;
    }
    const RecordEvent& e = ahead != given.clockAhead ? flagged : given;
    QSqlQuery query(db);
    // An event that reached this store before (sent again after an answer was lost) is kept once
    // and changes nothing.
    const QString uid = qs(e.eventId.empty() ? newEventId() : e.eventId);
    if (!e.eventId.empty()) {
        if (!run(query, "SELECT 1 FROM events WHERE event_uid = ?", {uid})) return fail(query);
        if (query.next()) {
            added = false;
            return {};
        }
    }
    long long instrument = 0;
    QString stateBefore;
    bool serialJoined = true;
    if (const StoreStatus found = e.kind == RecordKind::SerialChange
                                      ? changeSerial(e, instrument, stateBefore, serialJoined)
                                      : instrumentFor(e, qs(e.serial), instrument, stateBefore);
        !found.ok)
        return found;
    if (joined) *joined = serialJoined;

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
             "user_id, success, cal_limit, snapshot_id, detail, import_key, event_uid, origin, "
             "clock_ahead, import_file, import_time, manufacture_no, serial) "
             "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT DO NOTHING "
             "RETURNING id",
             {instrument, static_cast<int>(e.kind), e.pcTime, e.instrumentTime, qs(e.station),
              qs(e.user), e.success ? 1 : 0, e.calLimit, snapshotId, detailText(e, serialJoined),
              importKey, uid, static_cast<int>(e.origin), e.clockAhead ? 1 : 0, qs(e.importFile),
              e.importTime, qs(e.manufactureNo), qs(e.serial)}))
        return fail(query);
    if (!query.next()) {
        added = false;  // imported before, or the same event from another store
        return {};
    }
    const long long event = query.value(0).toLongLong();
    added = true;
    // Queued in the event's own transaction: committed here means owed to the shared store.
    if (queueForShared && !run(query, "INSERT INTO records_outbox (event_id) VALUES (?)", {event}))
        return fail(query);

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
             {qs(EncodeRecordState(state)), instrument}) ||
        !storeDue(query, instrument, state))
        return fail(query);
    return {};
}

RecordsSqlStore::RecordsSqlStore(RecordsLocation location)
    : location_(std::move(location)), impl_(std::make_unique<Impl>()) {}

RecordsSqlStore::~RecordsSqlStore() = default;

std::unique_ptr<RecordsSqlStore> RecordsSqlStore::open(const RecordsLocation& location,
                                                       StoreStatus& status, RecordsAccess access,
                                                       RecordsProblem* problem) {
    std::unique_ptr<RecordsSqlStore> store(new RecordsSqlStore(location));
    Impl& d = *store->impl_;
    RecordsProblem why = RecordsProblem::None;
    status = d.open(location, access, why);
    if (status.ok) {
        status = access == RecordsAccess::ReadOnly ? d.checkReadableSchema(why) : d.prepareSchema();
        if (!status.ok && why == RecordsProblem::None)
            why = d.damaged ? RecordsProblem::Damaged : RecordsProblem::Other;
    }
    if (problem) *problem = why;
    if (!status.ok) return nullptr;
    return store;
}

bool RecordsSqlStore::damaged() const {
    return impl_->damaged;
}

StoreStatus RecordsSqlStore::checkIntegrity(std::vector<std::string>& findings) {
    return impl_->integrityCheck(findings);
}

void RecordsSqlStore::setQueueForShared(bool queue) {
    impl_->queueForShared = queue;
}

StoreStatus RecordsSqlStore::recordSerialChange(const RecordEvent& event, bool& joined) {
    joined = true;
    return impl_->transact([&] {
        if (const StoreStatus read = impl_->readNewestTrusted(); !read.ok) return read;
        bool added = false;
        return impl_->write(event, added, &joined);
    });
}

StoreStatus RecordsSqlStore::serials(const std::string& serial, InstrumentSerials& out) {
    out = {serial, {}};
    long long id = 0;
    if (const StoreStatus found = impl_->instrumentOf(qs(serial), id); !found.ok || id == 0)
        return found;
    QSqlQuery query(impl_->db);
    if (!impl_->run(query, "SELECT serial FROM instruments WHERE id = ?", {id}))
        return impl_->fail(query);
    if (query.next()) out.current = ss(query.value(0));
    if (!impl_->run(query,
                    "SELECT serial FROM instrument_serials WHERE instrument_id = ? "
                    "ORDER BY changed, serial",
                    {id}))
        return impl_->fail(query);
    while (query.next()) out.former.push_back(ss(query.value(0)));
    return {};
}

StoreStatus RecordsSqlStore::record(const RecordEvent& event, bool* added) {
    bool wasAdded = false;
    const StoreStatus status = impl_->transact([&] {
        if (const StoreStatus read = impl_->readNewestTrusted(); !read.ok) return read;
        return impl_->write(event, wasAdded);
    });
    if (added) *added = status.ok && wasAdded;
    return status;
}

StoreStatus RecordsSqlStore::recordAll(const std::vector<RecordEvent>& events, int* added) {
    // A long import in one SQLite transaction would hold every other writer off for its whole
    // length, longer than any of them waits: it commits in slices instead, and between two
    // slices leaves the lock free for longer than a waiting writer's busy handler sleeps.
    using Clock = std::chrono::steady_clock;
    constexpr auto kSlice = std::chrono::milliseconds(400);
    constexpr auto kGap = std::chrono::milliseconds(120);
    int count = 0;
    std::size_t next = 0;
    StoreStatus status;
    while (status.ok && next < events.size()) {
        if (next > 0) std::this_thread::sleep_for(kGap);
        std::size_t end = next;
        int sliceCount = 0;
        status = impl_->transact([&]() -> StoreStatus {
            const auto until = Clock::now() + kSlice;
            end = next;
            sliceCount = 0;
            if (const StoreStatus read = impl_->readNewestTrusted(); !read.ok) return read;
            while (end < events.size() && (impl_->postgres || Clock::now() < until)) {
                bool wasAdded = false;
                if (const StoreStatus written = impl_->write(events[end], wasAdded); !written.ok)
                    return written;
                sliceCount += wasAdded ? 1 : 0;
                ++end;
            }
            return {};
        });
        if (status.ok) {
            count += sliceCount;
            next = end;
        }
    }
    if (added) *added = count;
    return status;
}

namespace {

// The fleet list's columns, the state as bytes: read as text it would be turned into UTF-16 and
// back for every row.
QString summaryColumns(bool postgres) {
    return postgres ? QStringLiteral(
                          "i.serial, i.station, i.user_id, i.events, "
                          "convert_to(i.state, 'UTF8'), i.manufacture_no, i.simulated")
                    : QStringLiteral(
                          "i.serial, i.station, i.user_id, i.events, "
                          "CAST(i.state AS BLOB), i.manufacture_no, i.simulated");
}

std::string_view stateBytes(const QSqlQuery& query, int column, QByteArray& keep) {
    keep = query.value(column).toByteArray();
    return {keep.constData(), static_cast<std::size_t>(keep.size())};
}

std::string_view stateBytes(const SqliteRows& rows, int column, QByteArray&) {
    return rows.value(column).view();
}

// The rows of a fleet query (summaryColumns), through Qt SQL or SQLite's own interface: the fleet
// list and the due list read every instrument, where Qt SQL's work per value is most of the time.
template <typename Rows>
void readSummaries(Rows& query, std::vector<InstrumentSummary>& out) {
    QByteArray keep;
    while (query.next()) {
        InstrumentSummary s;
        s.serial = ss(query.value(0));
        s.station = ss(query.value(1));
        s.user = ss(query.value(2));
        s.events = query.value(3).toLongLong();
        s.record = DecodeRecordState(stateBytes(query, 4, keep));
        s.manufactureNo = ss(query.value(5));
        s.simulated = query.value(6).toInt() != 0;
        out.push_back(std::move(s));
    }
}

}  // namespace

StoreStatus RecordsSqlStore::Impl::readFleet(const QString& sql,
                                             const std::vector<QVariant>& values,
                                             std::vector<InstrumentSummary>& out) {
    out.clear();
    if (directRows()) {
        std::vector<SqliteValue> bound;
        for (const QVariant& v : values) {
            if (v.typeId() == QMetaType::Double)
                bound.emplace_back(v.toDouble());
            else if (v.typeId() == QMetaType::QString)
                bound.emplace_back(v.toString().toStdString());
            else
                bound.emplace_back(v.toLongLong());
        }
        SqliteRows rows(db);
        if (rows.exec(sql, bound)) readSummaries(rows, out);
        if (rows.lastError().isValid()) {
            out.clear();
            return fail(rows.lastError());
        }
        return {};
    }
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!run(query, sql, values)) return fail(query);
    readSummaries(query, out);
    if (query.lastError().isValid()) {
        out.clear();
        return fail(query);
    }
    return {};
}

bool RecordsSqlStore::Impl::directRows() {
    if (!direct) direct = !postgres && SqliteRows::usable(db);
    return *direct;
}

StoreStatus RecordsSqlStore::instruments(std::vector<InstrumentSummary>& out) {
    return impl_->readFleet(
        "SELECT " + summaryColumns(impl_->postgres) + " FROM instruments i ORDER BY i.serial", {},
        out);
}

StoreStatus RecordsSqlStore::instrument(const std::string& serial,
                                        std::optional<InstrumentSummary>& out) {
    out.reset();
    std::vector<InstrumentSummary> found;
    const StoreStatus status = impl_->readFleet(
        "SELECT " + summaryColumns(impl_->postgres) + " FROM instruments i WHERE i.serial = ?",
        {qs(serial)}, found);
    if (!found.empty()) out = std::move(found.front());
    return status;
}

StoreStatus RecordsSqlStore::dueCandidates(double now, int days,
                                           std::vector<InstrumentSummary>& out) {
    // A day more than asked: the exact test is Assess's, on the states read here.
    return impl_->readFleet(
        "SELECT " + summaryColumns(impl_->postgres) +
            " FROM instrument_due d JOIN instruments i ON i.id = d.instrument_id "
            "WHERE d.failed = 1 OR (d.due_date <> 0 AND d.due_date <= ?) "
            "ORDER BY i.serial",
        {now + days + 1.0}, out);
}

namespace {

// An instrument's timeline in two ordered passes, each read once: its events in the timeline's
// order, then their channels in event id order (a range of the channels' key per event, no
// sort), placed through the events' positions sorted by id.
template <typename Rows, typename Exec>
bool readTimeline(Rows& rows, Exec&& exec, const std::string& serial,
                  std::vector<TimelineEntry>& out) {
    if (!exec("SELECT " + kEventColumns +
              " FROM events e WHERE instrument_id = ? ORDER BY pc_time, id"))
        return false;
    while (rows.next()) out.push_back(eventFromRow(rows, serial));
    if (rows.lastError().isValid()) return false;
    std::vector<std::pair<long long, std::size_t>> byId;
    byId.reserve(out.size());
    for (std::size_t i = 0; i < out.size(); ++i) byId.emplace_back(out[i].id, i);
    std::sort(byId.begin(), byId.end());
    if (!exec("SELECT " + kChannelColumns +
              " FROM event_channels c WHERE c.event_id IN "
              "(SELECT id FROM events WHERE instrument_id = ?) ORDER BY c.event_id, c.channel"))
        return false;
    auto next = byId.begin();
    while (rows.next()) {
        const long long id = rows.value(0).toLongLong();
        while (next != byId.end() && next->first < id) ++next;
        if (next == byId.end() || next->first != id) continue;
        out[next->second].event.channels.push_back(channelFromRow(rows));
    }
    return !rows.lastError().isValid();
}

}  // namespace

StoreStatus RecordsSqlStore::timeline(const std::string& serial, std::vector<TimelineEntry>& out) {
    out.clear();
    QSqlQuery query(impl_->db);
    query.setForwardOnly(true);
    long long instrument = 0;
    if (const StoreStatus found = impl_->instrumentOf(qs(serial), instrument);
        !found.ok || instrument == 0)
        return found;
    if (impl_->directRows()) {
        SqliteRows rows(impl_->db);
        const auto exec = [&](const QString& sql) { return rows.exec(sql, {instrument}); };
        if (!readTimeline(rows, exec, serial, out)) {
            out.clear();
            return impl_->fail(rows.lastError());
        }
        return {};
    }
    const auto exec = [&](const QString& sql) { return impl_->run(query, sql, {instrument}); };
    if (!readTimeline(query, exec, serial, out)) {
        out.clear();
        return impl_->fail(query);
    }
    return {};
}

std::function<StoreStatus(std::vector<TimelineEntry>&)> RecordsSqlStore::timelineReader(
    const std::string& serial) {
    return [location = location_, serial](std::vector<TimelineEntry>& out) {
        out.clear();
        StoreStatus status;
        const auto reader = RecordsSqlStore::open(location, status, RecordsAccess::ReadOnly);
        return reader ? reader->timeline(serial, out) : status;
    };
}

StoreStatus RecordsSqlStore::queued(int limit, std::vector<TimelineEntry>& out) {
    out.clear();
    QSqlQuery query(impl_->db);
    query.setForwardOnly(true);
    // The ids first, once: the queue may grow while it is read.
    if (!impl_->run(query, "SELECT event_id FROM records_outbox ORDER BY event_id LIMIT ?",
                    {limit}))
        return impl_->fail(query);
    std::vector<long long> ids;
    while (query.next()) ids.push_back(query.value(0).toLongLong());
    for (const long long id : ids) {
        if (!impl_->run(query,
                        "SELECT " + kEventColumns +
                            ", i.serial, s.body FROM events e "
                            "JOIN instruments i ON i.id = e.instrument_id "
                            "LEFT JOIN snapshots s ON s.id = e.snapshot_id WHERE e.id = ?",
                        {id}))
            return impl_->fail(query);
        if (!query.next()) continue;  // not there any more: nothing to send
        TimelineEntry t = eventFromRow(query, ss(query.value(kEventColumnCount)));
        if (t.hasSnapshot)
            t.event.snapshot =
                qUncompress(query.value(kEventColumnCount + 1).toByteArray()).toStdString();
        if (!impl_->run(query,
                        "SELECT " + kChannelColumns +
                            " FROM event_channels c WHERE c.event_id = ? ORDER BY c.channel",
                        {id}))
            return impl_->fail(query);
        while (query.next()) t.event.channels.push_back(channelFromRow(query));
        out.push_back(std::move(t));
    }
    return {};
}

StoreStatus RecordsSqlStore::queuedCount(long long& count) {
    count = 0;
    QSqlQuery query(impl_->db);
    if (!query.exec("SELECT count(*) FROM records_outbox") || !query.next())
        return impl_->fail(query);
    count = query.value(0).toLongLong();
    return {};
}

StoreStatus RecordsSqlStore::dequeue(const std::vector<long long>& ids) {
    return impl_->transact([&]() -> StoreStatus {
        QSqlQuery query(impl_->db);
        for (const long long id : ids)
            if (!impl_->run(query, "DELETE FROM records_outbox WHERE event_id = ?", {id}))
                return impl_->fail(query);
        return {};
    });
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
