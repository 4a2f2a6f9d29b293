#include "app/update_validation.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "messages/messages.h"
#include "model/instrument.h"

namespace vq {
namespace {

void fitGas(InstrumentModel& model, int ch, const std::string& name, float fullScale) {
    model.setGasEnabled(ch, true);
    model.setGasName(ch, name);
    model.setGasFullScale(ch, fullScale);
}

void setLevels(InstrumentModel& model, int ch, float warning, float alarm) {
    model.setWarning(ch, warning);
    model.setAlarm(ch, alarm);
}

// A four-gas instrument that "Update" accepts: combustible on channel 0 only (mode 1), oxygen
// in "L-LL" mode, H2S and CO with exposure limits.
InstrumentModel writableModel() {
    InstrumentModel model;
    model.setHcMode(1);
    fitGas(model, 0, "CH4", 100);
    setLevels(model, 0, 10, 50);
    model.setAutoCalib(0, 50);
    fitGas(model, 1, "O2", 25);
    model.setAlarmO2(1);
    setLevels(model, 1, 19.5f, 18);
    model.setAutoCalib(1, 18);
    fitGas(model, 2, "H2S", 30);
    setLevels(model, 2, 5, 10);
    model.setStel(2, 15);
    model.setTwa(2, 5);
    model.setAutoCalib(2, 25);
    fitGas(model, 3, "CO", 500);
    setLevels(model, 3, 25, 50);
    model.setStel(3, 200);
    model.setTwa(3, 25);
    model.setAutoCalib(3, 50);
    return model;
}

TEST(RangeRules, WarningBelowAlarmExceptOxygenInLowLowMode) {
    InstrumentModel model;
    setLevels(model, 2, 5, 10);
    EXPECT_TRUE(CheckWarningBelowAlarm(model, 2));
    setLevels(model, 2, 10, 10);
    EXPECT_TRUE(CheckWarningBelowAlarm(model, 2));
    setLevels(model, 2, 11, 10);
    EXPECT_FALSE(CheckWarningBelowAlarm(model, 2));
    setLevels(model, 2, 11, noValue);
    EXPECT_TRUE(CheckWarningBelowAlarm(model, 2));

    model.setAlarmO2(1);
    setLevels(model, 1, 19.5f, 18);
    EXPECT_TRUE(CheckWarningBelowAlarm(model, 1));
    setLevels(model, 1, 18, 19.5f);
    EXPECT_FALSE(CheckWarningBelowAlarm(model, 1));
    model.setAlarmO2(0);
    EXPECT_TRUE(CheckWarningBelowAlarm(model, 1));
}

TEST(RangeRules, AlarmPointsOfTheCombustibleAndToxicChannels) {
    InstrumentModel model;
    model.setGasFullScale(0, 100);
    EXPECT_TRUE(CheckAlarmPoint(model, 0, 0, AlarmPointKind::Warning));
    EXPECT_FALSE(CheckAlarmPoint(model, 0, noValue, AlarmPointKind::Warning));
    EXPECT_TRUE(CheckAlarmPoint(model, 0, 60, AlarmPointKind::Alarm));
    EXPECT_FALSE(CheckAlarmPoint(model, 0, 60.5f, AlarmPointKind::Alarm));
    EXPECT_FALSE(CheckAlarmPoint(model, 0, 5, AlarmPointKind::Stel));
    EXPECT_FALSE(CheckAlarmPoint(model, 0, 5, AlarmPointKind::Twa));

    EXPECT_TRUE(CheckAlarmPoint(model, 2, 30, AlarmPointKind::Stel));
    EXPECT_FALSE(CheckAlarmPoint(model, 2, 31, AlarmPointKind::Stel));
    EXPECT_FALSE(CheckAlarmPoint(model, 2, -1, AlarmPointKind::Warning));
    EXPECT_TRUE(CheckAlarmPoint(model, 3, 200, AlarmPointKind::Twa));
    EXPECT_FALSE(CheckAlarmPoint(model, 3, 200.5f, AlarmPointKind::Alarm));
    EXPECT_FALSE(CheckAlarmPoint(model, 4, 1, AlarmPointKind::Warning));
}

TEST(RangeRules, OxygenAlarmPointsFollowTheOxygenAlarmMode) {
    InstrumentModel model;
    model.setGasFullScale(1, 25);
    model.setAlarmO2(0);
    EXPECT_TRUE(CheckAlarmPoint(model, 1, 25, AlarmPointKind::Alarm));
    EXPECT_FALSE(CheckAlarmPoint(model, 1, 17.9f, AlarmPointKind::Warning));
    EXPECT_FALSE(CheckAlarmPoint(model, 1, 20, AlarmPointKind::Stel));
    model.setAlarmO2(1);
    EXPECT_TRUE(CheckAlarmPoint(model, 1, 20.9f, AlarmPointKind::Warning));
    EXPECT_FALSE(CheckAlarmPoint(model, 1, 21, AlarmPointKind::Warning));
    model.setAlarmO2(2);
    setLevels(model, 1, 19, 23);
    EXPECT_TRUE(CheckAlarmPoint(model, 1, 23, AlarmPointKind::Warning));
    EXPECT_FALSE(CheckAlarmPoint(model, 1, 23.5f, AlarmPointKind::Warning));
    EXPECT_TRUE(CheckAlarmPoint(model, 1, 25, AlarmPointKind::Alarm));
    EXPECT_FALSE(CheckAlarmPoint(model, 1, 18.5f, AlarmPointKind::Alarm));
    EXPECT_FALSE(CheckAlarmPoint(model, 1, 26, AlarmPointKind::Alarm));
    model.setAlarmO2(3);
    EXPECT_FALSE(CheckAlarmPoint(model, 1, 20, AlarmPointKind::Warning));
}

TEST(RangeRules, AutoCalibrationValueAgainstWarningOrChannelLimit) {
    InstrumentModel model;
    model.setGasName(3, "CO");
    EXPECT_TRUE(CheckAutoCalValue(model, 3, noValue));
    EXPECT_TRUE(CheckAutoCalValue(model, 3, 25));
    EXPECT_FALSE(CheckAutoCalValue(model, 3, 24));
    model.setWarning(3, 30);
    EXPECT_FALSE(CheckAutoCalValue(model, 3, 25));
    EXPECT_TRUE(CheckAutoCalValue(model, 3, 30));
    EXPECT_TRUE(CheckAutoCalValue(model, 4, 0));

    model.setGasName(1, " OXY ");
    model.setAlarmO2(1);
    EXPECT_TRUE(CheckAutoCalValue(model, 1, 19.5f));
    EXPECT_FALSE(CheckAutoCalValue(model, 1, 20.9f));
    model.setWarning(1, 19);
    EXPECT_FALSE(CheckAutoCalValue(model, 1, 19.5f));
    model.setAlarmO2(2);
    EXPECT_TRUE(CheckAutoCalValue(model, 1, 19.5f));
    EXPECT_FALSE(CheckAutoCalValue(model, 1, 19.6f));
}

TEST(UpdateValidation, AcceptsAConsistentInstrument) {
    EXPECT_EQ(ValidateUpdate(writableModel()), std::nullopt);
}

TEST(UpdateValidation, AlarmPointsAreCheckedOnEnabledChannelsOnly) {
    InstrumentModel model = writableModel();
    model.setStel(3, 201);
    EXPECT_EQ(ValidateUpdate(model), update_refusal::AlarmRange);
    model.setGasEnabled(3, false);
    EXPECT_EQ(ValidateUpdate(model), std::nullopt);

    model = writableModel();
    setLevels(model, 1, 18, 19.5f);  // swapped for "L-LL"
    EXPECT_EQ(ValidateUpdate(model), update_refusal::AlarmRange);

    // An unset toxic exposure limit on a fitted channel is out of range as well.
    model = writableModel();
    model.setTwa(2, noValue);
    EXPECT_EQ(ValidateUpdate(model), update_refusal::AlarmRange);
}

TEST(UpdateValidation, AutoCalibrationIsCheckedOnEveryChannel) {
    InstrumentModel model = writableModel();
    model.setAutoCalib(4, 5);  // channel 4 is not fitted; its value still counts
    model.setWarning(4, 10);
    EXPECT_EQ(ValidateUpdate(model), update_refusal::AutoCal);
    // The alarm-point refusal comes first when both apply.
    model.setAlarm(0, 90);
    EXPECT_EQ(ValidateUpdate(model), update_refusal::AlarmRange);
}

TEST(UpdateValidation, NoFittedSensorIsRefused) {
    InstrumentModel model;
    EXPECT_EQ(ValidateUpdate(model), update_refusal::NoSensor);
}

TEST(UpdateValidation, CombustibleChannelsMustMatchTheHydrocarbonMode) {
    struct Case {
        int mode;
        bool first;
        bool second;
        bool accepted;
    };
    const Case cases[] = {
        {0, true, true, true},   {0, true, false, false}, {0, false, true, false},
        {0, false, false, true}, {1, true, false, true},  {1, false, true, false},
        {1, true, true, true},   {2, false, true, true},  {2, true, false, false},
        {2, true, true, true},   {3, false, true, true},
    };
    for (const Case& c : cases) {
        InstrumentModel model = writableModel();
        model.setHcMode(static_cast<int16_t>(c.mode));
        model.setGasEnabled(0, c.first);
        if (c.second) fitGas(model, 4, "CH4 ", 100);
        const auto refusal = ValidateUpdate(model);
        EXPECT_EQ(refusal == std::nullopt, c.accepted)
            << "mode " << c.mode << " channel 0 " << c.first << " channel 4 " << c.second;
        if (!c.accepted) {
            EXPECT_EQ(refusal, update_refusal::Combination);
        }
    }
}

TEST(UpdateValidation, CombustibleGasesMustAgreeAndEveryFittedGasBeNamed) {
    for (int mode = 0; mode <= 2; ++mode) {
        InstrumentModel model = writableModel();
        model.setHcMode(static_cast<int16_t>(mode));
        fitGas(model, 4, "C3H8", 100);
        EXPECT_EQ(ValidateUpdate(model), update_refusal::Combination) << "mode " << mode;
    }
    InstrumentModel model = writableModel();
    model.setGasName(2, "   ");
    EXPECT_EQ(ValidateUpdate(model), update_refusal::Combination);
}

// The grid colours RefusedValues; "(red color cells)" holds only when every refusal of
// ValidateUpdate names its cell, including a level shown as "-----" (not set).
TEST(UpdateValidation, EveryRefusalNamesTheValuesItRefuses) {
    using V = CheckedValue;
    struct Case {
        const char* name;
        std::function<void(InstrumentModel&)> spoil;
        std::vector<RefusedValue> refused;
    };
    const auto alarm = update_refusal::AlarmRange;
    const auto combination = update_refusal::Combination;
    const std::vector<Case> cases = {
        {"nothing", [](InstrumentModel&) {}, {}},
        {"warning not set",
         [](InstrumentModel& m) { m.setWarning(0, noValue); },
         {{0, V::Warning, alarm}}},
        {"twa not set", [](InstrumentModel& m) { m.setTwa(2, noValue); }, {{2, V::Twa, alarm}}},
        {"stel too high", [](InstrumentModel& m) { m.setStel(3, 201); }, {{3, V::Stel, alarm}}},
        {"oxygen swapped",
         [](InstrumentModel& m) { setLevels(m, 1, 18, 19.5f); },
         {{1, V::Warning, alarm}, {1, V::Alarm, alarm}}},
        {"auto cal below warning",
         [](InstrumentModel& m) { m.setAutoCalib(3, 10); },
         {{3, V::AutoCal, update_refusal::AutoCal}}},
        {"partner missing",
         [](InstrumentModel& m) { m.setHcMode(0); },
         {{0, V::Gas, combination}, {4, V::Gas, combination}}},
        {"gases differ",
         [](InstrumentModel& m) {
             fitGas(m, 4, "H2", 100);
             m.setAutoCalib(4, noValue);
         },
         {{0, V::Gas, combination}, {4, V::Gas, combination}}},
        {"no gas name",
         [](InstrumentModel& m) { m.setGasName(2, " "); },
         {{2, V::Gas, combination}}},
    };
    for (const Case& c : cases) {
        InstrumentModel model = writableModel();
        c.spoil(model);
        EXPECT_EQ(RefusedValues(model), c.refused) << c.name;
        const auto refusal = ValidateUpdate(model);
        EXPECT_EQ(refusal.has_value(), !c.refused.empty()) << c.name;
        if (refusal && !c.refused.empty()) {
            EXPECT_EQ(*refusal, c.refused.front().refusal) << c.name;
        }
    }
}

TEST(UpdateValidation, CombinationRefusalNamesChannelsGasesAndTheRemedy) {
    setLanguage(Language::English);
    const std::string head = "This is not available combination.\n";
    InstrumentModel model = writableModel();
    model.setHcMode(0);
    EXPECT_EQ(UpdateRefusalText(model, update_refusal::Combination),
              head +
                  "Channel 1 (CH4) is on but channel 5 is off, and the hydrocarbon mode needs "
                  "both: switch channel 5 on, or channel 1 off.");
    model = writableModel();
    fitGas(model, 4, "C3H8 ", 100);
    EXPECT_EQ(UpdateRefusalText(model, update_refusal::Combination),
              head +
                  "Channel 1 measures CH4 and channel 5 measures C3H8: choose the same gas on "
                  "both, or switch one of them off.");
    model = writableModel();
    model.setGasName(3, "");
    EXPECT_EQ(UpdateRefusalText(model, update_refusal::Combination),
              head + "Channel 4 is on without a gas: choose its gas, or switch it off.");
    // Every other refusal keeps its own text.
    EXPECT_EQ(UpdateRefusalText(model, update_refusal::AutoCal), "Improper Auto Cal.");
}

TEST(UpdateValidation, RefusalsCarryTheirTexts) {
    EXPECT_EQ(ResMessage(Language::English, update_refusal::AlarmRange.messageId),
              "Check warning and alarm value. (red color cells)");
    EXPECT_EQ(ResMessage(Language::English, update_refusal::AlarmRange.titleId),
              "Warning and alarm range.");
    EXPECT_EQ(ResMessage(Language::English, update_refusal::AutoCal.messageId),
              "Improper Auto Cal.");
    EXPECT_EQ(ResMessage(Language::English, update_refusal::AutoCal.titleId), "Auto Cal.");
    EXPECT_EQ(ResMessage(Language::English, update_refusal::NoSensor.messageId),
              "No available sensor.");
    EXPECT_EQ(ResMessage(Language::English, update_refusal::NoSensor.titleId), "No sensor");
    EXPECT_EQ(ResMessage(Language::English, update_refusal::Combination.messageId),
              "This is not available combination.");
    // The combination refusal has nothing to do with communication: the program's own title.
    EXPECT_EQ(ResMessage(Language::English, update_refusal::Combination.titleId),
              "VQ-5100 - Setup Program");
}

// A refusal box says which level and why, with the rule the grid and the file check use.
TEST(UpdateValidation, LevelRefusalsNameEachLevelAndItsRule) {
    setLanguage(Language::English);
    InstrumentModel model = writableModel();
    model.setAlarm(0, 150);
    model.setStel(3, 201);
    EXPECT_EQ(UpdateRefusalText(model, update_refusal::AlarmRange),
              "Check warning and alarm value. (red color cells)\n"
              "alarm 150 of channel 1 is above 60\n"
              "STEL 201 of channel 4 is not between 0 and 200");
    model = writableModel();
    setLevels(model, 1, 18, 19.5f);  // swapped for "L-LL": one reason for both cells
    EXPECT_EQ(UpdateRefusalText(model, update_refusal::AlarmRange),
              "Check warning and alarm value. (red color cells)\n"
              "warning 18 of channel 2 is not at or above its alarm 19.5");
    EXPECT_EQ(RefusedValueReason(model, {1, CheckedValue::Alarm, update_refusal::AlarmRange}),
              "warning 18 of channel 2 is not at or above its alarm 19.5");
    model = writableModel();
    model.setAutoCalib(3, 600);
    EXPECT_EQ(UpdateRefusalText(model, update_refusal::AutoCal),
              "Improper Auto Cal.\nauto-calibration value 600 of channel 4 is above the full "
              "scale 500");
}

// What the instrument holds on a channel nobody changed is sent back as it is; an edit to the
// channel, or its gas, is judged. Update and Update ID alike.
TEST(UpdateValidation, ValuesTheInstrumentHoldsAreNotJudged) {
    struct Case {
        const char* name;
        std::function<void(InstrumentModel&)> edit;
        bool refused;
    };
    const Case cases[] = {
        {"nothing edited", [](InstrumentModel&) {}, false},
        {"another channel edited", [](InstrumentModel& m) { m.setAlarm(3, 60); }, false},
        {"another setting edited", [](InstrumentModel& m) { m.setIntervals(180); }, false},
        {"the held alarm edited", [](InstrumentModel& m) { m.setAlarm(0, 140); }, true},
        {"the channel's warning edited", [](InstrumentModel& m) { m.setWarning(0, 20); }, true},
        {"the channel's gas edited", [](InstrumentModel& m) { m.setGasFullScale(0, 200); }, true},
    };
    InstrumentModel held = writableModel();
    held.setIntervals(60);
    held.setAlarm(0, 150);  // put there by other means
    held.setStationList(128, "DOCK \"C\"");
    for (const Case& c : cases) {
        InstrumentModel model = held;
        c.edit(model);
        EXPECT_EQ(ValidateUpdate(model, &held).has_value(), c.refused) << c.name;
        EXPECT_EQ(ValidateUpdate(model), update_refusal::AlarmRange) << c.name;
        for (const bool idOnly : {false, true}) {
            const auto reason = UpdateRefusalReason(model, idOnly, &held);
            EXPECT_EQ(reason.has_value(), c.refused) << c.name << (reason ? *reason : "");
        }
    }
    // An edited station text is judged; the held one beside it is not.
    InstrumentModel model = held;
    model.setUserID("X");
    EXPECT_EQ(UpdateRefusalReason(model, true, &held), std::nullopt);
    model.setStationList(129, "GATE \"D\"");
    EXPECT_EQ(UpdateRefusalReason(model, true, &held),
              "Settings not written: XS: station list entry 130: the character \"\"\" is not "
              "allowed");
    // Without the instrument's values the held ones are judged too.
    EXPECT_NE(UpdateRefusalReason(held, true, nullptr), std::nullopt);
}

}  // namespace
}  // namespace vq
