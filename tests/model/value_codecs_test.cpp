#include "model/value_codecs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "model/instrument.h"

namespace vq {
namespace {

TEST(HexSingle, KnownPatternsAndRoundTrips) {
    EXPECT_EQ(SingleToHex(1.0f), "3F800000");
    EXPECT_EQ(SingleToHex(-101.0f), "C2CA0000");
    EXPECT_EQ(SingleToHex(0.0f), "00000000");
    EXPECT_EQ(SingleToHex(-0.0f), "80000000");
    EXPECT_EQ(HexToSingle("C2CA0000"), -101.0f);
    EXPECT_EQ(HexToSingle("3f800000"), 1.0f);
    for (float v :
         {0.0f, -101.0f, 0.1f, 12.345f, -3.5e-7f, std::numeric_limits<float>::max(),
          std::numeric_limits<float>::denorm_min(), std::numeric_limits<float>::infinity()}) {
        SCOPED_TRACE(v);
        EXPECT_EQ(HexToSingle(SingleToHex(v)), v);
    }
    const auto nan = HexToSingle("7FC00000");
    ASSERT_TRUE(nan);
    EXPECT_TRUE(std::isnan(*nan));
    EXPECT_EQ(SingleToHex(*nan), "7FC00000");
}

TEST(HexSingle, RefusesTextThatIsNotEightHexDigits) {
    for (const char* text : {"", "3F80000", "3F8000000", "3F80000G", "-3F80000", "0x3F8000",
                             "3F80 000", "nan", "\x80\x81\x82\x83\x84\x85\x86\x87"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(HexToSingle(text));
    }
    EXPECT_EQ(HexPad2("A"), "0A");
    EXPECT_EQ(HexPad2("AB"), "AB");
    EXPECT_EQ(HexPad2(""), "");
}

TEST(ReservedValues, TextsAndUnsignedForms) {
    EXPECT_EQ(ReservedValueText(-101), "-----");
    EXPECT_EQ(ReservedValueText(65535), "-----");
    EXPECT_EQ(ReservedValueText(65287), "?????");
    EXPECT_EQ(ReservedValueText(56797), "*****");
    EXPECT_EQ(ReservedValueText(-157), "Fail(CLO.)");
    EXPECT_EQ(ReservedValueText(-180), "AIR");
    // Codes are exact: a near value, a gap in the table, or a measured value is not reserved.
    EXPECT_FALSE(IsReservedValue(-101.5f));
    EXPECT_FALSE(IsReservedValue(-108));
    EXPECT_FALSE(IsReservedValue(-140));
    EXPECT_FALSE(IsReservedValue(0));
    EXPECT_FALSE(IsReservedValue(std::nanf("")));
}

TEST(NumberFormat, RoundsTheDecimalValueHalfAwayFromZero) {
    EXPECT_EQ(FormatNumber(12.345f, 2), "12.35");  // binary value is 12.3449997...
    EXPECT_EQ(FormatNumber(1.005f, 2), "1.01");
    EXPECT_EQ(FormatNumber(2.5f, 0), "3");
    EXPECT_EQ(FormatNumber(-2.5f, 0), "-3");
    EXPECT_EQ(FormatNumber(9.995f, 2), "10.00");
    EXPECT_EQ(FormatNumber(99.96f, 1), "100.0");
    EXPECT_EQ(FormatNumber(0.04f, 1), "0.0");
    EXPECT_EQ(FormatNumber(-0.04f, 1), "0.0");  // no "-0.0"
    EXPECT_EQ(FormatNumber(0.00001f, 5), "0.00001");
    EXPECT_EQ(FormatNumber(5.0f, 3), "5.000");
    EXPECT_EQ(FormatNumber(0.125, 2), "0.13");
    EXPECT_EQ(FormatNumber(1e20f, 0), "100000000000000000000");
    EXPECT_EQ(FormatNumber(std::numeric_limits<double>::max(), 1).size(), 311u);
    EXPECT_EQ(FormatNumber(std::nanf(""), 2), "nan");
    EXPECT_EQ(FormatNumber(12.5f, 42), "13");  // unknown decimals count as 0
}

TEST(NumberFormat, FormatStringsAndDecimalFormat) {
    EXPECT_EQ(DecimalFormat(0), "#0");
    EXPECT_EQ(DecimalFormat(3), "#0.000");
    EXPECT_EQ(DecimalFormat(9), "#0.000000000");
    EXPECT_EQ(DecimalFormat(10), "");
    EXPECT_EQ(DecimalFormat(-101), "");
    EXPECT_EQ(FormatNumber(12.345f, "#0.00"), "12.35");
    EXPECT_EQ(FormatNumber(7.0f, "#0"), "7");
    EXPECT_EQ(FormatNumber(0.1f, ""), "0.1");
    EXPECT_EQ(SingleText(0.1f), "0.1");
    EXPECT_EQ(SingleText(-101.0f), "-101");
    EXPECT_EQ(DoubleText(0.1), "0.1");
}

TEST(ValueTextAndLevels, ReservedCodesWinOverFormatting) {
    EXPECT_EQ(ValueText(-104, 2, false, 1.0), "ALARM");
    EXPECT_EQ(ValueText(-104, 0, true, 2.0), "ALARM");
    EXPECT_EQ(ValueText(65535, 1, false, 1.0), "-----");
    EXPECT_EQ(ValueText(12.345f, 2, false, 1.0), "12.35");
    EXPECT_EQ(ValueText(12.345f, 2, true, 1.0), "12.35");
    EXPECT_EQ(ValueText(12.5f, 1, true, 10000.0), "125000.0");
    EXPECT_EQ(ValueText(12.5f, 4, false, 1.0), "13");
    EXPECT_EQ(ValueText(-5.0f, 1, false, 1.0), "-5.0");
}

TEST(ValueTextAndLevels, LevelText5IsFiveCharacters) {
    EXPECT_EQ(LevelText5(5, 1), "  5.0");
    EXPECT_EQ(LevelText5(25, 1), " 25.0");
    EXPECT_EQ(LevelText5(500, 0), "  500");
    EXPECT_EQ(LevelText5(0.05f, 2), " 0.05");
    EXPECT_EQ(LevelText5(100, 7), "  100");
    EXPECT_EQ(LevelText5(-1, 1), "*****");
    EXPECT_EQ(LevelText5(-101, 1), "*****");
    EXPECT_EQ(LevelText5(std::nanf(""), 1), "*****");
    EXPECT_EQ(LevelText5(std::numeric_limits<float>::infinity(), 1), "*****");
    // Too wide: the leading digits are lost, which LevelFits5 reports.
    EXPECT_EQ(LevelText5(1000, 2), "00.00");
    EXPECT_FALSE(LevelFits5(1000, 2));
    EXPECT_TRUE(LevelFits5(100, 1));
    EXPECT_FALSE(LevelFits5(100, 2));
}

TEST(ValueTextAndLevels, ParseLevelNumbersAndStatusWords) {
    EXPECT_EQ(ParseLevel("warning"), -103);
    EXPECT_EQ(ParseLevel("  WARN "), -103);
    EXPECT_EQ(ParseLevel("OVER"), -107);
    EXPECT_EQ(ParseLevel("ALRM"), -104);
    EXPECT_EQ(ParseLevel("stel"), -105);
    EXPECT_EQ(ParseLevel("TWA"), -106);
    EXPECT_EQ(ParseLevel("Normal"), -102);
    EXPECT_EQ(ParseLevel("12.5"), 12.5f);
    EXPECT_EQ(ParseLevel(" 25.0"), 25.0f);
    EXPECT_EQ(ParseLevel("*****"), -101);
    EXPECT_EQ(ParseLevel(""), -101);
    EXPECT_EQ(ParseLevel("WA"), -101);
    EXPECT_EQ(ParseLevel("1e39"), -101);  // beyond a single
}

TEST(ValueTextAndLevels, DecimalPlacesIntervalsAndSteps) {
    EXPECT_EQ(DecimalPlaces("0.05"), 2);
    EXPECT_EQ(DecimalPlaces("5"), 0);
    EXPECT_EQ(DecimalPlaces("1.2.3"), 3);
    EXPECT_EQ(DecimalPlaces(std::string(40000, '.')), 32767);
    EXPECT_EQ(IntervalIndex(10), 0);
    EXPECT_EQ(IntervalIndex(180), 4);
    EXPECT_EQ(IntervalIndex(600), 6);
    EXPECT_EQ(IntervalIndex(120), 5);
    EXPECT_EQ(IntervalIndex(-1), 5);
    EXPECT_EQ(RoundToStep(0.25f, 0.5f), 0.0f);
    EXPECT_EQ(RoundToStep(0.75f, 0.5f), 1.0f);
    EXPECT_EQ(RoundToStep(1.25f, 0.5f), 1.0f);
    EXPECT_EQ(RoundToStep(12.3f, 1.0f), 12.0f);
    EXPECT_EQ(RoundToStep(-5.0f, 1.0f), 0.0f);
    EXPECT_EQ(RoundToStep(5.0f, 0.0f), 0.0f);
    EXPECT_EQ(RoundToStep(std::nanf(""), 1.0f), 0.0f);
    EXPECT_EQ(RoundToStep(5.0f, std::nanf("")), 0.0f);
    EXPECT_EQ(FormatNumber(RoundToStep(0.3f, 0.1f), 1), "0.3");
}

TEST(GasTitles, FromTextsAndFromTheModel) {
    EXPECT_EQ(GasTitle("CH4", "%LEL", 100, 0), "CH4(100%LEL)");
    EXPECT_EQ(GasTitle("O2", "vol%", 25, 1), "O2(25.0vol%)");
    EXPECT_EQ(GasTitle("CO", "ppm", -1, 0), "CO(ppm)");
    EXPECT_EQ(GasTitle("   ", "ppm", 100, 0), "----(---)");
    EXPECT_EQ(GasTitle("H2S", "ppm", 30.5f, 42), "H2S(30.5ppm)");

    InstrumentModel model;
    EXPECT_EQ(ChannelTitle(model, 0, false), "----(---)");
    ASSERT_TRUE(
        DecodeGasRecord("CO         "
                        "  500"
                        "    1"
                        "ppm ",
                        model, 1));
    ASSERT_TRUE(
        DecodeGasRecord("CO         "
                        "  500"
                        "    1"
                        "ppm ",
                        model, 4));
    EXPECT_EQ(ChannelTitle(model, 1, false), "CO(500ppm)");
    EXPECT_EQ(ChannelTitle(model, 1, true), "CO(ppm)");
    EXPECT_EQ(ChannelTitle(model, 4, false), "CO(ppm)");
    EXPECT_EQ(ChannelTitle(model, 7, false), "----(---)");
}

TEST(GasRecord, DecodesFieldsAndTheBlankRecord) {
    InstrumentModel model;
    ASSERT_TRUE(
        DecodeGasRecord("H2S        "
                        " 30.0"
                        "  0.5"
                        "ppm ",
                        model, 2));
    EXPECT_EQ(model.GasName(2), "H2S");
    EXPECT_TRUE(model.GasEnabled(2));
    EXPECT_EQ(model.GasFullScale(2), 30.0f);
    EXPECT_EQ(model.Resolution(2), 0.5f);
    EXPECT_EQ(model.GasPoint(2), 1);
    EXPECT_EQ(model.GasUnit(2), "ppm");

    ASSERT_TRUE(DecodeGasRecord(std::string(25, '*'), model, 2));
    EXPECT_EQ(model.GasName(2), "");
    EXPECT_FALSE(model.GasEnabled(2));
    EXPECT_EQ(model.GasFullScale(2), -101.0f);
    EXPECT_EQ(model.Resolution(2), 0.0f);
    EXPECT_EQ(model.GasPoint(2), -101);
    EXPECT_EQ(model.GasUnit(2), "");
}

TEST(GasRecord, BadRecordsReportAConversionError) {
    InstrumentModel model;
    // Wrong length: nothing stored.
    EXPECT_FALSE(
        DecodeGasRecord("CO         "
                        "  500"
                        "    1"
                        "ppm",
                        model, 0));
    EXPECT_EQ(model.GasName(0), "");
    // Non-numeric full scale: the name before it stays stored, nothing after it.
    EXPECT_FALSE(
        DecodeGasRecord("CO         "
                        "*****"
                        "    1"
                        "ppm ",
                        model, 0));
    EXPECT_EQ(model.GasName(0), "CO");
    EXPECT_EQ(model.GasFullScale(0), -101.0f);
    EXPECT_EQ(model.GasUnit(0), "");
    EXPECT_FALSE(
        DecodeGasRecord("CO         "
                        "  500"
                        " 1e99"
                        "ppm ",
                        model, 0));
    EXPECT_FALSE(
        DecodeGasRecord("CO         "
                        "  500"
                        ",,,,,"
                        "ppm ",
                        model, 0));
    // Outside the channel table: accepted, nothing changes.
    EXPECT_TRUE(
        DecodeGasRecord("CO         "
                        "  500"
                        "    1"
                        "ppm ",
                        model, 5));
    EXPECT_EQ(model.GasName(5), "");
}

}  // namespace
}  // namespace vq
