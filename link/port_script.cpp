#include "link/port_script.h"

#include <utility>

#include "protocol/frame.h"

namespace vq {

PortScript::PortScript(MemoryChannel& channel) : channel_(channel) {
    channel_.setResponder([this](const std::string& written) { respond(written); });
}

PortScript& PortScript::answer(std::string payloadPrefix, std::string reply, Millis delay,
                               int times) {
    return answerChunks(std::move(payloadPrefix), {Chunk{delay, std::move(reply)}}, times);
}

PortScript& PortScript::answerChunks(std::string payloadPrefix, std::vector<Chunk> chunks,
                                     int times) {
    rules_.push_back(Rule{std::move(payloadPrefix), std::move(chunks), times});
    return *this;
}

PortScript& PortScript::silent(std::string payloadPrefix, int times) {
    return answerChunks(std::move(payloadPrefix), {}, times);
}

void PortScript::respond(const std::string& written) {
    const std::string payload = PayloadOf(written);
    for (Rule& rule : rules_) {
        if (rule.remaining == 0 || payload.compare(0, rule.prefix.size(), rule.prefix) != 0) {
            continue;
        }
        if (rule.remaining > 0) --rule.remaining;
        for (const Chunk& chunk : rule.chunks) channel_.send(chunk.bytes, chunk.delay);
        return;
    }
}

std::string PortScript::PayloadOf(std::string_view frame) {
    const std::size_t etx = frame.rfind(ETX);
    if (frame.size() < 5 || frame[0] != STX || etx == std::string_view::npos || etx < 5) {
        return std::string(frame);
    }
    return std::string(frame.substr(5, etx - 5));
}

std::vector<std::string> PortScript::payloads() const {
    std::vector<std::string> result;
    for (const auto& write : channel_.written()) result.push_back(PayloadOf(write.bytes));
    return result;
}

std::vector<PortScript::Millis> PortScript::writeTimes() const {
    std::vector<Millis> result;
    for (const auto& write : channel_.written()) result.push_back(write.at);
    return result;
}

}  // namespace vq
