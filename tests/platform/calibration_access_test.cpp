// What the calibration window and the progress window do through their narrow doors: every step
// sends what the link's own call sends, against the virtual instrument on the virtual clock,
// and the instrument ends in the same state; the readings poll, the bound model, Cancel, the
// resend count and the user's stop reach the link.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "model/ole_date.h"
#include "platform/calibration_access.h"
#include "platform/transfer_watch.h"
#include "tests/support/connected_sim_link.h"

namespace vq::test {
namespace {

using Millis = EventHost::Millis;

TEST(CalibrationAccess, EachStepSendsWhatTheLinkSendsAndLeavesTheSameInstrument) {
    struct Case {
        const char* name;
        std::function<bool(CalibrationAccess&, InstrumentModel&)> viaAccess;
        std::function<bool(InstrumentLink&, InstrumentModel&)> viaLink;
    };
    const std::vector<Case> cases = {
        {"gases", [](CalibrationAccess& a, InstrumentModel& m) { return a.readGases(m); },
         [](InstrumentLink& l, InstrumentModel& m) { return l.operations().GetGasInfo(&m); }},
        {"concentrations",
         [](CalibrationAccess& a, InstrumentModel& m) { return a.readConcentrations(m); },
         [](InstrumentLink& l, InstrumentModel& m) {
             return l.operations().GetAutoCalReadings(&m);
         }},
        {"range mode read",
         [](CalibrationAccess& a, InstrumentModel& m) { return a.readRangeMode(m); },
         [](InstrumentLink& l, InstrumentModel& m) { return l.operations().ReadHcMode(&m); }},
        {"range mode written",
         [](CalibrationAccess& a, InstrumentModel& m) {
             m.setHcMode(2);
             return a.writeRangeMode(m);
         },
         [](InstrumentLink& l, InstrumentModel& m) {
             m.setHcMode(2);
             return l.operations().WriteHcMode(&m);
         }},
        {"N2 calibration",
         [](CalibrationAccess& a, InstrumentModel&) { return a.calibrateN2(" 20.9"); },
         [](InstrumentLink& l, InstrumentModel&) { return l.calibration().OxygenCal(" 20.9"); }},
        {"range calibration ended",
         [](CalibrationAccess& a, InstrumentModel&) { return a.endRangeCalibration(); },
         [](InstrumentLink& l, InstrumentModel&) { return l.operations().EndSettingsWrite(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ConnectedSimLink viaAccess;
        ConnectedSimLink viaLink;
        CalibrationAccess access(viaAccess.s.link);
        InstrumentModel a;
        InstrumentModel l;
        EXPECT_TRUE(c.viaAccess(access, a));
        EXPECT_TRUE(c.viaLink(viaLink.s.link, l));
        EXPECT_FALSE(viaAccess.s.port.payloads().empty());
        EXPECT_EQ(viaAccess.s.port.payloads(), viaLink.s.port.payloads());
        EXPECT_EQ(viaAccess.s.instrument.state().gases[1].autoCal,
                  viaLink.s.instrument.state().gases[1].autoCal);
        for (int ch = 0; ch < 5; ++ch) {
            EXPECT_EQ(a.GasName(ch), l.GasName(ch)) << ch;
            EXPECT_EQ(a.AutoCalib(ch), l.AutoCalib(ch)) << ch;
        }
        EXPECT_EQ(a.HcMode(), l.HcMode());
    }
}

TEST(CalibrationAccess, PollBindingCancelClockAndFolderReachTheLink) {
    ConnectedSimLink b;
    CalibrationAccess access(b.s.link);
    EXPECT_FALSE(access.readingsPolled());
    InstrumentModel own;
    InstrumentModel* before = access.boundModel();
    access.bindModel(&own);
    EXPECT_EQ(b.s.link.Instrument(), &own);
    access.pollReadings(true);
    EXPECT_TRUE(b.s.link.calibration().RunReadings());
    b.s.host.runFor(Millis{2500});
    access.pollReadings(false);
    EXPECT_FALSE(access.readingsPolled());
    const auto sent = b.s.port.payloads();
    EXPECT_GE(std::count(sent.begin(), sent.end(), "DN,R,"), 2);
    access.bindModel(before);
    EXPECT_EQ(access.boundModel(), before);

    b.s.link.setCancel(true);
    access.clearCancel();
    EXPECT_FALSE(b.s.link.Cancel());

    EXPECT_DOUBLE_EQ(access.secondsNow(), static_cast<double>(b.s.host.now().count()) / 1000.0);
    b.s.host.setLocalDateTime(*MakeOleDate(2026, 12, 8, 9, 45, 0));
    EXPECT_DOUBLE_EQ(access.localDateTime(), *MakeOleDate(2026, 12, 8, 9, 45, 0));
    EXPECT_EQ(access.workDir(), b.s.link.WorkDir());
    EXPECT_FALSE(access.workDir().empty());

    // The window's runs are made its way: the span start line is in the log.
    InstrumentModel after = b.s.model;
    CalibrationRun run = access.run();
    ASSERT_TRUE(run.span(b.s.model, {true, false, false, false, false}, &after).taken);
    bool started = false;
    for (const std::string& line : b.s.logLines())
        started = started || line.find("---Calibration Upload Started---") != std::string::npos;
    EXPECT_TRUE(started);
}

// The resends since the window opened, and the user's stop: Cancel and one log line. Without a
// link the watch counts nothing and stops nothing.
TEST(TransferWatch, CountsResendsSinceItWasMadeAndStopsTheLinkOnce) {
    ConnectedSimLink b;
    b.s.link.setRetry(3);
    // The instrument's first answer to the read is lost: the link sends the frame again.
    int lost = 0;
    b.s.port.rewrite = [&](std::string bytes) {
        if (lost == 0 && bytes.find("SO,R") != std::string::npos) {
            ++lost;
            return std::string();
        }
        return bytes;
    };
    ASSERT_TRUE(b.s.link.operations().GetLatestHistory(&b.s.model));
    ASSERT_GT(b.s.link.ResendCount(), 0);
    TransferWatch watch(&b.s.link);
    EXPECT_TRUE(watch.attached());
    EXPECT_EQ(watch.resendsSinceStart(), 0);
    lost = 0;
    ASSERT_TRUE(b.s.link.operations().GetLatestHistory(&b.s.model));
    EXPECT_EQ(watch.resendsSinceStart(), 1);

    watch.stop("= User Cancel =");
    EXPECT_TRUE(b.s.link.Cancel());
    const auto log = b.s.logLines();
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const std::string& line) {
                                return line.find("= User Cancel =") != std::string::npos;
                            }),
              1);
    b.s.link.setCancel(false);

    TransferWatch none(nullptr);
    EXPECT_FALSE(none.attached());
    EXPECT_EQ(none.resendsSinceStart(), 0);
    none.stop("= User Cancel =");  // nothing to stop, and nothing breaks
}

}  // namespace
}  // namespace vq::test
