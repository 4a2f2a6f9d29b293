// The calibration texts: what a zero, span and N2 step send, the rules of a typed
// concentration, the result lines and the report content.

#include "app/calibration_texts.h"

#include <gtest/gtest.h>

#include "messages/messages.h"
#include "model/instrument.h"
#include "model/value_codecs.h"

namespace vq {
namespace {

struct Gas {
    const char* name;
    float fullScale;
    float resolution;
    int16_t decimals;
    const char* unit;
    float autoCal;
};

InstrumentModel calModel(std::initializer_list<Gas> gases) {
    InstrumentModel cal;
    int ch = 0;
    for (const Gas& g : gases) {
        cal.setGasName(ch, g.name);
        cal.setGasEnabled(ch, g.name[0] != '\0');
        cal.setGasFullScale(ch, g.fullScale);
        cal.setResolution(ch, g.resolution);
        cal.setGasPoint(ch, g.decimals);
        cal.setGasUnit(ch, g.unit);
        cal.setAutoCalib(ch, g.autoCal);
        ++ch;
    }
    return cal;
}

// CH4 at 50.0 with one decimal, O2, H2S at 100 without decimals, CO without a concentration,
// and no gas on channel 4.
InstrumentModel sample() {
    return calModel({{"CH4", 100, 0.1f, 1, "%LEL", 50},
                     {"O2", 25, 0.1f, 1, "VOL%", 12},
                     {"H2S", 200, 1, 0, "ppm", 100},
                     {"CO", 500, 0.5f, 1, "ppm", levelNoValue},
                     {"", 0, 0, 0, "", levelNoValue}});
}

class CalibrationTexts : public ::testing::Test {
  protected:
    void SetUp() override { setLanguage(Language::English); }
    void TearDown() override { setLanguage(languageFromEnvironment()); }
};

TEST_F(CalibrationTexts, ChannelTextsOfZeroSpanAndN2) {
    const InstrumentModel cal = sample();
    EXPECT_EQ(ZeroChannelText(), "11111");
    EXPECT_EQ(SpanChannelText(cal, {true, false, true, false, false}),
              "10100, 50.0,*****,  100,*****,*****");
    EXPECT_EQ(SpanChannelText(cal, {true, false, false, false, false}),
              "10000, 50.0,*****,*****,*****,*****");
    EXPECT_EQ(SpanChannelText(cal, {}), "00000,*****,*****,*****,*****,*****");
    EXPECT_EQ(N2ChannelText(cal, {0, 20.9f, 0, 0, 0}), " 20.9");
    EXPECT_EQ(N2ChannelText(cal, {0, 5, 0, 0, 0}), "  5.0");
}

TEST_F(CalibrationTexts, UsableAndListedChannels) {
    const InstrumentModel cal = sample();
    const ChannelFlags usable{true, true, true, false, false};
    for (int ch = 0; ch < kCalChannels; ++ch)
        EXPECT_EQ(CalibrationUsable(cal, ch), usable[static_cast<std::size_t>(ch)]) << ch;
    const ChannelFlags selection{false, true, false, false, false};
    EXPECT_EQ(ListedChannels(usable, selection, true), usable);
    EXPECT_EQ(ListedChannels(usable, selection, false), selection);
}

TEST_F(CalibrationTexts, ConcentrationIsRoundedToTheResolutionAndBoundedByFullScale) {
    InstrumentModel cal = sample();
    const InstrumentModel limits;  // no warning levels: the fixed lower limits apply
    auto edit = [&](int ch, std::string_view text) {
        return EvaluateAutoCalEdit(cal, limits, ch, text);
    };
    cal.setResolution(0, 0.5f);
    AutoCalEdit e = edit(0, "12.34");
    EXPECT_EQ(e.kind, AutoCalEdit::Stored);
    EXPECT_EQ(e.value, 12.5f);
    EXPECT_EQ(edit(0, " 100 ").value, 100.0f);
    EXPECT_EQ(edit(0, "100.1").kind, AutoCalEdit::Rejected);  // above full scale
    EXPECT_EQ(edit(0, "-5").kind, AutoCalEdit::Rejected);
    EXPECT_EQ(edit(0, "9").kind, AutoCalEdit::Rejected);  // under the lowest span gas
    EXPECT_EQ(edit(0, "12,5").kind, AutoCalEdit::Rejected);
    EXPECT_EQ(edit(0, "abc").kind, AutoCalEdit::Rejected);
    EXPECT_EQ(edit(0, "").kind, AutoCalEdit::Cleared);
    EXPECT_EQ(edit(0, "  ").value, levelNoValue);
    e = edit(0, "-----");
    EXPECT_EQ(e.kind, AutoCalEdit::Stored);
    EXPECT_EQ(e.value, 0.0f);

    // Rounding must not carry the value over full scale.
    cal.setGasFullScale(0, 99.9f);
    EXPECT_EQ(edit(0, "99.8").kind, AutoCalEdit::Rejected);  // 100 after rounding
    // Without a known resolution the value is kept, not rounded to nothing.
    cal.setResolution(0, 0);
    EXPECT_EQ(edit(0, "33.3").value, 33.3f);
    // A value the five-character field cannot carry is refused, not cut on the wire.
    cal.setGasFullScale(2, 1000);
    cal.setGasPoint(2, 2);
    cal.setResolution(2, 0.01f);
    EXPECT_EQ(edit(2, "999.9").kind, AutoCalEdit::Rejected);  // "999.90"
    e = edit(2, "99.99");
    EXPECT_EQ(e.kind, AutoCalEdit::Stored);
    EXPECT_EQ(LevelText5(e.value, 2), "99.99");
}

TEST_F(CalibrationTexts, ConcentrationHonoursTheWarningLevel) {
    const InstrumentModel cal = sample();
    InstrumentModel limits;
    limits.setGasName(1, "O2");
    limits.setWarning(0, 20);
    limits.setWarning(1, 19.5f);
    EXPECT_EQ(EvaluateAutoCalEdit(cal, limits, 0, "15").kind, AutoCalEdit::Rejected);
    EXPECT_EQ(EvaluateAutoCalEdit(cal, limits, 0, "20").kind, AutoCalEdit::Stored);
    // Oxygen falls towards danger: its span gas must lie below the warning level.
    EXPECT_EQ(EvaluateAutoCalEdit(cal, limits, 1, "20.9").kind, AutoCalEdit::Rejected);
    EXPECT_EQ(EvaluateAutoCalEdit(cal, limits, 1, "12").kind, AutoCalEdit::Stored);
}

// Every refusal names its reason: the whole allowed range (full scale with the warning level or
// the fixed limit; for oxygen, 0 up to its bound), "not a number" or the five-character field.
// A rounded value says so; a value kept as typed says nothing.
TEST_F(CalibrationTexts, ConcentrationEditsSayWhyTheyAreRefusedOrRounded) {
    InstrumentModel cal = sample();
    InstrumentModel limits;
    limits.setGasName(1, "O2");
    limits.setWarning(0, 20);
    limits.setWarning(1, 19.5f);  // channel 2 has no warning level: its fixed limit of 10 holds
    struct Case {
        int ch;
        const char* typed;
        AutoCalEdit::Kind kind;
        const char* notice;
    };
    const Case cases[] = {
        {0, "150", AutoCalEdit::Rejected, "Out of range: 20.0 to 100.0."},
        {0, "-5", AutoCalEdit::Rejected, "Out of range: 20.0 to 100.0."},
        {0, "15", AutoCalEdit::Rejected, "Out of range: 20.0 to 100.0."},
        {1, "20.9", AutoCalEdit::Rejected, "Out of range: 0.0 to 19.5."},
        {2, "5", AutoCalEdit::Rejected, "Out of range: 10 to 200."},
        {0, " abc ", AutoCalEdit::Rejected, "\"abc\" is not a number."},
        {0, "12,5", AutoCalEdit::Rejected, "\"12,5\" is not a number."},
        {0, "50.04", AutoCalEdit::Stored,
         "50.04 was rounded to 50.0 (the channel's resolution is 0.1)."},
        {2, "100.4", AutoCalEdit::Stored,
         "100.4 was rounded to 100 (the channel's resolution is 1)."},
        {0, "50.1", AutoCalEdit::Stored, ""},
        {1, "12.3", AutoCalEdit::Stored, ""},
        {0, "", AutoCalEdit::Cleared, ""},
    };
    for (const Case& c : cases) {
        const AutoCalEdit e = EvaluateAutoCalEdit(cal, limits, c.ch, c.typed);
        EXPECT_EQ(e.kind, c.kind) << c.typed;
        EXPECT_EQ(e.notice, c.notice) << c.typed;
    }
    // Rounded over full scale: the range again, with full scale as it is.
    cal.setGasFullScale(0, 99.9f);
    cal.setResolution(0, 0.5f);
    EXPECT_EQ(EvaluateAutoCalEdit(cal, limits, 0, "99.8").notice, "Out of range: 20.0 to 99.9.");
    cal.setGasFullScale(2, 1000);
    cal.setGasPoint(2, 2);
    cal.setResolution(2, 0.01f);
    EXPECT_EQ(EvaluateAutoCalEdit(cal, limits, 2, "999.9").notice,
              "999.9 does not fit the instrument's five-character field.");
}

TEST_F(CalibrationTexts, ResultLinesNameOnlyListedChannels) {
    const InstrumentModel cal = sample();
    const ChannelFlags usable{true, true, true, false, false};
    const ChannelReadings readings{3.25f, 20.9f, 7, 4, 9};
    // Zero run: CO and the empty channel are not usable and never listed.
    EXPECT_EQ(CalibResultText(cal, ListedChannels(usable, {}, true),
                              {true, false, true, false, false}, usable, readings),
              "CH4 (channel 1)  Adjustment Complete.\r\nO2 (channel 2)(20.9) Failed\r\n"
              "H2S (channel 3)  Adjustment Complete.\r\n");
    // A listed channel that is not usable quotes no reading.
    EXPECT_EQ(CalibResultText(cal, {false, false, false, true, false}, {}, usable, readings),
              "CO (channel 4)(-----) Failed\r\n");
    EXPECT_EQ(CalibResultText(cal, {}, {true, true, true, true, true}, usable, readings), "");
    // The N2 step reports channel 4.
    InstrumentModel te = sample();
    te.setGasName(4, "CH4");
    te.setGasPoint(4, 0);
    EXPECT_EQ(N2ResultText(te, true, true, readings), "CH4 (channel 5)  Adjustment Complete.\r\n");
    EXPECT_EQ(N2ResultText(te, false, true, readings), "CH4 (channel 5)(9) Failed\r\n");
    EXPECT_EQ(N2ResultText(te, false, false, readings), "CH4 (channel 5)(-----) Failed\r\n");
}

TEST_F(CalibrationTexts, TwoChannelsOfOneGasAreToldApartByTheirNumbers) {
    InstrumentModel cal = sample();
    cal.setGasName(4, "CH4");
    cal.setGasEnabled(4, true);
    cal.setGasFullScale(4, 100);
    cal.setResolution(4, 1);
    cal.setGasUnit(4, "VOL%");
    cal.setAutoCalib(4, 60);
    const ChannelReadings readings{};
    EXPECT_EQ(
        CalibResultText(cal, {true, false, false, false, true}, {true, false, false, false, true},
                        {true, true, true, false, true}, readings),
        "CH4 (channel 1)  Adjustment Complete.\r\nCH4 (channel 5)  Adjustment Complete.\r\n");
    // The span gas to apply: number, gas, concentration with its decimals, unit; only the
    // selected channels.
    EXPECT_EQ(SpanGasList(cal, {true, false, true, false, true}),
              "  Channel 1  CH4  50.0 %LEL\r\n  Channel 3  H2S  100 ppm\r\n"
              "  Channel 5  CH4  60 VOL%\r\n");
    EXPECT_EQ(SpanGasList(cal, {}), "");
    setLanguage(Language::Japanese);
    EXPECT_EQ(CalibResultText(cal, {true, false, false, false, false}, {}, {}, readings),
              ResMessage(msg::CalibrationRunFailed, {"CH4 (チャンネル 1)", "-----"}) + "\r\n");
}

TEST_F(CalibrationTexts, ReportHasARowPerCalibratedChannelInTheLanguageInUse) {
    const InstrumentModel cal = sample();
    InstrumentModel instrument;
    instrument.setSerialNo("SN 0042/7");
    InstrumentModel history;
    history.setCalibBefore(0, 48.2f);
    history.setCalibAfter(0, 50);
    history.setCalibBefore(2, 91);
    history.setCalibAfter(2, 100);
    const double date = 46363.5;  // 2026-12-07 12:00:00
    CalReportContent r = BuildCalReport(instrument, cal, history, {true, false, true, false, false},
                                        {true, false, false, false, false}, false, date);
    ASSERT_EQ(r.rows.size(), 2u);
    EXPECT_EQ(r.runKind, "Span calibration");
    EXPECT_EQ(r.rows[0].gas, "CH4(100.0%LEL) (channel 1)");
    EXPECT_EQ(r.rows[0].concentration, "50.0");
    EXPECT_EQ(r.rows[0].before, "48.2");
    EXPECT_EQ(r.rows[0].after, "50.0");
    EXPECT_EQ(r.rows[0].result, "Adjustment Complete.");
    EXPECT_TRUE(r.rows[0].passed);
    EXPECT_EQ(r.rows[1].gas, "H2S(200ppm) (channel 3)");
    EXPECT_EQ(r.rows[1].result, "Failed");
    EXPECT_FALSE(r.rows[1].passed);
    bool dateShown = false, serialShown = false;
    for (const auto& [label, value] : r.identity) {
        dateShown |= value == "2026/12/07 12:00:00";
        serialShown |= label == "Serial No." && value == instrument.SerialNo();
    }
    EXPECT_TRUE(dateShown);
    EXPECT_TRUE(serialShown);
    EXPECT_EQ(CalReportFileName(instrument, date), "Calibration_SN_0042_7_20261207_120000.pdf");

    // A zero run's gas is zero gas.
    r = BuildCalReport(instrument, cal, history, {true, false, false, false, false}, {true}, true,
                       date);
    EXPECT_EQ(r.rows.at(0).concentration, "0.0");

    setLanguage(Language::Japanese);
    r = BuildCalReport(instrument, cal, history, {true}, {false}, false, date);
    EXPECT_EQ(r.title, ResMessage(Language::Japanese, 9203));
    EXPECT_EQ(r.rows.at(0).result, ResMessage(Language::Japanese, 9211));
}

}  // namespace
}  // namespace vq
