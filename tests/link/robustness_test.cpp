// Hostile input on the line: any bytes in any chunking, CR floods, endless text without a
// terminator, frames of any length. The link must not crash, must keep its receive buffer
// bounded, and every wait must still end.

#include <gtest/gtest.h>

#include <random>

#include "model/instrument.h"
#include "protocol/frame.h"
#include "tests/support/link_harness.h"
#include "tests/support/link_test_access.h"

namespace vq {
namespace {

using Millis = EventHost::Millis;

// Runs the host until `until`, checking the receive buffer after every event.
std::size_t runWatchingBuffer(test::LinkHarness& h, Millis until) {
    std::size_t largest = 0;
    while (h.host.now() < until) {
        h.host.pumpOnce();
        largest = std::max(largest, h.link.ReceiveBuffer().size());
    }
    return largest;
}

// After any abuse the link still works: a silent instrument times out at the expected instant,
// an answering one completes the read.
void expectStillWorking(test::LinkHarness& h) {
    h.host.runFor(Millis{5000});  // let the abuse settle
    h.serial.farEnd().clearWritten();
    const Millis start = h.host.now();
    h.link.setReplyDecoder({});
    EXPECT_FALSE(h.link.WaitFor(link_status::AwaitRead, "ZZ,R,"));
    EXPECT_LE(h.host.now() - start, Millis{8000});  // Retry 3, Timeout 2
    EXPECT_EQ(h.link.Status(), link_status::Failed);
    h.script.answer("RC,R,", test::ProbeReply());
    EXPECT_TRUE(h.link.WaitFor(link_status::AwaitRead, "RC,R,"));
}

TEST(Robustness, RandomBytesInRandomChunksWhileReadsWait) {
    std::mt19937 random(20261207);
    for (int round = 0; round < 4; ++round) {
        test::LinkHarness h;
        h.connect(3, 2);
        std::uniform_int_distribution<int> byte(0, 255);
        std::uniform_int_distribution<int> length(1, 3000);
        std::uniform_int_distribution<int> gap(0, 400);
        Millis at{0};
        for (int chunk = 0; chunk < 150; ++chunk) {
            std::string bytes(static_cast<std::size_t>(length(random)), '\0');
            for (char& c : bytes) c = static_cast<char>(byte(random));
            at += Millis{gap(random)};
            h.serial.farEnd().send(std::move(bytes), at);
        }
        // A read waits now and then in the middle of it all.
        for (int i = 0; i < 10; ++i) {
            h.host.callLater(Millis{gap(random) * 15}, [&h] {
                if (!link_status::IsAwaiting(h.link.Status())) {
                    test::LinkTestAccess::setStatus(h.link, link_status::AwaitRead);
                    h.link.DataSend(BuildFrame("VP,R,", EOT), true);
                }
            });
        }
        EXPECT_LE(runWatchingBuffer(h, h.host.now() + at + Millis{1000}),
                  FrameScanner::kReceiveBufferCap + 3000);
        EXPECT_LE(h.link.ReceiveBuffer().size(), FrameScanner::kReceiveBufferCap);
        expectStillWorking(h);
    }
}

TEST(Robustness, MegabyteWithoutTerminatorKeepsTheBufferBoundedAndTheReadTimesOut) {
    for (std::size_t chunkSize : {std::size_t{64}, std::size_t{1} << 20}) {
        test::LinkHarness h;
        h.connect(3, 2);
        std::string megabyte;
        for (std::size_t i = 0; megabyte.size() < (1u << 20); ++i) {
            megabyte += i % 1000 == 0 ? '\x02' : static_cast<char>('A' + i % 26);
        }
        for (std::size_t at = 0; at < megabyte.size(); at += chunkSize) {
            h.serial.farEnd().send(megabyte.substr(at, chunkSize), Millis{1});
        }
        test::LinkTestAccess::setStatus(h.link, link_status::AwaitRead);
        h.link.DataSend(BuildFrame("VP,R,", EOT), true);
        std::size_t largest = 0;
        while (h.link.Status() == link_status::AwaitRead) {
            h.host.pumpOnce();
            largest = std::max(largest, h.link.ReceiveBuffer().size());
        }
        EXPECT_LE(largest, FrameScanner::kReceiveBufferCap) << chunkSize;
        EXPECT_EQ(h.link.Status(), link_status::Failed);
        expectStillWorking(h);
    }
}

TEST(Robustness, UnterminatedNoiseWithoutAFrameStartIsDroppedWhole) {
    test::LinkHarness h;
    h.connect(3, 2);
    h.serial.farEnd().send(std::string(FrameScanner::kReceiveBufferCap + 1, 'x'));
    h.host.runFor(Millis{1});
    EXPECT_TRUE(h.link.ReceiveBuffer().empty());
    // A frame start near the end survives the trim: its reply still completes.
    h.link.setReplyDecoder([](std::string&) { return true; });
    const std::string reply = test::Reply("VP,R,0123");
    h.script.answerChunks("VP,R,", {{Millis{1}, std::string(FrameScanner::kReceiveBufferCap, 'x') +
                                                    reply.substr(0, 6)},
                                    {Millis{2}, reply.substr(6)}});
    EXPECT_TRUE(h.link.WaitFor(link_status::AwaitRead, "VP,R,"));
    EXPECT_EQ(h.link.LastReply(), reply);
}

TEST(Robustness, FramesOfAnyLengthInAnyChunking) {
    std::mt19937 random(5100);
    test::LinkHarness h;
    h.connect(3, 2);
    std::size_t handed = 0;
    h.link.setReplyDecoder([&](std::string&) { return ++handed % 3 != 0; });
    std::string stream;
    for (std::size_t length : {0, 1, 9, 200, 5000, 70000, 200000, 3, 65536}) {
        std::string payload(length, '\0');
        for (char& c : payload) c = static_cast<char>(random() % 256);
        stream += BuildFrame(payload, random() % 2 ? ETB : EOT);
    }
    std::uniform_int_distribution<std::size_t> cut(1, 20000);
    Millis at{0};
    for (std::size_t pos = 0; pos < stream.size();) {
        const std::size_t size = std::min(cut(random), stream.size() - pos);
        h.serial.farEnd().send(stream.substr(pos, size), at += Millis{1});
        pos += size;
    }
    EXPECT_LE(runWatchingBuffer(h, h.host.now() + at + Millis{10}),
              FrameScanner::kReceiveBufferCap + 20000);
    EXPECT_GT(handed, 0u);
    expectStillWorking(h);
}

TEST(Robustness, CrFloodInTinyPiecesEndsTheWait) {
    test::LinkHarness h;
    h.connect(3, 2);
    for (int i = 0; i < 20000; ++i) h.serial.farEnd().send("\r", Millis{1 + i / 100});
    EXPECT_FALSE(h.link.WaitFor(link_status::AwaitRead, "VP,R,"));
    EXPECT_EQ(h.sent().size(), 4u);
    h.host.runFor(Millis{500});
    EXPECT_TRUE(h.link.ReceiveBuffer().empty());
}

// Valid blocks for ever, each acknowledgement bringing the next: the read ended only when the
// program was killed, its log growing by a megabyte a second.
TEST(Robustness, BlockAnswerThatNeverEndsFailsAtTheBlockLimit) {
    test::LinkHarness h;
    h.connect(3, 2);
    std::vector<std::string> log;
    h.link.setLogWriter([&](std::string_view text) { log.emplace_back(text); });
    const std::string block = test::Reply("VP,R,0123", ETB);
    h.script.answer("VP,R,", block).answer(std::string(1, ACK), block);
    InstrumentModel model;
    h.link.setInstrument(&model);
    EXPECT_FALSE(h.link.WaitFor(link_status::AwaitRead, "VP,R,"));
    EXPECT_EQ(h.link.Status(), link_status::Failed);
    const auto sent = h.sent();
    // The request, then one acknowledgement per block taken.
    ASSERT_EQ(sent.size(), 1u + Transaction::kMaxAnswerBlocks);
    EXPECT_EQ(sent.back().front(), ACK);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back().rfind("<<< Block answer stopped after 4096 blocks and ", 0), 0u)
        << log.back();
    // Nothing more is asked for: the exchange stops.
    h.host.runFor(Millis{10000});
    EXPECT_EQ(h.sent().size(), sent.size());
    expectStillWorking(h);
}

// Slow blocks, each inside the reply time-out, would take hours to reach the block limit: the
// answer's deadline ends them.
TEST(Robustness, SlowBlockAnswerFailsAtTheDeadline) {
    test::LinkHarness h;
    h.connect(3, 2);
    std::vector<std::string> log;
    h.link.setLogWriter([&](std::string_view text) { log.emplace_back(text); });
    const std::string block = test::Reply("VP,R,0123", ETB);
    h.script.answer("VP,R,", block, Millis{5}).answer(std::string(1, ACK), block, Millis{1500});
    InstrumentModel model;
    h.link.setInstrument(&model);
    const Millis start = h.host.now();
    EXPECT_FALSE(h.link.WaitFor(link_status::AwaitRead, "VP,R,"));
    const Millis took = h.host.now() - start;
    EXPECT_GT(took, Transaction::kAnswerDeadline);
    EXPECT_LE(took, Transaction::kAnswerDeadline + Millis{1500 + 5});
    // Blocks 1.5 s apart: 400 in the 600 s after the first one, the 401st past the deadline.
    EXPECT_EQ(h.sent().size(), 1u + 401u);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(),
              "<<< Block answer stopped after 401 blocks and 601 s: it does not end >>>");
}

