#include "link/frame_rules.h"

#include "protocol/frame.h"

namespace vq {

std::size_t FrameEnd(std::size_t first, std::size_t second, std::size_t third) {
    std::size_t end = 0;
    for (std::size_t position : {first, second, third}) {
        if (position != 0 && (end == 0 || position < end)) end = position;
    }
    return end;
}

std::string HandshakeFrame(char control, std::string_view lastFrame) {
    const std::size_t count = lastFrame.find("IH") != std::string_view::npos ? 7 : 5;
    std::string payload(1, control);
    if (lastFrame.size() > 5) payload += lastFrame.substr(5, count);
    return BuildFrame(payload, ETB);
}

bool IsNeverResent(std::string_view frame) {
    for (std::string_view key : {"UX,W", "XC,W", "SZ,W", "S1,W"}) {
        if (frame.find(key) != std::string_view::npos) return true;
    }
    return false;
}

bool ReplyChecksumValid(std::string_view frame) {
    // STX ... ETX c c terminator
    if (frame.size() < 5) return false;
    const std::size_t etx = frame.size() - 4;
    if (frame[etx] != ETX) return false;
    const std::size_t stx = frame.find(STX);
    if (stx >= etx) return false;
    const std::string expected = FrameChecksum(frame.substr(stx, etx - stx + 1));
    auto upper = [](char c) { return (c >= 'a' && c <= 'f') ? static_cast<char>(c - 32) : c; };
    return upper(frame[etx + 1]) == expected[0] && upper(frame[etx + 2]) == expected[1];
}

}  // namespace vq
