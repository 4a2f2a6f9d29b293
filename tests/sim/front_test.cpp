// The vq5100-sim program itself on a real pseudo-terminal and real TCP: it serves until
// stopped, survives peers that go away, flood or stop reading, keeps its state file, and
// never sends or hears faster than its pace.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "sim/sim_state.h"
#include "sim_test_support.h"
#include "tests/support/sim_process.h"

namespace vq::sim::testing {
namespace {

using namespace std::chrono_literals;
using test::Peer;
using test::SimProgram;

bool answersProbe(Peer& peer) {
    if (!peer.writeAll(Request("RC,R,"))) return false;
    return peer.readFrame() == BuildFrame("RC,R,VQ-5100", EOT);
}

// After the power switch: the signal reaches the program a moment after it was sent, and a
// probe it read before that goes unanswered, as a real instrument's would; a later one is
// answered.
bool answersProbeSoon(Peer& peer) {
    for (int attempt = 0; attempt < 10; ++attempt)
        if (answersProbe(peer)) return true;
    return false;
}

TEST(SimFront, PtyServesPeersThatComeAndGo) {
    SimProgram sim({"--pty"});
    const std::string path = sim.firstLine();
    ASSERT_TRUE(path.starts_with("/dev/")) << path;
    {
        Peer peer = Peer::openPty(path);
        ASSERT_TRUE(peer.ok());
        EXPECT_TRUE(answersProbe(peer));
        // Half a request, then the peer goes away.
        peer.writeSome(Request("VP,R,").substr(0, 6));
    }
    Peer again = Peer::openPty(path);
    EXPECT_TRUE(answersProbe(again));
    // Power-off: answered, then silence, also for a peer that opens the port again, until the
    // power switch (SIGUSR1).
    again.writeAll(Request("RO,W,"));
    EXPECT_EQ(again.readFrame()[10], ACK);
    again.writeAll(Request("RC,R,"));
    EXPECT_EQ(again.readFrame(300ms), "");
    again.closeNow();
    Peer reopened = Peer::openPty(path);
    for (const char* request : {"RC,R,", "VP,R,", "XS,R,0000"}) {
        reopened.writeAll(Request(request));
        EXPECT_EQ(reopened.readFrame(300ms), "") << request;
    }
    ASSERT_EQ(kill(sim.pid(), SIGUSR1), 0);
    EXPECT_TRUE(answersProbeSoon(reopened));
    EXPECT_EQ(sim.stop(), 0);
}

TEST(SimFront, PtyPeerThatStopsReadingDoesNotBlockIt) {
    SimProgram sim({"--pty"});
    Peer peer = Peer::openPty(sim.firstLine());
    ASSERT_TRUE(peer.ok());
    // Ask for 2 MiB of flash and read none of it: the program must keep going.
    std::string flood;
    for (int block = 0; block < 4096; ++block) flood += Request("EP,R,0010");
    std::size_t written = 0;
    for (int round = 0; round < 200 && written < flood.size(); ++round) {
        written += peer.writeSome(flood.substr(written));
        pollfd p{-1, 0, 0};
        poll(&p, 0, 1);
    }
    // Garbage too, and then it still stops on request, promptly.
    peer.writeSome(std::string(4096, '\x02'));
    EXPECT_EQ(sim.stop(SIGTERM, 5s), 0);
}

TEST(SimFront, PeerThatFallsBehindLosesNothing) {
    SimProgram sim({"--pty"});
    Peer peer = Peer::openPty(sim.firstLine());
    ASSERT_TRUE(peer.ok());
    // 10 MiB of answers asked for, more than the program keeps waiting: it stops taking
    // requests until the peer reads, and then everything arrives, in order.
    const int blocks = 20480;
    std::string requests;
    for (int i = 0; i < blocks; ++i) requests += Request(i % 2 ? "EP,R,0001" : "EP,R,0000");
    std::size_t written = 0;
    for (int idle = 0; idle < 20 && written < requests.size();) {
        const std::size_t n = peer.writeSome(requests.substr(written, 65536));
        written += n;
        idle = n == 0 ? idle + 1 : 0;
        pollfd p{-1, 0, 0};
        if (n == 0) poll(&p, 0, 5);  // give the program time to fall behind
    }
    std::string answers;
    const std::size_t expected = static_cast<std::size_t>(blocks) * kFlashBlock;
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (answers.size() < expected && std::chrono::steady_clock::now() < deadline) {
        if (written < requests.size()) written += peer.writeSome(requests.substr(written, 65536));
        answers += peer.readBytes(expected - answers.size(), 20ms);
    }
    ASSERT_EQ(answers.size(), expected);
    const SimState state = DefaultSimState();
    const std::string block0(state.flash.begin(), state.flash.begin() + kFlashBlock);
    const std::string block1(state.flash.begin() + kFlashBlock,
                             state.flash.begin() + 2 * kFlashBlock);
    EXPECT_EQ(answers.substr(0, kFlashBlock), block0);
    EXPECT_EQ(answers.substr(expected - kFlashBlock), block1);
    EXPECT_TRUE(answersProbe(peer));
    EXPECT_EQ(sim.stop(), 0);
}

TEST(SimFront, TcpServesTheNewestConnection) {
    SimProgram sim({"--tcp", "127.0.0.1:0"});
    const std::string address = sim.firstLine();
    ASSERT_TRUE(address.starts_with("127.0.0.1:")) << address;
    Peer first = Peer::connectTcp(address);
    ASSERT_TRUE(first.ok());
    EXPECT_TRUE(answersProbe(first));
    // The first peer floods and never reads; a second one still gets its answers at once.
    std::string flood;
    for (int i = 0; i < 2000; ++i) flood += Request("EP,R,0001");
    first.writeSome(flood);
    Peer second = Peer::connectTcp(address);
    ASSERT_TRUE(second.ok());
    EXPECT_TRUE(answersProbe(second));
    // Power-off: answered, then silence, for a new connection too, until the power switch.
    second.writeAll(Request("RO,W,"));
    EXPECT_EQ(second.readFrame()[10], ACK);
    second.writeAll(Request("RC,R,"));
    EXPECT_EQ(second.readFrame(300ms), "");
    Peer third = Peer::connectTcp(address);
    third.writeAll(Request("RC,R,"));
    EXPECT_EQ(third.readFrame(300ms), "");
    ASSERT_EQ(kill(sim.pid(), SIGUSR1), 0);
    EXPECT_TRUE(answersProbeSoon(third));
    EXPECT_EQ(sim.stop(SIGINT), 0);
}

// Everything a peer receives for a fixed list of requests, with the program's faults on.
std::string faultyExchange(const std::string& seed) {
    SimProgram sim({"--tcp", "127.0.0.1:0", "--faults", "corrupt=0.2,cr=0.2,split=0.5,drop=0.1",
                    "--seed", seed});
    Peer peer = Peer::connectTcp(sim.firstLine());
    std::string requests;
    for (const std::string& payload : ReadAllPayloads()) {
        if (payload != "HC,R,") requests += Request(payload);  // the clock moves between runs
    }
    if (!peer.writeAll(requests)) return {};
    // All answers are out within milliseconds; a quiet spell ends the exchange.
    std::string received;
    for (std::string more; !(more = peer.readBytes(1 << 20, 1s)).empty();) received += more;
    return received;
}

TEST(SimFront, FaultyRunWithTheSameSeedRepeatsByteForByte) {
    const std::string first = faultyExchange("9");
    EXPECT_GT(first.size(), 10000u);
    EXPECT_EQ(first, faultyExchange("9"));
    EXPECT_NE(first, faultyExchange("10"));
}

TEST(SimFront, StateFileIsLoadedAndSaved) {
    const auto dir = std::filesystem::temp_directory_path() / "vq_sim_front_test";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::string stateFile = (dir / "state.txt").string();
    {
        std::ofstream(stateFile) << "gas.3.zero_fails = 1\nuser_id = \"FROM FILE\"\n";
        SimProgram sim({"--tcp", "127.0.0.1:0", "--state", stateFile});
        Peer peer = Peer::connectTcp(sim.firstLine());
        ASSERT_TRUE(peer.ok());
        peer.writeAll(Request("XZ,R,"));
        EXPECT_EQ(peer.readFrame(), BuildFrame("XZ,R,FROM FILE       ", EOT));
        peer.writeAll(Request("LP,W,2"));
        EXPECT_EQ(peer.readFrame(), BuildFrame("LP,W,2,", EOT));
        EXPECT_EQ(sim.stop(), 0);
    }
    SimProgram again({"--pty", "--state", stateFile});
    Peer peer = Peer::openPty(again.firstLine());
    peer.writeAll(Request("LP,R,"));
    EXPECT_EQ(peer.readFrame(), BuildFrame("LP,R,2,", EOT));
    EXPECT_EQ(again.stop(), 0);
    std::ifstream saved(stateFile);
    const std::string text{std::istreambuf_iterator<char>(saved), {}};
    EXPECT_NE(text.find("gas.3.zero_fails = 1"), std::string::npos);
    std::filesystem::remove_all(dir);
}

TEST(SimFront, PacedAnswersNeverBeatTheWire) {
    const long baud = 115200;
    SimProgram sim({"--pty", "--pace", std::to_string(baud)});
    Peer peer = Peer::openPty(sim.firstLine());
    ASSERT_TRUE(answersProbe(peer));
    std::string requests;
    for (int block = 0; block < 16; ++block) requests += Request("EP,R,0002");
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(peer.writeAll(requests));
    const std::string image = peer.readBytes(16 * kFlashBlock, 10s);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(image.size(), 16 * kFlashBlock);
    // 8192 bytes at 10 bits each cannot arrive sooner than this.
    EXPECT_GE(elapsed, std::chrono::nanoseconds(16LL * kFlashBlock * 10 * 1'000'000'000 / baud));
    EXPECT_EQ(sim.stop(), 0);
}

TEST(SimFront, PacedRequestsAreHeldForTheirOwnWireTime) {
    // Slow enough that the request's own crossing (a few tens of milliseconds) cannot hide in
    // the time it takes to start reading the answer.
    const long baud = 1200;
    SimProgram sim({"--pty", "--pace", std::to_string(baud)});
    Peer peer = Peer::openPty(sim.firstLine());
    const std::string request = Request("RC,R,");
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(peer.writeAll(request));
    const std::string answer = peer.readFrame(10s);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(answer, BuildFrame("RC,R,VQ-5100", EOT));
    // The answer can start only once the request's last byte has crossed the line.
    const std::size_t bytes = request.size() + answer.size();
    EXPECT_GE(elapsed,
              std::chrono::nanoseconds(static_cast<long long>(bytes) * 10 * 1'000'000'000 / baud));
    EXPECT_EQ(sim.stop(), 0);
}

TEST(SimFront, BadCommandLinesAndStateFilesAreRefused) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--bogus"},
                                                 {"--pace", "fast"},
                                                 {"--faults", "drop=3"},
                                                 {"--tcp", "host:99999"},
                                                 {"--state"}}) {
        SimProgram sim(args);
        EXPECT_EQ(sim.exitStatus(), 2) << args[0];
    }
    const auto bad = std::filesystem::temp_directory_path() / "vq_sim_bad_state.txt";
    std::ofstream(bad) << "no such name = 1\n";
    SimProgram sim({"--pty", "--state", bad.string()});
    EXPECT_EQ(sim.exitStatus(), 2);
    std::filesystem::remove(bad);
}

}  // namespace
}  // namespace vq::sim::testing
