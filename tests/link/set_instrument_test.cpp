// The settings write through the real link on the virtual clock: the link's reply decoder judges
// every reply against the model being written, rejected and missing replies are resent by the
// link, the first failure ends the run, and against the virtual instrument a write is found
// again by a fresh read-all.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "link/link_status.h"
#include "link/write_failure_text.h"
#include "model/instrument.h"
#include "protocol/frame.h"
#include "protocol/settings_write.h"
#include "tests/support/link_harness.h"
#include "tests/support/sim_link.h"

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
    InstrumentModel model;
};

TEST_F(SetInstrumentScripted, RejectedWriteIsResentThenStopsEverythingAfterIt) {
    model.setUserID("TECH");
    model.setAlarmMode(1);
    model.setDispCalLimit(1);
    model.setStationList(3, "GATE 3");
    h.script.answer("XZ,W,", Reply("XZ,W,TECH            "));
    h.script.answer("AP,W,", Reply("AP,W,3"));  // the instrument kept another mode
    h.script.answer("SD,W,", Reply("SD,W,1"));
    h.script.answer("XZ,R,", Reply("XZ,R,TECH            "));
    h.script.answer("AP,R,", Reply("AP,R,3"));

    const Millis start = h.host.now();
    const SettingsWriteResult result = h.link.WriteSettings(&model);

    EXPECT_FALSE(result.allWritesOk);
    EXPECT_TRUE(result.anyWriteDone);
    // What was acknowledged before the stop is read back, and so is the write answered with
    // another value: the instrument holds that value.
    EXPECT_EQ(h.sent(), (std::vector<std::string>{"XZ,W,TECH            ", "AP,W,1", "AP,W,1",
                                                  "AP,W,1", "XZ,R,", "AP,R,"}));
    EXPECT_EQ(result.confirmed, std::vector<std::string>{"XZ"});
    ASSERT_TRUE(result.held);
    EXPECT_EQ(result.held->AlarmMode(), 3);
    EXPECT_LT(h.host.now() - start, Millis{1000});  // rejected replies fail without a time-out
    EXPECT_FALSE(model.isChanged(SettingId::UserID));
    EXPECT_TRUE(model.isChanged(SettingId::AlarmMode) && model.isChanged(SettingId::DispCalLimit) &&
                model.isChanged(SettingId::StationList, 3));

    const auto lines = h.logLines();
    EXPECT_TRUE(anyLineStarts(lines, "---Instrument Upload Started---. Date = 2026/01/01 "));
    EXPECT_TRUE(anyLineStarts(lines, "---Instrument Upload Failed---. Date = 2026/01/01 "));
    EXPECT_FALSE(anyLineStarts(lines, "---Instrument Upload Finished---"));
}

TEST_F(SetInstrumentScripted, SilentInstrumentFailsTheWriteAfterItsTimeOuts) {
    model.setAlarmMode(2);
    h.script.silent("AP,W,");
    h.alignToTick();
    EXPECT_FALSE(h.link.WriteSettings(&model).succeeded());
    EXPECT_EQ(h.sent(), (std::vector<std::string>{"AP,W,2", "AP,W,2", "AP,W,2"}));
    // Sent once, resent twice at the 2 s time-out, failed one time-out after the last resend.
    const std::vector<Millis> times = h.script.writeTimes();
    ASSERT_EQ(times.size(), 3u);
    EXPECT_EQ(times[1] - times[0], Millis{2000});
    EXPECT_EQ(times[2] - times[1], Millis{2000});
    EXPECT_EQ(h.host.now() - times[2], Millis{2000});
    EXPECT_TRUE(model.isChanged(SettingId::AlarmMode));
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
    h.script.answer("A1,R,", Reply("A1,R,   10,*****,*****,*****,*****"));
    h.script.answer("A2,R,", Reply("A2,R, 20.0,*****,*****,*****,*****"));

    const SettingsWriteResult result = h.link.WriteSettings(&model);

    // "   10" is the level sent in another layout: the frames differ, so it goes three times,
    // but the instrument holds what was sent and the run goes on; the read-back finds both
    // lists held as values and clears their flags.
    EXPECT_TRUE(result.succeeded());
    EXPECT_FALSE(result.levelsUnconfirmed);
    EXPECT_EQ(h.sent(), (std::vector<std::string>{warnings, alarms, warnings, warnings, "DW,W,",
                                                  "A1,R,", "A2,R,"}));
    EXPECT_FALSE(model.isChanged(SettingId::Warning, 0));
    EXPECT_FALSE(model.isChanged(SettingId::Alarm, 0));
    const auto lines = h.logLines();
    EXPECT_TRUE(anyLineStarts(lines, "---Instrument Upload Finished---. Date = 2026/01/01 "));
    EXPECT_TRUE(anyLineStarts(lines, "---Instrument Read-back: every setting written is held"));
    EXPECT_FALSE(anyLineStarts(lines, "---Instrument Upload Failed---"));
}

