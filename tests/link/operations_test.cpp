// The instrument operations: what each sends, how the confirmation and calibration polls are
// paced on the host's clock, the power-off cycle, and the current-reading poll. Timing is
// checked to the millisecond on the virtual clock.

#include <gtest/gtest.h>

#include "link/control_chars.h"
#include "model/ole_date.h"
#include "protocol/frame.h"
#include "protocol/settings_write.h"
#include "tests/support/link_test_access.h"
#include "tests/support/sim_link.h"

namespace vq::test {
namespace {

using Millis = EventHost::Millis;

std::string ackReply(const std::string& key) {
    return Reply(key + "," + std::string(1, ACK));
}
std::string nakReply(const std::string& key) {
    return Reply(key + "," + std::string(1, NAK));
}

// Communication-log texts with the virtual time they were written at.
struct TimedLog {
    std::vector<std::pair<Millis, std::string>> lines;
    void attach(InstrumentLink& link, VirtualHost& host) {
        link.setLogWriter(
            [this, &host](std::string_view text) { lines.emplace_back(host.now(), text); });
    }
    std::vector<Millis> timesOf(std::string_view prefix) const {
        std::vector<Millis> times;
        for (const auto& [at, text] : lines) {
            if (text.starts_with(prefix)) times.push_back(at);
        }
        return times;
    }
    bool has(std::string_view text) const {
        for (const auto& line : lines) {
            if (line.second == text) return true;
        }
        return false;
    }
};

std::vector<Millis> gaps(const std::vector<Millis>& times) {
    std::vector<Millis> out;
    for (std::size_t i = 1; i < times.size(); ++i) out.push_back(times[i] - times[i - 1]);
    return out;
}

// The write times of frames with this payload.
std::vector<Millis> writesOf(const LinkHarness& h, const std::string& payload) {
    std::vector<Millis> times;
    const auto payloads = h.script.payloads();
    const auto at = h.script.writeTimes();
    for (std::size_t i = 0; i < payloads.size(); ++i) {
        if (payloads[i] == payload) times.push_back(at[i]);
    }
    return times;
}

TEST(Operations, SingleCommandsSendTheirPayloadsAndTheInstrumentTakesThem) {
    SimLink s;
    ASSERT_TRUE(s.connect());
    const double date = *MakeOleDate(2024, 3, 5, 14, 7, 9);
    EXPECT_TRUE(s.link.operations().SetDateTime(date));
    EXPECT_TRUE(s.link.operations().SetPump(true));
    EXPECT_TRUE(s.instrument.state().pumpOn);
    EXPECT_TRUE(s.link.operations().SetPump(false));
    EXPECT_FALSE(s.instrument.state().pumpOn);
    EXPECT_TRUE(s.link.operations().SetCheckData());
    EXPECT_TRUE(s.instrument.state().checkDataWritten);
    EXPECT_TRUE(s.link.operations().EndSettingsWrite());
    ASSERT_TRUE(s.link.operations().ReadHcMode(&s.model));
    s.model.setHcMode(2);
    EXPECT_TRUE(s.link.operations().WriteHcMode(&s.model));
    EXPECT_TRUE(s.link.operations().GetAutoCalReadings(&s.model));
    EXPECT_TRUE(s.link.operations().GetLatestHistory(&s.model));
    EXPECT_EQ(s.port.payloads(),
              (std::vector<std::string>{"HC,W,240305140709", "BP,W,1", "BP,W,0", "XH,E,", "DW,W,",
                                        "LP,R,", "LP,W,2", "SA,R,", "SO,R,"}));
    // The instrument's clock now runs from the time set.
    ASSERT_TRUE(s.link.reads().GetRomNo(&s.model));
    InstrumentModel clock;
    ASSERT_TRUE(s.link.operations().ReadHcMode(&clock));
    EXPECT_EQ(clock.HcMode(), 2);

    // A date that is no date sends nothing.
    s.port.frames.clear();
    EXPECT_FALSE(s.link.operations().SetDateTime(1e12));
    EXPECT_TRUE(s.port.frames.empty());
}

TEST(Operations, ASettingsWriteIsDecodedIntoTheModelItWrites) {
    SimLink s;
    ASSERT_TRUE(s.connect());
    ASSERT_TRUE(s.link.reads().GetInstrument(&s.model));
    InstrumentModel edit = s.model;
    edit.setIntervals(30);
    edit.markChanged(SettingId::Intervals);
    s.link.setInstrument(nullptr);
    // The write replies echo the values, compared with the model being written.
    EXPECT_TRUE(s.link.WriteSettings(&edit).succeeded());
    EXPECT_EQ(s.link.Instrument(), &edit);
    EXPECT_EQ(s.instrument.state().settings.intervals, 30);
    EXPECT_FALSE(edit.isChanged(SettingId::Intervals));
}

TEST(Operations, ClearPollsItsConfirmationEveryFiveSecondsUntilAcknowledged) {
    LinkHarness h;
    h.connect();
    h.script.answer("XC,W,", ackReply("XC,W"));
    h.script.answer("XC,C,", nakReply("XC,C"), Millis{5}, 2);
    h.script.answer("XC,C,", ackReply("XC,C"));
    const Millis start = h.host.now();

    EXPECT_TRUE(h.link.operations().BodyDataClear());
    EXPECT_EQ(h.sent(), (std::vector<std::string>{"XC,W,", "XC,C,", "XC,C,", "XC,C,"}));
    // Each pause starts when the reply before it arrived (5 ms after its frame).
    const auto polls = writesOf(h, "XC,C,");
    EXPECT_EQ(polls.front() - start, Millis{5005});
    EXPECT_EQ(gaps(polls), (std::vector<Millis>{Millis{5005}, Millis{5005}}));
    const auto log = h.logLines();
    const auto started = std::find(log.begin(), log.end(), "--- Data Remove Start Sequence---");
    ASSERT_NE(started, log.end());
    EXPECT_EQ(started[1], "W : " + RenderControlChars(BuildFrame("XC,W,", EOT)));
    EXPECT_EQ(log[log.size() - 2], "--- Data Remove Finished---.");  // the text ends in CR LF
}

// A shortened pause (what vq5100ctl's test runs set) paces the polls and the power-off by
// itself, and a link left alone keeps the instrument's five seconds.
TEST(Operations, ConfirmPollAndPowerOffWaitTheirSetPause) {
    for (const Millis pause : {Millis{0}, Millis{20}, LinkOperations::kConfirmPollPause}) {
        LinkHarness h;
        if (pause != LinkOperations::kConfirmPollPause) {
            h.link.operations().setConfirmPollPause(pause);
        }
        EXPECT_EQ(h.link.operations().confirmPollPause(), pause);
        h.connect();
        h.script.answer("XC,W,", ackReply("XC,W"));
        h.script.answer("XC,C,", nakReply("XC,C"), Millis{5}, 1);
        h.script.answer("XC,C,", ackReply("XC,C"));
        const Millis start = h.host.now();
        EXPECT_TRUE(h.link.operations().BodyDataClear());
        const auto polls = writesOf(h, "XC,C,");
        ASSERT_EQ(polls.size(), 2U) << pause.count();
        EXPECT_EQ(polls.front() - start, pause + Millis{5}) << pause.count();
        EXPECT_EQ(polls.back() - polls.front(), pause + Millis{5}) << pause.count();

        // Nothing attached, so the wait is the pause alone.
        LinkHarness idle;
        if (pause != InstrumentLink::kPowerOffPause) idle.link.setPowerOffPause(pause);
        const Millis off = idle.host.now();
        EXPECT_TRUE(idle.link.BodyPowerOff());
        EXPECT_EQ(idle.host.now() - off, pause) << pause.count();
    }
}

TEST(Operations, ClearFailsAtAPollThatIsNotAnsweredAndSaysSo) {
    LinkHarness h;
    h.connect(1, 1);
    h.script.answer("XY,W,", ackReply("XY,W"));
    h.script.silent("XY,C,");
    EXPECT_FALSE(h.link.operations().PowerDataClear());
    EXPECT_EQ(h.sent(), (std::vector<std::string>{"XY,W,", "XY,C,", "XY,C,"}));  // one resend
    const auto log = h.logLines();
    EXPECT_EQ(log[log.size() - 2], "--- Data Remove Failed---.");
}

TEST(Operations, ClearThatIsNeverConfirmedGivesUpAfterTheLimit) {
    LinkHarness h;
    h.connect();
    h.script.answer("XC,W,", ackReply("XC,W"));
    h.script.answer("XC,C,", nakReply("XC,C"));
    const Millis start = h.host.now();
    EXPECT_FALSE(h.link.operations().BodyDataClear());
    EXPECT_EQ(writesOf(h, "XC,C,").size(),
              static_cast<std::size_t>(LinkOperations::kConfirmPollLimit));
    EXPECT_LT(h.host.now() - start, Millis{11 * 60 * 1000});
}

TEST(Operations, CancelDuringTheConfirmationPauseEndsTheClear) {
    LinkHarness h;
    h.connect();
    h.script.answer("XC,W,", ackReply("XC,W"));
    h.script.answer("XC,C,", ackReply("XC,C"));
    const Millis start = h.host.now();
    h.host.callLater(Millis{2000}, [&] { h.link.setCancel(true); });
    EXPECT_FALSE(h.link.operations().BodyDataClear());
    EXPECT_EQ(h.host.now() - start, Millis{2000});
    EXPECT_EQ(h.sent(), std::vector<std::string>{"XC,W,"});
}

TEST(Operations, ClearFromTheInstrumentAndDefaultsPolledAsReads) {
    SimLink s;
    ASSERT_TRUE(s.connect());
    TimedLog log;
    log.attach(s.link, s.host);
    EXPECT_TRUE(
        s.link.operations().BodyDataClear());  // the instrument takes 6 s: polls at 5 s and 10 s
    EXPECT_EQ(s.port.payloads(), (std::vector<std::string>{"XC,W,", "XC,C,", "XC,C,"}));

    s.port.frames.clear();
    std::vector<std::int32_t> pollStatus;
    s.port.rewrite = [&](std::string bytes) {
        if (bytes.find("UX,C") != std::string::npos) pollStatus.push_back(s.link.Status());
        return bytes;
    };
    EXPECT_TRUE(s.link.operations().DefaultInstrument());
    EXPECT_EQ(s.port.payloads(), (std::vector<std::string>{"UX,W,", "UX,C,", "UX,C,"}));
    EXPECT_EQ(pollStatus,
              (std::vector<std::int32_t>{link_status::AwaitRead, link_status::AwaitRead}));
    EXPECT_TRUE(log.has("DEFAULT finished"));
}

TEST(Operations, ZeroCalibrationPollsEverySecondThroughBusyRepliesToTheResult) {
    LinkHarness h;
    h.connect();
    h.script.answer("SZ,W,", ackReply("SZ,W"));
    h.script.answer("SZ,C,", Reply(std::string("SZ,C,") + SUB), Millis{5}, 2);
    h.script.answer("SZ,C,", Reply("SZ,C,00100"));

    EXPECT_TRUE(h.link.calibration().ZeroCal("11111"));
    EXPECT_EQ(h.sent(), (std::vector<std::string>{"SZ,W,11111", "SZ,C,", "SZ,C,", "SZ,C,"}));
    EXPECT_EQ(gaps(writesOf(h, "SZ,C,")), (std::vector<Millis>{Millis{1005}, Millis{1005}}));
    EXPECT_EQ(h.link.calibration().zeroResult(), "00100");
    EXPECT_TRUE(h.link.calibration().ZeroStatus(0));
    EXPECT_TRUE(h.link.calibration().ZeroStatus(1));
    EXPECT_FALSE(h.link.calibration().ZeroStatus(2));
    EXPECT_TRUE(h.link.calibration().ZeroStatus(4));
    EXPECT_FALSE(h.link.calibration().ZeroStatus(5));
    EXPECT_FALSE(h.link.calibration().ZeroStatus(-1));
}

TEST(Operations, ACalibrationThatIsRefusedIsNeverResentAndLeavesNoResult) {
    LinkHarness h;
    h.connect(3, 1);
    h.script.answer("SZ,W,", ackReply("SZ,W"), Millis{5}, 1);
    h.script.answer("SZ,C,", Reply("SZ,C,00000"), Millis{5}, 1);
    h.script.answer("S2,W,", Reply("S2,W,00000"), Millis{5}, 1);
    ASSERT_TRUE(h.link.calibration().ZeroCal("11111"));
    ASSERT_TRUE(h.link.calibration().SpanCal("11111"));
    ASSERT_TRUE(h.link.calibration().ZeroStatus(0));
    ASSERT_TRUE(h.link.calibration().SpanStatus(0));

    // The next run's commands go unanswered.
    h.serial.farEnd().clearWritten();
    h.host.setLocalDateTime(*MakeOleDate(2026, 12, 7, 9, 30, 0));
    EXPECT_FALSE(h.link.calibration().ZeroCal("11111"));
    EXPECT_EQ(h.sent(), std::vector<std::string>{"SZ,W,11111"});
    // Time-out after 1 s, then one tick per retry.
    EXPECT_EQ(h.logLines().back(), "---Calibration Upload Failed---. Date = 2026/12/07 09:30:01");
    EXPECT_FALSE(h.link.calibration().SpanCal("11111"));
    for (int ch = 0; ch < 5; ++ch) {
        EXPECT_FALSE(h.link.calibration().ZeroStatus(ch));
        EXPECT_FALSE(h.link.calibration().SpanStatus(ch));
    }
}

TEST(Operations, ZeroCalibrationAgainstTheInstrument) {
    SimLink s;
    ASSERT_TRUE(s.connect());
    EXPECT_TRUE(s.link.calibration().ZeroCal("11111"));
    EXPECT_EQ(s.port.payloads().size(), 4u);  // the run takes 3 s: result on the third poll
    for (int ch = 0; ch < 5; ++ch) EXPECT_TRUE(s.link.calibration().ZeroStatus(ch)) << ch;
}

TEST(Operations, SpanAndOxygenStepsJudgeTheirReplies) {
    LinkHarness h;
    h.connect(0 + 3, 1);
    h.script.answer("S2,W,", Reply("S2,W,01000"));
    EXPECT_TRUE(h.link.calibration().SpanCal("01100"));
    EXPECT_TRUE(h.link.calibration().SpanStatus(0));
    EXPECT_FALSE(h.link.calibration().SpanStatus(1));

    h.script.answer("SN,W,", nakReply("SN,W"), Millis{5}, 4);
    h.script.answer("SN,W,", Reply("SN,W, 20.9"));
    h.link.setRetry(0);
    EXPECT_FALSE(h.link.calibration().OxygenCal(" 20.9"));
    EXPECT_EQ(h.link.calibration().o2Result(), "");
    EXPECT_NE(h.logLines().back().find("---Calibration Upload Failed---"), std::string::npos);
    h.link.setRetry(3);
    EXPECT_TRUE(h.link.calibration().OxygenCal(" 20.9"));  // refused three times, then a result
    EXPECT_FALSE(h.link.calibration().o2Result().empty());
}

TEST(Operations, PowerOffWithNothingAttachedReturnsTrueAfterFiveSeconds) {
    LinkHarness h;  // the port is closed, no instrument
    h.link.setRetry(3);
    h.link.setTimeout(3);
    const Millis start = h.host.now();
    EXPECT_TRUE(h.link.BodyPowerOff());
    EXPECT_EQ(h.host.now() - start, Millis{5000});
    EXPECT_FALSE(h.link.PowerOffAcked());
    EXPECT_TRUE(h.sent().empty());
    EXPECT_EQ(h.link.LinkMode(), link_mode::Offline);
    EXPECT_EQ(h.link.Status(), link_status::Ready);
    const auto log = h.logLines();
    EXPECT_EQ(log.front(), "---Auto Power OFF Start Sequence---.");
    EXPECT_EQ(log[log.size() - 2], "---Auto Power OFF Failed---.");
}

TEST(Operations, PowerOffClosesThePortAndLeavesTheInstrumentOff) {
    SimLink s;
    ASSERT_TRUE(s.connect());
    const Millis start = s.host.now();
    EXPECT_TRUE(s.link.BodyPowerOff());
    EXPECT_TRUE(s.link.PowerOffAcked());
    EXPECT_FALSE(s.port.isOpen());
    EXPECT_GE(s.host.now() - start, Millis{5000});
    EXPECT_LT(s.host.now() - start, Millis{5100});
    EXPECT_EQ(s.link.LinkMode(), link_mode::Offline);
    const auto log = s.logLines();
    EXPECT_EQ(log[log.size() - 2], "---Auto Power OFF Finished---.");
}

TEST(Operations, SilentInstrumentGetsATimeOutLineEveryTwoSecondsOfPolling) {
    LinkHarness h;
    h.connect(3, 3);
    h.script.silent("DN,R,");
    TimedLog log;
    log.attach(h.link, h.host);
    InstrumentModel model;
    h.link.setInstrument(&model);
    const Millis start = h.host.now();
    h.link.calibration().setRunReadings(true);
    EXPECT_TRUE(h.link.calibration().RunReadings());
    h.host.runFor(Millis{10500});

    const auto timeouts = log.timesOf("--- Current reading download time out.Date= ");
    ASSERT_EQ(timeouts.size(), 5u);
    EXPECT_EQ(timeouts.front() - start, Millis{2000});
    for (Millis gap : gaps(timeouts)) EXPECT_EQ(gap, Millis{2000});
    EXPECT_EQ(writesOf(h, "DN,R,").size(), 5u);  // at 1, 3, 5, 7 and 9 s; nothing resent
    h.link.calibration().setRunReadings(false);
    EXPECT_FALSE(h.link.calibration().RunReadings());
}

TEST(Operations, ReadingsFromTheInstrumentReachTheModelAndTheHost) {
    SimLink s;
    ASSERT_TRUE(s.connect());
    // What an earlier failed command left behind.
    test::LinkTestAccess::setStatus(s.link, link_status::Failed);
    s.link.setInstrument(&s.model);
    s.link.calibration().setRunReadings(true);
    s.host.runFor(Millis{3500});
    int readings = 0;
    for (const auto& e : s.events.raised) readings += e.starts_with("Densty");
    EXPECT_EQ(readings, 3);
    EXPECT_NEAR(s.model.LimitValue(1), 20.9f, 0.15f);

    // Turning the poll off waits for the poll in flight, then nothing more is sent.
    s.host.runFor(Millis{500});  // the fourth poll has just gone out
    const auto sentBefore = s.port.frames.size();
    s.link.calibration().setRunReadings(false);
    EXPECT_EQ(s.link.Status(), link_status::Done);
    s.host.runFor(Millis{5000});
    EXPECT_EQ(s.port.frames.size(), sentBefore);
}

}  // namespace
}  // namespace vq::test
