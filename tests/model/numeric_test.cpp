#include "model/numeric.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "model/value_codecs.h"

namespace vq {
namespace {

TEST(Numeric, AcceptsDecimalNumbersWithSpacesSignPointAndExponent) {
    struct Case {
        std::string text;
        double value;
    };
    for (const Case& c :
         {Case{"5", 5}, Case{"  5.0", 5}, Case{"-1.25 ", -1.25}, Case{"+7", 7}, Case{".5", 0.5},
          Case{"5.", 5}, Case{"007", 7}, Case{"1e3", 1000}, Case{"2.5E-1", 0.25},
          Case{"-1e+2", -100}, Case{"1e-400", 0}, Case{"0." + std::string(400, '0') + "1", 0},
          Case{"-1e-99999999999999999999", 0}}) {
        SCOPED_TRACE(c.text);
        ASSERT_TRUE(IsNumeric(c.text));
        EXPECT_DOUBLE_EQ(*ParseNumber(c.text), c.value);
    }
}

TEST(Numeric, RefusesEverythingElse) {
    const std::string refused[] = {"",
                                   "   ",
                                   "-",
                                   "+",
                                   ".",
                                   "-.",
                                   "1e",
                                   "1e+",
                                   "e5",
                                   "0x10",
                                   "&H10",
                                   "nan",
                                   "NaN",
                                   "inf",
                                   "-Infinity",
                                   "1 000",
                                   "1,5",
                                   "5-",
                                   "1.2.3",
                                   "--1",
                                   "1e999",
                                   "-1e400",
                                   "1" + std::string(400, '0') + "e-1",
                                   "1e99999999999999999999",
                                   "12abc",
                                   "\t5",
                                   "5\r",
                                   "\xef\xbc\x95"};
    for (const std::string& text : refused) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(IsNumeric(text));
        EXPECT_FALSE(ParseNumber(text).has_value());
    }
}

TEST(Numeric, HexadecimalTextsUpTo32Bits) {
    EXPECT_EQ(ParseHex("ff"), 0xFFu);
    EXPECT_EQ(ParseHex(" 00000000FFFFFFFF "), 0xFFFFFFFFu);
    EXPECT_FALSE(ParseHex("100000000"));
    for (const char* text : {"", " ", "0x1F", "-1", "+1", "1G", "F F", "&HFF"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(IsHexadecimal(text));
    }
    EXPECT_EQ(ParseHex16("FFFF"), -1);
    EXPECT_EQ(ParseHex16("7FFF"), 32767);
    EXPECT_EQ(ParseHex16("000A"), 10);
    EXPECT_FALSE(ParseHex16("10000"));
    EXPECT_EQ(ParseHex32("FFFFFFFF"), -1);
    EXPECT_EQ(ParseHex32("80000000"), std::numeric_limits<int32_t>::min());
}

TEST(Numeric, IntegerConversionRoundsHalfToEvenAndRefusesOverflow) {
    EXPECT_EQ(RoundToInt16(2.5), 2);
    EXPECT_EQ(RoundToInt16(3.5), 4);
    EXPECT_EQ(RoundToInt16(-2.5), -2);
    EXPECT_EQ(RoundToInt16(2.4999), 2);
    EXPECT_EQ(RoundToInt16(-32768.4), -32768);
    EXPECT_EQ(RoundToInt16(32767.4), 32767);
    EXPECT_FALSE(RoundToInt16(32767.5));  // rounds to 32768
    EXPECT_FALSE(RoundToInt16(-32769));
    EXPECT_FALSE(RoundToInt16(std::nan("")));
    EXPECT_FALSE(RoundToInt16(std::numeric_limits<double>::infinity()));
    EXPECT_FALSE(RoundToInt32(1e300));
    EXPECT_EQ(RoundToInt32(2147483647.0), 2147483647);
    EXPECT_FALSE(RoundToInt32(2147483648.0));
    EXPECT_EQ(ParseInt16(" 12.5"), 12);
    EXPECT_EQ(ParseInt32("-70000"), -70000);
    EXPECT_FALSE(ParseInt16("40000"));
    EXPECT_FALSE(ParseInt16("abc"));
}

TEST(Numeric, SingleConversionRefusesValuesBeyondSingleRange) {
    EXPECT_EQ(ParseSingle("0.1"), 0.1f);
    // The shortest text of the largest single must read back as that single.
    EXPECT_EQ(ParseSingle("3.4028235e+38"), std::numeric_limits<float>::max());
    EXPECT_FALSE(ParseSingle("3.5e38"));
    EXPECT_FALSE(ParseSingle("-1e39"));
    EXPECT_EQ(ParseSingle("1e-50"), 0.0f);
}

TEST(Numeric, SingleAsDecimalIsTheValueOfItsShortestText) {
    struct Case {
        float single;
        double decimal;
        const char* eightPlaces;  // the same value with a fixed number of decimals
    };
    const Case cases[] = {
        {20.9f, 20.9, "20.90000000"},
        {1.45f, 1.45, "1.45000000"},
        {2.63f, 2.63, "2.63000000"},
        {1.8f, 1.8, "1.80000000"},
        {0.1f, 0.1, "0.10000000"},
        {-101.0f, -101.0, "-101.00000000"},
        {12.345f, 12.345, "12.34500000"},
        {0.000012345f, 0.000012345, "0.00001235"},
        {16777217.0f, 16777216.0, "16777216.00000000"},  // beyond 2^24 the single is 2^24
        {std::numeric_limits<float>::max(), 3.4028235e38, nullptr},
        {std::numeric_limits<float>::denorm_min(), 1e-45, "0.00000000"},
        {-0.0f, -0.0, "0.00000000"},
    };
    for (const Case& c : cases) {
        const double decimal = SingleAsDecimal(c.single);
        EXPECT_EQ(decimal, c.decimal) << c.single;
        EXPECT_EQ(std::signbit(decimal), std::signbit(c.decimal)) << c.single;
        // It reads back as the same single, and its shortest text is the single's.
        EXPECT_EQ(static_cast<float>(decimal), c.single);
        EXPECT_EQ(DoubleText(decimal), SingleText(c.single));
        if (c.eightPlaces) {
            EXPECT_EQ(FormatNumber(c.single, 8), c.eightPlaces) << c.single;
        }
    }
    // Widening alone keeps the binary noise: that is what is avoided.
    EXPECT_NE(static_cast<double>(20.9f), 20.9);
    EXPECT_TRUE(std::isnan(SingleAsDecimal(std::nanf(""))));
    EXPECT_EQ(SingleAsDecimal(-std::numeric_limits<float>::infinity()),
              -std::numeric_limits<double>::infinity());
}

}  // namespace
}  // namespace vq
