#include "platform/serial_settings.h"

#include <charconv>
#include <vector>

namespace vq {
namespace {

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> splitFields(std::string_view text) {
    std::vector<std::string_view> fields;
    for (;;) {
        const auto comma = text.find(',');
        fields.push_back(trimmed(text.substr(0, comma)));
        if (comma == std::string_view::npos) return fields;
        text.remove_prefix(comma + 1);
    }
}

std::optional<int> wholeNumber(std::string_view s) {
    int value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size() || s.empty()) return std::nullopt;
    return value;
}

std::optional<SerialSettings::Parity> parityOf(std::string_view s) {
    if (s.size() != 1) return std::nullopt;
    switch (s[0]) {
        case 'n':
        case 'N':
            return SerialSettings::Parity::None;
        case 'e':
        case 'E':
            return SerialSettings::Parity::Even;
        case 'o':
        case 'O':
            return SerialSettings::Parity::Odd;
        case 'm':
        case 'M':
            return SerialSettings::Parity::Mark;
        case 's':
        case 'S':
            return SerialSettings::Parity::Space;
        default:
            return std::nullopt;
    }
}

std::optional<SerialSettings::StopBits> stopBitsOf(std::string_view s) {
    if (s == "1") return SerialSettings::StopBits::One;
    if (s == "1.5") return SerialSettings::StopBits::OneAndHalf;
    if (s == "2") return SerialSettings::StopBits::Two;
    return std::nullopt;
}

}  // namespace

std::optional<SerialSettings> parseSerialSettings(std::string_view text) {
    const auto fields = splitFields(text);
    if (fields.size() != 4) return std::nullopt;
    const auto baud = wholeNumber(fields[0]);
    const auto parity = parityOf(fields[1]);
    const auto dataBits = wholeNumber(fields[2]);
    const auto stopBits = stopBitsOf(fields[3]);
    if (!baud || *baud <= 0 || !parity || !dataBits || *dataBits < 5 || *dataBits > 8 ||
        !stopBits) {
        return std::nullopt;
    }
    return SerialSettings{*baud, *parity, *dataBits, *stopBits};
}

std::string formatSerialSettings(const SerialSettings& settings) {
    static constexpr char parityLetters[] = {'n', 'e', 'o', 'm', 's'};
    static constexpr const char* stopTexts[] = {"1", "1.5", "2"};
    std::string text = std::to_string(settings.baud);
    text += ',';
    text += parityLetters[static_cast<int>(settings.parity)];
    text += ',';
    text += std::to_string(settings.dataBits);
    text += ',';
    text += stopTexts[static_cast<int>(settings.stopBits)];
    return text;
}

}  // namespace vq
