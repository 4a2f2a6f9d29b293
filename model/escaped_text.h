#pragma once
// Texts in the program's text files (the settings command file) are written with every byte that
// is not printable ASCII as "\xHH" (the way they are shown to a person, model/setting_rules.h
// ShownText) and a backslash as "\x5C", so a file stays clean text whatever bytes an instrument
// holds, and reading it back gives exactly those bytes.

#include <string>
#include <string_view>

namespace vq {

std::string FileEscapedText(std::string_view text);

// "\x" and two hexadecimal digits is the byte they name; any other backslash stands for itself
// (a file written before texts were escaped).
std::string FileUnescapedText(std::string_view text);

}  // namespace vq
