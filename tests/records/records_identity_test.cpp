// Who an instrument is, on a SQLite file and on a real PostgreSQL server: a serial change this
// program made joins the old serial's history to the new one (both serials find it, the fleet
// lists it once under the newest), a change onto a serial that already has a history of its own
// is kept apart, equal manufacture numbers join nothing, and instruments only the built-in
// virtual instrument recorded are marked simulated. Through the recorder: a verified write that
// changed the serial becomes the change, a failed one does not, and the whole of it reaches a
// shared store from the local queue.
#include <gtest/gtest.h>

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "app/records.h"
#include "model/instrument.h"
#include "platform/records_recorder.h"
#include "platform/records_sql_store.h"
#include "platform/records_sync.h"
#include "records/backends.h"
#include "records/postgres_server.h"
#include "records/records_writer.h"
#include "records/store_versions.h"
#include "support/temp_dir.h"

namespace vq::test {
namespace {

template <typename Backend>
class RecordsIdentityTest : public ::testing::Test {
  protected:
    void SetUp() override { fresh(0); }

    // A new, empty store: a file of its own, or a new database on the server.
    void fresh(int n) {
        store.reset();
        url = std::is_same_v<Backend, SqliteBackend>
                  ? dir.file("records-" + std::to_string(n) + ".sqlite")
                  : Backend::location(dir);
        ASSERT_FALSE(url.empty()) << "PostgreSQL could not be started: "
                                  << PostgresServer::instance().error().toStdString();
        const auto where = ParseRecordsLocation(url, dir.path());
        ASSERT_TRUE(where);
        store = RecordsSqlStore::open(*where, status);
        ASSERT_TRUE(store) << status.error;
    }