// An answer within the limits is taken whole; the count starts again with each command, so
// answers one after the other never add up.
TEST(Robustness, BlockAnswersWithinTheLimitsCompleteOneAfterAnother) {
    test::LinkHarness h;
    h.connect(3, 2);
    h.link.setReplyDecoder([](std::string&) { return true; });
    const std::string block = test::Reply("EF,R,0000,00", ETB);
    for (int round = 0; round < 2; ++round) {
        // As many blocks as are taken, then the EOT block.
        h.script.answer("EF,R,", block, Millis{5}, 1)
            .answer(std::string(1, ACK), block, Millis{5}, Transaction::kMaxAnswerBlocks - 1)
            .answer(std::string(1, ACK), test::Reply("EF,R,END"), Millis{5}, 1);
        EXPECT_TRUE(h.link.WaitFor(link_status::AwaitBlock, "EF,R,")) << round;
    }
}

// Blocks that keep coming whatever is answered: after the failure none is acknowledged, and
// no block is taken while nothing waits for one.
TEST(Robustness, BlocksPouringInRegardlessAreNotAcknowledgedOnceTheAnswerFailed) {
    test::LinkHarness h;
    h.connect(3, 2);
    h.link.setReplyDecoder([](std::string&) { return true; });
    const std::string block = test::Reply("VP,R,0123", ETB);
    const int pouring = Transaction::kMaxAnswerBlocks + 2000;
    for (int i = 0; i < pouring; ++i) h.serial.farEnd().send(block, Millis{10 + i});
    EXPECT_FALSE(h.link.WaitFor(link_status::AwaitRead, "VP,R,"));
    const std::size_t sentAtFailure = h.sent().size();
    EXPECT_EQ(sentAtFailure, 1u + Transaction::kMaxAnswerBlocks);
    h.host.runFor(Millis{pouring + 1000});
    EXPECT_EQ(h.sent().size(), sentAtFailure);
    EXPECT_EQ(h.link.Status(), link_status::Failed);
}

}  // namespace
}  // namespace vq
