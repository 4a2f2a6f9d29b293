#include "model/ole_date.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace vq {
namespace {

TEST(OleDate, KnownDaysAndTimes) {
    EXPECT_EQ(MakeOleDate(1899, 12, 30, 0, 0, 0), 0.0);
    EXPECT_EQ(MakeOleDate(1900, 1, 1, 0, 0, 0), 2.0);
    EXPECT_EQ(MakeOleDate(2000, 1, 1, 12, 0, 0), 36526.5);
    EXPECT_EQ(MakeOleDate(1970, 1, 1, 0, 0, 0), 25569.0);
    EXPECT_EQ(OleDateFromEpochSeconds(0), 25569.0);
    EXPECT_EQ(OleDateFromEpochSeconds(86400 + 21600), 25570.25);
    EXPECT_EQ(GeneralDate(0), "1899/12/30 00:00:00");
    EXPECT_EQ(GeneralDate(-101), "1899/09/20 00:00:00");
}

TEST(OleDate, NegativeDatesCountTheFractionForwardFromMidnight) {
    EXPECT_EQ(MakeOleDate(1899, 12, 29, 6, 0, 0), -1.25);
    EXPECT_EQ(GeneralDate(-1.25), "1899/12/29 06:00:00");
    // Between -1 and 0 the day is 1899-12-30, as for the positive value.
    EXPECT_EQ(GeneralDate(-0.5), "1899/12/30 12:00:00");
    EXPECT_DOUBLE_EQ(DaysBetween(0.25, -1.25), 1.0);
    EXPECT_DOUBLE_EQ(AddDays(0.25, -1.0), -1.25);
    EXPECT_DOUBLE_EQ(AddDays(-1.25, 2.0), 1.25);
    EXPECT_DOUBLE_EQ(OleDateToLinear(LinearToOleDate(-3.75)), -3.75);
}

TEST(OleDate, PartsRoundTripAcrossTheRange) {
    for (DateTimeParts p :
         {DateTimeParts{100, 1, 1, 0, 0, 0}, DateTimeParts{1899, 12, 29, 23, 59, 59},
          DateTimeParts{1900, 2, 28, 1, 2, 3}, DateTimeParts{2000, 2, 29, 12, 0, 1},
          DateTimeParts{2099, 12, 31, 23, 59, 59}, DateTimeParts{9999, 12, 31, 23, 59, 59}}) {
        SCOPED_TRACE(GeneralDate(*PartsToOleDate(p)));
        const auto date = PartsToOleDate(p);
        ASSERT_TRUE(date);
        EXPECT_EQ(OleDateToParts(*date), p);
        EXPECT_EQ(ParseGeneralDate(GeneralDate(*date)), date);
    }
}

TEST(OleDate, RollOverAsCalendarArithmetic) {
    EXPECT_EQ(RollOleDate(2025, 13, 1, 0, 0, 0), MakeOleDate(2026, 1, 1, 0, 0, 0));
    EXPECT_EQ(RollOleDate(2025, 1, 32, 0, 0, 0), MakeOleDate(2025, 2, 1, 0, 0, 0));
    EXPECT_EQ(RollOleDate(2024, 2, 30, 0, 0, 0), MakeOleDate(2024, 3, 1, 0, 0, 0));
    EXPECT_EQ(RollOleDate(2025, 3, 0, 0, 0, 0), MakeOleDate(2025, 2, 28, 0, 0, 0));
    EXPECT_EQ(RollOleDate(2025, 0, 15, 0, 0, 0), MakeOleDate(2024, 12, 15, 0, 0, 0));
    EXPECT_EQ(RollOleDate(2025, 12, 31, 24, 0, 0), MakeOleDate(2026, 1, 1, 0, 0, 0));
    EXPECT_EQ(RollOleDate(2025, 1, 1, 0, 0, -1), MakeOleDate(2024, 12, 31, 23, 59, 59));
    EXPECT_EQ(RollOleDate(2000, 99, 99, 99, 99, 99), MakeOleDate(2008, 6, 11, 4, 40, 39));
    // Beyond the range, and values that would overflow naive arithmetic.
    EXPECT_FALSE(RollOleDate(9999, 12, 32, 0, 0, 0));
    EXPECT_FALSE(RollOleDate(99, 12, 31, 0, 0, 0));
    EXPECT_FALSE(RollOleDate(std::numeric_limits<int>::max(), std::numeric_limits<int>::max(),
                             std::numeric_limits<int>::max(), std::numeric_limits<int>::max(),
                             std::numeric_limits<int>::max(), std::numeric_limits<int>::max()));
    EXPECT_FALSE(
        RollOleDate(std::numeric_limits<int>::min(), std::numeric_limits<int>::min(), 1, 0, 0, 0));
}

TEST(OleDate, StrictConstructionRefusesFieldsOutOfRange) {
    EXPECT_FALSE(MakeOleDate(2025, 13, 1, 0, 0, 0));
    EXPECT_FALSE(MakeOleDate(2025, 0, 1, 0, 0, 0));
    EXPECT_FALSE(MakeOleDate(2025, 2, 29, 0, 0, 0));
    EXPECT_TRUE(MakeOleDate(2024, 2, 29, 0, 0, 0));
    EXPECT_FALSE(MakeOleDate(1900, 2, 29, 0, 0, 0));
    EXPECT_FALSE(MakeOleDate(2025, 4, 31, 0, 0, 0));
    EXPECT_FALSE(MakeOleDate(2025, 1, 1, 24, 0, 0));
    EXPECT_FALSE(MakeOleDate(2025, 1, 1, 0, 60, 0));
    EXPECT_FALSE(MakeOleDate(2025, 1, 1, 0, 0, -1));
    EXPECT_FALSE(MakeOleDate(10000, 1, 1, 0, 0, 0));
}

TEST(OleDate, ConversionToPartsRoundsToTheSecondAndRefusesNonDates) {
    const double almostMidnight = *MakeOleDate(2025, 1, 1, 23, 59, 59) + 0.9 / 86400;
    EXPECT_EQ(GeneralDate(almostMidnight), "2025/01/02 00:00:00");
    for (double bad : {std::nan(""), std::numeric_limits<double>::infinity(), -1e300, 1e300,
                       2958466.0, -657435.0}) {
        EXPECT_FALSE(OleDateToParts(bad));
        EXPECT_EQ(GeneralDate(bad), "");
    }
}

TEST(OleDate, GeneralDateParser) {
    EXPECT_EQ(ParseGeneralDate("2025/01/02 03:04:05"), MakeOleDate(2025, 1, 2, 3, 4, 5));
    EXPECT_EQ(ParseGeneralDate(" 2025/1/2 3:04 "), MakeOleDate(2025, 1, 2, 3, 4, 0));
    EXPECT_EQ(ParseGeneralDate("2025/12/31"), MakeOleDate(2025, 12, 31, 0, 0, 0));
    for (const char* text : {"", "2025", "2025/13/01 00:00:00", "2025/02/30", "25/01/02",
                             "2025-01-02 03:04:05", "2025/01/02 3", "2025/01/02 03:04:05x",
                             "2025/01/02 24:00:00", "2025/01/02 03:4", "2025/01/02T03:04"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(ParseGeneralDate(text));
    }
}

}  // namespace
}  // namespace vq
