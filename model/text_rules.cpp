#include "model/text_rules.h"

namespace vq {

namespace {

constexpr int backspace = 8;

bool isDigitCode(int c) {
    return c >= '0' && c <= '9';
}
bool isLetterCode(int c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

bool IsIdKey(int keyCode) {
    return isDigitCode(keyCode) || isLetterCode(keyCode) || keyCode == ' ' || keyCode == '*' ||
           keyCode == '-' || keyCode == backspace;
}

bool IsNameKey(int keyCode) {
    if (keyCode == backspace) return true;
    if (keyCode < 32 || keyCode > 126) return false;
    return keyCode == ' ' || keyCode == '-' || keyCode == '_' || keyCode == '/' || keyCode == '>' ||
           keyCode == '<' || isDigitCode(keyCode) || isLetterCode(keyCode);
}

bool IsNameText(std::string_view text) {
    for (char c : text) {
        const int code = static_cast<unsigned char>(c);
        if (code == backspace || !IsNameKey(code)) return false;
    }
    return true;
}

bool IsDigitsOnly(std::string_view text) {
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

std::string TrimText(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

std::string DashIfBlank(std::string_view text, int kind) {
    std::string trimmed = TrimText(text);
    if (!trimmed.empty()) return trimmed;
    switch (kind) {
        case idKindUser:
        case idKindStation:
            return std::string(16, '-');
        case idKindSerial:
        case idKindDummySerial:
            return std::string(20, '-');
        default:
            return {};
    }
}

}  // namespace vq
