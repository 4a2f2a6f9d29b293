// Whatever the other side sends, the virtual instrument answers with nothing or a NAK, never
// falls over, and keeps its buffer bounded.

#include <gtest/gtest.h>

#include <random>

#include "sim/request_framer.h"
#include "sim_test_support.h"

namespace vq::sim::testing {
namespace {

TEST(SimRobustness, FramesArriveInPiecesOrSeveralAtOnce) {
    Bench bench;
    const std::string probe = Request("RC,R,");
    const std::string read = Request("LP,R,");
    EXPECT_TRUE(bench.responder.receive(probe.substr(0, 7), At(0)).empty());
    const Reply first = bench.responder.receive(probe.substr(7) + read + probe.substr(0, 3), At(0));
    ASSERT_EQ(first.size(), 2u);
    EXPECT_NE(first[0].bytes.find("VQ-5100"), std::string::npos);
    EXPECT_NE(first[1].bytes.find("LP,R,0"), std::string::npos);
    EXPECT_EQ(bench.responder.receive(probe.substr(3), At(0)).size(), 1u);
}

TEST(SimRobustness, DamagedOrUnknownRequests) {
    Bench bench;
    std::string damaged = Request("LP,W,2");
    damaged[8] = '3';  // the checksum no longer fits: no answer, the program resends
    EXPECT_TRUE(bench.responder.receive(damaged, At(0)).empty());
    EXPECT_EQ(bench.responder.state().settings.hcMode, 0);

    for (const char* payload : {"ZZ,R,", "lp,r,", "LP;R,", "LPXR"}) {
        const Reply reply = bench.ask(payload);
        ASSERT_EQ(reply.size(), 1u) << payload;
        EXPECT_EQ(reply[0].bytes[10], NAK) << payload;
        EXPECT_FALSE(bench.decoder.DecodeReply(reply[0].bytes, &bench.model, bench.host));
    }
    EXPECT_TRUE(bench.ask("LP").empty());  // too short to name a command
    EXPECT_TRUE(bench.responder.receive("LP,R,\r\n", At(0)).empty());  // no frame at all
    // An acknowledgement with no listing running is ignored.
    EXPECT_TRUE(bench.ask(std::string(1, ACK) + "EF,R,", ETB).empty());
}

TEST(SimRobustness, FramerResynchronisesAndBoundsItsBuffer) {
    RequestFramer framer;
    // A start that never ends, then a good frame: the good frame is found.
    auto frames = framer.feed(std::string(1, STX) + "0001LP,R," + Request("VP,R,"));
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].payload, "VP,R,");
    EXPECT_TRUE(frames[0].checksumOk);
    // A wrong terminator is not a frame.
    std::string bad = Request("VP,R,");
    bad.back() = 'X';
    EXPECT_TRUE(framer.feed(bad).empty());
    // An endless frame is given up.
    framer.feed(std::string(1, STX) + "0001" + std::string(100000, 'A'));
    EXPECT_LE(framer.pending(), RequestFramer::kMaxFrame + 1);
    EXPECT_EQ(framer.feed(Request("VP,R,")).size(), 1u);
}

TEST(SimRobustness, RandomFloodNeverBreaksTheInstrument) {
    Bench bench;
    std::mt19937_64 rng(7);
    const std::string frames[] = {Request("RC,R,"), Request("GJ,W,x"),
                                  Request("EF,R,"), BuildFrame(std::string(1, ACK) + "EF,R,", ETB),
                                  Request("SZ,C,"), Request("HC,W,999999999999")};
    for (int round = 0; round < 2000; ++round) {
        std::string chunk;
        const int pieces = static_cast<int>(rng() % 6);
        for (int p = 0; p < pieces; ++p) {
            if (rng() % 3 == 0) {
                chunk += frames[rng() % std::size(frames)];
            } else {
                const std::size_t length = rng() % 64;
                for (std::size_t i = 0; i < length; ++i) chunk += static_cast<char>(rng());
            }
        }
        const Reply reply = bench.responder.receive(chunk, At(round));
        for (const Emission& e : reply) {
            if (e.raw) continue;
            ASSERT_GE(e.bytes.size(), 15u);
            ASSERT_EQ(e.bytes[0], STX);
        }
    }
    // Still the instrument it was.
    EXPECT_TRUE(bench.exchange("RC,R,"));
    EXPECT_TRUE(bench.exchange("GJ,R,"));
}

}  // namespace
}  // namespace vq::sim::testing
