// The receive path on the virtual host: cutting frames out of the received bytes, CRs,
// acknowledging blocks, rejected replies and the communication log lines of frames.

#include <gtest/gtest.h>

#include <algorithm>

#include "link/frame_rules.h"
#include "protocol/frame.h"
#include "tests/support/link_harness.h"

namespace vq {
namespace {

using Millis = EventHost::Millis;
using test::Reply;

class Framing : public ::testing::Test {
  protected:
    void SetUp() override { h.connect(3, 2); }

    // Accept everything and remember what was handed over.
    void acceptAll() {
        h.link.setReplyDecoder([this](std::string& frame) {
            decoded.push_back(frame);
            return true;
        });
    }
    bool logHas(const std::string& line) const {
        const auto lines = h.logLines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    test::LinkHarness h;
    std::vector<std::string> decoded;
};

TEST_F(Framing, TwoFramesInOneReceiveEventAreCutInOrder) {
    acceptAll();
    const std::string first = Reply("VP,R,0123");
    const std::string second = Reply("XZ,R,USER");
    h.script.answer("VP,R,", first + second);
    EXPECT_TRUE(h.link.WaitFor(link_status::AwaitRead, "VP,R,"));
    EXPECT_EQ(decoded, (std::vector<std::string>{first, second}));
    EXPECT_EQ(h.link.LastReply(), second);
    EXPECT_TRUE(h.link.ReceiveBuffer().empty());
}

TEST_F(Framing, ReplySplitOverTwoEventsIsFramedAtItsEot) {
    acceptAll();
    const std::string reply = Reply("XS,R,****,STATION 01");
    h.script.answerChunks("XS,R,",
                          {{Millis{5}, reply.substr(0, 12)}, {Millis{40}, reply.substr(12)}});
    const Millis sent = h.host.now();
    bool framedEarly = false;
    h.host.callLater(Millis{20}, [&] {
        framedEarly = !decoded.empty();
        EXPECT_EQ(h.link.ReceiveBuffer(), reply.substr(0, 12));
    });
    EXPECT_TRUE(h.link.WaitFor(link_status::AwaitRead, "XS,R,****"));
    EXPECT_FALSE(framedEarly);
    EXPECT_EQ(decoded, (std::vector<std::string>{reply}));
    EXPECT_EQ(h.host.now() - sent, Millis{40});
    EXPECT_EQ(h.sent().size(), 1u);
}

TEST_F(Framing, LoneCrMakesAResendAndTheSecondRaisesConnectRetry) {
    acceptAll();
    h.script.answer("VP,R,", "\r", Millis{5}, 2).answer("VP,R,", Reply("VP,R,0123"));
    EXPECT_TRUE(h.link.WaitFor(link_status::AwaitRead, "VP,R,"));
    EXPECT_EQ(h.sent(), (std::vector<std::string>{"VP,R,", "VP,R,", "VP,R,"}));
    EXPECT_EQ(h.link.transaction().retryCount(), 2);
    EXPECT_EQ(h.events.raised, (std::vector<std::string>{"ConnectRetry 2"}));
}

TEST_F(Framing, CrFloodUsesUpTheRetriesAndFails) {
    acceptAll();
    h.script.answer("VP,R,", std::string(10000, '\r'));
    EXPECT_FALSE(h.link.WaitFor(link_status::AwaitRead, "VP,R,"));
    EXPECT_EQ(h.link.Status(), link_status::Failed);
    EXPECT_EQ(h.sent().size(), 4u);  // the command and Retry resends
    EXPECT_TRUE(decoded.empty());
}

TEST_F(Framing, CrInsideAReplyIsPartOfItEvenWhenTheReplyArrivesInPieces) {
    acceptAll();
    const std::string reply = Reply("GJ,R,NAME1\rNAME2");
    const std::size_t cr = reply.find('\r');
    h.script.answerChunks(
        "GJ,R,", {{Millis{5}, reply.substr(0, cr + 1)}, {Millis{9}, reply.substr(cr + 1)}});
    EXPECT_TRUE(h.link.WaitFor(link_status::AwaitRead, "GJ,R,"));
    EXPECT_EQ(h.sent().size(), 1u);
    EXPECT_EQ(decoded, (std::vector<std::string>{reply}));
}

TEST_F(Framing, CrWithNothingOutstandingRepeatsNothing) {
    // A finished write is not run a second time because a CR came after its reply.
    acceptAll();
    h.script.answer("HC,W,", Reply("HC,W,260102030405") + "\r");
    EXPECT_TRUE(h.link.WaitFor(link_status::AwaitWrite, "HC,W,260102030405"));
    h.host.runFor(Millis{50});
    EXPECT_EQ(h.sent().size(), 1u);
    EXPECT_EQ(h.link.Status(), link_status::Done);
    EXPECT_TRUE(h.link.ReceiveBuffer().empty());
}

TEST_F(Framing, EtbBlockIsAcknowledgedWithAckAndFiveCharactersOfTheLastFrame) {
    acceptAll();
    h.script.answer("EF,R,", Reply("EF,R,000000,0102", ETB))
        .answer("\x06", Reply("EF,R,000010,0304", ETB), Millis{5}, 1)
        .answer("\x06", Reply("EF,R,END"));
    EXPECT_TRUE(h.link.WaitFor(link_status::AwaitBlock, "EF,R,"));
    ASSERT_EQ(h.serial.farEnd().written().size(), 3u);
    const auto& written = h.serial.farEnd().written();
    EXPECT_EQ(written[1].bytes, BuildFrame("\x06"
                                           "EF,R,",
                                           ETB));
    // The next acknowledgement is built from the one before it, as the last frame sent.
    EXPECT_EQ(written[2].bytes, HandshakeFrame(ACK, written[1].bytes));
    EXPECT_EQ(decoded.size(), 3u);
    EXPECT_EQ(h.link.transaction().retryCount(), 0);
}

TEST_F(Framing, IhBlockIsAcknowledgedWithSevenCharacters) {
    acceptAll();
    h.script.answer("IH,R,", Reply("IH,R,0012,DATA", ETB)).answer("\x06", Reply("IH,R,END"));
    EXPECT_TRUE(h.link.WaitFor(link_status::AwaitBlock, "IH,R,0012"));
    ASSERT_EQ(h.serial.farEnd().written().size(), 2u);
    EXPECT_EQ(h.serial.farEnd().written()[1].bytes, BuildFrame("\x06"
                                                               "IH,R,00",
                                                               ETB));
}

TEST_F(Framing, ReplyWithAWrongChecksumIsResent) {
    acceptAll();
    std::string corrupted = Reply("VP,R,0123");
    corrupted[10] = '9';  // one payload byte damaged on the line
    h.script.answer("VP,R,", corrupted, Millis{5}, 1).answer("VP,R,", Reply("VP,R,0123"));
    EXPECT_TRUE(h.link.WaitFor(link_status::AwaitRead, "VP,R,"));
    EXPECT_EQ(h.sent(), (std::vector<std::string>{"VP,R,", "VP,R,"}));
    EXPECT_EQ(decoded, (std::vector<std::string>{Reply("VP,R,0123")}));  // never the damaged one
    EXPECT_TRUE(logHas("<<< Checksum error >>>"));
}

TEST_F(Framing, RejectedRepliesAreResentUpToRetryThenFail) {
    int handed = 0;
    h.link.setReplyDecoder([&](std::string&) { return ++handed, false; });
    h.script.answer("LP,W,", Reply("LP,W,1"));
    EXPECT_FALSE(h.link.WaitFor(link_status::AwaitWrite, "LP,W,2"));
    EXPECT_EQ(h.sent().size(), 4u);
    EXPECT_EQ(handed, 4);
    EXPECT_EQ(h.link.Status(), link_status::Failed);
}

TEST_F(Framing, RejectedReplyToANeverResentCommandIsOnlyCounted) {
    h.link.setReplyDecoder([](std::string&) { return false; });
    h.script.answer("SZ,W,", Reply("SZ,W,\x15"));
    EXPECT_FALSE(h.link.WaitFor(link_status::AwaitWrite, "SZ,W,11111"));
    EXPECT_EQ(h.sent(), (std::vector<std::string>{"SZ,W,11111"}));
}

TEST_F(Framing, RejectedFrameWhileNotAwaitingARepliesIsAnsweredWithNak) {
    h.link.setReplyDecoder([](std::string&) { return false; });
    h.serial.farEnd().send(Reply("ZZ,R,NOISE"));
    h.host.runFor(Millis{1});
    ASSERT_EQ(h.serial.farEnd().written().size(), 1u);
    EXPECT_EQ(h.serial.farEnd().written()[0].bytes[5], NAK);
}

TEST_F(Framing, ProbeReplyWithoutTheModelNameIsNotAccepted) {
    h.script.answer("RC,R,", Reply("RC,R,VQ-3000"), Millis{5}, 1)
        .answer("RC,R,", test::ProbeReply());
    EXPECT_TRUE(h.link.WaitFor(link_status::AwaitRead, "RC,R,"));
    EXPECT_EQ(h.sent().size(), 2u);
}

TEST_F(Framing, ShortReplyIsAFormatErrorAndNotAccepted) {
    h.script
        .answer("RC,R,",
                "\x02"
                "0001RC,R,\x03"
                "FB\x04",
                Millis{5}, 1)
        .answer("RC,R,", test::ProbeReply());
    EXPECT_TRUE(h.link.WaitFor(link_status::AwaitRead, "RC,R,"));
    EXPECT_EQ(h.sent().size(), 2u);
    EXPECT_TRUE(logHas("<<< Format error >>>"));
}

TEST_F(Framing, CancelledWhenDataArrivesAfterTheHostCancelled) {
    acceptAll();
    h.script.answer("VP,R,", Reply("VP,R,0123"), Millis{50});
    h.host.callLater(Millis{10}, [&] { h.link.setCancel(true); });
    EXPECT_FALSE(h.link.WaitFor(link_status::AwaitRead, "VP,R,"));
    EXPECT_EQ(h.link.Status(), link_status::Cancelled);
    EXPECT_TRUE(decoded.empty());
    EXPECT_TRUE(h.link.ReceiveBuffer().empty());
}

TEST_F(Framing, LogShowsEveryFrameWithItsControlCharacters) {
    acceptAll();
    h.script.answer("VP,R,", Reply("VP,R,\x01"
                                   "23"));
    h.link.WaitFor(link_status::AwaitRead, "VP,R,");
    const std::string received = "R : [STX]0001VP,R,[01]23[ETX]" +
                                 FrameChecksum(
                                     "\x02"
                                     "0001VP,R,\x01"
                                     "23\x03") +
                                 "[EOT]";
    const auto lines = h.logLines();
    // The connection: the probe text, the probe frame, its reply and the finish text with its
    // own CR LF (an empty line).
    ASSERT_GE(lines.size(), 7u);
    EXPECT_EQ(lines[0], "---StartUp Connect Sequence Started---");
    EXPECT_EQ(lines[1], "W : [STX]0001RC,R,[ETX]FB[EOT]");
    EXPECT_EQ(lines[2].substr(0, 29), "R : [STX]0001RC,R,VQ-5100 ,01");
    EXPECT_EQ(lines[3], "---StartUp Connect Sequence Finished---");
    EXPECT_EQ(lines[4], "");
    EXPECT_EQ(lines[5], "W : [STX]0001VP,R,[ETX]" +
                            FrameChecksum("\x02"
                                          "0001VP,R,\x03") +
                            "[EOT]");
    EXPECT_EQ(lines[6], received);
    EXPECT_EQ(h.logText().substr(0, 9), "00:00:00 ");
}

TEST_F(Framing, WaitRunsTheTurnHookOnEveryTurnUntilTheReplyCame) {
    acceptAll();
    h.script.answer("VP,R,", Reply("VP,R,0123"), Millis{250});
    std::vector<long> turns;
    const long start = static_cast<long>(h.host.now().count());  // between two ticks
    EXPECT_TRUE(h.link.WaitFor(link_status::AwaitRead, "VP,R,",
                               [&] { turns.push_back(static_cast<long>(h.host.now().count())); }));
    // Before the first turn, then after each of the two ticks; the reply ends the wait.
    const long firstTick = start / 100 * 100 + 100;
    EXPECT_EQ(turns, (std::vector<long>{start, firstTick, firstTick + 100}));
    EXPECT_EQ(h.host.now().count(), start + 250);
}

TEST_F(Framing, TrafficFlagFollowsSendAndReceive) {
    acceptAll();
    h.script.answer("VP,R,", Reply("VP,R,0123"), Millis{30});
    h.host.callLater(Millis{10}, [&] { EXPECT_FALSE(h.link.TrafficFlag()); });
    EXPECT_TRUE(h.link.WaitFor(link_status::AwaitRead, "VP,R,"));
    EXPECT_TRUE(h.link.TrafficFlag());
}

}  // namespace
}  // namespace vq
