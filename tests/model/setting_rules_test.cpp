#include "model/setting_rules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "model/instrument.h"

namespace vq {
namespace {

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
        {"\xE6\x97\xA5", 16, TextSet::Name, "only ASCII"},
        {"i-C4H10", 10, TextSet::Printable, ""},
        {"\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", 10, TextSet::Printable, ""},  // three kanji
        {"\xC3\x28", 10, TextSet::Printable, "not valid UTF-8"},
        {"A,B", 10, TextSet::Printable, "the character \",\""},
        {"A\x1B[2J", 10, TextSet::Printable, "control character"},
        {"ELEVENCHARS", 10, TextSet::Printable, "longer than 10"},
    };
    for (const Case& c : cases) {
        const std::string problem = TextProblem(c.text, c.maxLength, c.set);
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
        EXPECT_EQ(LevelTextProblem(good), "") << good;
    for (const char* bad : {"", "  ", "NaN", "inf", "abc", "OVER", "WARN", "1e39", "-5", "1,5"})
        EXPECT_NE(LevelTextProblem(bad), "") << bad;
}

// "Update" looks only at what it is about to send; a whole file looks at everything it carries.
TEST(SettingRules, ScopeDecidesWhichSettingsAreLookedAt) {
    clsInstrument m;  // a blank model: logging interval 0, never read from anywhere
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
    EXPECT_EQ(changed[0].reason, "alarm pattern 5 is not between 0 and 1");
    EXPECT_EQ(changed[1].code, "XZ");  // the first identity text; the station entry waits

    m.setAlarmMode(1);
    m.setUserID("SERVICE");
    const auto station = CheckSettingRules(m, RuleScope::Changed);
    ASSERT_EQ(station.size(), 1u);
    EXPECT_EQ(station[0].reason, "station list entry 8: the character \";\" is not allowed");
}

}  // namespace
}  // namespace vq
