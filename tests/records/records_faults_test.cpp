// What the store does when things go wrong: a writer killed with SIGKILL in the middle of its
// writes leaves every committed event; two writers at once lose nothing; a corrupt, truncated,
// locked or unwritable store and a server that is not there give a message, never a crash or a
// hang, and the recorder says in one line that the event was not recorded.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTcpServer>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>

#include "platform/records_recorder.h"
#include "platform/records_sql_store.h"
#include "records/backends.h"
#include "records/postgres_server.h"
#include "records/records_writer.h"
#include "support/temp_dir.h"

namespace vq::test {
namespace {

// This test program again, as a writer (records_writer.h).
std::unique_ptr<QProcess> startWriter(const std::string& location, const std::string& serial,
                                      int count, long long fileLimit = 0) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("VQ_RECORDS_WRITER", QString::fromStdString(location));
    env.insert("VQ_RECORDS_SERIAL", QString::fromStdString(serial));
    env.insert("VQ_RECORDS_COUNT", QString::number(count));
    if (fileLimit > 0) env.insert("VQ_RECORDS_FILE_LIMIT", QString::number(fileLimit));
    process->setProcessEnvironment(env);
    process->start(QCoreApplication::applicationFilePath(), {});
    return process;
}

// The last "committed N" the writer printed.
int lastCommitted(const QByteArray& output) {
    int last = 0;
    for (const QByteArray& line : output.split('\n'))
        if (line.startsWith("committed ")) last = line.mid(10).toInt();
    return last;
}

// Reads the writer's output until it has committed `count` events; false, with what it said on
// stderr in `output`, when it stopped before.
bool waitForCommitted(QProcess& writer, int count, QByteArray& output) {
    if (!writer.waitForStarted(10000)) return false;
    while (lastCommitted(output) < count) {
        if (!writer.waitForReadyRead(30000)) {
            output = "the writer stopped: " + writer.readAllStandardError();
            return false;
        }
        output += writer.readAllStandardOutput();
    }
    return true;
}

std::unique_ptr<RecordsSqlStore> openAt(const std::string& location, StoreStatus& status) {
    const auto where = ParseRecordsLocation(location, "");
    if (!where) return nullptr;
    return RecordsSqlStore::open(*where, status);
}

template <typename Backend>
class RecordsWritersTest : public ::testing::Test {
  protected:
    void SetUp() override {
        location = Backend::location(dir);
        ASSERT_FALSE(location.empty()) << "PostgreSQL could not be started: "
                                       << PostgresServer::instance().error().toStdString();
        // The schema is made once before the writers race for it.
        StoreStatus status;
        ASSERT_TRUE(openAt(location, status)) << status.error;
    }
    TempDir dir;
    std::string location;
};

TYPED_TEST_SUITE(RecordsWritersTest, Backends, BackendNames);

TYPED_TEST(RecordsWritersTest, AWriterKilledMidWriteLeavesEveryCommittedEvent) {
    auto writer = startWriter(this->location, "KILLED", 0);
    QByteArray output;
    ASSERT_TRUE(waitForCommitted(*writer, 60, output)) << output.toStdString();
    writer->kill();  // SIGKILL: no destructor, no rollback, whatever it was writing
    ASSERT_TRUE(writer->waitForFinished(10000));
    output += writer->readAllStandardOutput();
    const int committed = lastCommitted(output);

    StoreStatus status;
    auto store = openAt(this->location, status);
    ASSERT_TRUE(store) << status.error;
    std::vector<TimelineEntry> timeline;
    ASSERT_TRUE(store->timeline("KILLED", timeline).ok);
    EXPECT_GE(static_cast<int>(timeline.size()), committed);
    EXPECT_LE(static_cast<int>(timeline.size()), committed + 1);  // the one it was committing
    std::vector<InstrumentSummary> fleet;
    ASSERT_TRUE(store->instruments(fleet).ok);
    ASSERT_EQ(fleet.size(), 1u);
    EXPECT_EQ(fleet[0].events, static_cast<long long>(timeline.size()));
    // And the store still takes events.
    EXPECT_TRUE(store->record(sampleRead("KILLED", 100000)).ok);
}

TYPED_TEST(RecordsWritersTest, TwoWritersAtOnceLoseNothing) {
    constexpr int kEach = 150;
    auto first = startWriter(this->location, "SHARED", kEach);
    auto second = startWriter(this->location, "SHARED", kEach);
    for (QProcess* p : {first.get(), second.get()}) {
        ASSERT_TRUE(p->waitForFinished(240000));
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
    }
    StoreStatus status;
    auto store = openAt(this->location, status);
    ASSERT_TRUE(store) << status.error;
    std::vector<TimelineEntry> timeline;
    ASSERT_TRUE(store->timeline("SHARED", timeline).ok);
    EXPECT_EQ(timeline.size(), 2u * kEach);
    std::vector<InstrumentSummary> fleet;
    ASSERT_TRUE(store->instruments(fleet).ok);
    ASSERT_EQ(fleet.size(), 1u);
    EXPECT_EQ(fleet[0].events, 2 * kEach);
}

// ---- a store that cannot be used ----

struct Damage {
    const char* name;
    // Leaves the store at `file` unusable; returns the location to open.
    std::string (*apply)(const TempDir& dir);
    const char* reason;  // part of the message
};

std::string fillWithEvents(const std::string& file, int count) {
    StoreStatus status;
    auto store = openAt(file, status);
    for (int n = 1; store && n <= count; ++n) store->record(sampleRead("S" + std::to_string(n), n));
    return file;
}

const Damage kDamages[] = {
    {"not a database",
     [](const TempDir& dir) {
         std::ofstream(dir.file("r.sqlite"), std::ios::binary)
             << std::string(8192, 'x') << "not a database";
         return dir.file("r.sqlite");
     },
     "not a database"},
    {"truncated",
     [](const TempDir& dir) {
         const std::string file = fillWithEvents(dir.file("r.sqlite"), 300);
         // Everything folded back into the file, then half of it cut away.
         {
             QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "vq-test-cut");
             db.setDatabaseName(QString::fromStdString(file));
             if (db.open()) QSqlQuery(db).exec("PRAGMA wal_checkpoint(TRUNCATE)");
             db.close();
         }
         QSqlDatabase::removeDatabase("vq-test-cut");
         std::filesystem::resize_file(file, std::filesystem::file_size(file) / 2);
         return file;
     },
     "malformed"},
    {"a folder that cannot be written",
     [](const TempDir&) { return std::string("/proc/r.sqlite"); }, "unable to open"},
    {"a server that is not there",
     [](const TempDir&) {
         QTcpServer probe;
         probe.listen(QHostAddress::LocalHost, 0);
         const quint16 port = probe.serverPort();
         probe.close();  // nothing listens there any more
         return "postgresql://vq@127.0.0.1:" + std::to_string(port) + "/records";
     },
     "refused"},
};

