#include "app/password_scramble.h"

namespace vq {

namespace {
constexpr int base = 70;  // "F"
}

std::string ScramblePassword(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (size_t k = 0; k < text.size(); ++k) {
        // v stays far below the byte range for any password a person types; the high part is
        // kept to a byte so that an absurdly long text cannot overflow a char.
        unsigned v = static_cast<unsigned char>(text[k]) + static_cast<unsigned>(k);
        out.push_back(static_cast<char>(base + v % 16));
        out.push_back(static_cast<char>((base + v / 16) & 0xFF));
    }
    return out;
}

std::optional<std::string> UnscramblePassword(std::string_view text) {
    if (text.size() % 2 != 0) return std::nullopt;
    std::string out;
    out.reserve(text.size() / 2);
    for (size_t k = 0; k < text.size() / 2; ++k) {
        int a = static_cast<unsigned char>(text[2 * k]);
        int b = static_cast<unsigned char>(text[2 * k + 1]);
        if (a < base || a >= base + 16 || b < base) return std::nullopt;
        long v = static_cast<long>(b - base) * 16 + (a - base) - static_cast<long>(k);
        if (v < 0 || v > 255) return std::nullopt;
        out.push_back(static_cast<char>(v));
    }
    return out;
}

}  // namespace vq
