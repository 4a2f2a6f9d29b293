#include "link/frame_rules.h"

#include "model/numeric.h"
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

bool IsHandshakeFrame(std::string_view frame) {
    constexpr std::size_t controlAt = 5;  // STX "0001" control
    return frame.size() > controlAt && frame.front() == STX &&
           (frame[controlAt] == ACK || frame[controlAt] == NAK);
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

namespace {

// The command key ("XS,R") of a frame laid out STX "0001" key ",": empty when it has none.
std::string_view commandKey(std::string_view frame, std::size_t stx) {
    constexpr std::size_t keyAt = 5, keyLength = 4;
    if (stx == std::string_view::npos || frame.size() < stx + keyAt + keyLength) return {};
    return frame.substr(stx + keyAt, keyLength);
}

// The first parameter after the key: up to the next ",", CR or ETX.
std::string_view firstParameter(std::string_view frame, std::size_t stx) {
    constexpr std::size_t parameterAt = 10;
    if (stx == std::string_view::npos || frame.size() <= stx + parameterAt) return {};
    std::string_view rest = frame.substr(stx + parameterAt);
    return rest.substr(0, rest.find_first_of(std::string_view(",\r\x03", 3)));
}

bool sameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
        if (upper(a[i]) != upper(b[i])) return false;
    }
    return true;
}

// An index stands for a number: the instrument may answer "XS,R,0005" with "XS,R,5" and
// "LI,R,0A" with "LI,R,a". Indexes that are not numbers ("****") are compared as text.
bool sameIndex(std::string_view reply, std::string_view request) {
    const auto replyNumber = ParseHex(reply);
    const auto requestNumber = ParseHex(request);
    if (replyNumber && requestNumber) return *replyNumber == *requestNumber;
    return !replyNumber && !requestNumber && sameText(reply, request);
}

}  // namespace

bool AnswersRequest(std::string_view reply, std::string_view request) {
    const std::size_t replyStx = reply.find(STX);
    const std::string_view replyKey = commandKey(reply, replyStx);
    std::size_t requestStx = request.find(STX);
    // After a block the last frame is its handshake, ACK or NAK before the request's key.
    if (requestStx != std::string_view::npos && request.size() > requestStx + 5 &&
        (request[requestStx + 5] == ACK || request[requestStx + 5] == NAK)) {
        ++requestStx;
    }
    const std::string_view requestKey = commandKey(request, requestStx);
    if (replyKey.empty() || requestKey.empty()) return true;  // left to the decoder
    if (!sameText(replyKey, requestKey)) return false;
    if (requestKey != "XS,R" && requestKey != "LI,R") return true;
    // An indexed read is answered with its index first; a refusal (NAK) carries none, and a
    // handshake after a block holds only the request's key.
    const std::string_view index = firstParameter(reply, replyStx);
    if (index.empty() || static_cast<unsigned char>(index.front()) < 0x20) return true;
    const std::string_view requested = firstParameter(request, requestStx);
    return requested.empty() || sameIndex(index, requested);
}

}  // namespace vq
