#include "model/text_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace vq {
namespace {

TEST(TextRules, KeyFilters) {
    for (char c : std::string("09AZaz *-")) EXPECT_TRUE(IsIdKey(c)) << c;
    EXPECT_TRUE(IsIdKey(8));
    for (int code : std::initializer_list<int>{'_', '/', '.', ',', 0, 13, 127, 200, -1, 0x10041}) {
        EXPECT_FALSE(IsIdKey(code)) << code;
    }
    for (char c : std::string("09AZaz -_/<>")) EXPECT_TRUE(IsNameKey(c)) << c;
    EXPECT_TRUE(IsNameKey(8));
    for (int code : std::initializer_list<int>{'*', '.', '(', '%', 9, 127, 255, -8})
        EXPECT_FALSE(IsNameKey(code)) << code;
}

TEST(TextRules, TextChecks) {
    EXPECT_TRUE(IsNameText(""));
    EXPECT_TRUE(IsNameText("CH4 <gas>/x_y-1"));
    EXPECT_FALSE(IsNameText("CO2%"));
    EXPECT_FALSE(IsNameText("a\bb"));  // backspace is a key, not text
    EXPECT_FALSE(IsNameText("caf\xc3\xa9"));
    EXPECT_TRUE(IsDigitsOnly(""));
    EXPECT_TRUE(IsDigitsOnly("4729"));
    EXPECT_FALSE(IsDigitsOnly("47 29"));
    EXPECT_FALSE(IsDigitsOnly("-1"));
}

TEST(TextRules, DashIfBlankByKind) {
    EXPECT_EQ(DashIfBlank("  id  ", 0), "id");
    EXPECT_EQ(DashIfBlank("   ", idKindUser), std::string(16, '-'));
    EXPECT_EQ(DashIfBlank("", idKindStation), std::string(16, '-'));
    EXPECT_EQ(DashIfBlank("", idKindSerial), std::string(20, '-'));
    EXPECT_EQ(DashIfBlank(" ", idKindDummySerial), std::string(20, '-'));
    EXPECT_EQ(DashIfBlank("", 4), "");
    EXPECT_EQ(DashIfBlank("", -1), "");
    // Only spaces are trimmed; a tab is content.
    EXPECT_EQ(DashIfBlank("\t", 0), "\t");
}

}  // namespace
}  // namespace vq
