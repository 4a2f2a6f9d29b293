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
#include <charconv>
#include <filesystem>
#include <map>
#include <random>
#include <thread>

#include "messages/message_ids.h"
#include "messages/messages.h"
#include "platform/records_sql_connection.h"

namespace vq {

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

std::string ss(const QVariant& value) {
    return value.toString().toStdString();
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

bool knownDate(double date) {
    return date > 1.0;
}

// The fleet list is read far more often than events are written, and with thousands of
// instruments its cost is per value fetched: each instrument's channel summary is kept as one
// text in its row (a line per channel: gas, enabled, calibration date, result, and the time of
// the event that set them), rewritten by the event's own transaction.
struct ChannelState {
    ChannelSummary summary;
    double stateTime = 0;
};
using ChannelStates = std::array<ChannelState, 5>;

// One field of the summary: a tab or a line break in a text would shift the fields after it.
void appendField(std::string& out, const std::string& text) {
    for (char c : text) out += (c == '\t' || c == '\n') ? ' ' : c;
}

void appendNumber(std::string& out, double value) {
    char digits[32];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

QString encodeChannels(const ChannelStates& states) {
    std::string text;
    for (const ChannelState& c : states) {
        if (!text.empty()) text += '\n';
        appendField(text, c.summary.gas);
        text += c.summary.enabled ? "\t1\t" : "\t0\t";
        appendNumber(text, c.summary.calDate);
        text += '\t';
        appendField(text, c.summary.result);
        text += '\t';
        appendNumber(text, c.stateTime);
    }
    return qs(text);
}

double numberOf(std::string_view text) {
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

// Parsed from bytes rather than through QString: the fleet list decodes one per instrument.
ChannelStates decodeChannels(const QByteArray& utf8) {
    ChannelStates states;
    std::string_view rest(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    for (ChannelState& c : states) {
        if (rest.empty()) break;
        const std::size_t lineEnd = rest.find('\n');
        std::string_view line = rest.substr(0, lineEnd);
        rest = lineEnd == std::string_view::npos ? std::string_view() : rest.substr(lineEnd + 1);
        std::array<std::string_view, 5> parts;
        std::size_t count = 0;
        while (count < parts.size()) {
            const std::size_t tab = line.find('\t');
            parts[count++] = line.substr(0, tab);
            if (tab == std::string_view::npos) break;
            line.remove_prefix(tab + 1);
        }
        if (count != parts.size()) continue;
        c.summary.gas = std::string(parts[0]);
        c.summary.enabled = parts[1] == "1";
        c.summary.calDate = numberOf(parts[2]);
        c.summary.result = std::string(parts[3]);
        c.stateTime = numberOf(parts[4]);
    }
    return states;
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

    // The schema version the store holds (0: none yet); nothing on failure.
    std::optional<int> schemaVersion(StoreStatus& status);
    StoreStatus prepareSchema();
    StoreStatus checkReadableSchema(RecordsProblem& problem);
    StoreStatus write(const RecordEvent& e, bool& added);
    std::optional<long long> storeSnapshot(const std::string& text, QSqlQuery& query);
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

StoreStatus RecordsSqlStore::Impl::write(const RecordEvent& e, bool& added) {
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
    if (!run(query,
             "INSERT INTO instruments (serial, station, user_id) VALUES (?, ?, ?) "
             "ON CONFLICT (serial) DO UPDATE SET "
             "station = CASE WHEN excluded.station <> '' THEN excluded.station "
             "ELSE instruments.station END, "
             "user_id = CASE WHEN excluded.user_id <> '' THEN excluded.user_id "
             "ELSE instruments.user_id END RETURNING id, channels",
             {qs(e.serial), qs(e.station), qs(e.user)}) ||
        !query.next())
        return fail(query);
    // The upsert holds the row until the commit: no other writer changes the summary between
    // this read of it and the update below.
    const long long instrument = query.value(0).toLongLong();
    const QString channelsBefore = query.value(1).toString();

    QVariant snapshotId(QMetaType::fromType<qlonglong>());
    if (!e.snapshot.empty()) {
        const auto id = storeSnapshot(e.snapshot, query);
        if (!id) return fail(query);
        snapshotId = *id;
    }
    const QVariant importKey =
        e.importKey.empty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(qs(e.importKey));
    if (!run(
            query,
            "INSERT INTO events (instrument_id, kind, pc_time, instrument_time, station, "
            "user_id, success, cal_limit, snapshot_id, detail, import_key, event_uid) "
            "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT DO NOTHING "
            "RETURNING id",
            {instrument, static_cast<int>(e.kind), e.pcTime, e.instrumentTime, qs(e.station),
             qs(e.user), e.success ? 1 : 0, e.calLimit, snapshotId, detailText(e), importKey, uid}))
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

    const bool read = e.kind == RecordKind::Read && e.success;
    const bool calibration = e.kind == RecordKind::Zero || e.kind == RecordKind::Span;
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
    // The summary follows the latest event only: an older one (imported) leaves it.
    ChannelStates states = decodeChannels(channelsBefore.toUtf8());
    for (const ChannelRecord& c : e.channels) {
        if ((!read && !calibration) || c.channel < 0 || c.channel >= 5) continue;
        ChannelState& state = states[static_cast<std::size_t>(c.channel)];
        if (e.pcTime < state.stateTime) continue;
        if (read) {
            state.summary.gas = c.gas;
            state.summary.enabled = c.enabled;
        }
        if (knownDate(c.history.date)) state.summary.calDate = c.history.date;
        if (calibration) state.summary.result = c.result;
        state.stateTime = e.pcTime;
    }
    if (!run(query,
             "UPDATE instruments SET events = events + 1, "
             "last_read = CASE WHEN ? = 1 AND ? > last_read THEN ? ELSE last_read END, "
             "cal_limit = CASE WHEN ? = 1 AND ? >= last_read THEN ? ELSE cal_limit END, "
             "channels = ? WHERE id = ?",
             {read ? 1 : 0, e.pcTime, e.pcTime, read ? 1 : 0, e.pcTime, e.calLimit,
              encodeChannels(states), instrument}))
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

StoreStatus RecordsSqlStore::record(const RecordEvent& event, bool* added) {
    bool wasAdded = false;
    const StoreStatus status = impl_->transact([&] { return impl_->write(event, wasAdded); });
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

StoreStatus RecordsSqlStore::instruments(std::vector<InstrumentSummary>& out) {
    out.clear();
    QSqlQuery query(impl_->db);
    query.setForwardOnly(true);
    if (!query.exec("SELECT serial, station, user_id, last_read, cal_limit, events, channels "
                    "FROM instruments ORDER BY serial"))
        return impl_->fail(query);
    while (query.next()) {
        InstrumentSummary s;
        s.serial = ss(query.value(0));
        s.station = ss(query.value(1));
        s.user = ss(query.value(2));
        s.lastRead = query.value(3).toDouble();
        s.calLimit = query.value(4).toInt();
        s.events = query.value(5).toLongLong();
        const ChannelStates states = decodeChannels(query.value(6).toString().toUtf8());
        for (std::size_t ch = 0; ch < states.size(); ++ch) s.channels[ch] = states[ch].summary;
        out.push_back(std::move(s));
    }
    return {};
}

namespace {

// An event row and a channel row as every reader selects them (the timeline, the queue towards a
// shared store): one place, so what the queue sends is all a store keeps.
const QString kEventColumns = QStringLiteral(
    "e.id, e.kind, e.pc_time, e.instrument_time, e.station, e.user_id, e.success, "
    "e.cal_limit, e.snapshot_id, e.detail, e.import_key, e.event_uid");
const QString kChannelColumns = QStringLiteral(
    "c.event_id, c.channel, c.gas, c.enabled, c.concentration, c.result, "
    "c.before_date, c.before_before, c.before_after, c.after_date, "
    "c.after_before, c.after_after");

TimelineEntry eventFromRow(const QSqlQuery& query, const std::string& serial) {
    TimelineEntry t;
    t.id = query.value(0).toLongLong();
    RecordEvent& e = t.event;
    e.kind = static_cast<RecordKind>(query.value(1).toInt());
    e.serial = serial;
    e.pcTime = query.value(2).toDouble();
    e.instrumentTime = query.value(3).toDouble();
    e.station = ss(query.value(4));
    e.user = ss(query.value(5));
    e.success = query.value(6).toInt() != 0;
    e.calLimit = query.value(7).toInt();
    t.hasSnapshot = !query.value(8).isNull();
    readDetail(query.value(9).toString(), e);
    e.importKey = ss(query.value(10));
    e.eventId = ss(query.value(11));
    return t;
}

ChannelRecord channelFromRow(const QSqlQuery& query) {
    ChannelRecord c;
    c.channel = query.value(1).toInt();
    c.gas = ss(query.value(2));
    c.enabled = query.value(3).toInt() != 0;
    c.concentration = query.value(4).toDouble();
    c.result = ss(query.value(5));
    c.historyBefore = {query.value(6).toDouble(), query.value(7).toFloat(),
                       query.value(8).toFloat()};
    c.history = {query.value(9).toDouble(), query.value(10).toFloat(), query.value(11).toFloat()};
    return c;
}

}  // namespace

StoreStatus RecordsSqlStore::timeline(const std::string& serial, std::vector<TimelineEntry>& out) {
    out.clear();
    QSqlQuery query(impl_->db);
    query.setForwardOnly(true);
    if (!impl_->run(query, "SELECT id FROM instruments WHERE serial = ?", {qs(serial)}))
        return impl_->fail(query);
    if (!query.next()) return {};
    const long long instrument = query.value(0).toLongLong();
    if (!impl_->run(query,
                    "SELECT " + kEventColumns +
                        " FROM events e WHERE instrument_id = ? ORDER BY pc_time, id",
                    {instrument}))
        return impl_->fail(query);
    std::map<long long, std::size_t> index;
    while (query.next()) {
        TimelineEntry t = eventFromRow(query, serial);
        index.emplace(t.id, out.size());
        out.push_back(std::move(t));
    }
    if (!impl_->run(query,
                    "SELECT " + kChannelColumns +
                        " FROM event_channels c JOIN events e ON e.id = c.event_id "
                        "WHERE e.instrument_id = ? ORDER BY c.event_id, c.channel",
                    {instrument}))
        return impl_->fail(query);
    while (query.next()) {
        const auto found = index.find(query.value(0).toLongLong());
        if (found == index.end()) continue;
        out[found->second].event.channels.push_back(channelFromRow(query));
    }
    return {};
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
        TimelineEntry t = eventFromRow(query, ss(query.value(12)));
        if (t.hasSnapshot)
            t.event.snapshot = qUncompress(query.value(13).toByteArray()).toStdString();
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
