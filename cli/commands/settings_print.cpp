#include "cli/commands/settings_print.h"

#include <QJsonArray>
#include <QJsonObject>
#include <charconv>
#include <string>

#include "app/rule_reason_text.h"
#include "app/settings_csv.h"
#include "cli/output.h"
#include "model/held_values.h"
#include "model/instrument.h"
#include "model/numeric.h"
#include "model/ole_date.h"
#include "model/setting_rules.h"

namespace vq::cli {
namespace {

constexpr int kChannels = InstrumentModel::channelCount;

std::string numberText(double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

// A single as the digits it was given (20.9, never 20.899999618530273).
std::string singleText(float value) {
    return numberText(SingleAsDecimal(value));
}

// A text the instrument holds, with every byte that is not printable ASCII as "\xHH": what it
// holds, whatever its encoding, and nothing a terminal would act on.
QString heldText(const std::string& text) {
    return QString::fromStdString(ShownText(text));
}

QJsonValue singleValue(float value) {
    return QJsonValue(SingleAsDecimal(value));
}

// The instrument marks a level that is not set with a negative code (-101 and its kin).
std::string levelText(float value) {
    return value < 0 ? std::string("-") : singleText(value);
}

QJsonValue levelValue(float value) {
    return value < 0 ? QJsonValue() : singleValue(value);
}

QJsonArray channelsJson(const InstrumentModel& model) {
    QJsonArray channels;
    for (int ch = 0; ch < kChannels; ++ch) {
        QJsonObject channel;
        channel.insert("channel", ch + 1);
        channel.insert("gas", heldText(model.GasName(ch)));
        channel.insert("enabled", model.GasEnabled(ch));
        channel.insert("fullScale", singleValue(model.GasFullScale(ch)));
        channel.insert("resolution", singleValue(model.Resolution(ch)));
        channel.insert("unit", heldText(model.GasUnit(ch)));
        channel.insert("warning", levelValue(model.Warning(ch)));
        channel.insert("alarm", levelValue(model.Alarm(ch)));
        channel.insert("stel", levelValue(model.Stel(ch)));
        channel.insert("twa", levelValue(model.Twa(ch)));
        channel.insert("calibrationGas", levelValue(model.AutoCalib(ch)));
        channels.append(channel);
    }
    return channels;
}

QJsonArray everySettingJson(const InstrumentModel& model, double now) {
    const std::vector<std::string> header = SettingsCsvHeader();
    const std::vector<std::string> row = SettingsCsvRow(model, CsvAction::Read, now);
    QJsonArray settings;
    for (std::size_t i = 0; i < header.size() && i < row.size(); ++i) {
        QJsonObject column;
        column.insert("column", static_cast<int>(i + 1));
        column.insert("label", QString::fromStdString(header[i]));
        column.insert("value", QString::fromStdString(row[i]));
        settings.append(column);
    }
    return settings;
}

}  // namespace

void printSettings(const InstrumentModel& model, Output& out, double now) {
    out.field("romNumber", "ROM number", static_cast<double>(model.RomNumber()));
    out.field("serialNumber", "Serial number", heldText(model.SerialNo()));
    out.field("stationId", "Station ID", heldText(model.StationID()));
    out.field("userId", "User ID", heldText(model.UserID()));
    out.field("instrumentClock", "Instrument clock",
              QString::fromStdString(GeneralDate(model.SysDate())));
    if (out.json()) {
        out.field("channels", "", channelsJson(model));
        out.field("settings", "", everySettingJson(model, now));
        return;
    }
    out.line("CH  Gas         On   Full scale  Unit  Warning  Alarm  STEL  TWA  Cal gas");
    for (int ch = 0; ch < kChannels; ++ch) {
        std::string line = std::to_string(ch + 1) + "   ";
        const auto column = [&line](const std::string& text, std::size_t width) {
            line += text;
            line += std::string(text.size() < width ? width - text.size() : 1, ' ');
        };
        column(ShownText(model.GasName(ch)), 12);
        column(model.GasEnabled(ch) ? "yes" : "no", 5);
        column(singleText(model.GasFullScale(ch)), 12);
        column(ShownText(model.GasUnit(ch)), 6);
        column(levelText(model.Warning(ch)), 9);
        column(levelText(model.Alarm(ch)), 7);
        column(levelText(model.Stel(ch)), 6);
        column(levelText(model.Twa(ch)), 5);
        line += levelText(model.AutoCalib(ch));
        out.line(line);
    }
    out.line("(every setting: read --json)");
}

std::vector<std::string> heldValueWarnings(const InstrumentModel& model) {
    std::vector<std::string> lines;
    for (const HeldValueProblem& problem : OutOfRangeValues(model))
        lines.push_back(
            ResMessage(msg::HeldOutOfRangeInfo, {problem.code, ReasonText(problem.reason)}));
    return lines;
}

}  // namespace vq::cli
