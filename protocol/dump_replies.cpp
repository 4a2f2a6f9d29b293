// Memory dump blocks ("EP,R", "EF,R", "ES,R"): token 1 is the block number counting from 1,
// token 3 the block's data as hex digits. The data is cut into listing lines of 32 digits
// (16 bytes); a short last piece is padded with "F" and ends the block. The link holds the line
// buffer and writes the lines out.

#include <cstdint>
#include <string>

#include "model/numeric.h"
#include "protocol/reply_rules.h"

namespace vq {

namespace {

constexpr size_t kLineDigits = 32;
constexpr int64_t kBlockBytes = 128;
constexpr int64_t kLineBytes = 16;
constexpr int64_t kMaxAddress = UINT32_MAX;  // listing addresses are 32-bit

bool isHexDigits(std::string_view text) {
    for (char c : text) {
        bool hex = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
        if (!hex) return false;
    }
    return true;
}

void dumpBlockRule(ReplyContext& reply, int) {
    // A block is acknowledged whatever it holds, so a long dump never stalls on one bad block.
    reply.accepted = true;
    if (reply.token(3).empty()) return;
    auto block = ParseInt32(reply.token(1));
    // A block number below 1 would give negative addresses; data that is not hex digits could
    // not be listed. Such a block adds no lines.
    if (!block || *block < 1 || !isHexDigits(reply.token(3))) return;

    // The data is copied out of the tokenizer: the link flushes full line buffers from inside
    // addDumpLine, and whatever its listeners do may bring the next reply to this decoder.
    const std::string data(reply.token(3));
    int64_t address = (int64_t{*block} - 1) * kBlockBytes;
    std::string line;
    for (size_t at = 0; at < data.size() && address <= kMaxAddress;
         at += kLineDigits, address += kLineBytes) {
        line.assign(data, at, kLineDigits);
        line.resize(kLineDigits, 'F');
        reply.host.addDumpLine(line, static_cast<uint32_t>(address));
    }
}

}  // namespace

void addDumpRules(std::vector<KeyRule>& rules) {
    rules.push_back({"EP,R", dumpBlockRule, 0, false});
    rules.push_back({"EF,R", dumpBlockRule, 0, false});
    rules.push_back({"ES,R", dumpBlockRule, 0, false});
}

}  // namespace vq
