// The records store, the same cases on a SQLite file and on a real PostgreSQL server: events in,
// the fleet list and the timeline out, serial numbers that would break SQL text found as they
// are, imports never added twice, a store from a newer program refused with a clear message.
#include <gtest/gtest.h>

#include <QSqlDatabase>
#include <QSqlQuery>
#include <memory>
#include <string>

#include "app/records.h"
#include "messages/messages.h"
#include "platform/records_sql_store.h"
#include "records/backends.h"
#include "records/postgres_server.h"
#include "records/records_writer.h"
#include "support/temp_dir.h"

namespace vq::test {
namespace {

template <typename Backend>
class RecordsStoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        url = Backend::location(dir);
        // No server is a failure with its reason: these tests are never skipped quietly.
        ASSERT_FALSE(url.empty()) << "PostgreSQL could not be started: "
                                  << PostgresServer::instance().error().toStdString();
        store = openStore();
        ASSERT_TRUE(store) << status.error;
    }

    std::unique_ptr<RecordsSqlStore> openStore() {
        std::string error;
        const auto where = ParseRecordsLocation(url, dir.path(), &error);
        if (!where) {
            status = StoreStatus::failure(error);
            return nullptr;
        }
        return RecordsSqlStore::open(*where, status);
    }

    void add(const RecordEvent& event) {
        const StoreStatus added = store->record(event);
        ASSERT_TRUE(added.ok) << added.error;
    }

    std::vector<InstrumentSummary> fleet() {
        std::vector<InstrumentSummary> out;
        const StoreStatus listed = store->instruments(out);
        EXPECT_TRUE(listed.ok) << listed.error;
        return out;
    }

    std::vector<TimelineEntry> timeline(const std::string& serial) {
        std::vector<TimelineEntry> out;
        const StoreStatus listed = store->timeline(serial, out);
        EXPECT_TRUE(listed.ok) << listed.error;
        return out;
    }

    TempDir dir;
    std::string url;
    StoreStatus status;
    std::unique_ptr<RecordsSqlStore> store;
};

TYPED_TEST_SUITE(RecordsStoreTest, Backends, BackendNames);

// Serial numbers as a technician may type them, and as an attacker would.
const std::vector<std::string> kHardSerials = {"A'1\"2;3", "計器-０１", "x'); DROP TABLE events;--",
                                               "plain 100"};