TEST(RecordsFaults, AnUnusableStoreGivesOneLineAndNeitherCrashesNorHangs) {
    for (const Damage& damage : kDamages) {
        SCOPED_TRACE(damage.name);
        TempDir dir;
        const std::string location = damage.apply(dir);
        RecordsRecorder recorder(location, dir.path());
        std::vector<std::string> lines;
        recorder.setReport([&](const std::string& line) { lines.push_back(line); });
        // A truncated file may still open: its damage shows on the first write or list.
        bool recorded = true;
        for (int n = 1; n <= 3 && recorded; ++n)
            recorded = recorder.record(sampleRead("NEW" + std::to_string(n), n));
        StoreStatus status;
        RecordsStore* store = recorder.store(status);
        std::vector<InstrumentSummary> fleet;
        if (store) status = store->instruments(fleet);
        EXPECT_FALSE(recorded && status.ok) << "the damage went unnoticed";
        if (!recorded) {
            ASSERT_EQ(lines.size(), 1u);
            EXPECT_NE(lines[0].find(damage.reason), std::string::npos) << lines[0];
        } else {
            EXPECT_NE(status.error.find(damage.reason), std::string::npos) << status.error;
        }
    }
}

// ---- the opening check of a large store ----

// A store above the size checked whole at every opening (a large settings text that does not
// compress), with a page of one table overwritten as a failing disk leaves it.
std::string largeStoreWithDamagedTable(const TempDir& dir, const char* table) {
    const std::string file = dir.file(std::string(table) + ".sqlite");
    {
        StoreStatus status;
        auto store = openAt(file, status);
        if (!store) return {};
        RecordEvent big = sampleRead("BIG", 1);
        std::mt19937 random(5100);
        big.snapshot.resize(10 * 1024 * 1024);
        for (char& c : big.snapshot) c = static_cast<char>(random());
        if (!store->record(big).ok || !store->record(sampleRead("SMALL", 2)).ok) return {};
    }
    long long root = 0, pageSize = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "vq-test-pages");
        db.setDatabaseName(QString::fromStdString(file));
        if (db.open()) {
            QSqlQuery query(db);
            query.exec("PRAGMA wal_checkpoint(TRUNCATE)");
            query.exec(
                QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name = '%1'").arg(table));
            if (query.next()) root = query.value(0).toLongLong();
            query.exec("PRAGMA page_size");
            if (query.next()) pageSize = query.value(0).toLongLong();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase("vq-test-pages");
    if (root <= 1 || pageSize <= 0) return {};
    std::fstream out(file, std::ios::in | std::ios::out | std::ios::binary);
    out.seekp((root - 1) * pageSize);
    out << std::string(static_cast<std::size_t>(pageSize), '\xa5');
    return out ? file : std::string();
}

// Above the size checked whole, a read-only opening checks the small tables (the schema, the
// queue, the due dates) and leaves the fleet table to the read that meets it; an opening for
// writing checks the fleet table too, before it writes. Damage is named as damage either way,
// and nothing is written into the file.
TEST(RecordsFaults, ALargeStoreIsCheckedWhereEachOpeningReliesOnIt) {
    struct Case {
        const char* table;
        bool readOnlyOpens;  // the read-only opening finds nothing
    };
    for (const Case& c : {Case{"instrument_due", false}, Case{"instruments", true}}) {
        SCOPED_TRACE(c.table);
        TempDir dir;
        const std::string file = largeStoreWithDamagedTable(dir, c.table);
        ASSERT_FALSE(file.empty());
        ASSERT_GT(std::filesystem::file_size(file), 8u * 1024 * 1024);
        const auto where = ParseRecordsLocation(file, "");
        const auto before = std::filesystem::last_write_time(file);

        StoreStatus status;
        RecordsProblem problem = RecordsProblem::None;
        auto reader = RecordsSqlStore::open(*where, status, RecordsAccess::ReadOnly, &problem);
        EXPECT_EQ(reader != nullptr, c.readOnlyOpens) << status.error;
        if (reader) {
            // The listing reads the fleet table and meets the damage.
            std::vector<InstrumentSummary> fleet;
            status = reader->instruments(fleet);
            EXPECT_FALSE(status.ok);
            EXPECT_TRUE(reader->damaged());
            EXPECT_NE(status.error.find("damaged"), std::string::npos) << status.error;
        } else {
            EXPECT_EQ(problem, RecordsProblem::Damaged) << status.error;
        }
        reader.reset();

        auto writer = RecordsSqlStore::open(*where, status, RecordsAccess::Write, &problem);
        EXPECT_FALSE(writer) << "a damaged store was opened for writing";
        EXPECT_EQ(problem, RecordsProblem::Damaged) << status.error;
        EXPECT_EQ(std::filesystem::last_write_time(file), before);
    }
}

TEST(RecordsFaults, AServerThatGoesAwayLeavesTheNextEventsQueuedLocallyWithoutAHang) {
    PostgresServer server;
    ASSERT_TRUE(server.running()) << "PostgreSQL could not be started: "
                                  << server.error().toStdString();
    TempDir dir;
    RecordsRecorder recorder(server.newDatabaseUrl().toStdString(), dir.path());
    std::vector<std::string> lines;
    recorder.setReport([&](const std::string& line) { lines.push_back(line); });
    ASSERT_TRUE(recorder.record(sampleRead("S1", 1))) << (lines.empty() ? "" : lines[0]);
    EXPECT_TRUE(lines.empty());
    ASSERT_EQ(server.stopNow(), QString());
    // Kept in the local file, each with one line saying how many wait for the server.
    EXPECT_TRUE(recorder.record(sampleRead("S1", 2)));
    EXPECT_TRUE(recorder.record(sampleRead("S1", 3)));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("1 event(s) wait there"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find("2 event(s) wait there"), std::string::npos) << lines[1];
    StoreStatus status;
    auto local = openAt(dir.file(kRecordsFileName), status);
    ASSERT_TRUE(local) << status.error;
    std::vector<TimelineEntry> timeline;
    ASSERT_TRUE(local->timeline("S1", timeline).ok);
    EXPECT_EQ(timeline.size(), 3u);
}

TEST(RecordsFaults, ALockedStoreFailsTheEventAfterAShortWait) {
    TempDir dir;
    const std::string file = fillWithEvents(dir.file("r.sqlite"), 1);
    QSqlDatabase holder = QSqlDatabase::addDatabase("QSQLITE", "vq-test-lock");
    holder.setDatabaseName(QString::fromStdString(file));
    ASSERT_TRUE(holder.open());
    QSqlQuery lock(holder);
    ASSERT_TRUE(lock.exec("BEGIN EXCLUSIVE"));

    RecordsRecorder recorder(file, dir.path());
    std::vector<std::string> lines;
    recorder.setReport([&](const std::string& line) { lines.push_back(line); });
    EXPECT_FALSE(recorder.record(sampleRead("S2", 2)));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("locked"), std::string::npos) << lines[0];

    // Once the other program lets go, the next event goes in.
    ASSERT_TRUE(lock.exec("ROLLBACK"));
    EXPECT_TRUE(recorder.record(sampleRead("S3", 3)));
    lock = QSqlQuery();
    holder.close();
    holder = QSqlDatabase();
    QSqlDatabase::removeDatabase("vq-test-lock");
}