    std::vector<std::string> fleetSerials() {
        std::vector<InstrumentSummary> fleet;
        EXPECT_TRUE(store->instruments(fleet).ok);
        std::vector<std::string> serials;
        for (const InstrumentSummary& s : fleet) serials.push_back(s.serial);
        return serials;
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

TYPED_TEST_SUITE(RecordsIdentityTest, Backends, BackendNames);

// One step of a case: a read of `serial` (with `manufacture`), or a serial change from `from`.
struct Step {
    std::string serial;
    std::string from;  // non-empty: a serial change from `from` to `serial`
    std::string manufacture = "M-1";
};

struct IdentityCase {
    const char* name;
    std::vector<Step> steps;
    std::vector<std::string> fleet;  // serials listed, in order
    // Serial asked for -> events its history holds and the serial it is listed under now.
    std::map<std::string, std::pair<std::size_t, std::string>> histories;
    std::vector<bool> joined;  // each serial change's outcome, in order
};

const std::vector<IdentityCase> kCases = {
    {"a serial change joins the two serials' histories",
     {{"A", ""}, {"B", "A"}, {"B", ""}},
     {"B"},
     {{"A", {3, "B"}}, {"B", {3, "B"}}},
     {true}},
    {"a change onto a serial with a history of its own keeps the two apart",
     {{"A", ""}, {"B", "", "M-2"}, {"B", "A"}, {"B", ""}},
     {"A", "B"},
     {{"A", {2, "A"}}, {"B", {2, "B"}}},
     {false}},
    {"an instrument never recorded before its change is found by both serials",
     {{"B", "A"}, {"B", ""}},
     {"B"},
     {{"A", {2, "B"}}, {"B", {2, "B"}}},
     {true}},
    {"a serial changed back keeps one history",
     {{"A", ""}, {"B", "A"}, {"A", "B"}, {"A", ""}},
     {"A"},
     {{"A", {4, "A"}}, {"B", {4, "A"}}},
     {true, true}},
    {"two changes in a row: every serial finds the history",
     {{"A", ""}, {"B", "A"}, {"C", "B"}},
     {"C"},
     {{"A", {3, "C"}}, {"B", {3, "C"}}, {"C", {3, "C"}}},
     {true, true}},
    {"equal manufacture numbers join nothing",
     {{"A", "", "SAME"}, {"B", "", "SAME"}},
     {"A", "B"},
     {{"A", {1, "A"}}, {"B", {1, "B"}}},
     {}},
    {"a later instrument with the old serial is another instrument",
     {{"A", ""}, {"B", "A"}, {"A", "", "M-2"}},
     {"A", "B"},
     {{"A", {1, "A"}}, {"B", {2, "B"}}},
     {true}},
    {"virtual instruments renamed one after the other keep their own histories",
     {{"A", ""}, {"B", "A"}, {"A", ""}, {"C", "A"}, {"C", ""}},
     {"B", "C"},
     {{"A", {3, "C"}}, {"B", {2, "B"}}, {"C", {3, "C"}}},
     {true, true}},
};

RecordEvent eventOf(const Step& step, int n) {
    RecordEvent event = sampleRead(step.serial, n);
    event.manufactureNo = step.manufacture;
    if (step.from.empty()) return event;
    event.kind = RecordKind::SerialChange;
    event.previousSerial = step.from;
    event.snapshot.clear();
    event.channels.clear();
    return event;
}

TYPED_TEST(RecordsIdentityTest, SerialChangesJoinOnlyTheInstrumentThatChanged) {
    int number = 0;
    for (const IdentityCase& c : kCases) {
        SCOPED_TRACE(c.name);
        this->fresh(++number);
        ASSERT_TRUE(this->store);
        std::vector<bool> joined;
        int n = 0;
        for (const Step& step : c.steps) {
            const RecordEvent event = eventOf(step, ++n);
            if (step.from.empty()) {
                ASSERT_TRUE(this->store->record(event).ok);
                continue;
            }
            bool ok = false;
            const StoreStatus added = this->store->recordSerialChange(event, ok);
            ASSERT_TRUE(added.ok) << added.error;
            joined.push_back(ok);
        }
        EXPECT_EQ(this->fleetSerials(), c.fleet);
        EXPECT_EQ(joined, c.joined);
        for (const auto& [serial, expected] : c.histories) {
            SCOPED_TRACE(serial);
            EXPECT_EQ(this->timeline(serial).size(), expected.first);
            InstrumentSerials serials;
            ASSERT_TRUE(this->store->serials(serial, serials).ok);
            EXPECT_EQ(serials.current, expected.second);
        }
    }
}

TYPED_TEST(RecordsIdentityTest, TheHistoryNamesEachEventsSerialAndTheChange) {
    RecordEvent read = sampleRead("OLD-1", 1);
    read.manufactureNo = "MFG 77";
    ASSERT_TRUE(this->store->record(read).ok);
    RecordEvent change = eventOf({"NEW-2", "OLD-1", "MFG 77"}, 2);
    bool joined = false;
    ASSERT_TRUE(this->store->recordSerialChange(change, joined).ok);
    EXPECT_TRUE(joined);
    ASSERT_TRUE(this->store->record(sampleRead("NEW-2", 3)).ok);  // no manufacture number read

    for (const std::string serial : {"OLD-1", "NEW-2"}) {
        const auto events = this->timeline(serial);
        ASSERT_EQ(events.size(), 3u);
        EXPECT_EQ(events[0].event.serial, "OLD-1");
        EXPECT_EQ(events[0].event.manufactureNo, "MFG 77");
        EXPECT_EQ(events[1].event.kind, RecordKind::SerialChange);
        EXPECT_EQ(events[1].event.previousSerial, "OLD-1");
        EXPECT_EQ(events[1].event.serial, "NEW-2");
        EXPECT_TRUE(events[1].event.serialJoined);
        EXPECT_EQ(events[2].event.serial, "NEW-2");
    }
    InstrumentSerials serials;
    ASSERT_TRUE(this->store->serials("OLD-1", serials).ok);
    EXPECT_EQ(serials.current, "NEW-2");
    EXPECT_EQ(serials.former, std::vector<std::string>{"OLD-1"});

    std::vector<InstrumentSummary> fleet;
    ASSERT_TRUE(this->store->instruments(fleet).ok);
    ASSERT_EQ(fleet.size(), 1u);
    // A read that brought no manufacture number leaves the one known.
    EXPECT_EQ(fleet[0].manufactureNo, "MFG 77");
    EXPECT_EQ(fleet[0].events, 3);
    // The change is no calibration: the state is what the reads said.
    EXPECT_EQ(fleet[0].evidence().calLimit, sampleRead("NEW-2", 3).calLimit);
}

TYPED_TEST(RecordsIdentityTest, AnInstrumentIsSimulatedOnlyWhileNothingRealWasRecorded) {
    struct Case {
        std::vector<RecordOrigin> origins;
        bool simulated;
        bool hasState;  // the state rule saw a read
    };
    const std::vector<Case> cases = {
        {{RecordOrigin::Simulated}, true, false},
        {{RecordOrigin::Simulated, RecordOrigin::Simulated}, true, false},
        {{RecordOrigin::Simulated, RecordOrigin::Reported}, false, true},
        {{RecordOrigin::Reported, RecordOrigin::Simulated}, false, true},
        {{RecordOrigin::Imported}, false, true},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const std::string serial = "SIM-" + std::to_string(i);
        int n = 0;
        for (const RecordOrigin origin : cases[i].origins) {
            RecordEvent event = sampleRead(serial, ++n);
            event.origin = origin;
            ASSERT_TRUE(this->store->record(event).ok);
        }
    }
    std::vector<InstrumentSummary> fleet;
    ASSERT_TRUE(this->store->instruments(fleet).ok);
    ASSERT_EQ(fleet.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(fleet[i].serial);
        EXPECT_EQ(fleet[i].simulated, cases[i].simulated);
        EXPECT_EQ(fleet[i].evidence().any(), cases[i].hasState);
    }
    EXPECT_EQ(ShownFleet(fleet, false).size(), 3u);
    EXPECT_EQ(ShownFleet(fleet, true).size(), cases.size());
}

// Through the recorder, as both programs record an identity write.
struct RecorderCase {
    const char* name;
    bool otherHistoryOfNew;  // the new serial is another instrument's already
    bool writeSucceeded;
    bool sameSerial;  // a write that left the serial as it was
    std::vector<std::string> fleet;
    std::size_t eventsOfOld;
    bool warned;
};

const std::vector<RecorderCase> kRecorderCases = {
    {"a verified serial write joins", false, true, false, {"NEW"}, 3, false},
    {"a write that failed joins nothing", false, false, false, {"NEW", "OLD"}, 1, false},
    {"a write of other settings joins nothing", false, true, true, {"OLD"}, 2, false},
    {"onto another instrument's serial: kept apart and said",
     true,
     true,
     false,
     {"NEW", "OLD"},
     2,
     true},
};

TEST(RecordsIdentityRecorder, AnIdentityWriteBecomesASerialChangeOnlyWhenVerified) {
    for (const RecorderCase& c : kRecorderCases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        RecordsRecorder recorder("", dir.path());
        std::vector<std::string> lines;
        recorder.setReport([&](const std::string& line) { lines.push_back(line); });
        InstrumentModel before;
        before.setSerialNo("OLD");
        before.setDummySerial("MFG-9");
        InstrumentModel after = before;
        if (!c.sameSerial) after.setSerialNo("NEW");
        after.setStationID("ST-2");
        if (c.otherHistoryOfNew) {
            ASSERT_TRUE(recorder.record(sampleRead("NEW", 1)));
        }
        ASSERT_TRUE(recorder.record(ReadRecord(before, 46100.0)));
        ASSERT_TRUE(recorder.record(WriteRecord(before, after, c.writeSucceeded, 46100.1)));

        StoreStatus status;
        RecordsStore* store = recorder.store(status);
        ASSERT_TRUE(store) << status.error;
        std::vector<InstrumentSummary> fleet;
        ASSERT_TRUE(store->instruments(fleet).ok);
        std::vector<std::string> serials;
        for (const InstrumentSummary& s : fleet) serials.push_back(s.serial);
        EXPECT_EQ(serials, c.fleet);
        std::vector<TimelineEntry> events;
        ASSERT_TRUE(store->timeline("OLD", events).ok);
        EXPECT_EQ(events.size(), c.eventsOfOld);
        EXPECT_EQ(events.front().event.manufactureNo, "MFG-9");
        EXPECT_EQ(lines.size(), c.warned ? 1u : 0u);
        if (c.warned) {
            EXPECT_NE(lines[0].find("OLD"), std::string::npos) << lines[0];
            EXPECT_NE(lines[0].find("NEW"), std::string::npos) << lines[0];
        }
    }
}

TEST(RecordsIdentityRecorder, TheBuiltInInstrumentsEventsAreMarkedSimulated) {
    TempDir dir;
    RecordsRecorder recorder("", dir.path());
    recorder.setSimulated(true);
    InstrumentModel model;
    model.setSerialNo("VQ51-000123");
    ASSERT_TRUE(recorder.record(ReadRecord(model, 46100.0)));
    RecordEvent imported = sampleRead("VQ51-000123", 2);
    imported.origin = RecordOrigin::Imported;  // an import stays what it is
    imported.pcTime = 46100.5;
    ASSERT_TRUE(recorder.record(imported));
    StoreStatus status;
    RecordsStore* store = recorder.store(status);
    ASSERT_TRUE(store) << status.error;
    std::vector<TimelineEntry> events;
    ASSERT_TRUE(store->timeline("VQ51-000123", events).ok);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].event.origin, RecordOrigin::Simulated);
    EXPECT_EQ(events[1].event.origin, RecordOrigin::Imported);
}

// The queue of a local file carries serial changes and manufacture numbers to a shared store,
// which joins the histories by the same rule; the events keep the serials they were recorded
// under even though the local instrument has been renamed by the time they are sent.
TEST(RecordsIdentitySync, ASharedStoreReceivesTheChangeAndTheManufactureNumber) {
    PostgresServer& server = PostgresServer::instance();
    ASSERT_TRUE(server.running()) << server.error().toStdString();
    TempDir dir;
    StoreStatus status;
    auto local = RecordsSqlStore::open(*ParseRecordsLocation(dir.file("local.sqlite"), ""), status);
    ASSERT_TRUE(local) << status.error;
    local->setQueueForShared(true);
    auto shared = RecordsSqlStore::open(
        *ParseRecordsLocation(server.newDatabaseUrl().toStdString(), ""), status);
    ASSERT_TRUE(shared) << status.error;
    // Another bench's history of the old serial is already on the shared store.
    RecordEvent elsewhere = sampleRead("OLD", 1);
    elsewhere.station = "BENCH-2";
    ASSERT_TRUE(shared->record(elsewhere).ok);

    RecordEvent read = sampleRead("OLD", 2);
    read.manufactureNo = "MFG-5";
    ASSERT_TRUE(local->record(read).ok);
    bool joined = false;
    ASSERT_TRUE(local->recordSerialChange(eventOf({"NEW", "OLD", "MFG-5"}, 3), joined).ok);
    ASSERT_TRUE(joined);
    RecordEvent simulated = sampleRead("NEW", 4);
    simulated.origin = RecordOrigin::Simulated;
    ASSERT_TRUE(local->record(simulated).ok);

    const SyncResult sent = SendQueued(*local, *shared);
    ASSERT_TRUE(sent.status.ok) << sent.status.error;
    EXPECT_EQ(sent.sent, 3);

    std::vector<InstrumentSummary> fleet;
    ASSERT_TRUE(shared->instruments(fleet).ok);
    ASSERT_EQ(fleet.size(), 1u);
    EXPECT_EQ(fleet[0].serial, "NEW");
    EXPECT_EQ(fleet[0].manufactureNo, "MFG-5");
    EXPECT_FALSE(fleet[0].simulated);  // real events of it came first
    std::vector<TimelineEntry> events;
    ASSERT_TRUE(shared->timeline("OLD", events).ok);
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].event.station, "BENCH-2");
    EXPECT_EQ(events[1].event.serial, "OLD");
    EXPECT_EQ(events[1].event.manufactureNo, "MFG-5");
    EXPECT_EQ(events[2].event.kind, RecordKind::SerialChange);
    EXPECT_EQ(events[3].event.origin, RecordOrigin::Simulated);
}