TYPED_TEST(RecordsStoreTest, EveryKindOfEventComesBackInTheFleetAndTheTimeline) {
    for (std::size_t i = 0; i < kHardSerials.size(); ++i) {
        RecordEvent read = sampleRead(kHardSerials[i], static_cast<int>(i) + 1);
        read.station = "駅 " + std::to_string(i);
        read.user = "O'Brien; \"tech\"";
        this->add(read);
    }
    const std::string serial = kHardSerials[0];
    RecordEvent write = sampleRead(serial, 10);
    write.kind = RecordKind::Write;
    write.success = false;
    write.channels.clear();
    write.changes = {{"A1", 2, "Alarm, channel 2", "10", "12;'"}};
    this->add(write);

    RecordEvent span = sampleRead(serial, 11);
    span.kind = RecordKind::Span;
    span.snapshot.clear();
    span.channels.resize(1);
    span.channels[0].channel = 3;
    span.channels[0].concentration = 50.5;
    span.channels[0].result = "OK";
    span.channels[0].historyBefore = {46001.0, 1.5f, 2.5f};
    span.channels[0].history = {46101.0, 48.0f, 50.5f};
    this->add(span);

    RecordEvent dump = sampleRead(serial, 12);
    dump.kind = RecordKind::Dump;
    dump.snapshot.clear();
    dump.channels.clear();
    dump.file = "/tmp/VQ5100 'a'.DAT";
    dump.size = 524288;
    this->add(dump);

    const auto fleet = this->fleet();
    ASSERT_EQ(fleet.size(), kHardSerials.size());
    std::vector<std::string> serials;
    for (const auto& s : fleet) serials.push_back(s.serial);
    for (const auto& serial : kHardSerials)
        EXPECT_NE(std::find(serials.begin(), serials.end(), serial), serials.end()) << serial;

    const auto found = std::find_if(fleet.begin(), fleet.end(),
                                    [&](const InstrumentSummary& s) { return s.serial == serial; });
    ASSERT_NE(found, fleet.end());
    EXPECT_EQ(found->station, "ST-5");  // the dump's station, the last event's
    EXPECT_EQ(found->user, "user 0");
    const InstrumentEvidence& ev = found->evidence();
    EXPECT_DOUBLE_EQ(ev.lastRead, sampleRead(serial, 1).pcTime);  // reads only
    EXPECT_EQ(ev.calLimit, 31);
    EXPECT_EQ(found->events, 4);
    EXPECT_EQ(ev.channels[3].lastSpanResult(), "OK");
    EXPECT_DOUBLE_EQ(ev.channels[3].passedSpan, 46101.0);  // the span's history after
    EXPECT_DOUBLE_EQ(ev.channels[0].calibrated, 46001.0);  // the read's
    EXPECT_EQ(ev.channels[0].gas, "G0");

    const auto timeline = this->timeline(serial);
    ASSERT_EQ(timeline.size(), 4u);
    EXPECT_EQ(timeline[0].event.kind, RecordKind::Read);
    EXPECT_TRUE(timeline[0].hasSnapshot);
    EXPECT_EQ(timeline[0].event.station, "駅 0");
    EXPECT_EQ(timeline[0].event.user, "O'Brien; \"tech\"");
    EXPECT_EQ(timeline[0].event.channels.size(), 5u);
    EXPECT_EQ(timeline[1].event.kind, RecordKind::Write);
    EXPECT_FALSE(timeline[1].event.success);
    ASSERT_EQ(timeline[1].event.changes.size(), 1u);
    EXPECT_EQ(timeline[1].event.changes[0].to, "12;'");
    EXPECT_EQ(timeline[1].event.changes[0].number, 2);
    ASSERT_EQ(timeline[2].event.channels.size(), 1u);
    const ChannelRecord& run = timeline[2].event.channels[0];
    EXPECT_EQ(run.channel, 3);
    EXPECT_DOUBLE_EQ(run.concentration, 50.5);
    EXPECT_FLOAT_EQ(run.historyBefore.after, 2.5f);
    EXPECT_FLOAT_EQ(run.history.before, 48.0f);
    EXPECT_FALSE(timeline[2].hasSnapshot);
    EXPECT_EQ(timeline[3].event.file, "/tmp/VQ5100 'a'.DAT");
    EXPECT_EQ(timeline[3].event.size, 524288);

    // Snapshots come back as written and compare as the review list does.
    std::string first, second;
    ASSERT_TRUE(this->store->snapshot(timeline[0].id, first).ok);
    ASSERT_TRUE(this->store->snapshot(timeline[1].id, second).ok);
    EXPECT_EQ(first, sampleRead(serial, 1).snapshot);
    const auto rows = CompareSnapshots(first, second);
    ASSERT_TRUE(rows.has_value());
    const auto differs =
        std::count_if(rows->begin(), rows->end(), [](const ReviewRow& r) { return r.differs(); });
    EXPECT_GT(differs, 0);
    EXPECT_FALSE(this->store->snapshot(timeline[2].id, first).ok);  // a span keeps none

    EXPECT_TRUE(this->timeline("no such instrument").empty());
}

TYPED_TEST(RecordsStoreTest, AnOlderEventLeavesTheSummaryAndAnImportKeyIsAddedOnce) {
    this->add(sampleRead("S1", 20));
    RecordEvent older = sampleRead("S1", 5);
    older.channels[0].history.date = 45000.0;
    older.importKey = "csv|S1|row 5";
    bool added = false;
    ASSERT_TRUE(this->store->record(older, &added).ok);
    EXPECT_TRUE(added);
    ASSERT_TRUE(this->store->record(older, &added).ok);
    EXPECT_FALSE(added);

    const auto fleet = this->fleet();
    ASSERT_EQ(fleet.size(), 1u);
    EXPECT_DOUBLE_EQ(fleet[0].evidence().lastRead, sampleRead("S1", 20).pcTime);
    EXPECT_EQ(fleet[0].evidence().calLimit, 50);
    EXPECT_DOUBLE_EQ(fleet[0].evidence().channels[0].calibrated, 46020.0);
    EXPECT_EQ(fleet[0].events, 2);
    // Oldest first, whatever the order they came in.
    const auto timeline = this->timeline("S1");
    ASSERT_EQ(timeline.size(), 2u);
    EXPECT_EQ(timeline[0].event.importKey, "csv|S1|row 5");
}

