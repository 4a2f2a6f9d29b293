#include "sim/wire_text.h"

#include <array>
#include <chrono>

#include "model/numeric.h"
#include "sim/sim_state.h"

namespace vq::sim {

namespace {

std::string twoDigits(unsigned value) {
    return {static_cast<char>('0' + value / 10 % 10), static_cast<char>('0' + value % 10)};
}

std::optional<unsigned> digitPair(std::string_view text, std::size_t at) {
    const char a = text[at];
    const char b = text[at + 1];
    if (a < '0' || a > '9' || b < '0' || b > '9') return std::nullopt;
    return static_cast<unsigned>((a - '0') * 10 + (b - '0'));
}

}  // namespace

std::string TrimRight(std::string_view text) {
    const std::size_t end = text.find_last_not_of(' ');
    return std::string(end == std::string_view::npos ? std::string_view{}
                                                     : text.substr(0, end + 1));
}

std::string Hex4(int value) {
    static constexpr char digits[] = "0123456789ABCDEF";
    const unsigned v = static_cast<unsigned>(value) & 0xFFFFu;
    return {digits[v >> 12 & 0xF], digits[v >> 8 & 0xF], digits[v >> 4 & 0xF], digits[v & 0xF]};
}

std::string Hex8(std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    return Hex4(static_cast<int>(v >> 16)) + Hex4(static_cast<int>(v & 0xFFFFu));
}

std::vector<std::string> SplitFields(std::string_view text) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        fields.emplace_back(
            text.substr(start, comma == std::string_view::npos ? comma : comma - start));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return fields;
}

std::optional<float> ParseLevelField(std::string_view text) {
    if (!text.empty() && text.find_first_not_of('*') == std::string_view::npos) return kNoValue;
    return ParseSingle(text);
}

std::string ClockDigits(std::int64_t localSeconds) {
    using namespace std::chrono;
    const sys_seconds time{seconds{localSeconds}};
    const auto day = floor<days>(time);
    const year_month_day date{day};
    const hh_mm_ss clock{time - day};
    return twoDigits(static_cast<unsigned>(static_cast<int>(date.year()) % 100)) +
           twoDigits(static_cast<unsigned>(date.month())) +
           twoDigits(static_cast<unsigned>(date.day())) +
           twoDigits(static_cast<unsigned>(clock.hours().count())) +
           twoDigits(static_cast<unsigned>(clock.minutes().count())) +
           twoDigits(static_cast<unsigned>(clock.seconds().count()));
}

std::optional<std::int64_t> ParseClockDigits(std::string_view digits) {
    using namespace std::chrono;
    if (digits.size() != 12) return std::nullopt;
    std::array<unsigned, 6> parts{};
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const auto pair = digitPair(digits, i * 2);
        if (!pair) return std::nullopt;
        parts[i] = *pair;
    }
    const year_month_day date{year{2000 + static_cast<int>(parts[0])}, month{parts[1]},
                              day{parts[2]}};
    if (!date.ok() || parts[3] > 23 || parts[4] > 59 || parts[5] > 59) return std::nullopt;
    const auto time = sys_days{date} + hours{parts[3]} + minutes{parts[4]} + seconds{parts[5]};
    return time.time_since_epoch().count();
}

}  // namespace vq::sim
