#include "sim/front/frame_text.h"

#include <cstdio>

namespace vq::sim {

namespace {

std::string visible(std::string_view bytes) {
    static constexpr const char* names[32] = {
        nullptr, nullptr, "STX",   "ETX",   "EOT",   "ENQ",   "ACK",   nullptr,
        nullptr, nullptr, "LF",    nullptr, nullptr, "CR",    nullptr, nullptr,
        nullptr, nullptr, nullptr, nullptr, nullptr, "NAK",   nullptr, "ETB",
        nullptr, nullptr, "SUB",   "ESC",   nullptr, nullptr, nullptr, nullptr};
    std::string out;
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 32 && c < 127) {
            out += ch;
        } else if (c < 32 && names[c]) {
            out += std::string("[") + names[c] + "]";
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "[%02X]", c);
            out += hex;
        }
    }
    return out;
}

}  // namespace

std::string FrameLogLine(double seconds, bool incoming, std::string_view bytes, bool raw) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%10.3f %s ", seconds, incoming ? "<-" : "->");
    if (raw) return stamp + ("(" + std::to_string(bytes.size()) + " raw bytes)");
    return stamp + visible(bytes);
}

}  // namespace vq::sim
