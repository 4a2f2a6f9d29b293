#include "model/value_codecs.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>

#include "model/instrument.h"
#include "model/numeric.h"
#include "model/text_rules.h"

namespace vq {

namespace {

struct ReservedEntry {
    float code;
    std::string_view text;
};

constexpr std::array<ReservedEntry, 38> reservedValues{{
    {-101, "-----"},      {65535, "-----"},     {-102, "NORMAL"},     {-103, "WARNING"},
    {-104, "ALARM"},      {-105, "STEL"},       {-106, "TWA"},        {-107, "OVER"},
    {-118, "?????"},      {65287, "?????"},     {-121, "*****"},      {56797, "*****"},
    {-130, "Fail(Air)"},  {-131, "Fail(Span)"}, {-132, "Fail(Sen.)"}, {-133, "Fail(Com.)"},
    {-134, "Fail(Ram)"},  {-135, "Fail(Rom)"},  {-136, "Fail(Ext.)"}, {-150, "Fail(ALK.)"},
    {-151, "Fail(NIMH)"}, {-152, "Fail(FLOW)"}, {-153, "Fail(RAM)"},  {-154, "Fail(ROM)"},
    {-155, "Fail(FRAM)"}, {-156, "Fail(FLA.)"}, {-157, "Fail(CLO.)"}, {-170, "CAL ON"},
    {-171, "CAL OFF"},    {-172, "CLEAR"},      {-173, "LEL"},        {-174, "ppm"},
    {-175, "vol"},        {-176, "ELE ON"},     {-177, "ELE OFF"},    {-178, "CAT ON"},
    {-179, "CAT OFF"},    {-180, "AIR"},
}};

constexpr int maxDecimals = 9;

// Rounds a plain decimal text ("-12.345", "100", "0.00001") to `decimals` places, half away
// from zero on the digits themselves.
std::string roundDecimalText(std::string_view text, int decimals) {
    bool negative = false;
    if (!text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    const auto point = text.find('.');
    std::string intPart(text.substr(0, point));
    std::string fracPart(point == std::string_view::npos ? std::string_view()
                                                         : text.substr(point + 1));
    const bool roundUp = static_cast<int>(fracPart.size()) > decimals && fracPart[decimals] >= '5';
    fracPart.resize(decimals, '0');
    std::string digits = intPart + fracPart;
    if (roundUp) {
        int i = static_cast<int>(digits.size()) - 1;
        for (; i >= 0 && digits[i] == '9'; --i) digits[i] = '0';
        if (i >= 0) {
            ++digits[i];
        } else {
            digits.insert(digits.begin(), '1');
        }
    }
    std::string whole = digits.substr(0, digits.size() - decimals);
    const auto firstNonZero = whole.find_first_not_of('0');
    whole = firstNonZero == std::string::npos ? "0" : whole.substr(firstNonZero);
    std::string result = whole;
    if (decimals > 0) result += "." + digits.substr(digits.size() - decimals);
    if (negative && digits.find_first_not_of('0') != std::string::npos) result.insert(0, "-");
    return result;
}

// The shortest round-trip digits of a finite value written out without an exponent
// ("1e+20" -> "100000000000000000000", "1.5e-05" -> "0.000015").
template <typename T>
std::string shortestPlain(T value) {
    std::array<char, 64> buffer;
    auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                   std::chars_format::scientific);
    if (ec != std::errc()) return "0";
    std::string_view text(buffer.data(), end - buffer.data());
    std::string sign;
    if (text.front() == '-') {
        sign = "-";
        text.remove_prefix(1);
    }
    const auto e = text.find('e');
    std::string digits;
    for (char c : text.substr(0, e)) {
        if (c != '.') digits += c;
    }
    int exponent = 0;
    std::string_view expText = text.substr(e + 1);
    if (expText.front() == '+') expText.remove_prefix(1);
    std::from_chars(expText.data(), expText.data() + expText.size(), exponent);
    // The first digit stands at 10^exponent.
    const int integerDigits = exponent + 1;
    if (integerDigits <= 0) return sign + "0." + std::string(-integerDigits, '0') + digits;
    if (integerDigits >= static_cast<int>(digits.size())) {
        return sign + digits + std::string(integerDigits - digits.size(), '0');
    }
    return sign + digits.substr(0, integerDigits) + "." + digits.substr(integerDigits);
}

template <typename T>
std::string shortestText(T value) {
    std::array<char, 64> buffer;
    auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    if (ec != std::errc()) return {};
    return std::string(buffer.data(), end);
}

template <typename T>
std::string formatFixed(T value, int decimals) {
    if (!std::isfinite(value)) return shortestText(value);
    if (decimals < 0 || decimals > maxDecimals) decimals = 0;
    return roundDecimalText(shortestPlain(value), decimals);
}

// Decimals named by a "#0.00"-style format; nullopt for the empty format.
std::optional<int> formatDecimals(std::string_view format) {
    if (format.empty()) return std::nullopt;
    const auto point = format.find('.');
    if (point == std::string_view::npos) return 0;
    return static_cast<int>(format.size() - point - 1);
}

// A scaled value, kept as a single when it fits so that a factor of 1 formats exactly as
// the unscaled value.
std::string formatScaled(double value, int decimals) {
    if (std::isfinite(value) && std::fabs(value) < 0x1p128 - 0x1p103) {
        return FormatNumber(static_cast<float>(value), decimals);
    }
    return FormatNumber(value, decimals);
}

int levelDecimals(int16_t decimals) {
    return decimals >= 1 && decimals <= 3 ? decimals : 0;
}

std::string levelDigits(float value, int16_t decimals) {
    return FormatNumber(value, levelDecimals(decimals));
}

}  // namespace

std::optional<std::string_view> ReservedValueText(float value) {
    for (const auto& entry : reservedValues) {
        if (entry.code == value) return entry.text;
    }
    return std::nullopt;
}

bool IsReservedValue(float value) {
    return ReservedValueText(value).has_value();
}

std::string SingleText(float value) {
    return shortestText(value);
}
std::string DoubleText(double value) {
    return shortestText(value);
}

std::string HexPad2(std::string_view text) {
    return text.size() == 1 ? "0" + std::string(text) : std::string(text);
}

std::string SingleToHex(float value) {
    static constexpr char digits[] = "0123456789ABCDEF";
    const auto bits = std::bit_cast<uint32_t>(value);
    std::string text(8, '0');
    for (int i = 0; i < 8; ++i) text[i] = digits[(bits >> (28 - 4 * i)) & 0xF];
    return text;
}

std::optional<float> HexToSingle(std::string_view text) {
    const std::string trimmed = TrimText(text);
    if (trimmed.size() != 8) return std::nullopt;
    const auto bits = ParseHex(trimmed);
    if (!bits) return std::nullopt;
    return std::bit_cast<float>(*bits);
}

std::string FormatNumber(float value, int decimals) {
    return formatFixed(value, decimals);
}
std::string FormatNumber(double value, int decimals) {
    return formatFixed(value, decimals);
}

std::string FormatNumber(float value, std::string_view format) {
    const auto decimals = formatDecimals(format);
    return decimals ? FormatNumber(value, *decimals) : SingleText(value);
}

std::string FormatNumber(double value, std::string_view format) {
    const auto decimals = formatDecimals(format);
    return decimals ? FormatNumber(value, *decimals) : DoubleText(value);
}

std::string DecimalFormat(int16_t decimals) {
    if (decimals < 0 || decimals > maxDecimals) return {};
    if (decimals == 0) return "#0";
    return "#0." + std::string(decimals, '0');
}

std::string ValueText(float value, int16_t decimals, bool scaled, double unitFactor) {
    if (const auto reserved = ReservedValueText(value)) return std::string(*reserved);
    const int places = decimals >= 0 && decimals <= 3 ? decimals : 0;
    if (scaled) return formatScaled(static_cast<double>(value) * unitFactor, places);
    return FormatNumber(value, places);
}

std::string LevelText5(float value, int16_t decimals) {
    if (!(value >= 0) || std::isinf(value)) return "*****";
    std::string text = levelDigits(value, decimals);
    if (text.size() < 5) return std::string(5 - text.size(), ' ') + text;
    return text.substr(text.size() - 5);
}

bool LevelFits5(float value, int16_t decimals) {
    if (!(value >= 0) || std::isinf(value)) return true;  // written as "*****"
    return levelDigits(value, decimals).size() <= 5;
}

float ParseLevel(std::string_view text) {
    if (IsNumeric(text)) {
        const auto value = ParseSingle(text);
        return value ? *value : levelNoValue;
    }
    std::string head = TrimText(text).substr(0, 3);
    for (char& c : head) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    if (head == "OVE") return levelOver;
    if (head == "WAR") return levelWarning;
    if (head == "ALR") return levelAlarm;
    if (head == "STE") return levelStel;
    if (head == "TWA") return levelTwa;
    if (head == "NOR") return levelNormal;
    return levelNoValue;
}

int16_t DecimalPlaces(std::string_view text) {
    const auto point = text.find('.');
    if (point == std::string_view::npos) return 0;
    const auto after = text.size() - point - 1;
    return static_cast<int16_t>(after > 32767 ? 32767 : after);
}

std::string GasTitle(std::string_view name, std::string_view unit, float fullScale,
                     int16_t decimals) {
    if (TrimText(name).empty()) return "----(---)";
    std::string title(name);
    title += "(";
    if (fullScale != -1.0f) title += FormatNumber(fullScale, DecimalFormat(decimals));
    title += unit;
    title += ")";
    return title;
}

std::string ChannelTitle(const InstrumentModel& model, int channel, bool plain) {
    const std::string name = model.GasName(channel);
    if (TrimText(name).empty()) return "----(---)";
    if (plain || channel == 4) return name + "(" + model.GasUnit(channel) + ")";
    return name + "(" +
           FormatNumber(model.GasFullScale(channel), DecimalFormat(model.GasPoint(channel))) +
           model.GasUnit(channel) + ")";
}

bool DecodeGasRecord(std::string_view record, InstrumentModel& model, int channel) {
    constexpr size_t recordLength = 25;
    if (record.size() != recordLength) return false;
    if (record.find_first_not_of('*') == std::string_view::npos) {
        model.setGasName(channel, "");
        model.setGasEnabled(channel, false);
        model.setGasFullScale(channel, levelNoValue);
        model.setResolution(channel, 0);
        model.setGasPoint(channel, -101);
        model.setGasUnit(channel, "");
        return true;
    }
    model.setGasName(channel, TrimText(record.substr(0, 10)));
    model.setGasEnabled(channel, true);
    const auto fullScale = ParseSingle(record.substr(11, 5));
    if (!fullScale) return false;
    model.setGasFullScale(channel, *fullScale);
    const std::string_view step = record.substr(16, 5);
    const auto desit = ParseSingle(step);
    if (!desit) return false;
    model.setResolution(channel, *desit);
    model.setGasPoint(channel, DecimalPlaces(TrimText(step)));
    model.setGasUnit(channel, TrimText(record.substr(21, 4)));
    return true;
}

int16_t IntervalIndex(int16_t seconds) {
    switch (seconds) {
        case 10:
            return 0;
        case 20:
            return 1;
        case 30:
            return 2;
        case 60:
            return 3;
        case 180:
            return 4;
        case 600:
            return 6;
        default:
            return 5;
    }
}

float RoundToStep(float value, float step) {
    if (!(value >= 0) || step == 0 || !std::isfinite(step)) return 0;
    const float quotient = value / step;
    float whole = std::round(quotient);  // halves away from zero
    if (std::fabs(quotient - std::trunc(quotient)) == 0.5f) whole = 2 * std::round(quotient / 2);
    return whole * step;
}

}  // namespace vq
