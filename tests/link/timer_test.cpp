// The link timer on virtual time: reply time-outs and resends at exact instants, the commands
// that are never resent, the connection probe, reopening and the socket poll.

#include <gtest/gtest.h>

#include "link/frame_rules.h"
#include "protocol/frame.h"
#include "tests/support/link_harness.h"
#include "tests/support/link_test_access.h"

namespace vq {
namespace {

using Millis = EventHost::Millis;
using test::Reply;

std::vector<long> relativeTimes(const std::vector<Millis>& times, Millis start) {
    std::vector<long> result;
    for (Millis t : times) result.push_back(static_cast<long>((t - start).count()));
    return result;
}

TEST(ReplyTimeout, Retry3Timeout2SendsAt0ResendsAt2And4And6AndFailsAt8Seconds) {
    test::LinkHarness h;
    h.connect(3, 2);
    h.alignToTick();
    const Millis start = h.host.now();
    EXPECT_FALSE(h.link.WaitFor(link_status::AwaitRead, "VP,R,"));
    EXPECT_EQ(h.link.Status(), link_status::Failed);
    EXPECT_EQ(h.host.now() - start, Millis{8000});
    EXPECT_EQ(relativeTimes(h.script.writeTimes(), start),
              (std::vector<long>{0, 2000, 4000, 6000}));
    EXPECT_EQ(h.sent(), std::vector<std::string>(4, "VP,R,"));
    EXPECT_FALSE(h.link.TrafficFlag());
}

TEST(ReplyTimeout, AReplyAfterTwoResendsStillCompletesTheRead) {
    test::LinkHarness h;
    h.connect(3, 1);
    h.script.silent("XZ,R,", 2).answer("XZ,R,", Reply("XZ,R,USER"));
    h.link.setReplyDecoder([](std::string&) { return true; });
    EXPECT_TRUE(h.link.WaitFor(link_status::AwaitRead, "XZ,R,"));
    EXPECT_EQ(h.sent().size(), 3u);
    EXPECT_EQ(h.link.transaction().retryCount(), 2);
}

TEST(ReplyTimeout, NeverResentCommandsOnlyCountTowardsRetry) {
    for (const char* payload : {"SZ,W,11111", "UX,W,", "XC,W,", "S1,W,10000"}) {
        test::LinkHarness h;
        h.connect(3, 2);
        h.alignToTick();
        const Millis start = h.host.now();
        EXPECT_FALSE(h.link.WaitFor(link_status::AwaitWrite, payload));
        EXPECT_EQ(h.sent(), std::vector<std::string>{payload});
        // Due at 2 s; then one more retry counted on each tick until Retry is reached.
        EXPECT_EQ(h.host.now() - start, Millis{2300}) << payload;
    }
}

TEST(ReplyTimeout, BlockTimeoutResendsTheCommandThenNaksAfterAnAcknowledgedBlock) {
    test::LinkHarness h;
    h.connect(3, 1);
    h.link.setReplyDecoder([](std::string&) { return true; });
    // The command goes unanswered once, then the first block comes and the rest never does.
    h.script.silent("EF,R,", 1).answer("EF,R,", Reply("EF,R,000000,00", ETB)).silent("\x06");
    EXPECT_FALSE(h.link.WaitFor(link_status::AwaitBlock, "EF,R,"));
    const auto& written = h.serial.farEnd().written();
    // The acknowledgement starts a new count: Retry NAKs follow it.
    ASSERT_EQ(written.size(), 6u);
    EXPECT_EQ(written[1].bytes, written[0].bytes);  // the command again: it ended with EOT
    EXPECT_EQ(written[2].bytes, BuildFrame("\x06"
                                           "EF,R,",
                                           ETB));
    EXPECT_EQ(written[3].bytes, HandshakeFrame(NAK, written[2].bytes));
    EXPECT_EQ(written[4].bytes, HandshakeFrame(NAK, written[3].bytes));
    EXPECT_EQ(written[5].bytes, HandshakeFrame(NAK, written[4].bytes));
    EXPECT_EQ(h.link.Status(), link_status::Failed);
}

TEST(ReplyTimeout, BinaryBlockTimeoutMarksTheRetryAndCancels) {
    test::LinkHarness h;
    h.connect(2, 1);
    h.link.DataSend(BuildFrame("EP,R,0005", EOT), true);
    test::LinkTestAccess::setStatus(h.link, link_status::BinaryReceive);
    h.host.pumpUntil([&] { return h.link.Cancel(); }, Millis{5000});
    EXPECT_TRUE(h.link.binaryDump().retry());
    EXPECT_EQ(h.sent().size(), 1u);
    const auto lines = h.logLines();
    EXPECT_EQ(lines.back(), "= timeout =");
    // Once the retries are used up the block has failed.
    h.host.runFor(Millis{500});
    EXPECT_EQ(h.link.Status(), link_status::Failed);
}

TEST(ReplyTimeout, IdleStatusesSettleWhenTheRetriesAreUsedUp) {
    test::LinkHarness h;
    h.connect(2, 1);
    test::LinkTestAccess::setStatus(h.link, link_status::Cancelled);
    h.host.runFor(Millis{2000});
    EXPECT_EQ(h.link.Status(), link_status::Stopped);
    test::LinkTestAccess::setStatus(h.link, link_status::Done);
    h.host.runFor(Millis{1000});
    EXPECT_EQ(h.link.Status(), link_status::Done);
    EXPECT_TRUE(h.sent().empty());
}

TEST(ReplyTimeout, AWaitStartedWhileOfflineEndsByTimeout) {
    test::LinkHarness h;  // never opened, never connected
    h.link.setRetry(2);
    h.link.setTimeout(1);
    EXPECT_FALSE(h.link.WaitFor(link_status::AwaitRead, "VP,R,"));
    EXPECT_EQ(h.link.Status(), link_status::Failed);
    EXPECT_EQ(h.host.now(), Millis{3000});
}

TEST(ReplyTimeout, WaitWithoutTheLinkTimerFailsAtOnce) {
    test::LinkHarness h;
    h.connect(3, 2);
    h.link.setTimerEnabled(false);
    EXPECT_FALSE(h.link.WaitFor(link_status::AwaitRead, "VP,R,"));
    EXPECT_TRUE(h.sent().empty());
}

TEST(TimeoutProperty, HeldAsTicksWithTheOverflowRule) {
    test::LinkHarness h;
    EXPECT_TRUE(h.link.setTimeout(3));
    EXPECT_EQ(h.link.transaction().timeoutTicks(), 30);
    EXPECT_EQ(h.link.Timeout(), 3);
    EXPECT_TRUE(h.link.setTimeout(3276));
    EXPECT_EQ(h.link.transaction().timeoutTicks(), 32760);
    EXPECT_TRUE(h.link.setTimeout(-3276));
    EXPECT_EQ(h.link.Timeout(), -3276);
    EXPECT_FALSE(h.link.setTimeout(3277));
    EXPECT_FALSE(h.link.setTimeout(-3277));
    EXPECT_EQ(h.link.Timeout(), -3276);  // unchanged by a refused value
}

TEST(Probe, ProbesEveryTwelveTicksWithConnectRetryAtTheFifthAndTenthThenGivesUp) {
    test::LinkHarness h;
    h.link.setRetry(12);
    h.link.setTimeout(3);
    h.link.setPortOpen(true);  // lines up at open: probing starts
    h.host.runFor(Millis{1});
    ASSERT_EQ(h.link.LinkMode(), link_mode::Probing);
    std::vector<std::pair<long, std::string>> timeline;
    h.host.pumpUntil(
        [&] {
            if (!h.events.raised.empty()) {
                timeline.emplace_back(static_cast<long>(h.host.now().count()),
                                      h.events.raised.back());
                h.events.raised.clear();
            }
            return h.link.LinkMode() == link_mode::Offline;
        },
        Millis{60000});

    std::vector<long> probes;
    for (Millis t : h.script.writeTimes()) probes.push_back(static_cast<long>(t.count()));
    ASSERT_EQ(probes.size(), 12u);
    for (std::size_t i = 0; i < probes.size(); ++i) EXPECT_EQ(probes[i], 100 + 1200 * long(i));
    EXPECT_EQ(h.sent(), std::vector<std::string>(12, "RC,R,"));
    // Raised with the fifth and the tenth probe; "No Response" on the tick after the last
    // probe's wait ran out.
    ASSERT_EQ(timeline.size(), 3u);
    EXPECT_EQ(timeline[0], (std::pair<long, std::string>{probes[4], "ConnectRetry 1"}));
    EXPECT_EQ(timeline[1], (std::pair<long, std::string>{probes[9], "ConnectRetry 2"}));
    EXPECT_EQ(timeline[2].first, probes[11] + 1200);
    EXPECT_EQ(timeline[2].second,
              "AlarmMessage VQ-5100 No Response. Check Port,Cable And Power.\r\n");
    EXPECT_EQ(h.link.Status(), link_status::Ready);
}

// Retry 0 is one try and no resend: one probe, answered or given up after the probe's wait
// (it used to report "No Response" on the first tick, before anything was sent), and a command
// sent once and failed when its whole time-out has run out.
TEST(Probe, Retry0SendsOneProbeAndWaitsForItsAnswer) {
    test::LinkHarness h;
    h.link.setRetry(0);
    h.link.setTimeout(3);
    h.link.setPortOpen(true);
    h.host.runFor(Millis{1200});
    EXPECT_TRUE(h.events.raised.empty()) << "no verdict while the one probe waits";
    EXPECT_EQ(h.sent(), std::vector<std::string>{"RC,R,"});
    h.host.runFor(Millis{1200});
    EXPECT_EQ(h.events.raised,
              (std::vector<std::string>{
                  "AlarmMessage VQ-5100 No Response. Check Port,Cable And Power.\r\n"}));
    EXPECT_EQ(h.link.LinkMode(), link_mode::Offline);
    EXPECT_EQ(h.sent(), std::vector<std::string>{"RC,R,"});

    // Answered, the one probe connects.
    test::LinkHarness answered;
    answered.connect(0, 3);
    EXPECT_TRUE(answered.link.Connected());
}

TEST(ReplyTimeout, Retry0SendsOnceAndFailsWhenTheTimeoutRunsOut) {
    for (int timeout : {1, 3, 60}) {
        test::LinkHarness h;
        h.connect(0, timeout);
        h.alignToTick();
        const Millis start = h.host.now();
        EXPECT_FALSE(h.link.WaitFor(link_status::AwaitRead, "VP,R,"));
        EXPECT_EQ(h.link.Status(), link_status::Failed);
        EXPECT_EQ(h.host.now() - start, Millis{1000L * timeout}) << timeout;
        EXPECT_EQ(h.sent(), std::vector<std::string>{"VP,R,"});
    }
    // An answer that comes late in the time-out is still taken.
    test::LinkHarness h;
    h.connect(0, 3);
    h.script.answer("XZ,R,", Reply("XZ,R,USER"), Millis{2900});
    h.link.setReplyDecoder([](std::string&) { return true; });
    EXPECT_TRUE(h.link.WaitFor(link_status::AwaitRead, "XZ,R,"));
    EXPECT_EQ(h.sent().size(), 1u);
}

TEST(Probe, TheModelReplyConnectsOnceAndLogsTheFinish) {
    test::LinkHarness h;
    h.link.setRetry(3);
    h.link.setTimeout(3);
    h.script.answer("RC,R,", test::ProbeReply());
    h.link.setPortOpen(true);
    h.host.runFor(Millis{200});
    EXPECT_TRUE(h.link.Connected());
    EXPECT_EQ(h.link.Status(), link_status::Done);
    // A probe while already connected is accepted without connecting again.
    EXPECT_TRUE(h.link.WaitFor(link_status::AwaitRead, "RC,R,"));
    EXPECT_EQ(h.events.raised, (std::vector<std::string>{"OnConnect"}));
    const auto lines = h.logLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "---StartUp Connect Sequence Finished---"), 1);
}

