// QtSerialPort on a real pseudo-terminal: the test holds the master end.
#include "platform/qt_serial_port.h"

#include <gtest/gtest.h>
#include <termios.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/pty_pair.h"
#include "platform/pump.h"
#include "platform/qt_event_host.h"

namespace vq {
namespace {

// How many of this process's descriptors are open on the device at path.
int descriptorsOn(const std::string& path) {
    int open = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        const auto target = std::filesystem::read_symlink(entry.path(), ec);
        // A vanished device reads as "<path> (deleted)".
        const std::string name = target.string();
        if (!ec && (name == path || name.rfind(path + " ", 0) == 0)) ++open;
    }
    return open;
}

class QtSerialPortTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(pty.ok());
        port.setPortName(pty.slavePath());
        port.setEventSink([this](int code) { events.push_back(code); });
        port.setLogSink([this](const std::string& line) { logLines.push_back(line); });
    }
    int count(int code) const {
        return static_cast<int>(std::count(events.begin(), events.end(), code));
    }
    termios lineSettings() const {
        termios t{};
        ::tcgetattr(pty.master(), &t);
        return t;
    }

    test::PtyPair pty;
    QtEventHost host;
    QtSerialPort port;
    std::vector<int> events;
    std::vector<std::string> logLines;
};

TEST_F(QtSerialPortTest, OpeningAPortWithUnreadableLinesRaisesCtsOnceFromTheLoop) {
    port.setSettings("921600,n,8,1");
    port.setDtr(true);
    port.setRts(true);
    port.setHandshaking(2);
    ASSERT_TRUE(port.open());
    EXPECT_TRUE(port.isOpen());
    // Nothing is delivered from inside open(): the link is never re-entered by its own call.
    EXPECT_TRUE(events.empty());
    ASSERT_TRUE(test::pumpUntil(host, [&] { return count(port_event::Cts) > 0; }));
    EXPECT_EQ(port.modemStatus(), kModemCts | kModemDsr);

    // Ticks find no change on lines they cannot read, so no second event follows.
    for (int i = 0; i < 5; ++i) port.tick();
    bool settled = false;
    host.callLater(std::chrono::milliseconds(30), [&] { settled = true; });
    ASSERT_TRUE(test::pumpUntil(host, [&] { return settled; }));
    EXPECT_EQ(count(port_event::Cts), 1);
    EXPECT_EQ(count(port_event::Dsr), 0);
}

TEST_F(QtSerialPortTest, SettingsReachTheLineBeforeAndAfterOpening) {
    port.setSettings("921600,n,8,1");
    ASSERT_TRUE(port.open());
    termios t = lineSettings();
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B921600));
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_FALSE(t.c_cflag & PARENB);
    EXPECT_FALSE(t.c_cflag & CSTOPB);

    // A pseudo-terminal forces 8 data bits and no parity, so only speed and stop bits show here.
    port.setSettings("9600,e,7,2");
    t = lineSettings();
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B9600));
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_EQ(port.settings(), "9600,e,7,2");
}

TEST_F(QtSerialPortTest, BadSettingsTextKeepsThePreviousSettingsAndSaysSo) {
    port.setSettings("921600,n,8,1");
    ASSERT_TRUE(port.settingsAccepted());
    port.setSettings("921600,q,8,1");
    EXPECT_FALSE(port.settingsAccepted());
    EXPECT_EQ(port.settings(), "921600,n,8,1");
    ASSERT_EQ(logLines.size(), 1u);
    EXPECT_NE(logLines[0].find("921600,q,8,1"), std::string::npos);

    ASSERT_TRUE(port.open());
    const termios t = lineSettings();
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B921600));
}

TEST_F(QtSerialPortTest, CarriesEveryByteValueBothWays) {
    port.setSettings("921600,n,8,1");
    ASSERT_TRUE(port.open());
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));

    port.write(all);
    std::string atFar;
    ASSERT_TRUE(test::pumpUntil(host, [&] {
        atFar += pty.receive();
        return atFar.size() >= all.size();
    }));
    EXPECT_EQ(atFar, all);

    pty.send(all);
    std::string atPort;
    ASSERT_TRUE(test::pumpUntil(host, [&] {
        if (count(port_event::Receive) > 0) atPort += port.readAll();
        return atPort.size() >= all.size();
    }));
    EXPECT_EQ(atPort, all);
}

TEST_F(QtSerialPortTest, MissingDeviceFailsToOpenWithoutEvents) {
    port.setPortName("/dev/vq-no-such-port");
    EXPECT_FALSE(port.open());
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(port.modemStatus(), 0);
    EXPECT_EQ(port.readAll(), "");
    port.write("ignored");  // a closed port swallows writes
    bool settled = false;
    host.callLater(std::chrono::milliseconds(20), [&] { settled = true; });
    ASSERT_TRUE(test::pumpUntil(host, [&] { return settled; }));
    EXPECT_TRUE(events.empty());
    EXPECT_FALSE(logLines.empty());
}

TEST_F(QtSerialPortTest, VanishedFarEndClosesThePortAndDropsTheLines) {
    ASSERT_TRUE(port.open());
    ASSERT_GE(descriptorsOn(pty.slavePath()), 2);  // the far end's own and the port's
    ASSERT_TRUE(test::pumpUntil(host, [&] { return count(port_event::Cts) == 1; }));
    pty.closeSlave();
    pty.closeMaster();
    // The port notices the hang-up, closes, and raises a line event whose status reads off.
    ASSERT_TRUE(
        test::pumpUntil(host, [&] { return !port.isOpen() && count(port_event::Cts) == 2; }));
    EXPECT_EQ(port.modemStatus(), 0);
    ASSERT_FALSE(logLines.empty());
    EXPECT_NE(logLines.back().find("lost"), std::string::npos);
    // A dead descriptor left open would wake the loop over and over: the closed port keeps none
    // of the vanished device, and no further line event follows.
    EXPECT_EQ(descriptorsOn(pty.slavePath()), 0);
    bool later = false;
    host.callLater(std::chrono::milliseconds(0), [&] { later = true; });
    ASSERT_TRUE(test::pumpUntil(host, [&] { return later; }));
    EXPECT_EQ(count(port_event::Cts), 2);
}

TEST_F(QtSerialPortTest, ReopensAfterClose) {
    ASSERT_TRUE(port.open());
    port.close();
    EXPECT_FALSE(port.isOpen());
    ASSERT_TRUE(port.open());
    port.write("again");
    std::string atFar;
    ASSERT_TRUE(test::pumpUntil(host, [&] {
        atFar += pty.receive();
        return atFar == "again";
    }));
}

}  // namespace
}  // namespace vq
