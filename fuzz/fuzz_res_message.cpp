// ResMessage with any id and any arguments, in both languages. The first byte picks the
// language, the next two the id (every table id and unknown ones); the rest, split at 0x00, is
// the argument list (up to a dozen, so "~9" and beyond are reached). Expansion must not crash,
// loop or grow without bound: an argument's own "~1" is never expanded again.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "messages/messages.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const vq::Language language = (data[0] & 1) ? vq::Language::Japanese : vq::Language::English;
    static const std::vector<int> ids = vq::messageIds(vq::Language::English);
    const unsigned pick = (static_cast<unsigned>(data[1]) << 8) | data[2];
    const int id =
        (pick & 0x8000) || ids.empty() ? static_cast<int>(pick & 0x7FFF) : ids[pick % ids.size()];
    std::vector<std::string> args;
    std::size_t argBytes = 0;
    std::string current;
    for (std::size_t i = 3; i < size; ++i) {
        if (data[i] == 0 && args.size() < 12) {
            args.push_back(current);
            argBytes += current.size();
            current.clear();
        } else {
            current.push_back(static_cast<char>(data[i]));
        }
    }
    args.push_back(current);
    argBytes += current.size();

    const std::string text = vq::ResMessage(language, id, args);
    // Each of "~1".."~9" may place an argument once per occurrence in the template: the result
    // is bounded by the template and the arguments, never by a loop.
    const std::string plain = vq::messageTemplate(language, id);
    if (text.size() > (plain.size() + 64) * (argBytes + 1) + 4096) __builtin_trap();
    (void)vq::expandMessage(current, args);
    return 0;
}