TEST(Probe, ReopeningOpensTheClosedPortAndProbesAgain) {
    test::LinkHarness h;
    h.connect(3, 2);
    h.link.setPortOpen(false);
    h.link.setLinkMode(link_mode::Reopening);
    h.script.answer("RC,R,", test::ProbeReply());
    h.alignToTick();
    EXPECT_TRUE(h.link.PortOpen());
    EXPECT_EQ(h.link.LinkMode(), link_mode::Probing);
    EXPECT_TRUE(h.sent().empty());  // the first probe goes out on the next tick
    h.link.setLinkMode(link_mode::Probing);
    h.host.runFor(Millis{100});
    EXPECT_EQ(h.sent(), std::vector<std::string>{"RC,R,"});
    h.host.runFor(Millis{10});
    EXPECT_TRUE(h.link.Connected());
}

TEST(Probe, ProbeAtOnceSendsTheFirstProbeWhenTheLinesComeUpThenKeepsTheTickSpacing) {
    test::LinkHarness h;
    h.link.setProbeAtOnce(true);
    h.link.setRetry(3);
    h.link.setTimeout(3);
    h.host.runFor(Millis{30});  // the timer's phase is not where the probe starts
    h.link.setPortOpen(true);
    h.host.runFor(Millis{1});
    ASSERT_EQ(h.link.LinkMode(), link_mode::Probing);
    h.host.pumpUntil([&] { return h.link.LinkMode() == link_mode::Offline; }, Millis{10000});
    // At once, then twelve ticks of the restarted timer apart; "No Response" a probe wait later.
    EXPECT_EQ(relativeTimes(h.script.writeTimes(), Millis{30}), (std::vector<long>{0, 1200, 2400}));
    EXPECT_EQ(h.host.now(), Millis{30 + 3600});
    EXPECT_EQ(h.events.raised,
              (std::vector<std::string>{
                  "AlarmMessage VQ-5100 No Response. Check Port,Cable And Power.\r\n"}));
}

