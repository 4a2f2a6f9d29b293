// The reads that keep the records commands fast on a large store give what the plain reads give:
// the due list made from the store's candidates is the due list of the whole fleet on any day and
// any --days, also after a store of the previous schema is migrated; a timeline whose events
// arrived out of order gets every channel on its own event. On a SQLite file and on a real
// PostgreSQL server.
#include <gtest/gtest.h>

#include <QSqlDatabase>
#include <QSqlQuery>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/records.h"
#include "platform/records_sql_store.h"
#include "records/backends.h"
#include "records/postgres_server.h"
#include "records/store_versions.h"
#include "support/temp_dir.h"

namespace vq::test {
namespace {

constexpr double kToday = 46100.5;

ChannelRecord channel(int ch, bool enabled, double date, float after) {
    ChannelRecord c;
    c.channel = ch;
    c.gas = enabled ? "G" + std::to_string(ch) : "";
    c.enabled = enabled;
    c.history = {date, 1.0f, after};
    c.historyBefore = c.history;
    return c;
}

// A read of an instrument whose enabled channels were last spanned `spanDaysAgo` days before
// kToday (CH1 one more day before: the oldest channel sets the due date).
RecordEvent read(const std::string& serial, int limit, double spanDaysAgo, int enabled = 2,
                 double when = kToday - 1) {
    RecordEvent e;
    e.kind = RecordKind::Read;
    e.serial = serial;
    e.pcTime = when;
    e.instrumentTime = when;
    e.calLimit = limit;
    e.success = true;
    for (int ch = 0; ch < 5; ++ch) {
        const bool on = ch < enabled;
        const double date = spanDaysAgo < 0 ? 0.0 : kToday - spanDaysAgo - (ch == 0 ? 1 : 0);
        e.channels.push_back(channel(ch, on, on ? date : 0.0, on ? 50.0f : -101.0f));
    }
    return e;
}

RecordEvent span(const std::string& serial, bool passed, double when) {
    RecordEvent e;
    e.kind = RecordKind::Span;
    e.serial = serial;
    e.pcTime = when;
    e.instrumentTime = when;
    e.success = passed;
    ChannelRecord c = channel(1, true, passed ? when : 0.0, passed ? 50.0f : 3.0f);
    c.result = passed ? "OK" : "NG";
    e.channels = {c};
    return e;
}

struct FleetCase {
    std::string serial;
    std::vector<RecordEvent> events;
    const char* stateToday;  // at kToday within 7 days: the case is what its name says
};

std::vector<FleetCase> fleetCases() {
    RecordEvent imported = read("IMPORTED-OVER", 30, 45);
    imported.origin = RecordOrigin::Imported;
    imported.importKey = "import-1";
    return {
        {"OK-FAR", {read("OK-FAR", 180, 10)}, "ok"},
        {"DUE-3", {read("DUE-3", 30, 26)}, "due"},
        {"DUE-10", {read("DUE-10", 30, 19)}, "ok"},
        {"EDGE-7", {read("EDGE-7", 30, 22)}, "due"},  // due in exactly 7 days
        {"OVER", {read("OVER", 30, 40)}, "overdue"},
        {"NG", {read("NG", 365, 5), span("NG", false, kToday - 0.5)}, "failed"},
        {"NO-HISTORY", {read("NO-HISTORY", 30, -1)}, "failed"},
        {"NO-LIMIT", {read("NO-LIMIT", 0, 40)}, "unknown"},
        {"NONE-ON", {read("NONE-ON", 30, 40, 0)}, "unknown"},
        {"IMPORTED-OVER", {imported}, "overdue"},
        {"RESPANNED", {read("RESPANNED", 30, 40, 2, kToday - 3), read("RESPANNED", 30, 2)}, "ok"},
        {"OLD-READ-LAST",
         {read("OLD-READ-LAST", 30, 2), read("OLD-READ-LAST", 30, 40, 2, kToday - 3)},
         "ok"},
    };
}

template <typename Backend>
class RecordsScaleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        url = Backend::location(dir);
        ASSERT_FALSE(url.empty()) << "PostgreSQL could not be started: "
                                  << PostgresServer::instance().error().toStdString();
        const auto parsed = ParseRecordsLocation(url, dir.path());
        ASSERT_TRUE(parsed);
        where = *parsed;
        store = RecordsSqlStore::open(where, status);
        ASSERT_TRUE(store) << status.error;
    }

