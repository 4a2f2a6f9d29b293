// "Update", "Update ID" and "Date/Time Set" as the window and vq5100ctl both run them, end to
// end: the real link and decoder, the virtual instrument, the virtual clock. What the instrument
// holds afterwards is read from it again, not taken from the flow's own word.
#include "platform/settings_update.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "app/clock_set.h"
#include "app/update_validation.h"
#include "messages/messages.h"
#include "model/ole_date.h"
#include "platform/link_write_operations.h"
#include "tests/support/sim_link.h"

namespace vq {
namespace {

// The virtual instrument read once, as both programs have it before a write.
struct Bench : test::SimLink {
    Bench() {
        EXPECT_TRUE(connect());
        EXPECT_TRUE(link.reads().GetInstrument(&model));
        held = model;
        port.frames.clear();
    }
    // What the instrument holds now, read again.
    InstrumentModel readAgain() {
        InstrumentModel again;
        EXPECT_TRUE(link.reads().GetInstrument(&again));
        link.setInstrument(&model);
        return again;
    }
    bool logged(const std::string& prefix) const {
        const auto lines = logLines();
        return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.find(prefix) != std::string::npos;
        });
    }
    double now() const { return host.localDateTime(); }

    LinkWriteOperations writes{link};
    InstrumentModel held;
};

