// The settings write through the real link on the virtual clock: the link's reply decoder judges
// every reply against the model being written, rejected and missing replies are resent by the
// link, the first failure ends the run, and against the virtual instrument a write is found
// again by a fresh read-all.

#include <gtest/gtest.h>

#include <algorithm>

#include "link/link_status.h"
#include "model/instrument.h"
#include "protocol/frame.h"
#include "protocol/settings_write.h"
#include "tests/link/sim_link.h"
#include "tests/support/link_harness.h"

namespace vq {
namespace {

using Millis = EventHost::Millis;
using test::Reply;

bool anyLineStarts(const std::vector<std::string>& lines, const std::string& prefix) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return line.rfind(prefix, 0) == 0; });
}

// ---- Against a scripted instrument ----

class SetInstrumentScripted : public ::testing::Test {
  protected:
    void SetUp() override { h.connect(2, 2); }

    test::LinkHarness h;
    clsInstrument model;
};

TEST_F(SetInstrumentScripted, RejectedWriteIsResentThenStopsEverythingAfterIt) {
    model.setUserID("TECH");
    model.setAlarmMode(1);
    model.setDispCalLimit(1);
    model.setStationList(3, "GATE 3");
    h.script.answer("XZ,W,", Reply("XZ,W,TECH            "));
    h.script.answer("AP,W,", Reply("AP,W,3"));  // the instrument kept another mode
    h.script.answer("SD,W,", Reply("SD,W,1"));

    const Millis start = h.host.now();
    const SettingsWriteResult result = h.link.WriteSettings(&model);

    EXPECT_FALSE(result.allWritesOk);
    EXPECT_TRUE(result.anyWriteDone);
    EXPECT_EQ(h.sent(),
              (std::vector<std::string>{"XZ,W,TECH            ", "AP,W,1", "AP,W,1", "AP,W,1"}));
    EXPECT_EQ(h.link.Status(), link_status::Failed);
    EXPECT_LT(h.host.now() - start, Millis{1000});  // rejected replies fail without a time-out
    EXPECT_FALSE(model.Change_UserID);
    EXPECT_TRUE(model.Change_AlarmMode && model.Change_DispCalLimit && model.Change_StationList[3]);

    const auto lines = h.logLines();
    EXPECT_TRUE(anyLineStarts(lines, "---Instrument Upload Started---. Date = 2026/01/01 "));
    EXPECT_TRUE(anyLineStarts(lines, "---Instrument Upload Failed---. Date = 2026/01/01 "));
    EXPECT_FALSE(anyLineStarts(lines, "---Instrument Upload Finished---"));
}

TEST_F(SetInstrumentScripted, SilentInstrumentFailsTheWriteAfterItsTimeOuts) {
    model.setAlarmMode(2);
    h.script.silent("AP,W,");
    h.alignToTick();
    EXPECT_FALSE(h.link.SetInstrument(&model));
    EXPECT_EQ(h.sent(), (std::vector<std::string>{"AP,W,2", "AP,W,2", "AP,W,2"}));
    // Sent once, resent twice at the 2 s time-out, failed one time-out after the last resend.
    const std::vector<Millis> times = h.script.writeTimes();
    ASSERT_EQ(times.size(), 3u);
    EXPECT_EQ(times[1] - times[0], Millis{2000});
    EXPECT_EQ(times[2] - times[1], Millis{2000});
    EXPECT_EQ(h.host.now() - times[2], Millis{2000});
    EXPECT_TRUE(model.Change_AlarmMode);
    EXPECT_TRUE(anyLineStarts(h.logLines(), "---Instrument Upload Failed---"));
}

TEST_F(SetInstrumentScripted, LevelListAnsweredWithOtherLevelsIsSentThreeTimes) {
    model.setGasPoint(0, 1);
    model.setWarning(0, 10);
    model.setAlarm(0, 20);
    const std::string warnings = "A1,W, 10.0,*****,*****,*****,*****";
    const std::string alarms = "A2,W, 20.0,*****,*****,*****,*****";
    h.script.answer("A1,W,", Reply("A1,W,   10,*****,*****,*****,*****"));
    h.script.answer("A2,W,", Reply(alarms));
    h.script.answer("DW,W,", Reply(std::string("DW,W,") + ACK));

    const SettingsWriteResult result = h.link.WriteSettings(&model);

    EXPECT_TRUE(result.succeeded());
    EXPECT_TRUE(result.levelsUnconfirmed);
    EXPECT_EQ(h.sent(), (std::vector<std::string>{warnings, alarms, warnings, warnings, "DW,W,"}));
    EXPECT_TRUE(model.Change_Warn[0]);
    EXPECT_FALSE(model.Change_Alarm[0]);
    const auto lines = h.logLines();
    EXPECT_TRUE(anyLineStarts(lines, "---Instrument Upload Finished---. Date = 2026/01/01 "));
    EXPECT_FALSE(anyLineStarts(lines, "---Instrument Upload Failed---"));
}