    // Runs statements on the store's database beside the program, as another program would.
    // Every (day, --days) pair: the due list of the candidates and of the whole fleet agree,
    // instrument by instrument, state and due date; returns how many candidates kToday with 7
    // days gave.
    std::size_t expectSameDueLists() {
        std::vector<InstrumentSummary> fleet;
        EXPECT_TRUE(store->instruments(fleet).ok);
        std::size_t todays = 0;
        for (const double day : {kToday, kToday - 100, kToday + 30, kToday + 400})
            for (const int days : {0, 3, 7, 14, 36500}) {
                std::vector<InstrumentSummary> candidates;
                const StoreStatus read = store->dueCandidates(day, days, candidates);
                EXPECT_TRUE(read.ok) << read.error;
                if (day == kToday && days == 7) todays = candidates.size();
                const auto all = DueList(fleet, day, days);
                const auto some = DueList(candidates, day, days);
                EXPECT_EQ(some.size(), all.size()) << "day " << day << ", days " << days;
                for (std::size_t i = 0; i < std::min(some.size(), all.size()); ++i) {
                    SCOPED_TRACE("day " + std::to_string(day) + ", days " + std::to_string(days));
                    EXPECT_EQ(some[i].instrument.serial, all[i].instrument.serial);
                    EXPECT_EQ(some[i].assessment.state, all[i].assessment.state);
                    EXPECT_DOUBLE_EQ(some[i].assessment.due, all[i].assessment.due);
                    EXPECT_EQ(some[i].instrument.events, all[i].instrument.events);
                }
            }
        return todays;
    }

    TempDir dir;
    std::string url;
    RecordsLocation where;
    StoreStatus status;
    std::unique_ptr<RecordsSqlStore> store;
};

TYPED_TEST_SUITE(RecordsScaleTest, Backends, BackendNames);

TYPED_TEST(RecordsScaleTest, TheDueListOfTheCandidatesIsTheDueListOfTheFleet) {
    const auto cases = fleetCases();
    for (const FleetCase& c : cases)
        for (const RecordEvent& e : c.events) ASSERT_TRUE(this->store->record(e).ok) << c.serial;

    std::vector<InstrumentSummary> fleet;
    ASSERT_TRUE(this->store->instruments(fleet).ok);
    ASSERT_EQ(fleet.size(), cases.size());
    for (const FleetCase& c : cases) {
        const auto found = std::find_if(fleet.begin(), fleet.end(),
                                        [&](const auto& s) { return s.serial == c.serial; });
        ASSERT_NE(found, fleet.end()) << c.serial;
        EXPECT_STREQ(InstrumentStateName(Assess(found->record, kToday).state), c.stateToday)
            << c.serial;
    }
    // One instrument alone is the fleet's entry for it.
    for (const InstrumentSummary& listed : fleet) {
        std::optional<InstrumentSummary> one;
        ASSERT_TRUE(this->store->instrument(listed.serial, one).ok);
        ASSERT_TRUE(one) << listed.serial;
        EXPECT_EQ(one->events, listed.events);
        EXPECT_EQ(EncodeRecordState(one->record), EncodeRecordState(listed.record));
    }
    std::optional<InstrumentSummary> none;
    ASSERT_TRUE(this->store->instrument("NOT LISTED", none).ok);
    EXPECT_FALSE(none);

    // Only those that may need attention are read: here the failed, overdue and due ones.
    EXPECT_EQ(this->expectSameDueLists(), 6u);

    // A later span of a failed instrument's channel takes it off the failed ones.
    ASSERT_TRUE(this->store->record(span("NG", true, kToday - 0.25)).ok);
    std::vector<InstrumentSummary> candidates;
    ASSERT_TRUE(this->store->dueCandidates(kToday, 7, candidates).ok);
    for (const auto& s : candidates) EXPECT_NE(s.serial, "NG");
    EXPECT_EQ(this->expectSameDueLists(), 5u);
}

