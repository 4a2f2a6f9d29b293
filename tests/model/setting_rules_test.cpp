#include "model/setting_rules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "app/rule_reason_text.h"
#include "model/instrument.h"
#include "model/settings_table.h"

namespace vq {
namespace {

// The reason as the English table words it.
std::string en(const Reason& reason) {
    return ReasonText(Language::English, reason);
}

// A used settings library entry that every rule accepts.
void fitLibrary(InstrumentModel& m, int entry) {
    LibraryEntry e;
    e.Name = "USERGAS";
    e.FullScale = 100;
    e.Digit = 1;
    e.Unit = "ppm";
    e.elem_vol = 300;
    e.Ratio = 1.5f;
    e.Linear1_b = 1;
    m.setLS_Entry(entry, e);
}

TEST(SettingRules, LevelsThatTheFiveCharacterFieldCarriesUnchanged) {
    struct Case {
        float value;
        int decimals;
        bool sendable;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const Case cases[] = {
        {-101.0f, 1, true},                                           // no value
        {0.0f, 0, true},    {10.4f, 1, true},    {10.44f, 1, false},  // would be rounded
        {10.40f, 2, true},  {99999.0f, 0, true}, {100000.0f, 0, false},
        {999.9f, 1, true},  {1000.0f, 1, false},                       // "1000.0" is six characters
        {2.5f, 0, false},   {-5.0f, 0, false},   {-107.0f, 0, false},  // a status code
        {nan, 1, false},    {inf, 1, false},     {7.0f, -101, true},   // no gas: no decimals
        {0.05f, 2, true},   {0.005f, 2, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsSendableLevel(c.value, c.decimals), c.sendable) << c.value << " " << c.decimals;
}

TEST(SettingRules, TextsAreRefusedNotCleaned) {
    struct Case {
        std::string text;
        std::size_t maxLength;
        TextSet set;
        const char* problem;  // a part of the reason; empty when the text is allowed
    };
    const Case cases[] = {
        {"VQ51-000123 *", 20, TextSet::Identity, ""},
        {"night shift", 16, TextSet::Identity, "the character \"n\""},
        {"ABCDEFGHIJKLMNOPQ", 16, TextSet::Identity, "longer than 16"},
        {"GATE_3/B<>", 16, TextSet::Name, ""},
        {"A\x02"
         "B",
         16, TextSet::Name, "control character"},
        {"A\x7F", 16, TextSet::Name, "control character"},
        {"\xE6\x97\xA5", 16, TextSet::Name, "the byte \\xE6 is not printable ASCII"},
        {"i-C4H10", 10, TextSet::Printable, ""},
        {"METHANE-XY", 10, TextSet::Printable, ""},
        {"METHANE-XYZ", 10, TextSet::Printable, "longer than 10"},
        // One byte a character on the instrument: UTF-8 would come back as other text.
        {"\xE6\x97\xA5\xE6\x9C\xAC", 10, TextSet::Printable, "the byte \\xE6"},
        {"H2S\xC3\xA9", 10, TextSet::Printable, "the byte \\xC3 is not printable ASCII"},
        {"\xC3\x28", 10, TextSet::Printable, "not printable ASCII"},
        {"DOCK \"C\"", 16, TextSet::Name, "the character \"\"\""},
        {"A,B", 10, TextSet::Printable, "the character \",\""},
        {"A\x1B[2J", 10, TextSet::Printable, "control character"},
        {"ELEVENCHARS", 10, TextSet::Printable, "longer than 10"},
    };
    for (const Case& c : cases) {
        const std::string problem = en(TextProblem(c.text, c.maxLength, c.set));
        if (*c.problem == 0)
            EXPECT_EQ(problem, "") << c.text;
        else
            EXPECT_NE(problem.find(c.problem), std::string::npos) << c.text << ": " << problem;
    }
    for (const char* bad : {"\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE6\x97", "\x80"})
        EXPECT_FALSE(IsValidUtf8(bad)) << bad;
    EXPECT_TRUE(IsValidUtf8("\xF0\x9F\x98\x80 plain"));
}

TEST(SettingRules, LevelTextsAreANumberOrTheNoValueMark) {
    for (const char* good : {"*****", "  25", "0", "19.5", " 1e2"})
        EXPECT_EQ(en(LevelTextProblem(good)), "") << good;
    for (const char* bad : {"", "  ", "NaN", "inf", "abc", "OVER", "WARN", "1e39", "-5", "1,5"})
        EXPECT_NE(en(LevelTextProblem(bad)), "") << bad;
}

// "Update" looks only at what it is about to send; a whole file looks at everything it carries.
TEST(SettingRules, ScopeDecidesWhichSettingsAreLookedAt) {
    InstrumentModel m;  // a blank model: logging interval 0, never read from anywhere
    m.ClearChangeFlags();
    EXPECT_TRUE(CheckSettingRules(m, RuleScope::Changed).empty());
    const auto all = CheckSettingRules(m, RuleScope::All);
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(all.front().code, "XP");

    m.setAlarmMode(5);
    m.setStationList(7, "BAD;NAME");
    m.setUserID("LOWER case");
    const auto changed = CheckSettingRules(m, RuleScope::Changed);
    ASSERT_EQ(changed.size(), 2u);
    EXPECT_EQ(changed[0].code, "AP");
    EXPECT_EQ(en(changed[0].reason), "alarm pattern 5 is not between 0 and 1");
    EXPECT_EQ(changed[1].code, "XZ");  // the first identity text; the station entry waits

    m.setAlarmMode(1);
    m.setUserID("SERVICE");
    const auto station = CheckSettingRules(m, RuleScope::Changed);
    ASSERT_EQ(station.size(), 1u);
    EXPECT_EQ(en(station[0].reason), "station list entry 8: the character \";\" is not allowed");
}

// What the instrument holds and nobody changed is sent back as it is; only what differs from it
// is judged. Each case: a value put on the instrument by other means, then an edit or none.
TEST(SettingRules, ValuesTheInstrumentHoldsAreNotJudgedOnlyEdits) {
    struct Case {
        const char* name;
        std::function<void(InstrumentModel&)> onInstrument;  // odd values put there by other means
        std::function<void(InstrumentModel&)> edit;          // what the user changes
        const char* refused;  // the code refused (with the instrument known); empty for none
    };
    const auto none = [](InstrumentModel&) {};
    const Case cases[] = {
        {"station text held", [](InstrumentModel& m) { m.setStationList(128, "DOCK \"C\""); },
         [](InstrumentModel& m) { m.setUserID("X"); }, ""},
        {"station text edited", none,
         [](InstrumentModel& m) { m.setStationList(128, "DOCK \"C\""); }, "XS"},
        {"user id held", [](InstrumentModel& m) { m.setUserID("night shift"); },
         [](InstrumentModel& m) { m.setStationID("GATE 2"); }, ""},
        {"user id edited", none, [](InstrumentModel& m) { m.setUserID("night shift"); }, "XZ"},
        {"bump time held", [](InstrumentModel& m) { m.setBumpTime(9); }, none, ""},
        {"bump time edited", none, [](InstrumentModel& m) { m.setBumpTime(9); }, "BU"},
        {"type number held", [](InstrumentModel& m) { m.setSpecNo("TYPE\xC3\xA9"); }, none, ""},
        {"type number edited", none, [](InstrumentModel& m) { m.setSpecNo("TYPE\xC3\xA9"); }, "BS"},
        {"library ratio held",
         [](InstrumentModel& m) {
             LibraryEntry e = m.LS_Entry(0);
             e.Ratio = -5;
             m.setLS_Entry(0, e);
         },
         none, ""},
        {"library ratio edited", none,
         [](InstrumentModel& m) {
             LibraryEntry e = m.LS_Entry(0);
             e.Ratio = -5;
             m.setLS_Entry(0, e);
         },
         "LS"},
    };
    for (const Case& c : cases) {
        InstrumentModel held;
        held.setIntervals(60);
        fitLibrary(held, 0);
        c.onInstrument(held);
        InstrumentModel model = held;
        c.edit(model);
        // "Update ID" and "Update" send these whether edited or not.
        model.SetChangeFlags(true, true);
        const auto problems = CheckSettingRules(model, RuleScope::Changed, &held);
        const std::string codes = [&] {
            std::string out;
            for (const SettingProblem& p : problems) out += p.code + " ";
            return out;
        }();
        if (*c.refused == 0) {
            EXPECT_TRUE(problems.empty()) << c.name << ": " << codes;
        } else {
            ASSERT_EQ(problems.size(), 1u) << c.name << ": " << codes;
            EXPECT_EQ(problems[0].code, c.refused) << c.name;
        }
        // Without the instrument's values everything is judged, as a file is: the held value
        // is what passes only because the instrument holds it.
        if (*c.refused == 0) {
            EXPECT_FALSE(CheckSettingRules(model, RuleScope::Changed).empty()) << c.name;
        }
    }
}

// The fields of a used library entry, each rule with the field it names.
TEST(SettingRules, LibraryEntryFieldsEachHaveTheirRule) {
    struct Case {
        const char* name;
        std::function<void(LibraryEntry&)> spoil;
        LibraryField field;
        const char* problem;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const Case cases[] = {
        {"ratio negative", [](LibraryEntry& e) { e.Ratio = -5; }, LibraryField::Ratio,
         "ratio -5 is not above 0"},
        {"ratio 0", [](LibraryEntry& e) { e.Ratio = 0; }, LibraryField::Ratio, "not above 0"},
        {"ratio NaN", [=](LibraryEntry& e) { e.Ratio = nan; }, LibraryField::Ratio, "not a number"},
        {"coefficient infinite", [=](LibraryEntry& e) { e.Linear2_c = inf; },
         LibraryField::Coefficients, "not a number"},
        {"coefficient past a single", [](LibraryEntry& e) { e.Linear1_a = 1e300; },
         LibraryField::Coefficients, "not a number"},
        {"full scale 0", [](LibraryEntry& e) { e.FullScale = 0; }, LibraryField::FullScale,
         "full scale 0 is not above 0"},
        {"full scale no value", [](LibraryEntry& e) { e.FullScale = -101; },
         LibraryField::FullScale, "\"*****\""},
        {"resolution above full scale", [](LibraryEntry& e) { e.Digit = 200; },
         LibraryField::Resolution, "resolution 200 is above the full scale 100"},
        {"resolution no value", [](LibraryEntry& e) { e.Digit = -101; }, LibraryField::Resolution,
         "\"*****\""},
        {"voltage 0", [](LibraryEntry& e) { e.elem_vol = 0; }, LibraryField::Voltage,
         "voltage is 0"},
        {"unit", [](LibraryEntry& e) { e.Unit = "mg"; }, LibraryField::Unit, "unit \"mg\""},
        {"name too long", [](LibraryEntry& e) { e.Name = "METHANE-XYZ"; }, LibraryField::Name,
         "longer than 10"},
        {"name not ASCII", [](LibraryEntry& e) { e.Name = "H2S\xC3\xA9"; }, LibraryField::Name,
         "not printable ASCII"},
    };
    for (const Case& c : cases) {
        InstrumentModel m;
        m.setIntervals(60);
        fitLibrary(m, 1);
        EXPECT_EQ(en(LibraryFieldProblem(m.LS_Entry(1), c.field)), "") << c.name;
        LibraryEntry e = m.LS_Entry(1);
        c.spoil(e);
        const std::string problem = en(LibraryFieldProblem(e, c.field));
        EXPECT_NE(problem.find(c.problem), std::string::npos) << c.name << ": " << problem;
        m.setLS_Entry(1, e);
        const auto all = CheckSettingRules(m, RuleScope::All);
        ASSERT_EQ(all.size(), 1u) << c.name;
        EXPECT_EQ(all[0].code, "LS");
        EXPECT_EQ(en(all[0].reason), "entry 1: " + problem) << c.name;
    }
}

// The levels are held to the rules the grid refuses an edit by: range, order and full scale.
TEST(SettingRules, LevelsAreHeldToTheRulesOfTheirChannel) {
    struct Case {
        const char* name;
        std::function<void(InstrumentModel&)> spoil;
        const char* code;
        const char* reason;
    };
    const Case cases[] = {
        {"CH4 alarm 150", [](InstrumentModel& m) { m.setAlarm(0, 150); }, "A2",
         "alarm 150 of channel 1 is above 60"},
        {"CH4 warning not set", [](InstrumentModel& m) { m.setWarning(0, -101); }, "A1",
         "warning not set of channel 1 must be set"},
        // Both lines are refused, each for the order of the two.
        {"warning above alarm", [](InstrumentModel& m) { m.setAlarm(0, 5); }, "A1 A2",
         "warning 10 of channel 1 is not at or below its alarm 5"},
        {"H2S STEL 31", [](InstrumentModel& m) { m.setStel(2, 31); }, "AS",
         "STEL 31 of channel 3 is not between 0 and 30"},
        {"auto-calibration above full scale", [](InstrumentModel& m) { m.setAutoCalib(0, 150); },
         "SA", "auto-calibration value 150 of channel 1 is above the full scale 100"},
        {"auto-calibration below warning", [](InstrumentModel& m) { m.setAutoCalib(0, 5); }, "SA",
         "auto-calibration value 5 of channel 1 is below 10"},
    };
    for (const Case& c : cases) {
        InstrumentModel m;
        m.setIntervals(60);
        m.setGasEnabled(0, true);
        m.setGasName(0, "CH4");
        m.setGasFullScale(0, 100);
        m.setResolution(0, 1);
        m.setGasPoint(0, 0);
        m.setGasUnit(0, "%LEL");
        m.setWarning(0, 10);
        m.setAlarm(0, 50);
        m.setAutoCalib(0, 50);
        EXPECT_TRUE(CheckSettingRules(m, RuleScope::All).empty()) << c.name;
        c.spoil(m);
        if (std::string(c.code) == "AS") {
            m.setGasEnabled(2, true);
            m.setGasName(2, "H2S");
            m.setGasFullScale(2, 30);
            m.setResolution(2, 1);
            m.setGasPoint(2, 0);
            m.setGasUnit(2, "ppm");
            m.setWarning(2, 5);
            m.setAlarm(2, 10);
            m.setTwa(2, 5);
        }
        std::string codes;
        for (const SettingProblem& problem : CheckSettingRules(m, RuleScope::All)) {
            codes += (codes.empty() ? "" : " ") + problem.code;
            EXPECT_EQ(en(problem.reason), c.reason) << c.name;
            EXPECT_EQ(problem.dependsOn, "GJ") << c.name;
        }
        EXPECT_EQ(codes, c.code) << c.name;
    }
}

}  // namespace
}  // namespace vq
