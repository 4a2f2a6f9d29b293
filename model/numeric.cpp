#include "model/numeric.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace vq {

namespace {

std::string_view trimSpaces(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Checks the decimal grammar of the header; from_chars alone would accept "inf", "nan" and
// hexadecimal floats, and stop silently at trailing garbage.
bool hasDecimalShape(std::string_view t) {
    size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    size_t digits = 0;
    bool point = false;
    for (; i < t.size(); ++i) {
        if (isDigit(t[i])) {
            ++digits;
        } else if (t[i] == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (digits == 0) return false;
    if (i == t.size()) return true;
    if (t[i] != 'e' && t[i] != 'E') return false;
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    size_t expDigits = 0;
    for (; i < t.size() && isDigit(t[i]); ++i) ++expDigits;
    return expDigits > 0 && i == t.size();
}

// The power of ten of the first non-zero digit of a text of decimal shape (0 for zero);
// the exponent saturates, so "1e99999999999999999999" cannot overflow.
int64_t decimalExponent(std::string_view t) {
    const auto e = t.find_first_of("eE");
    std::string_view mantissa = t.substr(0, e);
    int64_t exponent = 0;
    if (e != std::string_view::npos) {
        std::string_view x = t.substr(e + 1);
        const bool minus = x.front() == '-';
        if (x.front() == '+' || x.front() == '-') x.remove_prefix(1);
        for (char c : x) exponent = std::min<int64_t>(exponent * 10 + (c - '0'), 1'000'000'000);
        if (minus) exponent = -exponent;
    }
    const auto point = mantissa.find('.');
    const auto firstDigit = mantissa.find_first_of("123456789");
    if (firstDigit == std::string_view::npos) return 0;
    const int64_t integerEnd =
        static_cast<int64_t>(point == std::string_view::npos ? mantissa.size() : point);
    const int64_t position = static_cast<int64_t>(firstDigit);
    const int64_t power = position < integerEnd ? integerEnd - position - 1 : integerEnd - position;
    return power + exponent;
}

int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Round half to even without depending on the floating-point environment.
double roundHalfEven(double value) {
    double r = std::round(value);  // halves away from zero
    if (std::fabs(value - std::trunc(value)) == 0.5) r = 2.0 * std::round(value / 2.0);
    return r;
}

}  // namespace

std::optional<double> ParseNumber(std::string_view text) {
    std::string_view t = trimSpaces(text);
    if (!hasDecimalShape(t)) return std::nullopt;
    // from_chars takes no leading "+".
    bool negative = t.front() == '-';
    if (t.front() == '+' || t.front() == '-') t.remove_prefix(1);
    double value = 0;
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
    if (ec != std::errc() || end != t.data() + t.size() || !std::isfinite(value)) {
        // result_out_of_range is reported both for values too large (not numbers) and for
        // values too small to represent (numbers: zero).
        if (ec == std::errc::result_out_of_range && end == t.data() + t.size() &&
            decimalExponent(t) < 0) {
            return negative ? -0.0 : 0.0;
        }
        return std::nullopt;
    }
    return negative ? -value : value;
}

bool IsNumeric(std::string_view text) {
    return ParseNumber(text).has_value();
}

std::optional<uint32_t> ParseHex(std::string_view text) {
    std::string_view t = trimSpaces(text);
    if (t.empty()) return std::nullopt;
    uint64_t value = 0;
    for (char c : t) {
        int d = hexDigitValue(c);
        if (d < 0) return std::nullopt;
        value = value * 16 + static_cast<uint64_t>(d);
        if (value > 0xFFFFFFFFull) return std::nullopt;
    }
    return static_cast<uint32_t>(value);
}

bool IsHexadecimal(std::string_view text) {
    return ParseHex(text).has_value();
}

std::optional<int16_t> ParseHex16(std::string_view text) {
    auto v = ParseHex(text);
    if (!v || *v > 0xFFFFu) return std::nullopt;
    return static_cast<int16_t>(static_cast<uint16_t>(*v));
}

std::optional<int32_t> ParseHex32(std::string_view text) {
    auto v = ParseHex(text);
    if (!v) return std::nullopt;
    return static_cast<int32_t>(*v);
}

std::optional<int16_t> RoundToInt16(double value) {
    if (!std::isfinite(value)) return std::nullopt;
    double r = roundHalfEven(value);
    if (r < std::numeric_limits<int16_t>::min() || r > std::numeric_limits<int16_t>::max()) {
        return std::nullopt;
    }
    return static_cast<int16_t>(r);
}

std::optional<int32_t> RoundToInt32(double value) {
    if (!std::isfinite(value)) return std::nullopt;
    double r = roundHalfEven(value);
    if (r < std::numeric_limits<int32_t>::min() || r > std::numeric_limits<int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<int32_t>(r);
}

std::optional<int16_t> ParseInt16(std::string_view text) {
    auto v = ParseNumber(text);
    if (!v) return std::nullopt;
    return RoundToInt16(*v);
}

std::optional<int32_t> ParseInt32(std::string_view text) {
    auto v = ParseNumber(text);
    if (!v) return std::nullopt;
    return RoundToInt32(*v);
}

std::optional<float> ParseSingle(std::string_view text) {
    auto v = ParseNumber(text);
    if (!v) return std::nullopt;
    // Values from here on round to infinity as a single; below it they round to at most the
    // largest single, so the shortest text of that single still reads back.
    constexpr double singleOverflow = 0x1p128 - 0x1p103;
    if (std::fabs(*v) >= singleOverflow) return std::nullopt;
    return static_cast<float>(*v);
}

double SingleAsDecimal(float value) {
    if (!std::isfinite(value)) return static_cast<double>(value);
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, value);
    double decimal = 0;
    const auto read = std::from_chars(text, written.ptr, decimal);
    // Nine significant digits at most: every such text is a finite double.
    if (written.ec != std::errc() || read.ec != std::errc()) return static_cast<double>(value);
    return decimal;
}

}  // namespace vq
