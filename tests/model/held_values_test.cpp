// Texts and numbers at the edges of what an instrument holds: the escaping that carries any byte
// through the program's text files, and the five-character field that keeps a negative held value.
#include <gtest/gtest.h>

#include <string>

#include "model/escaped_text.h"
#include "model/held_values.h"
#include "model/setting_rules.h"

namespace vq {
namespace {

TEST(EscapedText, EveryByteOutsidePrintableAsciiAndTheBackslashRoundTrip) {
    const struct {
        std::string held;
        std::string file;   // FileEscapedText
        std::string shown;  // ShownText: the same, but a backslash is itself
    } cases[] = {
        {"H2S\xC3\xA9", "H2S\\xC3\\xA9", "H2S\\xC3\\xA9"},
        {"CH4", "CH4", "CH4"},
        {"A\\B", "A\\x5CB", "A\\B"},
        {"\\x41", "\\x5Cx41", "\\x41"},
        {std::string("\x00\x1B\x7F\x80\xFF", 5), "\\x00\\x1B\\x7F\\x80\\xFF",
         "\\x00\\x1B\\x7F\\x80\\xFF"},
        {"", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FileEscapedText(c.held), c.file);
        EXPECT_EQ(ShownText(c.held), c.shown);
        EXPECT_EQ(FileUnescapedText(c.file), c.held) << c.file;
    }
    // Every single byte, and every pair, comes back as it went.
    for (int a = 0; a < 256; ++a) {
        for (int b = 0; b < 256; b += 17) {
            const std::string held{static_cast<char>(a), static_cast<char>(b)};
            ASSERT_EQ(FileUnescapedText(FileEscapedText(held)), held) << a << " " << b;
        }
    }
    // A backslash that starts no escape stands for itself (a file written before escaping);
    // lower-case digits are read too.
    EXPECT_EQ(FileUnescapedText("A\\B"), "A\\B");
    EXPECT_EQ(FileUnescapedText("\\x4"), "\\x4");
    EXPECT_EQ(FileUnescapedText("\\xG1"), "\\xG1");
    EXPECT_EQ(FileUnescapedText("\\xc3\\xa9"), "\xC3\xA9");
}

TEST(HeldValues, NegativeNumbersKeepTheirSignInTheFiveCharacterField) {
    const struct {
        float value;
        std::int16_t decimals;
        const char* text;
    } cases[] = {
        {100, 0, "  100"},    {-100, 0, " -100"},   {-2.5f, 1, " -2.5"},
        {-9999, 0, "-9999"},  {-10000, 0, "*****"},  // does not fit: no value, as before
        {-101, 0, "*****"},                          // the no-value mark itself
        {-1.25f, 2, "-1.25"}, {0, 0, "    0"},
    };
    for (const auto& c : cases) EXPECT_EQ(HeldNumberText5(c.value, c.decimals), c.text) << c.value;
}

}  // namespace
}  // namespace vq
