#pragma once
// The value forms of reply tokens (dec, hex, hex32, bit, real, hexfloat) and the conversion
// error that ends the decoding of a reply.
//
// Two kinds of failure are kept apart on purpose. A failed numeric test is an ordinary "no":
// the rule that asked decides what it means. A failed conversion (a number too big for its
// field, a text converted without a test) throws ConversionError; DecodeReply catches it and
// ends the decoding of that reply at once, keeping what was already stored and the result as it
// stood.

#include <cstdint>
#include <string_view>

namespace vq {

struct ConversionError {};

enum class ValueForm { Dec, Hex, Hex32, Bit };

// The numeric test of a form: dec and bit must be decimal numbers, hex and hex32 hexadecimal.
bool PassesNumericTest(ValueForm form, std::string_view token);

// Conversions; each throws ConversionError when the token cannot be converted.
int16_t DecValue(std::string_view token);     // decimal, rounded half to even, 16-bit
int32_t Dec32Value(std::string_view token);   // decimal, rounded half to even, 32-bit
int16_t HexValue(std::string_view token);     // hexadecimal, 16-bit two's complement
int32_t Hex32Value(std::string_view token);   // hexadecimal, 32-bit two's complement
int16_t BitValue(std::string_view token);     // 1 when the first character is "1", else 0
float RealValue(std::string_view token);      // decimal real as a single
float HexFloatValue(std::string_view token);  // eight hex digits of an IEEE single

// The value of a token in one of the integer forms (bit included), as a 32-bit integer.
int32_t FormValue(ValueForm form, std::string_view token);

// "*****" or a number.
bool IsLevelToken(std::string_view token);

std::string_view TrimSpaces(std::string_view text);

}  // namespace vq
