#include "protocol/settings_write.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "messages/message_ids.h"
#include "model/instrument.h"
#include "protocol/frame.h"

namespace vq {
namespace {

// A far end played from a script: every write succeeds and is echoed frame for frame unless the
// test names a payload prefix that fails or one whose reply differs from the frame sent.
class ScriptedChannel : public SettingsWriteChannel {
  public:
    struct LogLine {
        int id;
        std::vector<std::string> args;
    };

    bool sendAndWait(const std::string& payload) override {
        sent.push_back(payload);
        clock += std::chrono::milliseconds(250);
        const bool fails = startsWithAny(payload, failing);
        reply = fails && !failingReplies ? std::string() : BuildFrame(payload, EOT);
        if (!fails && startsWithAny(payload, altered)) reply = BuildFrame(payload + "0", EOT);
        for (const auto& [prefix, answer] : answers)
            if ((!fails || failingReplies) && payload.rfind(prefix, 0) == 0)
                reply = BuildFrame(answer, EOT);
        return !fails;
    }
    std::string lastReply() const override { return reply; }
    void logMessage(int id, const std::vector<std::string>& args) override {
        log.push_back({id, args});
    }
    std::string generalDateNow() const override { return "2026/12/07 08:30:00"; }
    std::chrono::milliseconds steadyNow() const override { return clock; }

    std::vector<std::string> keys() const {
        std::vector<std::string> out;
        for (const std::string& payload : sent) out.push_back(payload.substr(0, 5));
        return out;
    }
    int countOf(const std::string& prefix) const {
        return static_cast<int>(std::count_if(sent.begin(), sent.end(), [&](const std::string& p) {
            return p.rfind(prefix, 0) == 0;
        }));
    }

    std::set<std::string> failing;
    std::set<std::string> altered;
    std::vector<std::pair<std::string, std::string>> answers;  // payload prefix, reply body
    bool failingReplies = false;  // a failing write still leaves its scripted answer
    std::vector<std::string> sent;
    std::vector<LogLine> log;
    std::string reply;
    std::chrono::milliseconds clock{0};