// A store of the version before identities: the first writer adds the columns; the events it
// held keep their instrument's serial and no manufacture number, and nothing is simulated.
TEST(RecordsIdentityMigration, AStoreOfThePreviousVersionGetsTheIdentityColumns) {
    TempDir dir;
    const std::string file = dir.file("v3.sqlite");
    const auto where = *ParseRecordsLocation(file, "");
    {
        StoreStatus status;
        auto store = RecordsSqlStore::open(where, status);
        ASSERT_TRUE(store) << status.error;
        for (int n = 1; n <= 5; ++n) ASSERT_TRUE(store->record(sampleRead("V3", n)).ok);
    }
    std::string error;
    ASSERT_TRUE(DowngradeTo(where, 3, error)) << error;

    StoreStatus status;
    auto store = RecordsSqlStore::open(where, status);
    ASSERT_TRUE(store) << status.error;
    std::vector<TimelineEntry> events;
    ASSERT_TRUE(store->timeline("V3", events).ok);
    ASSERT_EQ(events.size(), 5u);
    for (const TimelineEntry& t : events) {
        EXPECT_EQ(t.event.serial, "V3");
        EXPECT_EQ(t.event.manufactureNo, "");
    }
    bool joined = false;
    ASSERT_TRUE(store->recordSerialChange(eventOf({"V4", "V3"}, 6), joined).ok);
    EXPECT_TRUE(joined);
    std::vector<InstrumentSummary> fleet;
    ASSERT_TRUE(store->instruments(fleet).ok);
    ASSERT_EQ(fleet.size(), 1u);
    EXPECT_EQ(fleet[0].serial, "V4");
    EXPECT_FALSE(fleet[0].simulated);
    EXPECT_EQ(fleet[0].events, 6);
}

}  // namespace
}  // namespace vq::test
