// Memory dump blocks: lines of 32 hex digits, addresses from the block number, padding of the
// last piece, and blocks that add nothing.

#include "decoder_fixture.h"

namespace vq::testing {
namespace {

using DumpReplyTest = DecoderTest;

std::string hexDigits(size_t count) {
    std::string s;
    const char digits[] = "0123456789ABCDEF";
    for (size_t i = 0; i < count; ++i) s += digits[i % 16];
    return s;
}

TEST_F(DumpReplyTest, SeventyTwoDigitsMakeTwoLinesAndAPaddedThird) {
    std::string data = hexDigits(72);
    EXPECT_TRUE(decodeFrame(Reply("EF,R,0,3,0," + data, ETB)));
    ASSERT_EQ(host.dumpLines.size(), 3u);
    EXPECT_EQ(host.dumpLines[0], std::make_pair(data.substr(0, 32), std::uint32_t{256}));
    EXPECT_EQ(host.dumpLines[1], std::make_pair(data.substr(32, 32), std::uint32_t{272}));
    EXPECT_EQ(host.dumpLines[2],
              std::make_pair(data.substr(64) + std::string(24, 'F'), std::uint32_t{288}));
}

TEST_F(DumpReplyTest, EveryDumpKeyListsLines) {
    for (const char* key : {"EP,R", "EF,R", "ES,R"}) {
        host.dumpLines.clear();
        EXPECT_TRUE(decode(std::string(key) + ",x,1,y," + hexDigits(32))) << key;
        ASSERT_EQ(host.dumpLines.size(), 1u) << key;
        EXPECT_EQ(host.dumpLines[0].second, 0u) << key;
    }
}

TEST_F(DumpReplyTest, BlocksWithoutUsableDataAreAcceptedAndAddNothing) {
    for (const char* body : {"EF,R,0,A,0,0011", "EF,R,0,1,0", "EF,R,x", "EF,R,0,-3,0,0011",
                             "EF,R,0,0,0,0011", "EF,R,0,1,0,00GG"}) {
        EXPECT_TRUE(decode(body)) << body;
    }
    EXPECT_TRUE(host.dumpLines.empty());
    EXPECT_TRUE(host.log.empty());
}

TEST_F(DumpReplyTest, AddressesStayWithinThirtyTwoBits) {
    // Block 33554432 starts at FFFFFF80: eight lines fit below 2^32, the rest are dropped.
    EXPECT_TRUE(decode("EF,R,0,33554432,0," + hexDigits(32 * 10)));
    ASSERT_EQ(host.dumpLines.size(), 8u);
    EXPECT_EQ(host.dumpLines.back().second, 0xFFFFFFF0u);
    host.dumpLines.clear();
    EXPECT_TRUE(decode("EF,R,0,2147483647,0," + hexDigits(32)));
    EXPECT_TRUE(host.dumpLines.empty());
}

TEST_F(DumpReplyTest, ANestedReplyDuringAFlushDoesNotDisturbTheBlock) {
    // The link flushes its buffer from addDumpLine; a listener that pumps events may let the
    // next block through to the same decoder before this one is finished.
    struct NestingHost : FakeDecoderHost {
        ReplyDecoder* decoder = nullptr;
        bool nested = false;
        void addDumpLine(const std::string& line, std::uint32_t address) override {
            FakeDecoderHost::addDumpLine(line, address);
            if (nested) return;
            nested = true;
            decoder->DecodeReply(Reply("EF,R,0,9,0," + std::string(32, '7'), ETB), nullptr, *this);
        }
    } nesting;
    nesting.decoder = &decoder;
    std::string data = hexDigits(64);
    EXPECT_TRUE(decoder.DecodeReply(Reply("EF,R,0,1,0," + data, ETB), nullptr, nesting));
    ASSERT_EQ(nesting.dumpLines.size(), 3u);
    EXPECT_EQ(nesting.dumpLines[0], std::make_pair(data.substr(0, 32), std::uint32_t{0}));
    EXPECT_EQ(nesting.dumpLines[1], std::make_pair(std::string(32, '7'), std::uint32_t{1024}));
    EXPECT_EQ(nesting.dumpLines[2], std::make_pair(data.substr(32), std::uint32_t{16}));
}

TEST_F(DumpReplyTest, ALongRunOfBlocksKeepsListing) {
    // A dump that keeps going: each block is acknowledged and listed; nothing accumulates here.
    for (int block = 1; block <= 2000; ++block) {
        ASSERT_TRUE(
            decodeFrame(Reply("EF,R,0," + std::to_string(block) + ",0," + hexDigits(256), ETB)));
    }
    ASSERT_EQ(host.dumpLines.size(), 16000u);
    EXPECT_EQ(host.dumpLines.back().second, 1999u * 128 + 7 * 16);
}

}  // namespace
}  // namespace vq::testing