TEST_F(SetInstrumentScripted, NoModelSendsNothingAndLogsTheFailure) {
    EXPECT_FALSE(h.link.WriteSettings(nullptr).succeeded());
    EXPECT_TRUE(h.sent().empty());
    const auto lines = h.logLines();
    EXPECT_FALSE(anyLineStarts(lines, "---Instrument Upload Started---"));
    EXPECT_TRUE(anyLineStarts(lines, "---Instrument Upload Failed---"));
}

// ---- Against the virtual instrument ----

TEST(SetInstrumentOnVirtualInstrument, ManyFlagsWrittenAreFoundByAFreshRead) {
    test::SimLink s;
    ASSERT_TRUE(s.connect());
    InstrumentModel model;
    ASSERT_TRUE(s.link.reads().GetInstrument(&model));

    model.setSpecNo("TYPE-9");
    model.setUserID("NIGHT SHIFT");
    model.setStationID("TANK FARM");
    model.setSerialNo("VQ51-000123");
    model.setGasEnabled(3, false);
    model.setLS_Name(1, "PROPANE");
    model.setLS_Ratio(1, 1.75f);
    model.setAlarmMode(1);
    model.setDispCalLimit(1);
    model.setConfirmation(1);
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

    ASSERT_TRUE(s.link.WriteSettings(&model).succeeded());
    const auto lines = s.logLines();
    ASSERT_GE(lines.size(), 2u);  // the last line ends in CR LF: an empty line follows it
    EXPECT_TRUE(anyLineStarts(lines, "---Instrument Upload Finished---"));
    EXPECT_EQ(lines[lines.size() - 2].rfind("---Instrument Read-back: every setting", 0), 0u);
    EXPECT_FALSE(model.isChanged(SettingId::Warning, 2) || model.isChanged(SettingId::Alarm, 2) ||
                 model.isChanged(SettingId::AutoCalib, 1) ||
                 model.isChanged(SettingId::StationList, 0x2A) ||
                 model.isChanged(SettingId::Confirmation));
    // Group writes keep their flags until a read has confirmed them: the read-back has.
    EXPECT_FALSE(model.isChanged(SettingId::BumpThreshold) || model.isChanged(SettingId::LcBuzzer));

    InstrumentModel readBack;
    ASSERT_TRUE(s.link.reads().GetInstrument(&readBack));
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
    EXPECT_EQ(readBack.Confirmation(), 1);
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

// The answer frame `bytes` with its body replaced when it answers `key`.
std::string answerOf(const std::string& bytes, const std::string& key, const std::string& body) {
    if (bytes.find(key) == std::string::npos) return bytes;
    return BuildFrame(body, EOT);
}

// A write counts only when the instrument holds what was sent. The virtual instrument keeps its
// own value for one it does not take and answers with it; a rewritten answer stands for an
// instrument that refuses or stores something else. Each run fails, names the setting with both
// values, stops before "DW,W,", and a fresh read finds the instrument as it was.
TEST(SetInstrumentOnVirtualInstrument, AWriteTheInstrumentDidNotTakeFailsNamingBothValues) {
    struct Case {
        const char* name;
        std::function<void(InstrumentModel&)> edit;
        std::function<std::string(std::string)> rewrite;
        WriteFailure expected;
        const char* shown;  // in the line the user reads
    };
    const std::string nak(1, NAK);
    const Case cases[] = {
        {"bump group out of range",
         [](InstrumentModel& m) {
             m.setBumpTime(9);
             m.setBumpThreshold(9);
             m.setBumpFailCalTime(9);
             m.setBumpFailAfter(9);
         },
         nullptr,
         {WriteFailure::Kind::Differs, "BU", "9,9,9,9", "2,1,0,1"},
         "sent 9,9,9,9, the instrument holds 2,1,0,1"},
        {"backlight group out of range",
         [](InstrumentModel& m) { m.setLcBhMode(9); },
         nullptr,
         {WriteFailure::Kind::Differs, "WB", "9,0,0", "0,0,0"},
         "sent 9,0,0, the instrument holds 0,0,0"},
        {"HC mode out of range",
         [](InstrumentModel& m) { m.setHcMode(99); },
         nullptr,
         {WriteFailure::Kind::Differs, "LP", "99", "0"},
         "sent 99, the instrument holds 0."},
        {"backlight time FFFF",
         [](InstrumentModel& m) { m.setLcdBackLight(-1); },
         nullptr,
         {WriteFailure::Kind::Differs, "XT", "FFFF", "001E"},
         "sent FFFF, the instrument holds 001E"},
        {"station refused",
         [](InstrumentModel& m) { m.setStationID("NEWSTATION"); },
         [nak](std::string bytes) { return answerOf(bytes, "XS,W", "XS,W," + nak); },
         {WriteFailure::Kind::Refused, "XS", "****,NEWSTATION      ", ""},
         "refused by the instrument (sent ****,NEWSTATION)"},
        {"bump group refused",
         [](InstrumentModel& m) { m.setBumpTime(3); },
         [nak](std::string bytes) { return answerOf(bytes, "BU,W", "BU,W," + nak); },
         {WriteFailure::Kind::Refused, "BU", "3,1,0,1", ""},
         "refused by the instrument (sent 3,1,0,1)"},
        {"warning answered with another level three times",
         [](InstrumentModel& m) { m.setWarning(2, 6); },
         [](std::string bytes) {
             return answerOf(bytes, "A1,W", "A1,W,   10, 19.5,  7.0,   25,   50");
         },
         {WriteFailure::Kind::Differs, "A1", "   10, 19.5,  6.0,   25,   50",
          "   10, 19.5,  7.0,   25,   50"},
         "sent 10,19.5,6.0,25,50, the instrument holds 10,19.5,7.0,25,50"},
        {"STEL answered with another level",
         [](InstrumentModel& m) { m.setStel(2, 7); },
         [](std::string bytes) {
             return answerOf(bytes, "AS,W", "AS,W,*****,*****, 29.9,  200,*****");
         },
         {WriteFailure::Kind::Differs, "AS", "*****,*****,  7.0,  200,*****",
          "*****,*****, 29.9,  200,*****"},
         "sent *****,*****,7.0,200,*****, the instrument holds *****,*****,29.9,200,*****"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::SimLink s;
        ASSERT_TRUE(s.connect(2, 2));
        InstrumentModel before;
        ASSERT_TRUE(s.link.reads().GetInstrument(&before));
        InstrumentModel model = before;
        model.ClearChangeFlags();
        c.edit(model);
        s.port.frames.clear();
        s.port.rewrite = c.rewrite;

        const SettingsWriteResult result = s.link.WriteSettings(&model);

        EXPECT_FALSE(result.succeeded());
        ASSERT_TRUE(result.failure);
        EXPECT_EQ(result.failure->kind, c.expected.kind);
        EXPECT_EQ(result.failure->code, c.expected.code);
        EXPECT_EQ(result.failure->sent, c.expected.sent);
        EXPECT_EQ(result.failure->answered, c.expected.answered);
        const auto payloads = s.port.payloads();
        EXPECT_EQ(std::count(payloads.begin(), payloads.end(), "DW,W,"), 0);
        const std::string text = WriteFailureText(*result.failure);
        EXPECT_NE(text.find("\"" + c.expected.code + "\""), std::string::npos) << text;
        EXPECT_NE(text.find(c.shown), std::string::npos) << text;

        s.port.rewrite = nullptr;
        InstrumentModel after;
        ASSERT_TRUE(s.link.reads().GetInstrument(&after));
        if (c.rewrite == nullptr) {
            EXPECT_EQ(after.BumpTime(), before.BumpTime());
            EXPECT_EQ(after.LcBhMode(), before.LcBhMode());
            EXPECT_EQ(after.HcMode(), before.HcMode());
            EXPECT_EQ(after.LcdBackLight(), before.LcdBackLight());
        }
    }
}

TEST(SetInstrumentOnVirtualInstrument, WhatTheReadBackConfirmedIsNotWrittenAgain) {
    test::SimLink s;
    ASSERT_TRUE(s.connect());
    InstrumentModel model;
    ASSERT_TRUE(s.link.reads().GetInstrument(&model));
    s.port.frames.clear();
    model.setHcMode(1);
    model.setCalCheck(1);
    ASSERT_TRUE(s.link.WriteSettings(&model).succeeded());
    EXPECT_EQ(s.port.payloads(),
              (std::vector<std::string>{"LP,W,1", "SM,W,1", "DW,W,", "SM,R,", "LP,R,"}));

    // "LP,W," keeps its flag after its write until a read confirms it; the read-back did, so a
    // second run has nothing to write and sends nothing.
    EXPECT_FALSE(model.isChanged(SettingId::HcMode) || model.isChanged(SettingId::CalCheck));
    s.port.frames.clear();
    EXPECT_FALSE(s.link.WriteSettings(&model).succeeded());
    EXPECT_TRUE(s.port.payloads().empty());
}

}  // namespace
}  // namespace vq