  private:
    static bool startsWithAny(const std::string& payload, const std::set<std::string>& prefixes) {
        return std::any_of(prefixes.begin(), prefixes.end(),
                           [&](const std::string& p) { return payload.rfind(p, 0) == 0; });
    }
};

void enableGas(InstrumentModel& model, int gas, const std::string& name, float fullScale,
               float step, int point, const std::string& unit) {
    model.setGasEnabled(gas, true);
    model.setGasName(gas, name);
    model.setGasFullScale(gas, fullScale);
    model.setResolution(gas, step);
    model.setGasPoint(gas, point);
    model.setGasUnit(gas, unit);
}

// ---- Value forms ----

TEST(SettingsWriteForms, NumbersInDecHexAndBit) {
    EXPECT_EQ(DecText(2), "2");
    EXPECT_EQ(DecText(-15), "-15");
    EXPECT_EQ(DecText(0), "0");
    EXPECT_EQ(HexText4(10), "000A");
    EXPECT_EQ(HexText4(300), "012C");
    EXPECT_EQ(HexText4(-1), "FFFF");
    EXPECT_EQ(HexText4(0x12345), "2345");
    EXPECT_EQ(BitText(0), "0");
    EXPECT_EQ(BitText(5), "1");
    EXPECT_EQ(BitText(-1), "1");
}

TEST(SettingsWriteForms, DurationIsClockStyle) {
    EXPECT_EQ(DurationText(std::chrono::milliseconds(0)), "00:00:00");
    EXPECT_EQ(DurationText(std::chrono::milliseconds(3'725'900)), "01:02:05");
    EXPECT_EQ(DurationText(std::chrono::hours(30)), "30:00:00");
}

TEST(SettingsWriteForms, GasRecordsOfEnabledAndDisabledGases) {
    InstrumentModel model;
    enableGas(model, 0, "CO", 500, 1, 0, "ppm");
    EXPECT_EQ(GasRecordText(model, 0, wireTextRule),
              "CO" + std::string(9, ' ') + "  500" + "    1" + "ppm ");
    EXPECT_EQ(GasRecordText(model, 1, wireTextRule), std::string(25, '*'));

    enableGas(model, 2, "H2S-LONGNAME-X", 30, 0.1f, 1, "ppmv!");
    const std::string record = GasRecordText(model, 2, wireTextRule);
    EXPECT_EQ(record.size(), 25u);
    EXPECT_EQ(record, "H2S-LONGNAM 30.0  0.1ppmv");
}

TEST(SettingsWriteForms, LevelListsWriteEachGasWithItsDecimals) {
    InstrumentModel model;
    model.setGasPoint(0, 1);
    model.setGasPoint(1, 1);
    model.setGasPoint(2, 0);
    model.setGasPoint(3, 2);
    model.setGasPoint(4, 0);
    model.setWarning(0, -101);
    model.setWarning(1, 25);
    model.setWarning(2, 10);
    model.setWarning(3, 1.5f);
    model.setWarning(4, 100);
    EXPECT_EQ(LevelList(model, LevelKind::Warning), "*****, 25.0,   10, 1.50,  100");
}

TEST(SettingsWriteForms, LibraryEntryHasFifteenCommaTerminatedFields) {
    InstrumentModel model;
    model.setLS_Name(1, "ISOBUTANE-X");
    model.setLS_Point(1, 1);
    model.setLS_FullScale(1, 100);
    model.setLS_Digit(1, 0.5f);
    model.setLS_Unit(1, "%LEL");
    model.setLS_elem_vol(1, 0x1F4);
    model.setLS_Ratio(1, 1.0f);
    model.setLS_Linear1_a(1, 1.0);
    model.setLS_Linear2_d(1, -101.0);
    const std::string entry = LibraryEntryText(model, 1);
    EXPECT_EQ(entry.back(), ',');
    EXPECT_EQ(std::count(entry.begin(), entry.end(), ','), 15);
    const std::string head = "C9,ISOBUTANE-,100.0,  0.5,%LEL,01F4,3F800000,3F800000,";
    EXPECT_EQ(entry.substr(0, head.size()), head);
    EXPECT_EQ(entry.substr(entry.size() - 9), "C2CA0000,");
}

// ---- The run ----

TEST(SettingsWriteRun, SingleSettingIsWrittenThenClosed) {
    InstrumentModel model;
    model.setAlarmMode(2);
    ScriptedChannel channel;
    const SettingsWriteResult result = RunSettingsWrite(model, channel);
    EXPECT_EQ(channel.sent, (std::vector<std::string>{"AP,W,2", "DW,W,"}));
    EXPECT_TRUE(result.succeeded());
    EXPECT_FALSE(model.isChanged(SettingId::AlarmMode));
    ASSERT_EQ(channel.log.size(), 2u);
    EXPECT_EQ(channel.log[0].id, msg::SettingsWriteStarted);
    EXPECT_EQ(channel.log[0].args, std::vector<std::string>{"2026/12/07 08:30:00"});
    EXPECT_EQ(channel.log[1].id, msg::SettingsWriteFinished);
    EXPECT_EQ(channel.log[1].args, (std::vector<std::string>{"2026/12/07 08:30:00", "00:00:00"}));
}

TEST(SettingsWriteRun, NothingFlaggedSendsNothingAndIsNoSuccess) {
    InstrumentModel model;
    ScriptedChannel channel;
    const SettingsWriteResult result = RunSettingsWrite(model, channel);
    EXPECT_TRUE(channel.sent.empty());
    EXPECT_FALSE(result.succeeded());
    EXPECT_TRUE(result.allWritesOk);
    ASSERT_EQ(channel.log.size(), 2u);
    EXPECT_EQ(channel.log[1].id, msg::SettingsWriteFinished);
}

TEST(SettingsWriteRun, EveryFlagWritesInTheFixedOrderAndClearsOnlyWhatTheReadCannot) {
    InstrumentModel model;
    enableGas(model, 0, "CH4", 100, 1, 0, "%LEL");
    enableGas(model, 1, "O2", 25, 0.1f, 1, "vol%");
    model.SetChangeFlags(true, true);
    model.markChanged(SettingId::DummySerial);
    model.markChanged(SettingId::LS_Entry, 0);
    model.setUserID("TECHNICIAN-ID-TOO-LONG");
    model.setSpecNo("S1");
    model.setSpecType("2");
    model.setLcdBackLight(-1);
    model.setIntervals(600);
    model.setConfirmation(12);
    model.setBumpTime(3);
    model.setWarning(1, 19.5f);
    model.setStationList(10, "NORTH GATE");
    for (int n = 0; n < 256; ++n)
        if (n != 10 && n != 255) model.clearChanged(SettingId::StationList, n);

    ScriptedChannel channel;
    channel.clock = std::chrono::milliseconds(1000);
    const SettingsWriteResult result = RunSettingsWrite(model, channel);
    ASSERT_TRUE(result.succeeded());

    EXPECT_EQ(channel.keys(),
              (std::vector<std::string>{
                  "BS,W,", "XZ,W,", "XS,W,", "IN,W,", "HN,W,", "GJ,W,", "LS,W,", "LP,W,", "AP,W,",
                  "SD,W,", "SM,W,", "XB,W,", "XW,W,", "XT,W,", "UQ,W,", "AM,W,", "BU,W,", "WB,W,",
                  "AF,W,", "AT,W,", "A1,W,", "A2,W,", "SA,W,", "AS,W,", "AW,W,", "SC,W,", "XP,W,",
                  "UJ,W,", "SJ,W,", "SG,W,", "XS,W,", "XS,W,", "DW,W,"}));
    EXPECT_EQ(channel.sent[0], "BS,W,S1        ");
    EXPECT_EQ(channel.sent[1], "XZ,W,TECHNICIAN-ID-TO");
    EXPECT_EQ(channel.sent[2], "XS,W,****," + std::string(16, '-'));
    EXPECT_EQ(channel.sent[3], "IN,W," + std::string(20, '-'));
    EXPECT_EQ(channel.sent[11], "XB,W,12");
    EXPECT_EQ(channel.sent[13], "XT,W,FFFF");
    EXPECT_EQ(channel.sent[16], "BU,W,3,1,0,1");
    EXPECT_EQ(channel.sent[20], "A1,W,*****, 19.5,*****,*****,*****");
    EXPECT_EQ(channel.sent[26], "XP,W,0258");
    EXPECT_EQ(channel.sent[27], "UJ,W,2");
    EXPECT_EQ(channel.sent[30], "XS,W,000A,NORTH GATE      ");
    EXPECT_EQ(channel.sent[31], "XS,W,00FF," + std::string(16, '-'));

    // Cleared by their writes.
    EXPECT_FALSE(model.isChanged(SettingId::SpecNo) || model.isChanged(SettingId::UserID) ||
                 model.isChanged(SettingId::StationID) || model.isChanged(SettingId::SerialNo) ||
                 model.isChanged(SettingId::DummySerial));
    EXPECT_FALSE(model.isChanged(SettingId::GasEnabled, 4) ||
                 model.isChanged(SettingId::LS_Entry, 0) ||
                 model.isChanged(SettingId::LS_Entry, 1));
    EXPECT_FALSE(model.isChanged(SettingId::AlarmMode) ||
                 model.isChanged(SettingId::Confirmation) || model.isChanged(SettingId::AlarmO2));
    EXPECT_FALSE(model.isChanged(SettingId::Warning, 1) || model.isChanged(SettingId::Alarm, 4) ||
                 model.isChanged(SettingId::AutoCalib, 0));
    EXPECT_FALSE(model.isChanged(SettingId::Stel, 2) || model.isChanged(SettingId::Twa, 3) ||
                 model.isChanged(SettingId::Intervals));
    EXPECT_FALSE(model.isChanged(SettingId::SpecType) || model.isChanged(SettingId::DemandZero) ||
                 model.isChanged(SettingId::StationList, 10));
    // Left for the next read to clear.
    EXPECT_TRUE(model.isChanged(SettingId::HcMode) && model.isChanged(SettingId::StelTwaOnOff) &&
                model.isChanged(SettingId::BumpTime) && model.isChanged(SettingId::LcBhMode) &&
                model.isChanged(SettingId::AlarmOnOff));

    ASSERT_EQ(channel.log.size(), 2u);
    EXPECT_EQ(channel.log[1].id, msg::SettingsWriteFinished);
    EXPECT_EQ(channel.log[1].args[1], "00:00:08");
}

TEST(SettingsWriteRun, GasTableIsNotStartedByTheFifthChannelAlone) {
    InstrumentModel model;
    model.setGasEnabled(4, true);
    ScriptedChannel channel;
    RunSettingsWrite(model, channel);
    EXPECT_EQ(channel.countOf("GJ,W,"), 0);
    EXPECT_TRUE(model.isChanged(SettingId::GasEnabled, 4));

    model.setGasEnabled(3, true);
    RunSettingsWrite(model, channel);
    EXPECT_EQ(channel.countOf("GJ,W,"), 1);
    EXPECT_FALSE(model.isChanged(SettingId::GasEnabled, 3) ||
                 model.isChanged(SettingId::GasEnabled, 4));
}

TEST(SettingsWriteRun, LevelListIsClearedOnlyWhenEchoedFrameForFrame) {
    InstrumentModel model;
    model.setWarning(2, 10);
    model.setAlarm(2, 15);
    ScriptedChannel identical;
    const SettingsWriteResult confirmed = RunSettingsWrite(model, identical);
    EXPECT_TRUE(confirmed.succeeded());
    EXPECT_FALSE(confirmed.levelsUnconfirmed);
    EXPECT_EQ(identical.countOf("A1,W,"), 1);
    EXPECT_EQ(identical.countOf("A2,W,"), 1);
    EXPECT_FALSE(model.isChanged(SettingId::Warning, 2) || model.isChanged(SettingId::Alarm, 2));

    // Three answers with other levels: the instrument does not hold the list, and the run stops
    // there, naming the list, what was sent and what came back.
    model.setWarning(2, 12);
    model.setAlarm(2, 16);
    model.setStel(2, 5);
    ScriptedChannel altered;
    altered.altered = {"A1,W,"};
    const SettingsWriteResult unconfirmed = RunSettingsWrite(model, altered);
    EXPECT_FALSE(unconfirmed.succeeded());
    EXPECT_TRUE(unconfirmed.levelsUnconfirmed);
    EXPECT_EQ(altered.keys(), (std::vector<std::string>{"A1,W,", "A2,W,", "A1,W,", "A1,W,"}));
    EXPECT_TRUE(model.isChanged(SettingId::Warning, 2));
    EXPECT_FALSE(model.isChanged(SettingId::Alarm, 2));
    EXPECT_TRUE(model.isChanged(SettingId::Stel, 2));  // never sent
    ASSERT_TRUE(unconfirmed.failure);
    EXPECT_EQ(unconfirmed.failure->kind, WriteFailure::Kind::Differs);
    EXPECT_EQ(unconfirmed.failure->code, "A1");
    EXPECT_EQ(unconfirmed.failure->sent, "*****,*****,   12,*****,*****");
    EXPECT_EQ(unconfirmed.failure->answered, "*****,*****,   12,*****,*****0");
    EXPECT_EQ(altered.log.back().id, msg::SettingsWriteFailed);

    // The same levels in another layout are what was sent: sent three times (the frames
    // differ), the run goes on, and the flags stay for the next update.
    model.setWarning(2, 13);
    ScriptedChannel relaid;
    relaid.answers = {{"A1,W,", "A1,W,*****,*****,13.0,*****,*****"}};
    const SettingsWriteResult same = RunSettingsWrite(model, relaid);
    EXPECT_TRUE(same.succeeded());
    EXPECT_FALSE(same.levelsUnconfirmed);
    EXPECT_EQ(relaid.countOf("A1,W,"), 3);
    EXPECT_EQ(relaid.countOf("DW,W,"), 1);
    EXPECT_TRUE(model.isChanged(SettingId::Warning, 2));
}

TEST(SettingsWriteRun, AFailedWriteIsDescribedWithWhatTheInstrumentAnswered) {
    InstrumentModel model;
    model.setBumpTime(3);
    model.setStationList(4, "GATE");
    model.setStationList(5, "YARD");
    struct Case {
        std::vector<std::pair<std::string, std::string>> answers;
        std::set<std::string> failing;
        WriteFailure expected;
    };
    const std::string nak(1, NAK);
    const Case cases[] = {
        {{{"BU,W,", "BU,W,2,1,0,1"}},
         {"BU,W,"},
         {WriteFailure::Kind::Differs, "BU", "3,1,0,1", "2,1,0,1"}},
        {{{"BU,W,", "BU,W," + nak}}, {"BU,W,"}, {WriteFailure::Kind::Refused, "BU", "3,1,0,1", ""}},
        {{{"BU,W,", "LP,W,1"}}, {"BU,W,"}, {WriteFailure::Kind::NoAnswer, "BU", "3,1,0,1", ""}},
        // Entry 5 failed without an answer; the last answer was entry 4's.
        {{{"XS,W,0004", "XS,W,0004,GATE"}, {"XS,W,0005", "XS,W,0004,GATE"}},
         {"XS,W,0005"},
         {WriteFailure::Kind::NoAnswer, "XS", "0005,YARD            ", ""}},
    };
    for (const Case& c : cases) {
        InstrumentModel m = model;
        ScriptedChannel channel;
        channel.answers = c.answers;
        channel.failing = c.failing;
        // A failing write leaves the reply it got (the scripted one) as the last reply.
        channel.failingReplies = true;
        const SettingsWriteResult result = RunSettingsWrite(m, channel);
        ASSERT_TRUE(result.failure) << c.expected.code;
        EXPECT_EQ(result.failure->kind, c.expected.kind) << c.expected.code;
        EXPECT_EQ(result.failure->code, c.expected.code);
        EXPECT_EQ(result.failure->sent, c.expected.sent);
        EXPECT_EQ(result.failure->answered, c.expected.answered);
    }

    // A control character never reaches the channel, whatever put it into the model.
    InstrumentModel unsafe;
    unsafe.setSpecType(std::string("1\x03\x02") + "0");
    ScriptedChannel channel;
    const SettingsWriteResult result = RunSettingsWrite(unsafe, channel);
    EXPECT_FALSE(result.succeeded());
    EXPECT_EQ(channel.countOf("UJ,W,"), 0);
    ASSERT_TRUE(result.failure);
    EXPECT_EQ(result.failure->kind, WriteFailure::Kind::Unsafe);
    EXPECT_EQ(result.failure->sent, "1??0");
}

TEST(SettingsWriteRun, FirstFailureStopsEveryLaterWriteAndKeepsTheirFlags) {
    InstrumentModel model;
    model.setUserID("A");
    model.setAlarmMode(1);
    model.setDispCalLimit(1);
    model.setWarning(0, 5);
    model.setStationList(3, "X");
    ScriptedChannel channel;
    channel.failing = {"AP,W,"};
    const SettingsWriteResult result = RunSettingsWrite(model, channel);

    EXPECT_EQ(channel.keys(), (std::vector<std::string>{"XZ,W,", "AP,W,"}));
    EXPECT_FALSE(result.succeeded());
    EXPECT_FALSE(result.allWritesOk);
    EXPECT_TRUE(result.anyWriteDone);
    EXPECT_FALSE(model.isChanged(SettingId::UserID));
    EXPECT_TRUE(model.isChanged(SettingId::AlarmMode) && model.isChanged(SettingId::DispCalLimit) &&
                model.isChanged(SettingId::Warning, 0) &&
                model.isChanged(SettingId::StationList, 3));
    ASSERT_EQ(channel.log.size(), 2u);
    EXPECT_EQ(channel.log[1].id, msg::SettingsWriteFailed);
    EXPECT_EQ(channel.log[1].args, std::vector<std::string>{"2026/12/07 08:30:00"});
}

TEST(SettingsWriteRun, FailedLevelListKeepsItsFlagsAndEndsThePasses) {
    InstrumentModel model;
    model.setAlarm(3, 50);
    model.setAutoCalib(3, 100);
    ScriptedChannel channel;
    channel.failing = {"A2,W,"};
    EXPECT_FALSE(RunSettingsWrite(model, channel).succeeded());
    EXPECT_EQ(channel.keys(), std::vector<std::string>{"A2,W,"});
    EXPECT_TRUE(model.isChanged(SettingId::Alarm, 3) && model.isChanged(SettingId::AutoCalib, 3));
}

TEST(SettingsWriteRun, RefusedRunLogsTheFailureAndSendsNothing) {
    ScriptedChannel channel;
    const SettingsWriteResult result = RefuseSettingsWrite(channel);
    EXPECT_FALSE(result.succeeded());
    EXPECT_TRUE(channel.sent.empty());
    ASSERT_EQ(channel.log.size(), 1u);
    EXPECT_EQ(channel.log[0].id, msg::SettingsWriteFailed);
}

}  // namespace
}  // namespace vq
