#pragma once
// Cuts the program's byte stream into request frames: STX "0001" payload ETX checksum
// terminator (EOT for commands, ETB for the ACK/NAK frames of a multi-block answer). Bytes
// outside a frame are dropped; a frame that never ends is given up once it grows past any
// sensible length, so a flood of garbage cannot make the buffer grow without bound.

#include <string>
#include <string_view>
#include <vector>

namespace vq::sim {

struct RequestFrame {
    std::string payload;  // the text between "0001" and ETX
    char terminator = 0;  // EOT or ETB
    bool checksumOk = false;
    std::string raw;  // the whole frame as received
};

class RequestFramer {
  public:
    // Longest frame kept while waiting for its end; the longest request is well below it.
    static constexpr std::size_t kMaxFrame = 4096;

    std::vector<RequestFrame> feed(std::string_view bytes);
    void reset() { buffer_.clear(); }
    std::size_t pending() const { return buffer_.size(); }

  private:
    std::string buffer_;
};

}  // namespace vq::sim
