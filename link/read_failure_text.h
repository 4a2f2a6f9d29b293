#pragma once
// Why a read stopped, in words: the command that was not read (with its setting's caption where
// the settings table has one) and the reason, from the last frame sent and the last reply.

#include <string>
#include <string_view>

namespace vq {

struct ReadFailure {
    std::string sentFrame;  // the request frame last sent (the read that stopped)
    std::string lastReply;  // the reply frame last handed to the decoder
    int tries = 1;          // how often a request is sent before it fails
    bool lineDropped = false;
    bool cancelled = false;
};

// "\"WB,R,\" (Leak check buzzer): no answer after 4 tries"; control bytes and bytes above 127
// of the instrument's answer are shown as "\xHH".
std::string ReadFailureText(const ReadFailure& failure);

}  // namespace vq