TEST_F(SetInstrumentScripted, NoModelSendsNothingAndLogsTheFailure) {
    EXPECT_FALSE(h.link.SetInstrument(nullptr));
    EXPECT_TRUE(h.sent().empty());
    const auto lines = h.logLines();
    EXPECT_FALSE(anyLineStarts(lines, "---Instrument Upload Started---"));
    EXPECT_TRUE(anyLineStarts(lines, "---Instrument Upload Failed---"));
}

// ---- Against the virtual instrument ----

TEST(SetInstrumentOnVirtualInstrument, ManyFlagsWrittenAreFoundByAFreshRead) {
    test::SimLink s;
    ASSERT_TRUE(s.connect());
    clsInstrument model;
    ASSERT_TRUE(s.link.GetInstrument(&model));

    model.setSpecNo("TYPE-9");
    model.setUserID("NIGHT SHIFT");
    model.setStationID("TANK FARM");
    model.setSerialNo("VQ51-000123");
    model.setGasEnabled(3, false);
    model.setLS_Name(1, "PROPANE");
    model.setLS_Ratio(1, 1.75f);
    model.setAlarmMode(1);
    model.setDispCalLimit(1);
    model.setConfirmation(12);
    model.setLcdBackLight(45);
    model.setBumpThreshold(3);
    model.setLcBuzzer(1);
    model.setAlarmO2(0);
    model.setWarning(2, 7);
    model.setAlarm(2, 12);
    model.setAutoCalib(1, 19);
    model.setStel(2, 14);
    model.setTwa(2, noValue);
    model.setCalLimit(90);
    model.setIntervals(300);
    model.setSpecType("1");
    model.setAutoZero(1);
    model.setStationList(0x2A, "PUMP HOUSE");

    ASSERT_TRUE(s.link.SetInstrument(&model));
    const auto lines = s.logLines();
    ASSERT_GE(lines.size(), 2u);  // the finish line ends in CR LF: an empty line follows it
    EXPECT_EQ(lines[lines.size() - 2].rfind("---Instrument Upload Finished---", 0), 0u);
    EXPECT_FALSE(model.Change_Warn[2] || model.Change_Alarm[2] || model.Change_AutoCal[1] ||
                 model.Change_StationList[0x2A] || model.Change_Confirmation);
    // Group writes keep their flags until a read has confirmed them.
    EXPECT_TRUE(model.Change_BumpThreshold && model.Change_LcBuzzer);

    clsInstrument readBack;
    ASSERT_TRUE(s.link.GetInstrument(&readBack));
    EXPECT_EQ(readBack.SpecNo(), "TYPE-9");
    EXPECT_EQ(readBack.UserID(), "NIGHT SHIFT");
    EXPECT_EQ(readBack.StationID(), "TANK FARM");
    EXPECT_EQ(readBack.SerialNo(), "VQ51-000123");
    EXPECT_FALSE(readBack.GasEnabled(3));
    EXPECT_EQ(readBack.GasName(2), model.GasName(2));
    EXPECT_EQ(readBack.LS_Name(1), "PROPANE   ");  // stored at its field width
    EXPECT_EQ(readBack.LS_Ratio(1), 1.75f);
    EXPECT_EQ(readBack.AlarmMode(), 1);
    EXPECT_EQ(readBack.DispCalLimit(), 1);
    EXPECT_EQ(readBack.Confirmation(), 12);
    EXPECT_EQ(readBack.LcdBackLight(), 45);
    EXPECT_EQ(readBack.BumpThreshold(), 3);
    EXPECT_EQ(readBack.LcBuzzer(), 1);
    EXPECT_EQ(readBack.AlarmO2(), 0);
    EXPECT_EQ(readBack.Warning(2), 7);
    EXPECT_EQ(readBack.Alarm(2), 12);
    EXPECT_EQ(readBack.AutoCalib(1), 19);
    EXPECT_EQ(readBack.Stel(2), 14);
    EXPECT_EQ(readBack.Twa(2), noValue);
    EXPECT_EQ(readBack.CalLimit(), 90);
    EXPECT_EQ(readBack.Intervals(), 300);
    EXPECT_EQ(readBack.SpecType(), "1");
    EXPECT_EQ(readBack.AutoZero(), 1);
    EXPECT_EQ(readBack.StationList(0x2A), "PUMP HOUSE      ");
    EXPECT_EQ(readBack.StationList(0x2B), model.StationList(0x2B));
}

TEST(SetInstrumentOnVirtualInstrument, SecondRunWritesOnlyWhatIsStillFlagged) {
    test::SimLink s;
    ASSERT_TRUE(s.connect());
    clsInstrument model;
    ASSERT_TRUE(s.link.GetInstrument(&model));
    s.port.frames.clear();
    model.setHcMode(1);
    model.setCalCheck(1);
    ASSERT_TRUE(s.link.SetInstrument(&model));
    EXPECT_EQ(s.port.payloads(), (std::vector<std::string>{"LP,W,1", "SM,W,1", "DW,W,"}));

    s.port.frames.clear();
    ASSERT_TRUE(s.link.SetInstrument(&model));
    // "LP,W," keeps its flag and goes again; "SM,W," was cleared by its first write.
    EXPECT_EQ(s.port.payloads(), (std::vector<std::string>{"LP,W,1", "DW,W,"}));
}

}  // namespace
}  // namespace vq
