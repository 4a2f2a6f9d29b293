// ResMessage placeholder expansion: the rules of messages/messages.h, on literal texts and on texts
// of both tables.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "messages/messages.h"

namespace vq {
namespace {

TEST(MessageExpansion, NumberedPlaceholdersTakeTheirArgumentByNumber) {
    EXPECT_EQ(expandMessage("~1 and ~2", {"a", "b"}), "a and b");
    // Reversed order: the digit picks the argument, not the position of the placeholder.
    EXPECT_EQ(expandMessage("~2~1", {"a", "b"}), "ba");
    EXPECT_EQ(expandMessage("~1~1", {"x"}), "xx");
    EXPECT_EQ(expandMessage("~9", {"1", "2", "3", "4", "5", "6", "7", "8", "nine"}), "nine");
    // Only one digit is read: ~12 is the first argument followed by the character 2.
    EXPECT_EQ(expandMessage("~12", {"a", "b"}), "a2");
}

TEST(MessageExpansion, MissingArgumentsInsertNothing) {
    EXPECT_EQ(expandMessage("(~1)", {}), "()");
    EXPECT_EQ(expandMessage("~1-~2-~3", {"a"}), "a--");
    EXPECT_EQ(expandMessage("[~0]", {"a"}), "[]");
    EXPECT_EQ(expandMessage("~1", {""}), "");
}

TEST(MessageExpansion, LineBreakAndTabInEitherCase) {
    EXPECT_EQ(expandMessage("a~cb~Cc", {}), "a\r\nb\r\nc");
    EXPECT_EQ(expandMessage("a~tb~Tc", {}), "a\tb\tc");
}

TEST(MessageExpansion, UnknownCodesAreDroppedWithTheirTilde) {
    EXPECT_EQ(expandMessage("a~xb", {}), "ab");
    EXPECT_EQ(expandMessage("a~~b", {}), "ab");  // "~~" drops itself
    EXPECT_EQ(expandMessage("~~1", {"A"}), "1");
    EXPECT_EQ(expandMessage("~ ", {}), "");
    // A lone tilde at the end is dropped too.
    EXPECT_EQ(expandMessage("end~", {}), "end");
    EXPECT_EQ(expandMessage("~", {}), "");
    // A multi-byte character after the tilde goes whole: no broken UTF-8 is left behind.
    EXPECT_EQ(expandMessage("a~\xE3\x81\x82"
                            "b",
                            {}),
              "ab");
    EXPECT_EQ(expandMessage("a~\xC3\xA9"
                            "b",
                            {}),
              "ab");
    // A stray continuation byte counts as one character.
    EXPECT_EQ(expandMessage("a~\x80"
                            "b",
                            {}),
              "ab");
    // A sequence cut short by the end of the text does not read past it.
    EXPECT_EQ(expandMessage("a~\xE3\x81", {}), "a");
}

TEST(MessageExpansion, ArgumentTextIsNeverExpandedAgain) {
    // A short path name carries "~1"; it must come out as it went in, and not loop.
    EXPECT_EQ(expandMessage("File: ~1", {"C:\\PROGRA~1\\VQ5100~2.CSV"}),
              "File: C:\\PROGRA~1\\VQ5100~2.CSV");
    EXPECT_EQ(expandMessage("~1", {"~1"}), "~1");
    EXPECT_EQ(expandMessage("~1~2", {"~2", "~c"}), "~2~c");
    EXPECT_EQ(expandMessage("~1", {"~"}), "~");
}

TEST(MessageExpansion, ArgumentsCarryArbitraryBytesUnchanged) {
    std::string allBytes;
    for (int b = 0; b < 256; ++b) allBytes.push_back(static_cast<char>(b));
    EXPECT_EQ(expandMessage("<~1>", {allBytes}), "<" + allBytes + ">");
    // Invalid UTF-8 and NUL bytes pass through a table text as well.
    const std::string frame(
        "\x02"
        "0001RC,R,\x03"
        "FB\x04\xFF\x00~c",
        17);
    EXPECT_EQ(ResMessage(Language::English, 5501, {frame}), "W : " + frame);
    EXPECT_EQ(ResMessage(Language::Japanese, 5502, {frame}), "R : " + frame);
}

TEST(MessageExpansion, TextsWithoutPlaceholdersComeOutAsTheyAre) {
    EXPECT_EQ(expandMessage("", {"a"}), "");
    EXPECT_EQ(expandMessage("plain text", {"a"}), "plain text");
    EXPECT_EQ(expandMessage("\xE6\x97\xA5\xE6\x99\x82 = ~1", {"x"}),
              "\xE6\x97\xA5\xE6\x99\x82 = x");
}

TEST(MessageExpansion, TableTextsExpandAsTheWindowsUseThem) {
    const Language en = Language::English;
    EXPECT_EQ(ResMessage(en, 5412), "Connect Sequence VQ-5100 ...()");
    EXPECT_EQ(ResMessage(en, 5412, {"3"}), "Connect Sequence VQ-5100 ...(3)");
    EXPECT_EQ(ResMessage(en, 5317), "Delete all samples.\r\nReady?");
    EXPECT_EQ(ResMessage(en, 6020, {"CH4", "12.5"}), "CH4\t12.5\t\t ... FAIL.");
    EXPECT_EQ(ResMessage(en, 5405), "VQ-5100 No Response. Check Port,Cable And Power.\r\n");
    EXPECT_EQ(ResMessage(en, 5537, {"2026/12/07 10:00:00", "00:01:02"}),
              "---Instrument Upload Finished---. Date = 2026/12/07 10:00:00[Time = 00:01:02]\r\n");
    EXPECT_EQ(ResMessage(en, 8056, {ResMessage(en, 8038)}),
              "Improper data found  ( Station List )");
    EXPECT_EQ(ResMessage(en, 5603, {"256"}), "Station256");
    // The system's own spellings are kept.
    EXPECT_EQ(ResMessage(en, 5543, {"d"}), "Flame Error. Date = d");
    EXPECT_EQ(ResMessage(en, 5527, {"d", "10061"}), "Soket Error[d](10061)");
    // Escaped spaces survive the table.
    EXPECT_EQ(ResMessage(en, 5383), "TE is Disabled ");
    EXPECT_EQ(ResMessage(en, 8026), "Minimun Flow ");
}

TEST(MessageExpansion, MissingIdGivesAVisibleHarmlessText) {
    EXPECT_EQ(ResMessage(Language::English, 12345), "[message 12345]");
    EXPECT_EQ(ResMessage(Language::Japanese, -1, {"~1"}), "[message -1]");
    EXPECT_EQ(ResMessage(Language::English, 70000), "[message 70000]");
    EXPECT_FALSE(hasMessage(Language::English, 12345));
}

}  // namespace
}  // namespace vq
