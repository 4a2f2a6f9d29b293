// LineTokenizer with arbitrary marker lists and lines. The first byte gives how many of the next
// bytes are delimiters, the second string markers, the third comment markers (each one
// character, at most 12 of each so the ten-entry limit is passed); the rest is the line.
// Splitting must not crash, must keep at most 256 tokens and must report overflow exactly when
// it kept 256 and stopped.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/line_tokenizer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    std::string_view rest(reinterpret_cast<const char*>(data + 3), size - 3);
    vq::LineTokenizer token;
    const int counts[3] = {data[0] % 13, data[1] % 13, data[2] % 13};
    for (int list = 0; list < 3; ++list) {
        for (int i = 0; i < counts[list] && !rest.empty(); ++i) {
            const std::string_view marker = rest.substr(0, 1);
            rest.remove_prefix(1);
            if (list == 0) token.AddDelimiters(marker);
            if (list == 1) token.AddStrings(marker);
            if (list == 2) token.AddComments(marker);
        }
    }
    const bool whole = token.setSource(rest);
    const int count = token.TokenCount();
    if (count < 0 || count > vq::LineTokenizer::maxTokens) __builtin_trap();
    if (whole == token.Overflow()) __builtin_trap();
    if (token.Overflow() && count != vq::LineTokenizer::maxTokens) __builtin_trap();
    std::size_t total = 0;
    for (int i = -1; i <= vq::LineTokenizer::maxTokens; ++i) total += token.Tokens(i).size();
    // Tokens are pieces of the line (a comment's text included): together never longer than it.
    if (total > rest.size()) __builtin_trap();
    // Splitting the same line again gives the same tokens.
    vq::LineTokenizer again = token;
    again.setSource(rest);
    for (int i = 0; i < vq::LineTokenizer::maxTokens; ++i) {
        if (again.TokenView(i) != token.TokenView(i)) __builtin_trap();
    }
    return 0;
}