// The state comes from the rule in app/, folded by the store as events arrive: a bench clock a
// year ahead is flagged and kept, an imported row is marked and cannot clear a failure, and a
// store opened again gives the same answer.
TYPED_TEST(RecordsStoreTest, ClockAheadAndImportedEventsAreKeptMarkedAndNeverOutrankReports) {
    RecordEvent first = sampleRead("S9", 1);
    first.instrumentTime = first.pcTime;
    this->add(first);
    RecordEvent ahead = sampleRead("S9", 2);
    ahead.instrumentTime = ahead.pcTime;
    ahead.pcTime += 400;  // the bench's clock, not the instrument's
    this->add(ahead);
    RecordEvent failed = sampleRead("S9", 3);
    failed.kind = RecordKind::Span;
    failed.instrumentTime = 46005.0;  // after every calibration the reads brought back
    failed.snapshot.clear();
    failed.channels.resize(2);
    failed.channels[1].result = "NG";
    failed.channels[0].result = "OK";
    failed.channels[0].concentration = 50;
    this->add(failed);
    RecordEvent imported = sampleRead("S9", 4);
    imported.origin = RecordOrigin::Imported;
    imported.importFile = "old.csv";
    imported.importTime = 46010.5;
    imported.importKey = "csv|S9|x";
    for (ChannelRecord& c : imported.channels) c.history = {46009.0, 40.0f, 50.0f};
    this->add(imported);

    auto check = [&](const std::vector<InstrumentSummary>& fleet) {
        ASSERT_EQ(fleet.size(), 1u);
        const Assessment a = Assess(fleet[0].record, 46010.0);
        EXPECT_STREQ(InstrumentStateName(a.state), "failed");
        EXPECT_EQ(fleet[0].evidence().channels[1].lastSpanResult(), "NG");
        EXPECT_FALSE(fleet[0].record.importedOnly());
        const auto timeline = this->timeline("S9");
        ASSERT_EQ(timeline.size(), 4u);
        int flagged = 0, fromFile = 0;
        for (const TimelineEntry& t : timeline) {
            flagged += t.event.clockAhead ? 1 : 0;
            if (t.event.origin == RecordOrigin::Imported) {
                ++fromFile;
                EXPECT_EQ(t.event.importFile, "old.csv");
                EXPECT_DOUBLE_EQ(t.event.importTime, 46010.5);
            }
        }
        // The bench a year ahead; its instrument's own clock is kept for the order.
        EXPECT_EQ(flagged, 1);
        EXPECT_EQ(fromFile, 1);
    };
    check(this->fleet());
    this->store.reset();
    this->store = this->openStore();
    ASSERT_TRUE(this->store) << this->status.error;
    check(this->fleet());
}

TYPED_TEST(RecordsStoreTest, AStoreOfANewerProgramIsRefusedWithTheReason) {
    this->add(sampleRead("S1", 1));
    {
        // What a later program would leave behind.
        const RecordsLocation& where = this->store->location();
        QSqlDatabase raw =
            QSqlDatabase::addDatabase(where.postgres ? "QPSQL" : "QSQLITE", "vq-test-raw");
        if (where.postgres) {
            raw.setHostName(QString::fromStdString(where.host));
            raw.setPort(where.port);
            raw.setUserName(QString::fromStdString(where.user));
            raw.setDatabaseName(QString::fromStdString(where.database));
        } else {
            raw.setDatabaseName(QString::fromStdString(where.path));
        }
        ASSERT_TRUE(raw.open());
        QSqlQuery query(raw);
        ASSERT_TRUE(query.exec("UPDATE records_schema SET version = 99"));
        raw.close();
    }
    QSqlDatabase::removeDatabase("vq-test-raw");
    this->store.reset();
    auto reopened = this->openStore();
    EXPECT_FALSE(reopened);
    EXPECT_NE(this->status.error.find("newer program"), std::string::npos) << this->status.error;
    EXPECT_NE(this->status.error.find("99"), std::string::npos) << this->status.error;

    // The Records window shows the reason in the language in use; the driver's own text aside,
    // the store's words are the Japanese table's.
    setLanguage(Language::Japanese);
    EXPECT_FALSE(this->openStore());
    setLanguage(Language::English);
    EXPECT_EQ(this->status.error.rfind("記録 ", 0), 0u) << this->status.error;
    EXPECT_NE(this->status.error.find("新しいプログラムが書いた記録です (スキーマ版 99、"),
              std::string::npos)
        << this->status.error;
}

}  // namespace
}  // namespace vq::test
