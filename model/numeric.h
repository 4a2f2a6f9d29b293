#pragma once
// The one numeric test of the program. Every reader (reply decoder, settings files,
// configuration file, grid edits) asks here whether a text is a number, so that "is it a
// number?" has the same answer everywhere.
//
// A decimal number, as accepted by IsNumeric / ParseNumber:
//   - optional spaces before and after (spaces only: no tabs, no line breaks);
//   - an optional sign, "+" or "-";
//   - digits with at most one decimal point; at least one digit in all ("5", "5.", ".5", "05");
//   - an optional exponent: "e" or "E", an optional sign and at least one digit;
//   - the value must be finite as a double ("1e999" is not a number).
// Not numbers: the empty text, spaces only, a sign or point alone, "1e", "1e+", "0x10", "&H10",
// "nan", "inf", "1 000", "1,5", "5-", two points, any other character or byte.
//
// A hexadecimal number, as accepted by IsHexadecimal / ParseHex:
//   - optional spaces before and after;
//   - one or more digits 0-9, A-F, a-f, no prefix and no sign;
//   - the value fits in 32 bits (leading zeros do not count).

#include <cstdint>
#include <optional>
#include <string_view>

namespace vq {

bool IsNumeric(std::string_view text);

// The value of a numeric text, or nullopt when IsNumeric would say no.
std::optional<double> ParseNumber(std::string_view text);

bool IsHexadecimal(std::string_view text);

// The value of a hexadecimal text (up to 32 bits), or nullopt.
std::optional<uint32_t> ParseHex(std::string_view text);

// A hexadecimal text read as a 16-bit signed integer, two's complement ("FFFF" gives -1).
// nullopt when the text is not hexadecimal or its value exceeds FFFF.
std::optional<int16_t> ParseHex16(std::string_view text);

// A hexadecimal text read as a 32-bit signed integer, two's complement ("FFFFFFFF" gives -1).
std::optional<int32_t> ParseHex32(std::string_view text);

// Rounds to the nearest integer, halves to even (2.5 -> 2, 3.5 -> 4, -2.5 -> -2), as the
// instrument's integer fields are converted. nullopt for NaN, infinities and results outside
// the target type's range, so a huge value can never wrap or trap.
std::optional<int16_t> RoundToInt16(double value);
std::optional<int32_t> RoundToInt32(double value);

// A decimal text rounded to a 16-bit / 32-bit integer: ParseNumber then RoundToInt16/32.
std::optional<int16_t> ParseInt16(std::string_view text);
std::optional<int32_t> ParseInt32(std::string_view text);

// A decimal text converted to a single float. nullopt when not numeric or when the value lies
// beyond the range of a single (a finite double that would become infinite).
std::optional<float> ParseSingle(std::string_view text);

// The double a single stands for when read as a person reads it: the value of its shortest
// round-trip decimal text (20.9f gives 20.9, not 20.899999618530273). A number printed in the
// shortest form of a double (JSON) then shows the digits the single was given. Non-finite values
// come back as they are.
double SingleAsDecimal(float value);

}  // namespace vq
