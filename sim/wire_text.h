#pragma once
// The text forms the instrument writes and reads on the wire, beyond the shared value codecs:
// fixed-decimal numbers, hexadecimal fields, comma fields and the 12-digit clock.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vq::sim {

// Upper-case hexadecimal, left-padded with "0": the low 16 bits in four digits, all 32 bits in
// eight.
std::string Hex4(int value);
std::string Hex8(std::int32_t value);

// The fields between commas, empty ones kept ("a,,b" gives three).
std::vector<std::string> SplitFields(std::string_view text);

// The text without trailing spaces (fixed-width fields are stored this way).
std::string TrimRight(std::string_view text);

// A level field: "*****" (or any run of "*") is no value, a number is itself; nullopt for
// anything else.
std::optional<float> ParseLevelField(std::string_view text);

// "YYMMDDhhnnss" of a local time (seconds since 1970-01-01), years 2000 to 2099.
std::string ClockDigits(std::int64_t localSeconds);
// The local time of 12 clock digits; nullopt unless they form a real date and time.
std::optional<std::int64_t> ParseClockDigits(std::string_view digits);

}  // namespace vq::sim
