#include "app/settings_csv.h"

#include <cmath>
#include <cstdlib>
#include <initializer_list>

#include "app/text_lines.h"
#include "messages/messages.h"
#include "model/instrument.h"
#include "model/numeric.h"
#include "model/ole_date.h"
#include "model/setting_rules.h"
#include "model/value_codecs.h"

namespace vq {

namespace {

// Header label ids of columns 10-33, in column order.
constexpr int settingLabelIds[] = {msg::AlarmPatternLabel,
                                   msg::CalIntervalCaption,
                                   msg::CalLimitDisplayLabel,
                                   msg::CalLimitCheckLabel,
                                   msg::IntervalTrendTimeCaption,
                                   msg::LoggerOverWriteLabel,
                                   msg::DestinationLabel,
                                   msg::HcSelectLabel,
                                   msg::OxyAlarmTypeLabel,
                                   msg::LcdBacklightTimeLabel,
                                   msg::AutoZeroLabel,
                                   msg::DemandZeroLabel,
                                   msg::AutoBackLightLabel,
                                   msg::MinimumFlowLabel,
                                   msg::PressureOffsetLabel,
                                   msg::AlarmFunctionLabel,
                                   msg::StelTwaFunctionLabel,
                                   msg::BumpTestTimeLabel,
                                   msg::BumpTestThresholdLabel,
                                   msg::CalTimeAfterBumpFailLabel,
                                   msg::CalAfterBumpFailLabel,
                                   msg::LcBhModeLabel,
                                   msg::BarHoleTimeLabel,
                                   msg::LeakCheckBuzzerLabel};
// The nine columns of each gas channel.
constexpr int channelLabelIds[] = {
    msg::GasColumn,         msg::WarningColumn,       msg::AlarmColumn,
    msg::StelColumn,        msg::TwaColumn,           msg::AutoCalColumn,
    msg::LastCalDateColumn, msg::BeforeLastCalColumn, msg::AfterLastCalColumn};

constexpr const char* noValueText = "-----";

std::string onOff(int value) {
    return value == 1 ? "ON" : "OFF";
}

// The text of code `value` in a fixed list; empty for a code outside it.
std::string listText(int value, std::initializer_list<const char*> texts) {
    if (value < 0 || value >= static_cast<int>(texts.size())) return {};
    return texts.begin()[value];
}
std::string messageListText(int value, std::initializer_list<int> ids) {
    if (value < 0 || value >= static_cast<int>(ids.size())) return {};
    return ResMessage(ids.begin()[value]);
}

// "00012"; a negative number keeps its sign in front of the five digits.
std::string fiveDigits(int32_t value) {
    std::string digits = std::to_string(std::llabs(static_cast<long long>(value)));
    if (digits.size() < 5) digits.insert(0, 5 - digits.size(), '0');
    return value < 0 ? "-" + digits : digits;
}

// The instrument clock: now less the offset the read measured; now when there is no offset.
std::string instrumentTime(const clsInstrument& m, double now) {
    double offset = m.SysDateOffset();
    if (std::isfinite(offset)) {
        std::string text = GeneralDate(AddDays(now, -offset));
        if (!text.empty()) return text;
    }
    return GeneralDate(now);
}

void addChannelColumns(std::vector<std::string>& row, const clsInstrument& m, int ch) {
    if (!m.GasEnabled(ch)) {
        row.insert(row.end(), 9, noValueText);
        return;
    }
    const int16_t points = m.GasPoint(ch);
    row.push_back(m.GasName(ch));
    row.push_back(LevelText5(m.Warning(ch), points));
    row.push_back(LevelText5(m.Alarm(ch), points));
    row.push_back(LevelText5(m.Stel(ch), points));
    row.push_back(LevelText5(m.Twa(ch), points));
    row.push_back(LevelText5(m.AutoCalib(ch), points));
    row.push_back(GeneralDate(m.CalibDate(ch)));
    row.push_back(LevelText5(m.CalibBefore(ch), points));
    row.push_back(LevelText5(m.CalibAfter(ch), points));
}

bool needsQuotes(std::string_view field) {
    return field.find_first_of(",\"\r\n") != std::string_view::npos;
}

// A suffix is part of a file name in the working folder; a separator would leave the folder, and
// a control character (a terminal escape sequence among them) has no place in a file name.
bool validSuffix(std::string_view suffix) {
    for (char c : suffix) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 32 || code == 127) return false;
    }
    return suffix.find_first_of("/\\") == std::string_view::npos && suffix != "." && suffix != "..";
}

}  // namespace

std::filesystem::path SettingsCsvPath(const std::filesystem::path& workDir,
                                      std::string_view suffix) {
    return workDir / ("VQ5100_Setting" + std::string(suffix) + ".csv");
}