TEST(Probe, ProbeAtOnceConnectsBeforeTheFirstTick) {
    test::LinkHarness h;
    h.link.setProbeAtOnce(true);
    h.link.setRetry(3);
    h.script.answer("RC,R,", test::ProbeReply());
    h.link.setPortOpen(true);
    h.host.pumpUntil([&] { return h.link.Connected(); }, Millis{1000});
    EXPECT_TRUE(h.link.Connected());
    EXPECT_LT(h.host.now(), Millis{100});
    EXPECT_EQ(h.sent(), std::vector<std::string>{"RC,R,"});
    // A line change while the probe is out sends no second one.
    test::LinkTestAccess::setStatus(h.link, link_status::AwaitRead);
    h.link.setLinkMode(link_mode::Probing);
    h.serial.setModemLines(kModemCts);
    h.host.runFor(Millis{1});
    EXPECT_EQ(h.sent().size(), 1u);
}

TEST(SocketPoll, EverySixthTickWhileTheSocketIsTheTransport) {
    VirtualHost host;
    test::RecordingEvents events;
    test::TempDir dir;
    MemorySerialPort serial(host);
    MemorySocketPort socket(host);
    InstrumentLink link(host, events, &serial, &socket, dir.path());
    host.runFor(Millis{1200});
    EXPECT_EQ(socket.pollCount(), 2);
    EXPECT_EQ(test::LinkTestAccess::pollCountdown(link), 5);
    link.setSerialComm(true);
    host.runFor(Millis{1200});
    EXPECT_EQ(socket.pollCount(), 2);
}

}  // namespace
}  // namespace vq
