// The port event tables: serial line errors and modem lines, the socket's connect, error and
// receive events, and raw dump bytes written into the image file.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "messages/messages.h"
#include "protocol/frame.h"
#include "tests/support/files.h"
#include "tests/support/link_harness.h"
#include "tests/support/link_test_access.h"

namespace vq {
namespace {

using Millis = EventHost::Millis;
using test::Reply;

constexpr double kNoon = 46024.5;  // 2026/01/02 12:00:00

struct LineErrorCase {
    int code;
    const char* text;
    std::int32_t statusWhileWaiting;
};

TEST(SerialEvents, LineErrorsAreLoggedWithTheDateCountedAndEndTheWait) {
    const LineErrorCase cases[] = {
        {port_event::Framing, "Flame Error. Date = 2026/01/02 12:00:00", link_status::Failed},
        {port_event::Overrun, "Port Over Run. Date = 2026/01/02 12:00:00", link_status::Failed},
        {port_event::RxOverflow, "Receive Buffer Over Flow. Date = 2026/01/02 12:00:00",
         link_status::Failed},
        {port_event::Parity, "Parity Error. Date = 2026/01/02 12:00:00", link_status::Failed},
        // These two closed the transaction as if it had been answered; an operation still
        // waiting has no reply, so it fails.
        {port_event::TxFull, "Send Buffer Over Flow. Date = 2026/01/02 12:00:00",
         link_status::Failed},
        {port_event::DeviceControl, "Device Control Memory Error. Date = 2026/01/02 12:00:00",
         link_status::Failed},
    };
    for (const auto& c : cases) {
        test::LinkHarness h;
        h.connect(3, 2);
        h.host.setLocalDateTime(kNoon);
        h.serial.farEnd().raise(c.code, Millis{5});
        h.serial.farEnd().raise(c.code, Millis{6});
        EXPECT_FALSE(h.link.WaitFor(link_status::AwaitRead, "VP,R,")) << c.text;
        EXPECT_EQ(h.link.Status(), c.statusWhileWaiting) << c.text;
        h.host.runFor(Millis{10});
        EXPECT_EQ(h.link.FaultCount(), 2) << c.text;
        EXPECT_EQ(h.logLines().back(), c.text);
    }
}

TEST(SerialEvents, SendOverflowAndDeviceErrorCloseAnIdleTransactionAsDone) {
    for (int code : {port_event::TxFull, port_event::DeviceControl}) {
        test::LinkHarness h;
        h.connect(3, 2);
        test::LinkTestAccess::setStatus(h.link, link_status::Stopped);
        h.serial.farEnd().raise(code);
        h.host.runFor(Millis{1});
        EXPECT_EQ(h.link.Status(), link_status::Done);
    }
}

TEST(SerialEvents, BreakIsCountedButLeavesTheTransactionAlone) {
    test::LinkHarness h;
    h.connect(3, 2);
    h.link.setReplyDecoder([](std::string&) { return true; });
    h.script.answer("VP,R,", Reply("VP,R,0123"), Millis{20});
    h.serial.farEnd().raise(port_event::Break, Millis{5});
    EXPECT_TRUE(h.link.WaitFor(link_status::AwaitRead, "VP,R,"));
    // Data received clears the count.
    EXPECT_EQ(h.link.FaultCount(), 0);
    const auto lines = h.logLines();
    EXPECT_EQ(lines[lines.size() - 2].substr(0, 27), "Break Signal Found. Date = ");
}

TEST(SerialEvents, SendOverflowWhileProbingIsIgnored) {
    test::LinkHarness h;
    h.link.setRetry(3);
    h.link.setPortOpen(true);
    h.host.runFor(Millis{150});
    ASSERT_EQ(h.link.LinkMode(), link_mode::Probing);
    h.serial.farEnd().raise(port_event::TxFull);
    h.host.runFor(Millis{1});
    EXPECT_EQ(h.link.FaultCount(), 0);
    EXPECT_EQ(h.link.Status(), link_status::AwaitRead);
}

TEST(SerialEvents, LinesDroppingFailAWaitingReadAndGoOffline) {
    test::LinkHarness h;
    h.connect(3, 2);
    h.host.callLater(Millis{30}, [&] { h.serial.setModemLines(0); });
    EXPECT_FALSE(h.link.WaitFor(link_status::AwaitRead, "VP,R,"));
    EXPECT_EQ(h.link.Status(), link_status::Failed);
    EXPECT_EQ(h.link.LinkMode(), link_mode::Offline);
    EXPECT_EQ(h.events.raised, (std::vector<std::string>{"LineDropped"}));

    // Lines back: probing starts again and the instrument is found.
    h.script.answer("RC,R,", test::ProbeReply());
    h.serial.setModemLines(kModemDsr);
    h.host.runFor(Millis{300});
    EXPECT_TRUE(h.link.Connected());
}

TEST(SerialEvents, EventsOfAClosedPortAreIgnored) {
    test::LinkHarness h;
    h.connect(3, 2);
    h.serial.farEnd().raise(port_event::Parity, Millis{5});
    h.host.callLater(Millis{1}, [&] { h.link.setPortOpen(false); });
    h.host.runFor(Millis{10});
    EXPECT_EQ(h.link.FaultCount(), 0);
    EXPECT_EQ(h.link.Status(), link_status::Done);
}

class SocketLink : public ::testing::Test {
  protected:
    SocketLink() {
        setLanguage(Language::English);
        host.setLocalDateTime(kNoon);
        link.setRetry(3);
        link.setTimeout(2);
    }
    std::vector<std::string> logLines() const {
        return test::ReadLogLines(dir.file("SerialLog.log"));
    }