std::vector<std::string> SettingsCsvHeader() {
    std::vector<std::string> header = {ResMessage(msg::ActionHeading),
                                       ResMessage(msg::PcDateTimeCaption),
                                       ResMessage(msg::InstrumentDateTimeCaption),
                                       ResMessage(msg::SerialNoHeading),
                                       ResMessage(msg::ManufactureNumberLabel),
                                       "ROM",
                                       "SUM",
                                       ResMessage(msg::StationIdHeading),
                                       ResMessage(msg::UserIdHeading)};
    for (int id : settingLabelIds) header.push_back(ResMessage(id));
    for (int ch = 0; ch < clsInstrument::channelCount; ++ch) {
        for (int id : channelLabelIds) header.push_back(ResMessage(id));
    }
    for (int i = 1; i <= clsInstrument::stationCount; ++i) {
        header.push_back(ResMessage(msg::StationHeading, {std::to_string(i)}));
    }
    header.push_back(ResMessage(msg::ConfirmationBeepLabel));
    return header;
}

std::vector<std::string> SettingsCsvRow(const clsInstrument& m, CsvAction action, double now) {
    std::vector<std::string> row;
    row.reserve(settingsCsvColumns);
    row.push_back(listText(static_cast<int>(action), {"Read", "Write", "WriteID"}));
    row.push_back(GeneralDate(now));
    row.push_back(instrumentTime(m, now));
    row.push_back(m.SerialNo());
    row.push_back(m.DummySerial());
    row.push_back(fiveDigits(m.RomNumber()));
    row.push_back(m.SUM());
    row.push_back(m.StationID());
    row.push_back(m.UserID());
    row.push_back(ResMessage(m.AlarmMode() == 1 ? msg::AlarmPatternLatch : msg::AlarmPatternReset));
    row.push_back(std::to_string(m.CalLimit()));
    row.push_back(onOff(m.DispCalLimit()));
    row.push_back(messageListText(
        m.CalCheck(), {msg::CalCheckConfirm, msg::CalCheckCannotUse, msg::CalCheckNone}));
    row.push_back(std::to_string(m.Intervals()));
    row.push_back(onOff(m.LogOverWrite()));
    // SpecType is held as text; one that is not a number has no destination.
    row.push_back(messageListText(
        ParseInt16(m.SpecType()).value_or(-1),
        {msg::DestinationDomestic, msg::DestinationForeign, msg::DestinationGermany}));
    row.push_back(listText(m.HcMode(), {"Auto", "LEL", "vol"}));
    row.push_back(listText(m.AlarmO2(), {"H-L", "L-LL", "H-HH"}));
    row.push_back(std::to_string(m.LcdBackLight()));
    row.push_back(onOff(m.AutoZero()));
    row.push_back(onOff(m.DemandZero()));
    row.push_back(onOff(m.autoBackLight()));
    row.push_back(std::to_string(m.FlowLevel()));
    row.push_back(std::to_string(m.pressOffset()));
    row.push_back(onOff(m.AlarmOnOff()));
    row.push_back(onOff(m.StelTwaOnOff()));
    row.push_back(listText(m.BumpTime(), {"30", "45", "60", "90"}));
    row.push_back(listText(m.BumpThreshold(), {"10", "20", "30", "40", "50"}));
    // The list the factory dialog offers for this setting.
    row.push_back(listText(m.BumpFailCalTime(), {"60", "90", "120"}));
    row.push_back(onOff(m.BumpFailAfter()));
    row.push_back(listText(m.LcBhMode(), {"OFF", "LC", "BH", "LC BH"}));
    row.push_back(listText(m.BhTime(), {"30", "45", "60"}));
    row.push_back(onOff(m.LcBuzzer()));
    for (int ch = 0; ch < clsInstrument::channelCount; ++ch) addChannelColumns(row, m, ch);
    for (int i = 0; i < clsInstrument::stationCount; ++i) row.push_back(m.StationList(i));
    row.push_back(onOff(m.Confirmation()));
    return row;
}

std::string CsvLine(const std::vector<std::string>& fields) {
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) line += ',';
        const std::string& f = fields[i];
        if (!needsQuotes(f)) {
            line += f;
            continue;
        }
        line += '"';
        for (char c : f) {
            if (c == '"') line += '"';
            line += c;
        }
        line += '"';
    }
    return line + "\r\n";
}

FileResult ExportSettingsRow(const clsInstrument& model, CsvAction action,
                             const std::filesystem::path& workDir, std::string_view suffix,
                             double now) {
    if (!validSuffix(suffix)) {
        return FileResult::failure(ResMessage(msg::BadFileNameCharacter) + " (" +
                                   ShownText(suffix) + ")");
    }
    // The mark goes in front of the header, so only a new file gets it.
    return AppendFileAtomically(SettingsCsvPath(workDir, suffix),
                                std::string(kUtf8ByteOrderMark) + CsvLine(SettingsCsvHeader()),
                                CsvLine(SettingsCsvRow(model, action, now)));
}

}  // namespace vq