TYPED_TEST(RecordsScaleTest, AStoreOfThePreviousSchemaGetsItsDueDatesWhenMigrated) {
    for (const FleetCase& c : fleetCases())
        for (const RecordEvent& e : c.events) ASSERT_TRUE(this->store->record(e).ok) << c.serial;
    this->store.reset();
    // As the previous program left it: no due dates at all.
    std::string error;
    ASSERT_TRUE(DowngradeTo(this->where, 4, error)) << error;

    // Read-only, a store of an older schema is refused, not half read.
    EXPECT_FALSE(RecordsSqlStore::open(this->where, this->status, RecordsAccess::ReadOnly));
    EXPECT_NE(this->status.error.find("older program"), std::string::npos) << this->status.error;

    this->store = RecordsSqlStore::open(this->where, this->status);
    ASSERT_TRUE(this->store) << this->status.error;
    EXPECT_EQ(this->expectSameDueLists(), 6u);
    this->store.reset();
    auto reader = RecordsSqlStore::open(this->where, this->status, RecordsAccess::ReadOnly);
    ASSERT_TRUE(reader) << this->status.error;
    std::vector<InstrumentSummary> candidates;
    ASSERT_TRUE(reader->dueCandidates(kToday, 7, candidates).ok);
    EXPECT_EQ(candidates.size(), 6u);
}

TYPED_TEST(RecordsScaleTest, ATimelineOfEventsRecordedOutOfOrderKeepsEachEventsChannels) {
    // Ids rise with arrival, the timeline follows PC time: the two orders are reversed here, and
    // each event's channels carry its own number.
    constexpr int kEvents = 60;
    std::vector<RecordEvent> events;
    for (int n = 0; n < kEvents; ++n) {
        RecordEvent e = read("MIXED", 30, 5, 5, kToday - n);  // later arrivals are older
        if (n % 3 == 1) {
            e.kind = RecordKind::Write;
            e.channels.clear();
            e.changes = {{"A1", n, "Alarm", std::to_string(n), std::to_string(n + 1)}};
        }
        for (ChannelRecord& c : e.channels) c.concentration = n * 10 + c.channel;
        events.push_back(e);
        ASSERT_TRUE(this->store->record(read("OTHER", 30, 5, 5, kToday - n)).ok);
    }
    ASSERT_TRUE(this->store->recordAll(events).ok);

    std::vector<TimelineEntry> timeline;
    ASSERT_TRUE(this->store->timeline("MIXED", timeline).ok);
    ASSERT_EQ(timeline.size(), static_cast<std::size_t>(kEvents));
    for (int i = 0; i < kEvents; ++i) {
        const int n = kEvents - 1 - i;  // oldest first
        const RecordEvent& e = timeline[static_cast<std::size_t>(i)].event;
        SCOPED_TRACE("event " + std::to_string(n));
        EXPECT_DOUBLE_EQ(e.pcTime, kToday - n);
        if (n % 3 == 1) {
            EXPECT_TRUE(e.channels.empty());
            ASSERT_EQ(e.changes.size(), 1u);
            EXPECT_EQ(e.changes[0].number, n);
            continue;
        }
        ASSERT_EQ(e.channels.size(), 5u);
        for (int ch = 0; ch < 5; ++ch) {
            EXPECT_EQ(e.channels[static_cast<std::size_t>(ch)].channel, ch);
            EXPECT_DOUBLE_EQ(e.channels[static_cast<std::size_t>(ch)].concentration, n * 10 + ch);
        }
    }
}

}  // namespace
}  // namespace vq::test
