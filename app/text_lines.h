#pragma once
// Splits the text of a file into lines. The program writes CRLF, but files come back edited by
// other tools: a line ends at CRLF, at a lone LF or at a lone CR. A last line without an end is
// still a line; an empty text has no lines. A UTF-8 byte-order mark that an editor put in front
// of the first line is not part of it.

#include <string_view>
#include <vector>

namespace vq {

// Written at the start of the CSV files the program creates: without it a common spreadsheet
// program takes UTF-8 for the local code page and garbles the Japanese header.
inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// `text` without a leading byte-order mark.
inline std::string_view WithoutByteOrderMark(std::string_view text) {
    if (text.substr(0, kUtf8ByteOrderMark.size()) == kUtf8ByteOrderMark)
        text.remove_prefix(kUtf8ByteOrderMark.size());
    return text;
}

inline std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    text = WithoutByteOrderMark(text);
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c != '\r' && c != '\n') continue;
        lines.push_back(text.substr(start, i - start));
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

}  // namespace vq
