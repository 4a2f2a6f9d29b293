#pragma once
// The communication-log lines the reply decoder writes, from the message table.

#include <string>
#include <string_view>

namespace vq {

enum class DecoderLog {
    FormatError,      // "<<< Format error >>>"
    ResponseError,    // "<<< Response error >>>"
    ChecksumError,    // "<<< Checksum error >>>"
    ImproperDate,     // "<<< improper date at HC >>> " followed by the received digits
    ConnectFinished,  // "---StartUp Connect Sequence Finished---" and a line break
};

std::string DecoderLogText(DecoderLog line, std::string_view argument = {});

}  // namespace vq
