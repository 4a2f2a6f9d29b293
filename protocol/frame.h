#pragma once
// The wire frame shared by the program and the virtual instrument:
//   STX "0001" payload ETX checksum terminator
// The checksum covers every character from the STX through the ETX inclusive: their codes are
// summed modulo 256 and negated modulo 256, written as two upper-case hexadecimal digits.

#include <cstddef>
#include <string>
#include <string_view>

namespace vq {

inline constexpr char STX = 0x02;
inline constexpr char ETX = 0x03;
inline constexpr char EOT = 0x04;
inline constexpr char ENQ = 0x05;
inline constexpr char ACK = 0x06;
inline constexpr char NAK = 0x15;
inline constexpr char ETB = 0x17;
inline constexpr char SUB = 0x1A;
inline constexpr char ESC = 0x1B;
inline constexpr char CR = 0x0D;
inline constexpr char LF = 0x0A;

// STX "0001" key "," ETX checksum terminator is 14 characters: a reply carries at least one more
// (its first payload character). Anything shorter is a format error and never a reply.
inline constexpr std::size_t kShortestReply = 15;

// Two upper-case hex digits of the checksum of `covered` (STX through ETX).
std::string FrameChecksum(std::string_view covered);

// STX "0001" payload ETX checksum terminator.
std::string BuildFrame(std::string_view payload, char terminator);

}  // namespace vq
