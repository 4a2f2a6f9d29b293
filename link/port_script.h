#pragma once
// A scripted instrument at the far end of a MemoryChannel: "on a frame whose payload starts
// with this, answer that after this delay; or stay silent". Rules are tried in the order they
// were added; the first one that matches and is not used up decides. A frame no rule matches
// gets no answer.

#include <string>
#include <string_view>
#include <vector>

#include "link/memory_port.h"

namespace vq {

class PortScript {
  public:
    using Millis = EventHost::Millis;
    // Bytes sent `delay` after the frame was written (each chunk is its own receive event).
    struct Chunk {
        Millis delay;
        std::string bytes;
    };
    static constexpr int kForever = -1;

    // Installs itself as the channel's responder; the channel must outlive the script's use.
    explicit PortScript(MemoryChannel& channel);

    PortScript& answer(std::string payloadPrefix, std::string reply, Millis delay = Millis{5},
                       int times = kForever);
    PortScript& answerChunks(std::string payloadPrefix, std::vector<Chunk> chunks,
                             int times = kForever);
    PortScript& silent(std::string payloadPrefix, int times = kForever);

    // The payloads of the frames written so far, in order, and when each was written.
    std::vector<std::string> payloads() const;
    std::vector<Millis> writeTimes() const;

    // The payload of a frame (between "0001" and the ETX); anything else is returned whole.
    static std::string PayloadOf(std::string_view frame);

  private:
    struct Rule {
        std::string prefix;
        std::vector<Chunk> chunks;  // empty: stay silent
        int remaining;
    };
    void respond(const std::string& written);

    MemoryChannel& channel_;
    std::vector<Rule> rules_;
};

}  // namespace vq