// ---- a store that fails in the middle of a writer's work ----

// The writer ended by the fault with exit status 1 and a message naming the store; what it
// committed before is all in the store at `location`, and the store still takes events.
void expectCommittedEventsKept(QProcess& writer, QByteArray output, const std::string& location,
                               const std::string& serial) {
    output += writer.readAllStandardOutput();
    const std::string error = writer.readAllStandardError().toStdString();
    EXPECT_EQ(writer.exitStatus(), QProcess::NormalExit) << error;
    EXPECT_EQ(writer.exitCode(), 1) << error;
    EXPECT_NE(error.find("records "), std::string::npos) << error;
    const int committed = lastCommitted(output);
    EXPECT_GT(committed, 0);

    StoreStatus status;
    auto store = openAt(location, status);
    ASSERT_TRUE(store) << status.error;
    std::vector<TimelineEntry> timeline;
    ASSERT_TRUE(store->timeline(serial, timeline).ok);
    // The event in flight may have been committed just before its answer was lost.
    EXPECT_GE(static_cast<int>(timeline.size()), committed);
    EXPECT_LE(static_cast<int>(timeline.size()), committed + 1);
    std::vector<InstrumentSummary> fleet;
    ASSERT_TRUE(store->instruments(fleet).ok);
    const auto summary =
        std::find_if(fleet.begin(), fleet.end(), [&](const auto& s) { return s.serial == serial; });
    ASSERT_NE(summary, fleet.end());
    EXPECT_EQ(summary->events, static_cast<long long>(timeline.size()));
    EXPECT_TRUE(store->record(sampleRead(serial, 100000)).ok);
}

