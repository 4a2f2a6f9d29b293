#include "model/record_fields.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/instrument.h"

namespace vq {
namespace {

std::string spaces(std::size_t n) {
    return std::string(n, ' ');
}

// The two text rules side by side: where they agree and the broken-text and separator cases
// where the bytes already written differ.
TEST(RecordFields, FixedTextUnderBothRules) {
    struct Case {
        const char* why;
        std::string text;
        std::size_t width;
        std::string wire;
        std::string file;
    };
    const std::vector<Case> cases = {
        {"cut", "ABCDEFGHIJKLMNOPQRST", 16, "ABCDEFGHIJKLMNOP", "ABCDEFGHIJKLMNOP"},
        {"padded", "ABC", 16, "ABC" + spaces(13), "ABC" + spaces(13)},
        {"empty", "", 4, spaces(4), spaces(4)},
        {"exact width", "ABCD", 4, "ABCD", "ABCD"},
        {"two-byte character cut in half", "ABC\xC3\xA9", 4, "ABC ", "ABC "},
        {"two-byte character kept whole", "AB\xC3\xA9Z", 4, "AB\xC3\xA9", "AB\xC3\xA9"},
        {"three-byte character cut after one byte", "A\xE3\x81\x82", 2, "A ", "A "},
        {"three-byte character cut after two bytes", "A\xE3\x81\x82", 3, "A  ", "A  "},
        {"four-byte character cut after three", "\xF0\x9F\x98\x80Z", 3, spaces(3), spaces(3)},
        {"separators", "A,B;C\r\nD", 9, "A,B;C\r\nD ", "A B C  D "},
        {"separator at the cut", "AB;CD", 3, "AB;", "AB "},
        // Broken text: the wire judges by the byte after the cut, the file by the lead byte.
        {"lead byte at the cut, ASCII after",
         "a\xC3"
         "b",
         2, "a\xC3", "a "},
        {"stray continuation after a whole character", "\xC3\xA9\x80", 2, spaces(2), "\xC3\xA9"},
        {"lone lead byte, no cut", "a\xC3", 4, "a\xC3  ", "a\xC3  "},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FixedText(c.text, c.width, wireTextRule), c.wire) << c.why;
        EXPECT_EQ(FixedText(c.text, c.width, fileTextRule), c.file) << c.why;
    }
}

// On well-formed text without separators the two rules write the same bytes at every width:
// the only differences left are the ones the table above names.
TEST(RecordFields, RulesAgreeOnWellFormedTextAtEveryCut) {
    const std::vector<std::string> texts = {"METHANE-GAS", "\xE3\x83\xA1\xE3\x82\xBF\xE3\x83\xB3",
                                            "A\xC3\xA9\xE3\x81\x82\xF0\x9F\x98\x80Z", "ppm"};
    for (const std::string& text : texts) {
        for (std::size_t width = 0; width <= text.size() + 2; ++width) {
            const std::string wire = FixedText(text, width, wireTextRule);
            EXPECT_EQ(wire.size(), width);
            EXPECT_EQ(FixedText(text, width, fileTextRule), wire) << text << " at " << width;
        }
    }
}

TEST(RecordFields, HexDigitsKeepTheLastDigits) {
    struct Case {
        std::uint32_t value;
        int digits;
        std::string text;
    };
    for (const Case& c : std::vector<Case>{{0x1E, 4, "001E"},
                                           {0xC9, 2, "C9"},
                                           {0x12345, 4, "2345"},
                                           {0, 1, "0"},
                                           {0xFFFFFFFF, 8, "FFFFFFFF"}})
        EXPECT_EQ(HexDigits(c.value, c.digits), c.text) << c.value;
    EXPECT_EQ(HexText4(-1), "FFFF");
    EXPECT_EQ(HexText4(300), "012C");
}

// The records under each rule: the same bytes for a plain channel, the file blanking what would
// split its line, a negative full scale kept with its sign.
TEST(RecordFields, GasRecordsUnderBothRules) {
    InstrumentModel model;
    const auto put = [&model](int ch, const char* name, float fullScale, float step,
                              std::int16_t decimals, const char* unit) {
        model.setGasEnabled(ch, true);
        model.setGasName(ch, name);
        model.setGasFullScale(ch, fullScale);
        model.setResolution(ch, step);
        model.setGasPoint(ch, decimals);
        model.setGasUnit(ch, unit);
    };
    put(0, "CO", 500, 1, 0, "ppm");
    put(1, "H2S,X;Y", 30, 0.1f, 1, "p;m");
    put(2, "H2S-LONGNAME-X", 30, 0.1f, 1, "ppmv!");
    put(3, "O2", -5, 0.1f, 1, "VOL%");
    struct Case {
        int channel;
        std::string wire;
        std::string file;
    };
    const std::vector<Case> cases = {
        {0,
         "CO         "
         "  500"
         "    1"
         "ppm ",
         "CO         "
         "  500"
         "    1"
         "ppm "},
        {1,
         "H2S,X;Y    "
         " 30.0"
         "  0.1"
         "p;m ",
         "H2S X Y    "
         " 30.0"
         "  0.1"
         "p m "},
        {2, "H2S-LONGNAM 30.0  0.1ppmv", "H2S-LONGNAM 30.0  0.1ppmv"},
        {3, "O2          -5.0  0.1VOL%", "O2          -5.0  0.1VOL%"},
        {4, std::string(25, '*'), std::string(25, '*')},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GasRecordText(model, c.channel, wireTextRule), c.wire) << c.channel;
        EXPECT_EQ(GasRecordText(model, c.channel, fileTextRule), c.file) << c.channel;
    }
}

