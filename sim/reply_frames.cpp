#include <string>

#include "protocol/frame.h"
#include "sim/handler_context.h"

namespace vq::sim {

Emission ReplyFrame(std::string_view key, std::string_view payload, char terminator) {
    std::string text(key);
    text += ',';
    text += payload;
    // The program takes nothing shorter than 15 characters for a reply.
    while (text.size() < key.size() + 3) text += ',';
    return {BuildFrame(text, terminator), false};
}

Emission AckReply(std::string_view key) {
    return ReplyFrame(key, std::string(1, ACK));
}
Emission NakReply(std::string_view key) {
    return ReplyFrame(key, std::string(1, NAK));
}
Emission BusyReply(std::string_view key) {
    return ReplyFrame(key, std::string(1, SUB));
}

}  // namespace vq::sim