    VirtualHost host;
    MemorySerialPort serial{host};
    MemorySocketPort socket{host};
    PortScript script{socket.farEnd()};
    test::RecordingEvents events;
    test::TempDir dir;
    InstrumentLink link{host, events, &serial, &socket, dir.path()};
};

TEST_F(SocketLink, ConnectsThenProbesOverTheSocket) {
    script.answer("RC,R,", test::ProbeReply());
    link.setPortOpen(true);
    host.runFor(Millis{200});
    EXPECT_TRUE(link.Connected());
    EXPECT_FALSE(serial.isOpen());
    EXPECT_EQ(logLines().front(), "VQ-5100 ...Conneted. Date = 2026/01/02 12:00:00");
    EXPECT_EQ(events.raised, (std::vector<std::string>{"OnConnect"}));
    EXPECT_EQ(events.idles, 1);      // one receive event processed
    EXPECT_EQ(events.transmits, 2);  // the probe sent, the reply received
}

TEST_F(SocketLink, ProbeAtOnceProbesWhenTheSocketConnects) {
    link.setProbeAtOnce(true);
    script.answer("RC,R,", test::ProbeReply());
    link.setPortOpen(true);
    host.pumpUntil([&] { return link.Connected(); }, Millis{1000});
    EXPECT_TRUE(link.Connected());
    EXPECT_LT(host.now(), Millis{100});
}

TEST_F(SocketLink, ConnectedEventOnlyStartsProbingFromOffline) {
    script.answer("RC,R,", test::ProbeReply());
    link.setPortOpen(true);
    host.runFor(Millis{200});
    ASSERT_TRUE(link.Connected());
    socket.farEnd().raise(port_event::LinkEstablished);
    host.runFor(Millis{1});
    EXPECT_TRUE(link.Connected());
}

TEST_F(SocketLink, ErrorIsLoggedFailsTheTransactionAndReachesTheHost) {
    socket.setConnectResult(10061);
    link.setPortOpen(true);
    host.runFor(Millis{50});
    EXPECT_EQ(events.raised, (std::vector<std::string>{"IrDAError 10061"}));
    EXPECT_EQ(link.Status(), link_status::Failed);
    EXPECT_EQ(link.FaultCount(), 1);
    EXPECT_EQ(logLines().back(), "Soket Error[2026/01/02 12:00:00](10061)");
}

TEST_F(SocketLink, UnknownEventIsLoggedWithItsCode) {
    socket.setConnectResult(0);
    link.setPortOpen(true);
    host.runFor(Millis{50});
    socket.setLastError(10050);
    socket.farEnd().raise(1234);
    host.runFor(Millis{1});
    EXPECT_EQ(logLines().back(), "IrDA Error[2026/01/02 12:00:00][1234] (10050)");
    EXPECT_EQ(link.Status(), link_status::Failed);
}

TEST_F(SocketLink, PollReconnectsAfterADrop) {
    script.answer("RC,R,", test::ProbeReply());
    link.setPortOpen(true);
    host.runFor(Millis{200});
    socket.drop();
    host.runFor(Millis{700});
    EXPECT_TRUE(socket.isOpen());
}

using test::readFile;

TEST(BinaryDump, RawBytesGoToTheirPlaceInTheImageAndEndTheBlock) {
    test::LinkHarness h;
    h.connect(3, 2);
    const std::string image = h.dir.file("VQ5100.DAT");
    std::ofstream(image, std::ios::binary) << std::string(2048, '\xFF');

    // Frame characters inside raw data are data: nothing is framed, nothing acknowledged.
    std::string block;
    for (int i = 0; i < 512; ++i) block += static_cast<char>(i % 256);
    h.script.answerChunks(
        "EP,R,", {{Millis{5}, block.substr(0, 300)}, {Millis{8}, block.substr(300) + "EXTRA"}});
    h.link.binaryDump().setPath(image);
    h.link.binaryDump().startBlock(1024, 512);
    h.link.DataSend(BuildFrame("EP,R,0002", EOT), true);
    test::LinkTestAccess::setStatus(h.link, link_status::BinaryReceive);
    h.link.PumpWhile([&] { return h.link.Status() == link_status::BinaryReceive; });

    EXPECT_EQ(h.link.Status(), link_status::Done);
    EXPECT_EQ(h.link.binaryDump().bytesWritten(), 1536);
    EXPECT_EQ(h.link.binaryDump().bytesReceived(), 512);
    const std::string written = readFile(image);
    EXPECT_EQ(written, std::string(1024, '\xFF') + block + std::string(512, '\xFF'));
    EXPECT_EQ(h.sent().size(), 1u);
}

TEST(BinaryDump, ABlockTheFileCannotTakeFails) {
    test::LinkHarness h;
    h.connect(3, 2);
    h.script.answer("EP,R,", std::string(512, 'A'));
    h.link.binaryDump().setPath(h.dir.file("no/such/folder/VQ5100.DAT"));
    h.link.binaryDump().startBlock(0, 512);
    h.link.DataSend(BuildFrame("EP,R,0000", EOT), true);
    test::LinkTestAccess::setStatus(h.link, link_status::BinaryReceive);
    h.link.PumpWhile([&] { return h.link.Status() == link_status::BinaryReceive; });
    EXPECT_EQ(h.link.Status(), link_status::Failed);
}

}  // namespace
}  // namespace vq
