#include "sim/request_framer.h"

#include "protocol/frame.h"

namespace vq::sim {

namespace {

constexpr std::string_view kHeader = "0001";

}  // namespace

std::vector<RequestFrame> RequestFramer::feed(std::string_view bytes) {
    std::vector<RequestFrame> frames;
    buffer_.append(bytes);
    while (!buffer_.empty()) {
        const std::size_t start = buffer_.find(STX);
        if (start == std::string::npos) {
            buffer_.clear();
            break;
        }
        buffer_.erase(0, start);
        const std::size_t etx = buffer_.find(ETX, 1);
        const std::size_t nextStx = buffer_.find(STX, 1);
        if (nextStx != std::string::npos && (etx == std::string::npos || nextStx < etx)) {
            // A new frame began before this one ended: the start was noise.
            buffer_.erase(0, nextStx);
            continue;
        }
        if (etx == std::string::npos) {
            if (buffer_.size() > kMaxFrame)
                buffer_.erase(0, 1);
            else
                break;
            continue;
        }
        if (buffer_.size() < etx + 4) break;  // checksum and terminator still to come
        const char terminator = buffer_[etx + 3];
        const bool framed = (terminator == EOT || terminator == ETB) &&
                            std::string_view(buffer_).substr(1, kHeader.size()) == kHeader &&
                            etx >= 1 + kHeader.size();
        if (!framed) {
            buffer_.erase(0, 1);
            continue;
        }
        RequestFrame frame;
        frame.raw = buffer_.substr(0, etx + 4);
        frame.payload = buffer_.substr(1 + kHeader.size(), etx - 1 - kHeader.size());
        frame.terminator = terminator;
        frame.checksumOk = FrameChecksum(std::string_view(buffer_).substr(0, etx + 1)) ==
                           std::string_view(buffer_).substr(etx + 1, 2);
        frames.push_back(std::move(frame));
        buffer_.erase(0, etx + 4);
    }
    return frames;
}

}  // namespace vq::sim
