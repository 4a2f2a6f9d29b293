// Memory dumps: flash blocks of 512 raw bytes ("EP") and the FRAM listing ("EF"), a multi-block
// answer of ETB-terminated blocks, each sent when the program acknowledged the one before,
// and an EOT-terminated last block.

#include <string>

#include "model/numeric.h"
#include "protocol/frame.h"
#include "sim/handler_context.h"
#include "sim/wire_text.h"

namespace vq::sim {

namespace {

constexpr std::size_t kFlashBlocks = kFlashSize / kFlashBlock;
constexpr std::size_t kFramBlocks = kFramSize / kFramBlock;

std::string hexBytes(const std::vector<std::uint8_t>& memory, std::size_t at, std::size_t count) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(count * 2);
    for (std::size_t i = at; i < at + count; ++i) {
        text += digits[memory[i] >> 4];
        text += digits[memory[i] & 0x0F];
    }
    return text;
}

// Block n (from 0): area name, block number counting from 1, address, data.
Emission framBlock(const SimState& state, std::size_t n) {
    const std::size_t address = n * kFramBlock;
    const std::string payload = "FR," + std::to_string(n + 1) + "," +
                                Hex8(static_cast<std::int32_t>(address)).substr(2) + "," +
                                hexBytes(state.fram, address, kFramBlock);
    return ReplyFrame("EF,R", payload, n + 1 == kFramBlocks ? EOT : ETB);
}

Reply flashBlock(HandlerContext& c, const Request& r) {
    const auto block = ParseHex(r.params);
    // A block outside the image gets no answer: raw bytes cannot say "no".
    if (r.params.size() != 4 || !block || *block >= kFlashBlocks) return {};
    const auto begin = c.state.flash.begin() + static_cast<std::ptrdiff_t>(*block * kFlashBlock);
    return {Emission{std::string(begin, begin + kFlashBlock), true}};
}

Reply framListing(HandlerContext& c, const Request&) {
    c.session.dump = {true, 0, kFramBlocks};
    return {framBlock(c.state, 0)};
}

}  // namespace

// The listing stays open until its last block is acknowledged: a NAK for the EOT block, like
// one for any other, asks for that block again.
Reply ContinueDump(HandlerContext& c, bool acknowledged) {
    DumpCursor& dump = c.session.dump;
    if (!dump.active) return {};
    if (acknowledged) {
        if (dump.sent + 1 >= dump.blocks) {
            dump.active = false;
            return {};
        }
        ++dump.sent;
    }
    return {framBlock(c.state, dump.sent)};
}

void RegisterDumpHandlers(HandlerTable& table) {
    table["EP,R"] = flashBlock;
    table["EF,R"] = framListing;
}

}  // namespace vq::sim
