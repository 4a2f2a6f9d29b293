// No event lost, none kept twice: real writer processes recording as the programs do (through a
// recorder, the local file first) racing to create one new store, recording while another
// program imports 20,000 rows, and recording to a PostgreSQL server that is stopped and started
// again in the middle of their run. Every store is counted afterwards: events and distinct event
// ids.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <cstdlib>
#include <memory>

#include "platform/records_recorder.h"
#include "platform/records_sql_store.h"
#include "platform/records_sync.h"
#include "records/postgres_server.h"
#include "records/records_writer.h"
#include "records/store_versions.h"
#include "support/temp_dir.h"

namespace vq::test {
namespace {

struct Writer {
    std::string location;
    std::string workDir;  // empty: straight to the store
    std::string serial;
    int count = 0;
    bool import = false;
};

std::unique_ptr<QProcess> start(const Writer& w) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("VQ_RECORDS_WRITER", QString::fromStdString(w.location));
    env.insert("VQ_RECORDS_SERIAL", QString::fromStdString(w.serial));
    env.insert("VQ_RECORDS_COUNT", QString::number(w.count));
    if (!w.workDir.empty()) env.insert("VQ_RECORDS_WORKDIR", QString::fromStdString(w.workDir));
    if (w.import) env.insert("VQ_RECORDS_IMPORT", "1");
    process->setProcessEnvironment(env);
    process->start(QCoreApplication::applicationFilePath(), {});
    return process;
}

// Waits until the writer has printed `text`; false when it ended or went quiet first.
bool waitForLine(QProcess& writer, const QByteArray& text, QByteArray& output) {
    if (!writer.waitForStarted(10000)) return false;
    while (!output.contains(text)) {
        if (!writer.waitForReadyRead(60000)) return false;
        output += writer.readAllStandardOutput();
    }
    return true;
}

// Ended by itself with status 0; what it said otherwise.
void expectClean(QProcess& writer, const char* what) {
    ASSERT_TRUE(writer.waitForFinished(240000)) << what << " hung";
    EXPECT_EQ(writer.exitStatus(), QProcess::NormalExit) << what;
    EXPECT_EQ(writer.exitCode(), 0) << what << ": " << writer.readAllStandardError().toStdString();
}

struct Counts {
    long long events = -1;
    long long distinctIds = -1;
    long long queued = -1;
};

// Straight from the tables, not through the code under test.
Counts count(const std::string& location) {
    Counts counts;
    const auto where = ParseRecordsLocation(location, "");
    if (!where) return counts;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(where->postgres ? "QPSQL" : "QSQLITE", "vq-loss-count");
        if (where->postgres) {
            db.setHostName(QString::fromStdString(where->host));
            db.setPort(where->port);
            db.setUserName(QString::fromStdString(where->user));
            db.setDatabaseName(QString::fromStdString(where->database));
        } else {
            db.setDatabaseName(QString::fromStdString(where->path));
        }
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec("SELECT count(*), count(DISTINCT event_uid) FROM events") &&
                query.next()) {
                counts.events = query.value(0).toLongLong();
                counts.distinctIds = query.value(1).toLongLong();
            }
            if (query.exec("SELECT count(*) FROM records_outbox") && query.next())
                counts.queued = query.value(0).toLongLong();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase("vq-loss-count");
    return counts;
}

int trials() {
    // The regular suite runs a few; VQ_RECORDS_RACE_TRIALS=50 is the long run.
    const char* given = std::getenv("VQ_RECORDS_RACE_TRIALS");
    const int n = given ? std::atoi(given) : 0;
    return n > 0 ? n : 8;
}

TEST(RecordsLoss, FourWritersCreatingOneNewStoreAtOnceLoseNothing) {
    constexpr int kWriters = 4;
    constexpr int kEach = 15;
    const int runs = trials();
    for (int trial = 1; trial <= runs; ++trial) {
        SCOPED_TRACE("trial " + std::to_string(trial));
        TempDir dir;
        const std::string file = dir.file("VQ5100Records.sqlite");
        std::vector<std::unique_ptr<QProcess>> writers;
        for (int w = 0; w < kWriters; ++w)
            writers.push_back(start({file, dir.path(), "RACE" + std::to_string(w), kEach}));
        for (auto& writer : writers) expectClean(*writer, "a writer");
        const Counts counts = count(file);
        EXPECT_EQ(counts.events, kWriters * kEach);
        EXPECT_EQ(counts.distinctIds, kWriters * kEach);
        if (HasFailure()) break;
    }
}

TEST(RecordsLoss, WritersDuringA20000RowImportLoseNothing) {
    constexpr int kRows = 20000;
    constexpr int kWriters = 3;
    constexpr int kEach = 10;
    TempDir dir;
    const std::string file = dir.file("VQ5100Records.sqlite");
    {
        StoreStatus status;
        ASSERT_TRUE(RecordsSqlStore::open(*ParseRecordsLocation(file, ""), status)) << status.error;
    }
    auto importer = start({file, "", "IMPORTED", kRows, true});
    QByteArray said;
    ASSERT_TRUE(waitForLine(*importer, "importing", said)) << said.toStdString();
    std::vector<std::unique_ptr<QProcess>> writers;
    for (int w = 0; w < kWriters; ++w)
        writers.push_back(start({file, dir.path(), "BENCH" + std::to_string(w), kEach}));
    for (auto& writer : writers) expectClean(*writer, "a writer");
    // The writers were done while the import was still going: they did not merely wait it out.
    const bool importStillRunning = importer->state() != QProcess::NotRunning;
    expectClean(*importer, "the importer");
    said += importer->readAllStandardOutput();
    EXPECT_TRUE(said.contains("committed " + QByteArray::number(kRows))) << said.toStdString();
    const Counts counts = count(file);
    EXPECT_EQ(counts.events, kRows + kWriters * kEach);
    EXPECT_EQ(counts.distinctIds, kRows + kWriters * kEach);
    std::printf("[          ] the writers finished %s the import\n",
                importStillRunning ? "before" : "after");
}