TEST(RecordsFaults, AFullDiskFailsTheEventAndKeepsEveryCommittedOne) {
    TempDir dir;
    const std::string file = fillWithEvents(dir.file("r.sqlite"), 1);
    // Room for a few dozen events in the write-ahead log, then no file may grow any more.
    auto writer = startWriter(file, "FULL", 0, 256 * 1024);
    ASSERT_TRUE(writer->waitForFinished(60000)) << "the writer hung on a full disk";
    expectCommittedEventsKept(*writer, {}, file, "FULL");
}

TEST(RecordsFaults, AServerThatGoesAwayMidWriteKeepsEveryCommittedEvent) {
    PostgresServer server;
    ASSERT_TRUE(server.running()) << "PostgreSQL could not be started: "
                                  << server.error().toStdString();
    const std::string url = server.newDatabaseUrl().toStdString();
    {
        StoreStatus status;
        ASSERT_TRUE(openAt(url, status)) << status.error;
    }
    auto writer = startWriter(url, "GONE", 0);
    QByteArray output;
    ASSERT_TRUE(waitForCommitted(*writer, 30, output)) << output.toStdString();
    // The writer is in the middle of its next event, or about to start it.
    ASSERT_EQ(server.stopNow(), QString());
    ASSERT_TRUE(writer->waitForFinished(30000)) << "the writer hung when the server went away";
    ASSERT_EQ(server.restart(), QString());
    expectCommittedEventsKept(*writer, output, url, "GONE");
}

}  // namespace
}  // namespace vq::test
