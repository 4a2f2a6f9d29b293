#pragma once
// Making frames readable in the communication log.

#include <string>
#include <string_view>

namespace vq {

// Shows control characters by name ([STX], [ETX], [EOT], [ENQ], [ACK], [NAK], [ETB], [SUB],
// [ESC]) or as "[" + two upper-case hex digits + "]" ([01]); CR and LF stay as they are, codes
// 32 to 127 are copied. A byte of 128 and above is written as the character of that code in
// UTF-8, so the log stays a valid UTF-8 text whatever the line carried.
std::string RenderControlChars(std::string_view text);

// The bytes of one receive event as text, one character per byte (character code = byte value);
// the byte array is left empty.
std::string BytesToText(std::string& bytes);

}  // namespace vq