TEST(RecordsLoss, AServerStoppedAndRestartedMidRunGetsEveryEventOnce) {
    PostgresServer server;
    ASSERT_TRUE(server.running()) << "PostgreSQL could not be started: "
                                  << server.error().toStdString();
    const std::string url = server.newDatabaseUrl().toStdString();
    TempDir dir;
    const std::string queue = dir.file("VQ5100Records.sqlite");
    constexpr int kFirst = 60;

    // One bench records continuously; the server goes away after 15 events and comes back
    // after 35.
    auto bench = start({url, dir.path(), "BENCH", kFirst});
    QByteArray output;
    ASSERT_TRUE(waitForLine(*bench, "committed 15\n", output)) << output.toStdString();
    ASSERT_EQ(server.stopNow(), QString());
    ASSERT_TRUE(waitForLine(*bench, "committed 35\n", output)) << output.toStdString();
    ASSERT_EQ(server.restart(), QString());
    expectClean(*bench, "the bench");
    // Every event was recorded locally; those the server missed wait in the queue, and the
    // bench said so.
    const Counts local = count(queue);
    EXPECT_EQ(local.events, kFirst);
    EXPECT_GT(local.queued, 0);
    const std::string told = bench->readAllStandardError().toStdString();
    EXPECT_NE(told.find("wait there"), std::string::npos) << told;

    // The next program to start sends them, then records its own.
    auto next = start({url, dir.path(), "NEXT", 5});
    expectClean(*next, "the next program");
    const Counts shared = count(url);
    EXPECT_EQ(shared.events, kFirst + 5);
    EXPECT_EQ(shared.distinctIds, kFirst + 5);
    EXPECT_EQ(count(queue).queued, 0);

    // An answer lost after the server committed: the same events are sent again, and kept once.
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "vq-loss-requeue");
        db.setDatabaseName(QString::fromStdString(queue));
        ASSERT_TRUE(db.open());
        QSqlQuery query(db);
        ASSERT_TRUE(query.exec("INSERT INTO records_outbox (event_id) SELECT id FROM events"))
            << query.lastError().text().toStdString();
        db.close();
    }
    QSqlDatabase::removeDatabase("vq-loss-requeue");
    RecordsRecorder recorder(url, dir.path());
    const SyncResult again = recorder.sync();
    ASSERT_TRUE(again.status.ok) << again.status.error;
    EXPECT_EQ(again.sent, 0);
    EXPECT_EQ(again.alreadyThere, kFirst + 5);
    EXPECT_EQ(again.waiting, 0);
    const Counts after = count(url);
    EXPECT_EQ(after.events, kFirst + 5);
    EXPECT_EQ(after.distinctIds, kFirst + 5);

    // And what the shared store shows is the bench's history in full.
    StoreStatus status;
    RecordsStore* store = recorder.store(status);
    ASSERT_TRUE(store) << status.error;
    std::vector<TimelineEntry> timeline;
    ASSERT_TRUE(store->timeline("BENCH", timeline).ok);
    ASSERT_EQ(timeline.size(), static_cast<std::size_t>(kFirst));
    EXPECT_EQ(timeline.front().event.snapshot, std::string());  // the timeline leaves it out
    std::string settings;
    EXPECT_TRUE(store->snapshot(timeline.back().id, settings).ok);
    EXPECT_EQ(settings, sampleRead("BENCH", kFirst).snapshot);
    EXPECT_EQ(timeline.back().event.channels.size(), sampleRead("BENCH", kFirst).channels.size());
}

// A store of the version before event ids: read-only it is refused with the reason (a reader
// never migrates); the first writer gives every event an id of its own and a queue.
TEST(RecordsLoss, AStoreOfThePreviousVersionGetsAnIdForEveryEvent) {
    TempDir dir;
    const std::string file = dir.file("old.sqlite");
    const auto where = *ParseRecordsLocation(file, "");
    {
        StoreStatus status;
        auto store = RecordsSqlStore::open(where, status);
        ASSERT_TRUE(store) << status.error;
        for (int n = 1; n <= 30; ++n) ASSERT_TRUE(store->record(sampleRead("OLD", n)).ok);
    }
    std::string error;
    ASSERT_TRUE(DowngradeTo(where, 1, error)) << error;

    StoreStatus status;
    RecordsProblem problem = RecordsProblem::None;
    EXPECT_FALSE(RecordsSqlStore::open(where, status, RecordsAccess::ReadOnly, &problem));
    EXPECT_NE(status.error.find("older program"), std::string::npos) << status.error;
    EXPECT_EQ(problem, RecordsProblem::Other);

    auto store = RecordsSqlStore::open(where, status);
    ASSERT_TRUE(store) << status.error;
    const Counts counts = count(file);
    EXPECT_EQ(counts.events, 30);
    EXPECT_EQ(counts.distinctIds, 30);
    EXPECT_EQ(counts.queued, 0);
    std::vector<TimelineEntry> timeline;
    ASSERT_TRUE(store->timeline("OLD", timeline).ok);
    ASSERT_EQ(timeline.size(), 30u);
    EXPECT_EQ(timeline[0].event.eventId.size(), 32u);
    // An event that comes back with its id is kept once.
    bool added = true;
    RecordEvent again = sampleRead("OLD", 1);
    again.eventId = timeline[0].event.eventId;
    ASSERT_TRUE(store->record(again, &added).ok);
    EXPECT_FALSE(added);
    EXPECT_EQ(count(file).events, 30);
}

}  // namespace
}  // namespace vq::test
