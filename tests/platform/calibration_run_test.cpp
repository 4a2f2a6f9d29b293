// The zero and span run both programs make, against the virtual instrument over a real link on
// the virtual clock: what each style sends and logs, the result per channel, the history after
// the run, the readings poll paused and put back, cancelling, and the record it hands over.

#include "platform/calibration_run.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "model/ole_date.h"
#include "tests/support/sim_link.h"

namespace vq::test {
namespace {

using Millis = EventHost::Millis;

bool hasLine(const std::vector<std::string>& lines, std::string_view part) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.find(part) != std::string::npos;
    });
}

std::vector<std::string> withoutPolls(std::vector<std::string> payloads) {
    payloads.erase(std::remove(payloads.begin(), payloads.end(), "DN,R,"), payloads.end());
    return payloads;
}

struct RunBench {
    explicit RunBench(sim::SimState state = sim::DefaultSimState()) : s(std::move(state)) {
        s.host.setLocalDateTime(*MakeOleDate(2026, 12, 8, 9, 0, 0));
        EXPECT_TRUE(s.connect());
        EXPECT_TRUE(s.link.reads().GetInstrument(&s.model));
        s.port.frames.clear();
    }
    SimLink s;
};

// Every run, both styles, on an instrument that answers, one that refuses and one whose channel
// fails: what goes on the wire, whether the run counts as taken, what each channel did, whether
// the history after it was read, and whether the window's start line is in the log.
TEST(CalibrationRun, EachStyleSendsAndLogsWhatItDidBefore) {
    constexpr int kSpanFails = 2;
    struct Case {
        const char* name;
        CalibrationKind kind;
        CalibrationRunStyle style;
        bool refuse;                    // the instrument's answers to the run's command are lost
        bool failOne;                   // channel kSpanFails (or 0 for a zero) is set up to fail
        std::vector<std::string> sent;  // payloads, the readings polls left out
        bool taken;
        bool historyRead;
        bool startLogged;
    };
    // The concentrations below, as the channels' decimals write them.
    const std::string span = [] {
        RunBench b;
        b.s.model.setAutoCalib(0, 50);
        b.s.model.setAutoCalib(1, 20.9f);
        b.s.model.setAutoCalib(2, 10);
        return SpanChannelText(b.s.model, {true, true, true, false, false});
    }();
    ASSERT_EQ(span.substr(0, 6), "11100,");
    const std::vector<Case> cases = {
        {"zero, vq5100ctl",
         CalibrationKind::Zero,
         kCtlRunStyle,
         false,
         false,
         {"SZ,W,11111", "SZ,C,", "SZ,C,", "SZ,C,", "SO,R,"},
         true,
         true,
         false},
        {"zero, window",
         CalibrationKind::Zero,
         kWindowRunStyle,
         false,
         false,
         {"SZ,W,11111", "SZ,C,", "SZ,C,", "SZ,C,", "SO,R,"},
         true,
         true,
         false},
        {"zero refused, window: no history",
         CalibrationKind::Zero,
         kWindowRunStyle,
         true,
         false,
         {"SZ,W,11111"},
         false,
         false,
         false},
        {"zero with a failing channel",
         CalibrationKind::Zero,
         kCtlRunStyle,
         false,
         true,
         {"SZ,W,11111", "SZ,C,", "SZ,C,", "SZ,C,", "SO,R,"},
         true,
         true,
         false},
        {"span, vq5100ctl",
         CalibrationKind::Span,
         kCtlRunStyle,
         false,
         false,
         {"S2,W," + span, "SO,R,"},
         true,
         true,
         false},
        {"span, window",
         CalibrationKind::Span,
         kWindowRunStyle,
         false,
         false,
         {"S2,W," + span, "SO,R,"},
         true,
         true,
         true},
        {"span refused, vq5100ctl: nothing more",
         CalibrationKind::Span,
         kCtlRunStyle,
         true,
         false,
         {"S2,W," + span},
         false,
         false,
         false},
        {"span refused, window: the history all the same",
         CalibrationKind::Span,
         kWindowRunStyle,
         true,
         false,
         {"S2,W," + span, "SO,R,"},
         false,
         true,
         true},
        {"span with a failing channel",
         CalibrationKind::Span,
         kWindowRunStyle,
         false,
         true,
         {"S2,W," + span, "SO,R,"},
         true,
         true,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const bool zeroRun = c.kind == CalibrationKind::Zero;
        sim::SimState state = sim::DefaultSimState();
        state.gases[0].autoCal = 50;
        state.gases[1].autoCal = 20.9f;
        state.gases[2].autoCal = 10;
        if (c.failOne) {
            state.gases[zeroRun ? 0 : kSpanFails].zeroFails = zeroRun;
            state.gases[zeroRun ? 0 : kSpanFails].spanFails = !zeroRun;
        }
        RunBench b(state);
        b.s.link.setRetry(0);
        if (c.refuse) {
            const std::string key = zeroRun ? "SZ,W" : "S2,W";
            b.s.port.rewrite = [key](std::string bytes) {
                return bytes.find(key) != std::string::npos ? std::string() : bytes;
            };
        }
        const ChannelFlags selection{true, true, true, false, false};
        InstrumentModel after = b.s.model;
        CalibrationRun run(b.s.link, c.style);
        const CalibrationOutcome outcome =
            zeroRun ? run.zero(&after) : run.span(b.s.model, selection, &after);

        EXPECT_EQ(withoutPolls(b.s.port.payloads()), c.sent);
        EXPECT_EQ(outcome.taken, c.taken);
        EXPECT_EQ(outcome.historyRead, c.historyRead);
        EXPECT_FALSE(outcome.cancelled);
        EXPECT_EQ(run.state(), CalibrationRun::State::Finished);
        for (int ch = 0; ch < kCalChannels; ++ch) {
            const bool asked = zeroRun || selection[static_cast<std::size_t>(ch)];
            const int failing = zeroRun ? 0 : kSpanFails;
            const bool expected = c.taken && asked && !(c.failOne && ch == failing);
            EXPECT_EQ(outcome.passed[static_cast<std::size_t>(ch)], expected) << "CH" << ch + 1;
        }
        const auto log = b.s.logLines();
        EXPECT_EQ(hasLine(log, "---Calibration Upload Started---"), c.startLogged);
        EXPECT_EQ(hasLine(log, "---Calibration Upload Failed---"), !c.taken);
        // The history after a run the instrument made is the one it made.
        if (c.taken) {
            EXPECT_GT(after.CalibDate(1), 0.0);
        }
    }
}

// A zero takes the instrument three seconds: the run polls once a second and the window's
// readings poll is quiet meanwhile and running again after it; a program without the poll
// (vq5100ctl) is left without it.
TEST(CalibrationRun, PausesTheReadingsPollOnlyWhereItRan) {
    for (const bool pollOn : {false, true}) {
        SCOPED_TRACE(pollOn ? "poll on" : "poll off");
        RunBench b;
        if (pollOn) {
            b.s.link.calibration().setRunReadings(true);
            b.s.host.runFor(Millis{2500});
            const auto polled = b.s.port.payloads();
            ASSERT_GT(std::count(polled.begin(), polled.end(), "DN,R,"), 0);
        }
        b.s.port.frames.clear();
        const Millis start = b.s.host.now();
        InstrumentModel after = b.s.model;
        CalibrationRun run(b.s.link, kWindowRunStyle);
        ASSERT_TRUE(run.zero(&after).taken);
        EXPECT_GE(b.s.host.now() - start, Millis{3000});
        EXPECT_LT(b.s.host.now() - start, Millis{4000});
        const auto sent = b.s.port.payloads();
        EXPECT_EQ(std::count(sent.begin(), sent.end(), "DN,R,"), 0);
        EXPECT_EQ(b.s.link.calibration().RunReadings(), pollOn);
        b.s.host.runFor(Millis{1500});
        const auto later = b.s.port.payloads();
        EXPECT_EQ(std::count(later.begin(), later.end(), "DN,R,") > 0, pollOn);
        b.s.link.calibration().setRunReadings(false);
    }
}

// Cancel while the zero polls: the run ends at once without a result or a history read; Cancel
// outside a run does not touch the link.
TEST(CalibrationRun, CancelStopsAZeroBetweenPollsAndIsIgnoredOutsideARun) {
    RunBench b;
    CalibrationRun run(b.s.link, kWindowRunStyle);
    run.cancel();
    EXPECT_FALSE(b.s.link.Cancel());
    EXPECT_EQ(run.state(), CalibrationRun::State::Idle);

    CalibrationRun::State seen = CalibrationRun::State::Idle;
    b.s.host.callLater(Millis{1500}, [&] {
        seen = run.state();
        run.cancel();
    });
    const Millis start = b.s.host.now();
    InstrumentModel after = b.s.model;
    const CalibrationOutcome outcome = run.zero(&after);
    EXPECT_EQ(seen, CalibrationRun::State::Running);
    EXPECT_FALSE(outcome.taken);
    EXPECT_TRUE(outcome.cancelled);
    EXPECT_FALSE(outcome.historyAsked);
    EXPECT_LT(b.s.host.now() - start, Millis{2000});
    EXPECT_EQ(b.s.port.payloads(), (std::vector<std::string>{"SZ,W,11111", "SZ,C,"}));
    EXPECT_EQ(outcome.passed, ChannelFlags{});
    b.s.link.setCancel(false);
}

// The record handed to the instrument records: the listed channels with OK or NG, the history
// before and after, a span's concentrations from the model the run was made with, and the
// host's time. Nothing before the first run.
TEST(CalibrationRun, RecordsTheListedChannelsWithTheirResultsAndConcentrations) {
    sim::SimState state = sim::DefaultSimState();
    state.gases[1].autoCal = 20.9f;
    state.gases[2].autoCal = 10;
    state.gases[2].spanFails = true;
    RunBench b(state);
    CalibrationRun run(b.s.link, kCtlRunStyle);
    InstrumentModel after = b.s.model;
    const ChannelFlags listed{false, true, true, false, false};
    EXPECT_FALSE(run.record(listed, b.s.model, after, b.s.model).has_value());

    InstrumentModel cal = b.s.model;
    cal.setAutoCalib(1, 20);  // typed in the window, never written to the instrument
    b.s.host.setLocalDateTime(*MakeOleDate(2026, 12, 8, 9, 30, 0));
    ASSERT_TRUE(run.span(cal, listed, &after).taken);
    const auto event = run.record(listed, b.s.model, after, cal);
    ASSERT_TRUE(event.has_value());
    EXPECT_EQ(event->kind, RecordKind::Span);
    EXPECT_FALSE(event->success);
    ASSERT_EQ(event->channels.size(), 2u);
    EXPECT_EQ(event->channels[0].channel, 1);
    EXPECT_EQ(event->channels[0].result, "OK");
    EXPECT_DOUBLE_EQ(event->channels[0].concentration, 20.0);
    EXPECT_EQ(event->channels[1].channel, 2);
    EXPECT_EQ(event->channels[1].result, "NG");
    EXPECT_DOUBLE_EQ(event->channels[1].concentration, 10.0);
    EXPECT_GT(event->channels[0].history.date, event->channels[0].historyBefore.date);
    EXPECT_NEAR(event->pcTime, *MakeOleDate(2026, 12, 8, 9, 30, 0), 1.0 / 86400);

    ASSERT_TRUE(run.zero(&after).taken);
    const ChannelFlags all{true, true, true, true, true};
    const auto zero = run.record(all, b.s.model, after, cal);
    ASSERT_TRUE(zero.has_value());
    EXPECT_EQ(zero->kind, RecordKind::Zero);
    EXPECT_TRUE(zero->success);
    ASSERT_EQ(zero->channels.size(), 5u);
    for (const ChannelRecord& channel : zero->channels) {
        EXPECT_EQ(channel.result, "OK");
        EXPECT_EQ(channel.concentration, 0.0);
    }
}

TEST(CalibrationRun, ListedResultsKeepOnlyTheListedChannelsInOrder) {
    const ListedResults none = ListedResultsOf({}, {true, true, true, true, true});
    EXPECT_TRUE(none.channels.empty());
    const ListedResults some =
        ListedResultsOf({true, false, true, false, true}, {false, true, true, true, false});
    EXPECT_EQ(some.channels, (std::vector<int>{0, 2, 4}));
    EXPECT_EQ(some.results, (std::vector<std::string>{"NG", "OK", "NG"}));
}

}  // namespace
}  // namespace vq::test
