// The in-process ports on the virtual clock: answers come through the event host, never from
// inside a write; closing drops what is on its way; opening leaves a powered-off instrument off;
// and the program's link control reads through them, also with line faults.

#include <gtest/gtest.h>

#include "link/instrument_link.h"
#include "link/link_status.h"
#include "link/virtual_host.h"
#include "sim/inproc_port.h"
#include "sim_test_support.h"

namespace vq::sim::testing {
namespace {

using std::chrono::milliseconds;

struct PortBench {
    VirtualHost host;
    SimInstrument instrument;
    InProcessSerialPort port{instrument};
    std::vector<int> events;

    explicit PortBench(FaultSettings faults = {}, std::uint64_t seed = 1)
        : instrument(host, DefaultSimState(), seed, faults) {
        port.setEventSink([this](int code) { events.push_back(code); });
    }
};

TEST(SimInProcessPort, AnswersArriveThroughTheEventHost) {
    PortBench b;
    EXPECT_TRUE(b.port.open());
    EXPECT_TRUE(b.events.empty());  // nothing from inside open()
    b.host.runFor(milliseconds(0));
    EXPECT_EQ(b.events, std::vector<int>{port_event::Cts});
    EXPECT_EQ(b.port.modemStatus(), kModemCts | kModemDsr);

    b.port.write(Request("RC,R,"));
    EXPECT_EQ(b.events.size(), 1u);  // nothing from inside write()
    b.host.runFor(milliseconds(0));
    ASSERT_EQ(b.events.back(), port_event::Receive);
    EXPECT_NE(b.port.readAll().find("VQ-5100"), std::string::npos);
    EXPECT_EQ(b.port.readAll(), "");
}

TEST(SimInProcessPort, ClosingDropsAnswersOnTheirWay) {
    PortBench b(*ParseFaultList("delay=50"));
    b.port.open();
    b.host.runFor(milliseconds(0));
    b.port.write(Request("RC,R,"));
    b.port.close();
    b.host.runFor(milliseconds(100));
    EXPECT_EQ(b.events, std::vector<int>{port_event::Cts});
    b.port.write(Request("RC,R,"));  // a closed port sends nothing
    b.host.runFor(milliseconds(100));
    EXPECT_EQ(b.events.size(), 1u);
}

TEST(SimInProcessPort, APoweredOffInstrumentStaysOffWhenThePortOpensAgain) {
    PortBench b;
    b.port.open();
    b.port.write(Request("RO,W,"));
    b.host.runFor(milliseconds(0));
    EXPECT_EQ(b.port.readAll()[10], ACK);
    for (int opening = 0; opening < 3; ++opening) {
        b.port.close();
        b.port.open();
        for (const char* request : {"RC,R,", "VP,R,", "RO,W,"}) {
            b.port.write(Request(request));
            b.host.runFor(milliseconds(1000));
            EXPECT_EQ(b.port.readAll(), "") << request;
        }
    }
    b.instrument.switchOn();  // the power switch
    b.port.write(Request("RC,R,"));
    b.host.runFor(milliseconds(0));
    EXPECT_NE(b.port.readAll().find("VQ-5100"), std::string::npos);
}

TEST(SimInProcessPort, SocketConnectsOnTheNextTurnAndSurvivesItsPortGoingAway) {
    VirtualHost host;
    SimInstrument instrument(host, DefaultSimState());
    std::vector<int> events;
    {
        InProcessSocketPort socket(instrument);
        socket.setEventSink([&events](int code) { events.push_back(code); });
        socket.open();
        host.runFor(milliseconds(0));
        EXPECT_EQ(events, std::vector<int>{port_event::LinkEstablished});
        socket.write(Request("VP,R,"));
    }  // destroyed with its answer still queued on the host
    host.runFor(milliseconds(10));
    EXPECT_EQ(events.size(), 1u);
}

// The link control's view of the decoder.
class LinkDecoderHost : public FakeDecoderHost {
  public:
    explicit LinkDecoderHost(InstrumentLink& link) : link_(link) {}
    const std::string& LastFrame() const override { return link_.LastFrame(); }
    bool Connected() const override { return link_.Connected(); }
    void connectByProbe() override { link_.connectByProbe(); }

  private:
    InstrumentLink& link_;
};

struct LinkBench {
    PortBench ports;
    LinkEvents events;
    InstrumentLink link{ports.host, events, &ports.port, nullptr};
    LinkDecoderHost decoderHost{link};
    ReplyDecoder decoder;
    InstrumentModel model;
    std::vector<std::string> log;

    LinkBench(FaultSettings faults, std::uint64_t seed) : ports(faults, seed) {
        link.setLogWriter([this](std::string_view text) { log.emplace_back(text); });
        link.setReplyDecoder(
            [this](std::string& frame) { return decoder.DecodeReply(frame, &model, decoderHost); });
        link.setRetry(5);
        link.setTimeout(1);
        link.setPortOpen(true);
    }
    bool connect() {
        return ports.host.pumpUntil([this] { return link.Connected(); }, milliseconds(30000));
    }
};

TEST(SimInProcessPort, LinkReadsEverythingThroughFaults) {
    LinkBench bench(*ParseFaultList("drop=0.03,corrupt=0.03,split=0.2,cr=0.03,delay=20"), 11);
    ASSERT_TRUE(bench.connect());
    int failed = 0;
    for (int cycle = 0; cycle < 3; ++cycle) {
        for (const std::string& payload : ReadAllPayloads()) {
            failed += !bench.link.WaitFor(link_status::AwaitRead, payload);
        }
    }
    EXPECT_EQ(failed, 0);
    const SimState& s = bench.ports.instrument.state();
    for (int n = 0; n < kStationCount; ++n) EXPECT_EQ(bench.model.StationList(n), s.stations[n]);
    for (int i = 1; i < kLibraryCount; ++i) EXPECT_EQ(bench.model.LI_Ratio(i), s.library[i].ratio);
    EXPECT_EQ(bench.model.GasName(3), "CO");
    // The faults really happened: some replies were resent.
    EXPECT_GT(std::count_if(bench.log.begin(), bench.log.end(),
                            [](const std::string& line) { return line.starts_with("W : "); }),
              3 * 307);
}

TEST(SimInProcessPort, LinkPollsAZeroUntilItsResult) {
    LinkBench bench({}, 1);
    ASSERT_TRUE(bench.connect());
    ASSERT_TRUE(bench.link.WaitFor(link_status::AwaitWrite, "SZ,W,11111"));
    int polls = 0;
    do {
        bench.ports.host.runFor(milliseconds(1000));
        ASSERT_TRUE(bench.link.WaitFor(link_status::AwaitWrite, "SZ,C,"));
        ++polls;
    } while (bench.decoderHost.zeroCalResult.value_or("").size() != 5 && polls < 10);
    EXPECT_EQ(bench.decoderHost.zeroCalResult.value_or(""), "00000");
    EXPECT_EQ(polls, 3);  // busy at 1 s and 2 s, done at 3 s
}

}  // namespace
}  // namespace vq::sim::testing
