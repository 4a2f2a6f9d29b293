#include "link/control_chars.h"

#include "protocol/frame.h"

namespace vq {
namespace {

const char* controlName(char c) {
    switch (c) {
        case STX:
            return "[STX]";
        case ETX:
            return "[ETX]";
        case EOT:
            return "[EOT]";
        case ENQ:
            return "[ENQ]";
        case ACK:
            return "[ACK]";
        case NAK:
            return "[NAK]";
        case ETB:
            return "[ETB]";
        case SUB:
            return "[SUB]";
        case ESC:
            return "[ESC]";
        default:
            return nullptr;
    }
}

}  // namespace

std::string RenderControlChars(std::string_view text) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() + 16);
    for (char c : text) {
        const auto code = static_cast<unsigned char>(c);
        if (code >= 0x80) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code >= 32 || c == CR || c == LF) {
            out += c;
        } else if (const char* name = controlName(c)) {
            out += name;
        } else {
            out += '[';
            out += digits[code >> 4];
            out += digits[code & 0x0F];
            out += ']';
        }
    }
    return out;
}

std::string BytesToText(std::string& bytes) {
    std::string text = std::move(bytes);
    bytes.clear();
    return text;
}

}  // namespace vq
