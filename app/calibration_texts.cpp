#include "app/calibration_texts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/update_validation.h"
#include "messages/messages.h"
#include "model/instrument.h"
#include "model/numeric.h"
#include "model/ole_date.h"
#include "model/setting_rules.h"
#include "model/text_rules.h"
#include "model/value_codecs.h"

namespace vq {

namespace {

constexpr std::size_t kLevelWidth = 5;
constexpr int kOxygenChannel = 1;  // the N2 step is sent the oxygen reading
constexpr int kRangeChannel = 4;   // the second combustible channel the N2 step adjusts
constexpr const char* kInstrumentModel = "VQ-5100";

std::string rightAligned(std::string text, std::size_t width) {
    if (text.size() < width) text.insert(0, width - text.size(), ' ');
    return text;
}

// Two channels may carry the same gas (two CH4 sensors): the channel number tells them apart.
std::string onChannel(int channel, const std::string& gas) {
    return ResMessage(msg::CalChannelGas, {std::to_string(channel + 1), gas});
}

std::string gasName(const InstrumentModel& cal, int channel) {
    return onChannel(channel, ShownText(TrimText(cal.GasName(channel))));
}

std::string failedLine(const InstrumentModel& cal, int channel, float reading) {
    return ResMessage(msg::CalibrationRunFailed,
                      {gasName(cal, channel), ChannelValueText(cal, channel, reading)});
}

std::string passedLine(const InstrumentModel& cal, int channel) {
    return gasName(cal, channel) + "  " + ResMessage(msg::AdjustmentComplete);
}

// The concentrations a channel takes: from its lower bound (warning level or fixed limit) up to
// full scale, or for oxygen, which falls towards danger, from 0 up to its bound.
std::string allowedRange(const InstrumentModel& cal, const InstrumentModel& limits, int channel) {
    const float fullScale = cal.GasFullScale(channel);
    const AutoCalBound bound = AutoCalLimit(limits, channel);
    const float low = bound.atMost ? 0.0f : std::max(0.0f, bound.bound);
    const float high = bound.atMost ? std::min(fullScale, bound.bound) : fullScale;
    return ResMessage(msg::RefusedRange, {TrimText(ChannelValueText(cal, channel, low)),
                                          TrimText(ChannelValueText(cal, channel, high))});
}

AutoCalEdit refused(std::string notice) {
    return {AutoCalEdit::Rejected, 0.0f, std::move(notice)};
}

}  // namespace

std::string ZeroChannelText() {
    return std::string(kCalChannels, '1');
}

std::string SpanChannelText(const InstrumentModel& cal, const ChannelFlags& selection) {
    std::string text;
    for (bool selected : selection) text += selected ? '1' : '0';
    for (int ch = 0; ch < kCalChannels; ++ch) {
        text += ',';
        text += selection[static_cast<std::size_t>(ch)]
                    ? LevelText5(cal.AutoCalib(ch), cal.GasPoint(ch))
                    : std::string(kLevelWidth, '*');
    }
    return text;
}

std::string N2ChannelText(const InstrumentModel& cal, const ChannelReadings& readings) {
    return rightAligned(
        ChannelValueText(cal, kOxygenChannel, readings[static_cast<std::size_t>(kOxygenChannel)]),
        kLevelWidth);
}

bool CalibrationUsable(const InstrumentModel& cal, int channel) {
    return cal.GasEnabled(channel) && cal.AutoCalib(channel) >= 0;
}

ChannelFlags ListedChannels(const ChannelFlags& usable, const ChannelFlags& selection,
                            bool zeroRun) {
    ChannelFlags listed{};
    for (std::size_t ch = 0; ch < listed.size(); ++ch)
        listed[ch] = selection[ch] || (zeroRun && usable[ch]);
    return listed;
}

AutoCalEdit EvaluateAutoCalEdit(const InstrumentModel& cal, const InstrumentModel& limits,
                                int channel, std::string_view text) {
    const std::string trimmed = TrimText(text);
    if (trimmed.empty()) return {AutoCalEdit::Cleared, levelNoValue, {}};
    if (const auto number = ParseSingle(text)) {
        const float typed = *number;
        const float fullScale = cal.GasFullScale(channel);
        if (typed < 0 || typed > fullScale || !CheckAutoCalValue(limits, channel, typed))
            return refused(allowedRange(cal, limits, channel));
        // Without a known resolution there is no step to round to: the value is kept as typed
        // rather than rounded to nothing.
        const float step = cal.Resolution(channel);
        const float stored = step > 0 ? RoundToStep(typed, step) : typed;
        if (stored > fullScale) return refused(allowedRange(cal, limits, channel));
        if (!LevelFits5(stored, cal.GasPoint(channel)))
            return refused(ResMessage(msg::RefusedTooWide, {trimmed}));
        AutoCalEdit edit{AutoCalEdit::Stored, stored, {}};
        // A step that is not exact in binary leaves a trace below it: only a real change is told.
        if (step > 0 && std::fabs(stored - typed) > step / 1000)
            edit.notice =
                ResMessage(msg::RoundedNotice,
                           {SingleText(typed), TrimText(ChannelValueText(cal, channel, stored)),
                            TrimText(SingleText(step))});
        return edit;
    }
    if (trimmed.find("--") != std::string::npos) return {AutoCalEdit::Stored, 0.0f, {}};
    return refused(ResMessage(msg::RefusedNotNumber, {trimmed}));
}

std::string ChannelValueText(const InstrumentModel& cal, int channel, float value) {
    return ValueText(value, cal.GasPoint(channel), false, 1.0);
}

std::string CalibResultText(const InstrumentModel& cal, const ChannelFlags& listed,
                            const ChannelFlags& results, const ChannelFlags& usable,
                            const ChannelReadings& readings) {
    std::string text;
    for (int ch = 0; ch < kCalChannels; ++ch) {
        const auto i = static_cast<std::size_t>(ch);
        if (!listed[i]) continue;
        text += results[i] ? passedLine(cal, ch)
                           : failedLine(cal, ch, usable[i] ? readings[i] : levelNoValue);
        text += "\r\n";
    }
    return text;
}

std::string SpanGasList(const InstrumentModel& cal, const ChannelFlags& selection) {
    std::string text;
    for (int ch = 0; ch < kCalChannels; ++ch) {
        if (!selection[static_cast<std::size_t>(ch)]) continue;
        std::string amount = ChannelValueText(cal, ch, cal.AutoCalib(ch));
        if (const std::string unit = TrimText(cal.GasUnit(ch)); !unit.empty())
            amount += " " + ShownText(unit);
        text += ResMessage(msg::SpanChannelLine,
                           {std::to_string(ch + 1), ShownText(TrimText(cal.GasName(ch))), amount}) +
                "\r\n";
    }
    return text;
}

std::string N2ResultText(const InstrumentModel& cal, bool passed, bool usable,
                         const ChannelReadings& readings) {
    const float reading = usable ? readings[static_cast<std::size_t>(kRangeChannel)] : levelNoValue;
    return (passed ? passedLine(cal, kRangeChannel) : failedLine(cal, kRangeChannel, reading)) +
           "\r\n";
}

CalReportContent BuildCalReport(const InstrumentModel& instrument, const InstrumentModel& cal,
                                const InstrumentModel& history, const ChannelFlags& listed,
                                const ChannelFlags& results, bool zeroRun, double date) {
    CalReportContent report;
    report.title = ResMessage(msg::ReportTitle);  // "Calibration Report"
    report.runKind = ResMessage(zeroRun ? msg::ZeroCalibrationRun
                                        : msg::SpanCalibrationRun);  // "Zero/Span calibration"
    report.identity = {
        {ResMessage(msg::ReportInstrument), kInstrumentModel},
        {ResMessage(msg::RomHeading), std::to_string(instrument.RomNumber())},
        {ResMessage(msg::SerialNoHeading), ShownText(instrument.SerialNo())},
        {ResMessage(msg::StationIdHeading), ShownText(instrument.StationID())},
        {ResMessage(msg::UserIdHeading), ShownText(instrument.UserID())},
        {ResMessage(msg::ReportDate), GeneralDate(date)},
    };
    report.headings = {ResMessage(msg::GasColumn), ResMessage(msg::ReportGasColumn),
                       ResMessage(msg::ReportBeforeColumn), ResMessage(msg::ReportAfterColumn),
                       ResMessage(msg::ReportResultColumn)};
    for (int ch = 0; ch < kCalChannels; ++ch) {
        const auto i = static_cast<std::size_t>(ch);
        if (!listed[i]) continue;
        CalReportRow row;
        row.gas = onChannel(ch, GasTitle(ShownText(cal.GasName(ch)), ShownText(cal.GasUnit(ch)),
                                         cal.GasFullScale(ch), cal.GasPoint(ch)));
        row.concentration = ChannelValueText(cal, ch, zeroRun ? 0.0f : cal.AutoCalib(ch));
        row.before = ChannelValueText(cal, ch, history.CalibBefore(ch));
        row.after = ChannelValueText(cal, ch, history.CalibAfter(ch));
        row.passed = results[i];
        row.result = ResMessage(row.passed ? msg::AdjustmentComplete : msg::ReportFailed);
        report.rows.push_back(std::move(row));
    }
    return report;
}

std::string CalReportFileName(const InstrumentModel& instrument, double date) {
    std::string serial = TrimText(instrument.SerialNo());
    for (char& c : serial) {
        const bool plain = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
                           (c >= 'a' && c <= 'z') || c == '-' || c == '.';
        if (!plain) c = '_';
    }
    std::string stamp;
    if (const auto parts = OleDateToParts(date)) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%04d%02d%02d_%02d%02d%02d", parts->year, parts->month,
                      parts->day, parts->hour, parts->minute, parts->second);
        stamp = buffer;
    }
    std::string name = "Calibration";
    if (!serial.empty()) name += "_" + serial;
    if (!stamp.empty()) name += "_" + stamp;
    return name + ".pdf";
}

}  // namespace vq
