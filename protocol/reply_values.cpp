#include "protocol/reply_values.h"

#include "model/numeric.h"
#include "model/value_codecs.h"

namespace vq {

namespace {

template <typename T>
T orConversionError(std::optional<T> value) {
    if (!value) throw ConversionError{};
    return *value;
}

}  // namespace

bool PassesNumericTest(ValueForm form, std::string_view token) {
    switch (form) {
        case ValueForm::Dec:
        case ValueForm::Bit:
            return IsNumeric(token);
        case ValueForm::Hex:
        case ValueForm::Hex32:
            return IsHexadecimal(token);
    }
    return false;
}

int16_t DecValue(std::string_view token) {
    return orConversionError(ParseInt16(token));
}
int32_t Dec32Value(std::string_view token) {
    return orConversionError(ParseInt32(token));
}
int16_t HexValue(std::string_view token) {
    return orConversionError(ParseHex16(token));
}
int32_t Hex32Value(std::string_view token) {
    return orConversionError(ParseHex32(token));
}

int16_t BitValue(std::string_view token) {
    // The instrument sends "1" or "0"; a numeric test precedes this, so "10" reads as 1.
    return !token.empty() && token.front() == '1' ? 1 : 0;
}

float RealValue(std::string_view token) {
    return orConversionError(ParseSingle(token));
}

float HexFloatValue(std::string_view token) {
    return orConversionError(HexToSingle(token));
}

int32_t FormValue(ValueForm form, std::string_view token) {
    switch (form) {
        case ValueForm::Dec:
            return DecValue(token);
        case ValueForm::Hex:
            return HexValue(token);
        case ValueForm::Hex32:
            return Hex32Value(token);
        case ValueForm::Bit:
            return BitValue(token);
    }
    throw ConversionError{};
}

bool IsLevelToken(std::string_view token) {
    return token == "*****" || IsNumeric(token);
}

std::string_view TrimSpaces(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

}  // namespace vq
