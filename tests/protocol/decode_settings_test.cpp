// Settings replies: the store rule on reads, the echo-check on writes, identity texts, the station
// list, the groups and the five-gas levels.

#include "app/rule_reason_text.h"
#include "decoder_fixture.h"
#include "model/held_values.h"
#include "model/settings_table.h"

namespace vq::testing {
namespace {

// The reason as the English table words it.
std::string en(const Reason& reason) {
    return ReasonText(Language::English, reason);
}

using SettingsReplyTest = DecoderTest;

// ---- store ----

TEST_F(SettingsReplyTest, DecimalReadStoresAndClearsItsFlag) {
    model.setHcMode(5);
    ASSERT_TRUE(model.isChanged(SettingId::HcMode));
    EXPECT_TRUE(decode("LP,R,2"));
    EXPECT_EQ(model.HcMode(), 2);
    EXPECT_FALSE(model.isChanged(SettingId::HcMode));
}

TEST_F(SettingsReplyTest, NonNumericReadIsRefusedAndChangesNothing) {
    model.setHcMode(5);
    for (const char* body : {"LP,R,A", "LP,R,,", "LP,R,2x", "AP,R,&H10"}) {
        EXPECT_FALSE(decode(body)) << body;
    }
    EXPECT_EQ(model.HcMode(), 5);
    EXPECT_TRUE(model.isChanged(SettingId::HcMode));
    EXPECT_EQ(model.AlarmMode(), 0);
    EXPECT_TRUE(host.log.empty());
}

TEST_F(SettingsReplyTest, DecimalValuesRoundHalfToEvenAndOverflowIsAConversionError) {
    EXPECT_TRUE(decode("AP,R,2.5"));
    EXPECT_EQ(model.AlarmMode(), 2);
    EXPECT_TRUE(decode("AP,R,3.5"));
    EXPECT_EQ(model.AlarmMode(), 4);
    EXPECT_TRUE(decode("AP,R,-32768"));
    EXPECT_EQ(model.AlarmMode(), -32768);
    EXPECT_FALSE(decode("AP,R,40000"));
    EXPECT_EQ(model.AlarmMode(), -32768);
}

TEST_F(SettingsReplyTest, HexReadsAreSixteenBitTwosComplement) {
    EXPECT_TRUE(decode("XT,R,FFFF"));
    EXPECT_EQ(model.LcdBackLight(), -1);
    EXPECT_TRUE(decode("XP,R,003c"));
    EXPECT_EQ(model.Intervals(), 60);
    EXPECT_FALSE(model.isChanged(SettingId::Intervals));
    EXPECT_TRUE(decode("HF,R,FFF6"));
    EXPECT_EQ(model.pressOffset(), -10);
    EXPECT_FALSE(decode("SC,R,G1"));
    EXPECT_FALSE(decode("SC,R,12345"));  // beyond 16 bits
    EXPECT_EQ(model.CalLimit(), 1);
}

TEST_F(SettingsReplyTest, FlowLevelIsThirtyTwoBitHex) {
    model.setFlowLevel(1);
    EXPECT_TRUE(decode("CP,R,0001E240"));
    EXPECT_EQ(model.FlowLevel(), 123456);
    EXPECT_FALSE(model.isChanged(SettingId::FlowLevel));
    EXPECT_TRUE(decode("CP,R,FFFFFFFF"));
    EXPECT_EQ(model.FlowLevel(), -1);
}

TEST_F(SettingsReplyTest, BitReadTakesTheFirstCharacter) {
    EXPECT_TRUE(decode("SJ,R,10"));
    EXPECT_EQ(model.AutoZero(), 1);
    EXPECT_TRUE(decode("SJ,R,0"));
    EXPECT_EQ(model.AutoZero(), 0);
    EXPECT_TRUE(decode("SG,R,1"));
    EXPECT_EQ(model.DemandZero(), 1);
    EXPECT_FALSE(decode("SG,R,X"));
    EXPECT_EQ(model.DemandZero(), 1);
}

// ---- echo-check ----

TEST_F(SettingsReplyTest, WriteEchoMustMatchTheModel) {
    model.setHcMode(2);
    EXPECT_FALSE(decode("LP,W,1"));
    EXPECT_TRUE(decode("LP,W,2"));
    EXPECT_FALSE(decode("LP,W,two"));
    EXPECT_EQ(model.HcMode(), 2);
    EXPECT_TRUE(model.isChanged(SettingId::HcMode));  // the writer clears it, not the decoder
    EXPECT_TRUE(host.log.empty());

    model.setLcdBackLight(-1);
    EXPECT_TRUE(decode("XT,W,FFFF"));
    model.setFlowLevel(0x1E240);
    EXPECT_TRUE(decode("CP,W,0001E240"));
    EXPECT_FALSE(decode("CP,W,0001E241"));
}

TEST_F(SettingsReplyTest, BitWriteEchoComparesTheTruthOfTheValue) {
    model.setAutoZero(3);
    EXPECT_TRUE(decode("SJ,W,1"));
    EXPECT_TRUE(decode("SJ,W,10"));  // decoded by its first character
    EXPECT_FALSE(decode("SJ,W, 1"));
    EXPECT_FALSE(decode("SJ,W,0"));
    model.setAutoZero(0);
    EXPECT_TRUE(decode("SJ,W,0"));
    EXPECT_FALSE(decode("SJ,W,1"));
}

TEST_F(SettingsReplyTest, DisplayCalLimitIsReadAsDecimalAndEchoedAsBit) {
    EXPECT_TRUE(decode("SD,R,7"));
    EXPECT_EQ(model.DispCalLimit(), 7);
    EXPECT_TRUE(decode("SD,W, 1"));  // compared as trimmed text
    EXPECT_FALSE(decode("SD,W,10"));
    EXPECT_FALSE(decode("SD,W,7"));  // the write carries a bit, never the number
    model.setDispCalLimit(0);
    EXPECT_TRUE(decode("SD,W,0"));
    EXPECT_FALSE(decode("SD,W,*"));
}

// ---- texts ----

TEST_F(SettingsReplyTest, IdentityTextsAreStoredTrimmed) {
    EXPECT_TRUE(decode("IN,R,  SN-0042   "));
    EXPECT_EQ(model.SerialNo(), "SN-0042");
    EXPECT_FALSE(model.isChanged(SettingId::SerialNo));
    EXPECT_TRUE(decode("XZ,R,        "));
    EXPECT_EQ(model.UserID(), std::string(16, '-'));
    EXPECT_TRUE(decode("HN,R,DUMMY 1"));
    EXPECT_EQ(model.DummySerial(), "DUMMY 1");
    EXPECT_TRUE(decode("BS,R, TYPE-7 "));
    EXPECT_EQ(model.SpecNo(), "TYPE-7");
    EXPECT_FALSE(model.isChanged(SettingId::SpecNo));
}

TEST_F(SettingsReplyTest, TextWriteEchoComparesTrimmedTexts) {
    model.setSerialNo("SN-0042");
    EXPECT_TRUE(decode("IN,W,SN-0042             "));
    EXPECT_FALSE(decode("IN,W,SN-0043"));
    model.setSpecNo("AB");
    EXPECT_TRUE(decode("BS,W,AB        "));
}

TEST_F(SettingsReplyTest, SpecTypeIsOneOfThreeTexts) {
    EXPECT_TRUE(decode("UJ,R,2"));
    EXPECT_EQ(model.SpecType(), "2");
    EXPECT_FALSE(model.isChanged(SettingId::SpecType));
    for (const char* body : {"UJ,R,3", "UJ,R, 1", "UJ,R,10", "UJ,R,,"}) {
        EXPECT_FALSE(decode(body)) << body;
    }
    EXPECT_EQ(model.SpecType(), "2");
    EXPECT_TRUE(decode("UJ,W,2"));
    EXPECT_FALSE(decode("UJ,W, 2"));  // compared untrimmed
}

// ---- station identity and list ----

TEST_F(SettingsReplyTest, StationIdAndListEntries) {
    EXPECT_TRUE(decode("XS,R,****,  PLANT 4  "));
    EXPECT_EQ(model.StationID(), "PLANT 4");
    EXPECT_FALSE(model.isChanged(SettingId::StationID));

    model.setStationList(255, "x");
    EXPECT_TRUE(decode("XS,R,00FF, TANK 9         "));
    EXPECT_EQ(model.StationList(255), " TANK 9         ");
    EXPECT_FALSE(model.isChanged(SettingId::StationList, 255));
    EXPECT_TRUE(decode("XS,R,0000,FIRST"));
    EXPECT_EQ(model.StationList(0), "FIRST");
}

TEST_F(SettingsReplyTest, StationNumberThatIsNotHexOrNotInTheListIsRefused) {
    EXPECT_FALSE(decode("XS,R,00G1,NAME"));
    EXPECT_FALSE(decode("XS,R,0100,NAME"));  // entry 256 does not exist
    EXPECT_FALSE(decode("XS,R,FFFF,NAME"));  // -1
    for (int i = 0; i < InstrumentModel::stationCount; ++i) {
        ASSERT_EQ(model.StationList(i), std::string(16, '-')) << i;
    }
    EXPECT_TRUE(host.log.empty());
}

// ---- groups ----

TEST_F(SettingsReplyTest, BumpGroupStoresEveryValueAsTheInstrumentHoldsIt) {
    model.setBumpThreshold(3);
    EXPECT_TRUE(decode("BU,R,2,7,1,1"));
    EXPECT_EQ(model.BumpTime(), 2);
    EXPECT_EQ(model.BumpThreshold(), 7);  // out of range, but what the instrument holds
    EXPECT_FALSE(model.isChanged(SettingId::BumpThreshold));
    EXPECT_EQ(model.BumpFailCalTime(), 1);
    EXPECT_EQ(model.BumpFailAfter(), 1);
    EXPECT_FALSE(model.isChanged(SettingId::BumpTime));
    EXPECT_FALSE(model.isChanged(SettingId::BumpFailAfter));
}

// A value outside its setting's range is stored as the instrument's value (never a default left
// standing in its place) and named with the reason the file check would give.
TEST_F(SettingsReplyTest, ValuesOutsideTheirRangeAreKeptAndNamed) {
    const struct {
        const char* body;
        const char* prop;
        std::int32_t held;
        const char* reason;
    } cases[] = {
        {"BU,R,9,9,9,9", "BumpTime", 9, "bump test time 9 is not between 0 and 3"},
        {"BU,R,9,9,9,9", "BumpFailAfter", 9,
         "calibration after a failed bump test 9 is not between 0 and 1"},
        {"WB,R,3,5,1", "BhTime", 5, "bar hole measure time 5 is not between 0 and 2"},
        {"XT,R,FFFF", "LcdBackLight", -1, "LCD backlight time -1 is not between 1 and 255"},
        {"XT,R,0100", "LcdBackLight", 256, "LCD backlight time 256 is not between 1 and 255"},
        {"SC,R,0000", "CalLimit", 0, "calibration time limit 0 is not between 1 and 365"},
        {"LP,R,9", "HcMode", 9, "HC mode 9 is not between 0 and 2"},
        {"XP,R,0005", "Intervals", 5,
         "logging interval 5 is not one of 10, 20, 30, 60, 180, "
         "300, 600"},
        {"AT,R,-1", "AlarmO2", -1, "oxygen alarm type -1 is not between 0 and 2"},
    };
    for (const auto& c : cases) {
        InstrumentModel fresh;
        model = fresh;
        EXPECT_TRUE(decode(c.body)) << c.body;
        const Setting* setting = nullptr;
        for (const Setting& s : SettingsTable())
            if (s.prop == c.prop) setting = &s;
        ASSERT_NE(setting, nullptr) << c.prop;
        EXPECT_EQ(setting->number(model), c.held) << c.body;
        EXPECT_FALSE(setting->changed(model)) << c.body;
        bool named = false;
        for (const HeldValueProblem& p : OutOfRangeValues(model))
            named = named || (p.code == setting->code && p.field == setting->field &&
                              en(p.reason) == c.reason);
        EXPECT_TRUE(named) << c.body << ": " << c.reason;
    }
    // Back in range, it is no longer named.
    EXPECT_TRUE(decode("LP,R,2"));
    for (const HeldValueProblem& p : OutOfRangeValues(model))
        EXPECT_NE(p.code, "LP") << en(p.reason);
}

TEST_F(SettingsReplyTest, BumpGroupWithWrongCountIsRefusedSilently) {
    EXPECT_FALSE(decode("BU,R,1,1,1"));
    EXPECT_FALSE(decode("BU,R,1,1,1,1,1"));
    EXPECT_EQ(model.BumpTime(), 2);
    EXPECT_TRUE(host.log.empty());
}

TEST_F(SettingsReplyTest, GroupConversionErrorKeepsWhatWasStoredBeforeIt) {
    EXPECT_FALSE(decode("BU,R,3,0,X,0"));
    EXPECT_EQ(model.BumpTime(), 3);
    EXPECT_EQ(model.BumpThreshold(), 0);
    EXPECT_EQ(model.BumpFailAfter(), 1);  // after the bad token: not stored
}

TEST_F(SettingsReplyTest, BacklightGroupLogsAWrongCount) {
    EXPECT_FALSE(decode("WB,R,1,1"));
    EXPECT_EQ(host.log, std::vector<std::string>{kFormatError});
    EXPECT_TRUE(decode("WB,R,3,5,1"));
    EXPECT_EQ(model.LcBhMode(), 3);
    EXPECT_EQ(model.BhTime(), 5);
    EXPECT_EQ(model.LcBuzzer(), 1);
}

// ---- five-gas levels ----

TEST_F(SettingsReplyTest, LevelsReadGoesOnPastABadToken) {
    EXPECT_FALSE(decode("A1,R,   10,*****, OVER, 12.5,  0.5"));
    EXPECT_EQ(model.Warning(0), 10.0f);
    EXPECT_EQ(model.Warning(1), -101.0f);
    EXPECT_FALSE(model.isChanged(SettingId::Warning, 1));
    EXPECT_EQ(model.Warning(2), -101.0f);  // the word is not a level token: untouched
    EXPECT_EQ(model.Warning(3), 12.5f);
    EXPECT_EQ(model.Warning(4), 0.5f);
    EXPECT_FALSE(model.isChanged(SettingId::Warning, 4));
}

TEST_F(SettingsReplyTest, LevelsReadWithWrongCountStoresNothing) {
    model.setAlarm(0, 50);
    EXPECT_FALSE(decode("A2,R,1,2,3,4"));
    EXPECT_EQ(model.Alarm(0), 50.0f);
    EXPECT_TRUE(model.isChanged(SettingId::Alarm, 0));
    EXPECT_TRUE(host.log.empty());
}

TEST_F(SettingsReplyTest, EveryLevelKeyFillsItsOwnProperty) {
    EXPECT_TRUE(decode("SA,R,1,1,1,1,1"));
    EXPECT_TRUE(decode("A1,R,2,2,2,2,2"));
    EXPECT_TRUE(decode("A2,R,3,3,3,3,3"));
    EXPECT_TRUE(decode("AS,R,4,4,4,4,4"));
    EXPECT_TRUE(decode("AW,R,5,5,5,5,5"));
    for (int gas = 0; gas < 5; ++gas) {
        EXPECT_EQ(model.AutoCalib(gas), 1.0f);
        EXPECT_EQ(model.Warning(gas), 2.0f);
        EXPECT_EQ(model.Alarm(gas), 3.0f);
        EXPECT_EQ(model.Stel(gas), 4.0f);
        EXPECT_EQ(model.Twa(gas), 5.0f);
    }
}

TEST_F(SettingsReplyTest, LevelsWriteChecksOnlyTheShape) {
    EXPECT_TRUE(decode("A1,W,    1,*****,  2.5,    0,   10"));
    EXPECT_FALSE(decode("A1,W,1,2,3,4"));
    EXPECT_FALSE(decode("A1,W,1,2,OVER,4,5"));
    EXPECT_EQ(model.Warning(0), -101.0f);
}

// Every write answer is held against what was sent, so a write counts only when the instrument
// holds it: a NAK refuses any write; a group or station answer carries the values it stored,
// which must be the ones sent; STEL and TWA come back as levels, compared as values. A plain
// acknowledgement of a group or station write is the instrument's word.
TEST_F(SettingsReplyTest, WriteAnswersMustCarryWhatWasSent) {
    model.setBumpTime(2);
    model.setBumpThreshold(1);
    model.setBumpFailCalTime(0);
    model.setBumpFailAfter(1);
    model.setLcBhMode(3);
    model.setBhTime(0);
    model.setLcBuzzer(1);
    model.setStationID("PLANT 4");
    model.setStationList(10, "GATE");
    model.setAlarmMode(1);
    model.setUserID("");
    model.setGasPoint(0, 1);
    model.setStel(0, 7.0f);
    model.setTwa(0, 2.5f);
    const std::string nak(1, NAK);
    const std::string ack(1, ACK);
    struct Case {
        std::string sent;  // the request payload the answer belongs to
        std::string answer;
        bool accepted;
    };
    const std::string stel = "AS,W,  7.0,*****,*****,*****,*****";
    const Case cases[] = {
        {"BU,W,2,1,0,1", "BU,W,2,1,0,1", true},
        {"BU,W,9,9,9,9", "BU,W,2,1,0,0", false},  // the instrument kept other values
        {"BU,W,2,1,0,1", "BU,W,2,1,0", false},
        {"BU,W,2,1,0,1", "BU,W,x", false},
        {"BU,W,2,1,0,1", "BU,W," + ack, true},
        {"BU,W,2,1,0,1", "BU,W," + nak, false},
        {"WB,W,3,0,1", "WB,W,3,0,1", true},
        {"WB,W,3,0,1", "WB,W,0,0,0", false},
        {"WB,W,3,0,1", "WB,W," + nak, false},
        {"XS,W,****,PLANT 4", "XS,W,****,PLANT 4         ", true},
        {"XS,W,****,PLANT 4", "XS,W,****,OTHER", false},
        {"XS,W,****,PLANT 4", "XS,W," + nak, false},
        {"XS,W,000A,GATE", "XS,W,000A,GATE            ", true},
        {"XS,W,000A,GATE", "XS,W,0009,GATE", false},  // another entry's answer
        {"XS,W,000A,GATE", "XS,W,****,GATE", false},
        {stel, stel, true},
        {stel, "AS,W,    7,*****,*****,*****,*****", true},  // the same level, other layout
        {stel, "AS,W, 29.9,*****,*****,*****,*****", false},
        {stel, "AS,W,  7.0,*****,*****,*****, OVER", false},
        {stel, "AS,W,  7.0,*****,*****,*****", false},
        {"AW,W,  2.5,*****,*****,*****,*****", "AW,W,2.50,*****,*****,*****,*****", true},
        {"AW,W,  2.5,*****,*****,*****,*****", "AW,W,*****,*****,*****,*****,*****", false},
        {"AP,W,1", "AP,W," + nak, false},
        // A blank user id: the empty answer would compare equal, the NAK must not.
        {"XZ,W,                ", "XZ,W," + nak, false},
        {"A1,W,*****,*****,*****,*****,*****", "A1,W," + nak, false},
    };
    for (const Case& c : cases) {
        host.lastFrame = BuildFrame(c.sent, EOT);
        EXPECT_EQ(decode(c.answer), c.accepted) << c.sent << " / " << c.answer;
    }
    // The answers of STEL and TWA are compared with a model; without one nothing is taken.
    EXPECT_FALSE(decoder.DecodeReply(Reply(stel), nullptr, host));
}

}  // namespace
}  // namespace vq::testing
