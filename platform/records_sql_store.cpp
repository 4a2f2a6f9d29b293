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

    StoreStatus prepareSchema();
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
    if (!run(query,
             "INSERT INTO events (instrument_id, kind, pc_time, instrument_time, station, "
             "user_id, success, cal_limit, snapshot_id, detail, import_key) "
             "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT (import_key) DO NOTHING "
             "RETURNING id",
             {instrument, static_cast<int>(e.kind), e.pcTime, e.instrumentTime, qs(e.station),
              qs(e.user), e.success ? 1 : 0, e.calLimit, snapshotId, detailText(e), importKey}))
        return fail(query);
    if (!query.next()) {
        added = false;  // imported before
        return {};
    }
    const long long event = query.value(0).toLongLong();
    added = true;

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
    if (const StoreStatus began = impl_->begin(); !began.ok) return began;
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
    if (const StoreStatus began = impl_->begin(); !began.ok) return began;
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

StoreStatus RecordsSqlStore::timeline(const std::string& serial, std::vector<TimelineEntry>& out) {
    out.clear();
    QSqlQuery query(impl_->db);
    query.setForwardOnly(true);
    if (!impl_->run(query, "SELECT id FROM instruments WHERE serial = ?", {qs(serial)}))
        return impl_->fail(query);
    if (!query.next()) return {};
    const long long instrument = query.value(0).toLongLong();
    if (!impl_->run(query,
                    "SELECT id, kind, pc_time, instrument_time, station, user_id, success, "
                    "cal_limit, snapshot_id, detail, import_key FROM events "
                    "WHERE instrument_id = ? ORDER BY pc_time, id",
                    {instrument}))
        return impl_->fail(query);
    std::map<long long, std::size_t> index;
    while (query.next()) {
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
        index.emplace(t.id, out.size());
        out.push_back(std::move(t));
    }
    if (!impl_->run(query,
                    "SELECT c.event_id, c.channel, c.gas, c.enabled, c.concentration, c.result, "
                    "c.before_date, c.before_before, c.before_after, c.after_date, "
                    "c.after_before, c.after_after FROM event_channels c "
                    "JOIN events e ON e.id = c.event_id WHERE e.instrument_id = ? "
                    "ORDER BY c.event_id, c.channel",
                    {instrument}))
        return impl_->fail(query);
    while (query.next()) {
        const auto found = index.find(query.value(0).toLongLong());
        if (found == index.end()) continue;
        ChannelRecord c;
        c.channel = query.value(1).toInt();
        c.gas = ss(query.value(2));
        c.enabled = query.value(3).toInt() != 0;
        c.concentration = query.value(4).toDouble();
        c.result = ss(query.value(5));
        c.historyBefore = {query.value(6).toDouble(), query.value(7).toFloat(),
                           query.value(8).toFloat()};
        c.history = {query.value(9).toDouble(), query.value(10).toFloat(),
                     query.value(11).toFloat()};
        out[found->second].event.channels.push_back(std::move(c));
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
