#include "protocol/frame.h"

namespace vq {

std::string FrameChecksum(std::string_view covered) {
    unsigned sum = 0;
    for (char c : covered) sum += static_cast<unsigned char>(c);
    const unsigned value = (256u - sum % 256u) % 256u;
    static constexpr char digits[] = "0123456789ABCDEF";
    return {digits[value >> 4], digits[value & 0x0F]};
}

std::string BuildFrame(std::string_view payload, char terminator) {
    std::string frame;
    frame.reserve(payload.size() + 9);
    frame += STX;
    frame += "0001";
    frame += payload;
    frame += ETX;
    frame += FrameChecksum(frame);
    frame += terminator;
    return frame;
}

}  // namespace vq