TEST(RecordFields, LevelFieldsFollowEachChannelsDecimals) {
    InstrumentModel model;
    const std::int16_t decimals[] = {1, 1, 0, 2, 0};
    const float levels[] = {-101, 25, 10, 1.5f, 100};
    for (int ch = 0; ch < 5; ++ch) {
        model.setGasPoint(ch, decimals[ch]);
        model.setStel(ch, levels[ch]);
        model.setAutoCalib(ch, levels[4 - ch] < 0 ? 50.0f : levels[4 - ch]);
    }
    EXPECT_EQ(LevelFields(model, LevelKind::Stel),
              (std::vector<std::string>{"*****", " 25.0", "   10", " 1.50", "  100"}));
    EXPECT_EQ(LevelFields(model, LevelKind::AutoCalib),
              (std::vector<std::string>{"100.0", "  1.5", "   10", "25.00", "   50"}));
}

TEST(RecordFields, LibraryEntryFieldsUnderBothRules) {
    InstrumentModel model;
    model.setLS_Name(1, "ISO,BUTANE-X");
    model.setLS_Point(1, 1);
    model.setLS_FullScale(1, 100);
    model.setLS_Digit(1, 0.5f);
    model.setLS_Unit(1, "%LEL");
    model.setLS_elem_vol(1, 0x1F4);
    model.setLS_Ratio(1, 1.0f);
    model.setLS_Linear1_a(1, 1.0);
    model.setLS_Linear2_d(1, -101.0);
    const std::vector<std::string> head = {"C9",   "ISO,BUTANE", "100.0",    "  0.5",
                                           "%LEL", "01F4",       "3F800000", "3F800000"};
    const std::vector<std::string> wire = LibraryEntryFields(model, 1, wireTextRule);
    const std::vector<std::string> file = LibraryEntryFields(model, 1, fileTextRule);
    ASSERT_EQ(wire.size(), 15u);
    ASSERT_EQ(file.size(), 15u);
    EXPECT_EQ(std::vector<std::string>(wire.begin(), wire.begin() + 8), head);
    EXPECT_EQ(wire.back(), "C2CA0000");
    EXPECT_EQ(file[1], "ISO BUTANE");
    for (std::size_t i = 0; i < 15; ++i) {
        if (i == 1) continue;
        EXPECT_EQ(file[i], wire[i]) << i;
    }
}

}  // namespace
}  // namespace vq