// Both flows over what the instrument holds: "Update" writes the settings and the identity edits
// that differ from the instrument's (never dropping one without a word), "Update ID" the identity
// texts and the station list only. The review lists what changes, and only what is sent.
TEST(SettingsUpdate, WritesWhatEachCommandOwesAndTheInstrumentHoldsIt) {
    struct Case {
        const char* name;
        bool idOnly;
        std::function<void(InstrumentModel&)> edit;
        std::size_t changes, notWritten;
        // Checked on the instrument as read again, and on what the flow says it holds.
        std::function<bool(const InstrumentModel&)> holds;
    };
    const auto intervalAndUser = [](InstrumentModel& m) {
        m.setIntervals(180);
        m.setUserID("NEWUSER");
    };
    const Case cases[] = {
        {"Update: a setting and an identity edit", false, intervalAndUser, 2, 0,
         [](const InstrumentModel& m) { return m.Intervals() == 180 && m.UserID() == "NEWUSER"; }},
        {"Update ID: only the identity", true, intervalAndUser, 1, 0,
         [](const InstrumentModel& m) { return m.Intervals() != 180 && m.UserID() == "NEWUSER"; }},
        {"Update: a station entry", false,
         [](InstrumentModel& m) { m.setStationList(5, "PUMP HOUSE"); }, 1, 0,
         [](const InstrumentModel& m) { return m.StationList(5).rfind("PUMP HOUSE", 0) == 0; }},
        {"Update ID: a station entry and the station id", true,
         [](InstrumentModel& m) {
             m.setStationList(6, "GATE");
             m.setStationID("GATE");
         },
         2, 0,
         [](const InstrumentModel& m) {
             return m.StationList(6).rfind("GATE", 0) == 0 && m.StationID().rfind("GATE", 0) == 0;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bench bench;
        ASSERT_NE(bench.held.Intervals(), 180);
        c.edit(bench.model);
        SettingsUpdate update(bench.writes, bench.model, &bench.held, c.idOnly);
        ASSERT_FALSE(update.refusal().has_value());
        const ReviewSummary review = update.review();
        EXPECT_EQ(review.changes.size(), c.changes);
        EXPECT_EQ(review.notWritten.size(), c.notWritten);
        EXPECT_TRUE(bench.port.frames.empty());  // nothing sent before run()
        const SettingsUpdate::Result run = update.run(bench.now());
        EXPECT_TRUE(run.succeeded());
        ASSERT_TRUE(run.held.has_value());
        EXPECT_TRUE(c.holds(*run.held));
        EXPECT_TRUE(c.holds(bench.readAgain()));
        EXPECT_TRUE(bench.logged("---Instrument Upload Start Sequence---"));
    }
}

// The refusals are the window's boxes and vq5100ctl's errors alike: the text of the first
// refusal and its title; nothing goes to the instrument.
TEST(SettingsUpdate, RefusesWhatTheChecksRefuseAndSendsNothing) {
    struct Case {
        const char* name;
        bool idOnly;
        std::function<void(InstrumentModel&)> edit;
        int titleId;  // 0: not refused
    };
    const Case cases[] = {
        {"an alarm beyond the range", false, [](InstrumentModel& m) { m.setAlarm(0, 5000); },
         msg::AlarmRangeTitle},
        {"a station text the instrument cannot hold", true,
         [](InstrumentModel& m) { m.setStationList(129, "GATE \"D\""); }, msg::UpdateTitle},
        {"the same text, Update", false,
         [](InstrumentModel& m) { m.setStationList(129, "GATE \"D\""); }, msg::UpdateTitle},
        {"an identity edit: written", true, [](InstrumentModel& m) { m.setUserID("OK"); }, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bench bench;
        c.edit(bench.model);
        SettingsUpdate update(bench.writes, bench.model, &bench.held, c.idOnly);
        const auto refusal = update.refusal();
        EXPECT_EQ(refusal.has_value(), c.titleId != 0);
        if (refusal) {
            EXPECT_EQ(refusal->titleId, c.titleId);
            EXPECT_EQ(UpdateRefusalReason(bench.model, c.idOnly, &bench.held), refusal->text);
        }
        EXPECT_TRUE(bench.port.frames.empty());
    }
}

// An instrument that stops answering: the run fails, and what the instrument holds stays what
// it held, so the edit stays pending for the next "Update".
TEST(SettingsUpdate, AFailedRunKeepsTheEditPending) {
    Bench bench;
    bench.link.setRetry(1);
    bench.link.setTimeout(1);
    bench.model.setIntervals(180);
    bench.port.rewrite = [](std::string) { return std::string(); };
    SettingsUpdate update(bench.writes, bench.model, &bench.held, false);
    const SettingsUpdate::Result run = update.run(bench.now());
    EXPECT_FALSE(run.succeeded());
    ASSERT_TRUE(run.held.has_value());
    EXPECT_EQ(run.held->Intervals(), bench.held.Intervals());
    EXPECT_TRUE(run.sent.isChanged(SettingId::Intervals));
    // Without what the instrument held, nothing is said about it.
    bench.port.rewrite = nullptr;
    InstrumentModel edited = bench.held;
    edited.setIntervals(120);
    SettingsUpdate blind(bench.writes, edited, nullptr, false);
    EXPECT_TRUE(blind.review().changes.empty());
    EXPECT_FALSE(blind.run(bench.now()).held.has_value());
}

// "Date/Time Set": the clock set to a time a day and an hour back reads as that time; the
// question's text says what the instrument's clock shows; a clock the instrument refuses logs
// the failure line and keeps the model's difference.
TEST(ClockSet, SetsTheClockBothProgramsShowAndLogsAFailure) {
    Bench bench;
    const double when = AddDays(bench.now(), -1.0 - 1.0 / 24);
    EXPECT_TRUE(RunSetClock(bench.writes, when, [&] { return bench.now(); }));
    InstrumentModel clock;
    ASSERT_TRUE(bench.writes.ReadClock(clock));
    EXPECT_EQ(bench.link.Instrument(), &bench.model);  // the bound model stays
    EXPECT_EQ(InstrumentClockText(&clock, bench.now()),
              GeneralDate(AddDays(bench.now(), -1.0 - 1.0 / 24)));
    EXPECT_EQ(InstrumentClockText(nullptr, bench.now()), ResMessage(msg::ClockNotRead));
    EXPECT_TRUE(bench.logged("---Instrument Upload Start Sequence---"));
    EXPECT_FALSE(bench.logged("---Date/Time Set Failed---"));

    bench.model.setSysDateOffset(2.5);
    EXPECT_TRUE(RunSetClock(
        bench.writes, bench.now(), [&] { return bench.now(); }, &bench.model));
    EXPECT_EQ(bench.model.SysDateOffset(), 0);

    bench.model.setSysDateOffset(2.5);
    bench.port.rewrite = [](std::string) { return std::string(); };
    bench.link.setRetry(1);
    bench.link.setTimeout(1);
    EXPECT_FALSE(RunSetClock(
        bench.writes, bench.now(), [&] { return bench.now(); }, &bench.model));
    EXPECT_EQ(bench.model.SysDateOffset(), 2.5);
    EXPECT_TRUE(bench.logged("---Date/Time Set Failed---"));
    EXPECT_FALSE(RunCheckData(bench.writes, bench.now()));
    bench.port.rewrite = nullptr;
    EXPECT_TRUE(RunCheckData(bench.writes, bench.now()));
}

}  // namespace
}  // namespace vq
