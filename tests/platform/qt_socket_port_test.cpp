// QtSocketPort against a real TCP server on 127.0.0.1.
#include "platform/qt_socket_port.h"

#include <gtest/gtest.h>

#include <QTcpServer>
#include <QTcpSocket>
#include <memory>
#include <vector>

#include "platform/pump.h"
#include "platform/qt_event_host.h"

namespace vq {
namespace {

class QtSocketPortTest : public ::testing::Test {
  protected:
    void SetUp() override {
        port.setEventSink([this](int code) { events.push_back(code); });
    }
    int count(int code) const {
        return static_cast<int>(std::count(events.begin(), events.end(), code));
    }
    // A port number nothing listens on: taken from a listener that is closed again.
    static std::uint16_t freePort() {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        return probe.serverPort();
    }

    QtEventHost host;
    QtSocketPort port;
    std::vector<int> events;
};

TEST_F(QtSocketPortTest, ConnectsAndCarriesBytesBothWays) {
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    port.setAddress({"127.0.0.1", server.serverPort()});
    ASSERT_TRUE(port.open());
    EXPECT_TRUE(events.empty());  // connecting is asynchronous
    ASSERT_TRUE(test::pumpUntil(host, [&] { return count(port_event::LinkEstablished) == 1; }));
    ASSERT_TRUE(test::pumpUntil(host, [&] { return server.hasPendingConnections(); }));
    std::unique_ptr<QTcpSocket> far(server.nextPendingConnection());

    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    port.write(all);
    QByteArray atFar;
    ASSERT_TRUE(test::pumpUntil(host, [&] {
        atFar += far->readAll();
        return atFar.size() >= 256;
    }));
    EXPECT_EQ(atFar.toStdString(), all);

    far->write(QByteArray::fromStdString(all));
    std::string atPort;
    ASSERT_TRUE(test::pumpUntil(host, [&] {
        if (count(port_event::Receive) > 0) atPort += port.readAll();
        return atPort.size() >= all.size();
    }));
    EXPECT_EQ(atPort, all);
    EXPECT_EQ(port.lastError(), 0);
}

TEST_F(QtSocketPortTest, RefusedConnectionRaisesErrorAndPollReconnectsLater) {
    const std::uint16_t number = freePort();
    port.setAddress({"127.0.0.1", number});
    ASSERT_TRUE(port.open());
    EXPECT_TRUE(port.isOpen());
    ASSERT_TRUE(test::pumpUntil(host, [&] { return count(port_event::SocketError) == 1; }));
    EXPECT_EQ(port.lastError(), socket_error::Refused);
    EXPECT_EQ(count(port_event::LinkEstablished), 0);

    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, number));
    port.poll();
    ASSERT_TRUE(test::pumpUntil(host, [&] { return count(port_event::LinkEstablished) == 1; }));
    // A connected socket is left alone by further polls.
    port.poll();
    port.poll();
    ASSERT_TRUE(test::pumpUntil(host, [&] { return server.hasPendingConnections(); }));
    std::unique_ptr<QTcpSocket> first(server.nextPendingConnection());
    bool settled = false;
    host.callLater(std::chrono::milliseconds(50), [&] { settled = true; });
    ASSERT_TRUE(test::pumpUntil(host, [&] { return settled; }));
    EXPECT_FALSE(server.hasPendingConnections());
    EXPECT_EQ(count(port_event::LinkEstablished), 1);
}

TEST_F(QtSocketPortTest, FarEndClosingIsAnErrorAndAClosedPortStaysClosed) {
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    port.setAddress({"127.0.0.1", server.serverPort()});
    ASSERT_TRUE(port.open());
    ASSERT_TRUE(test::pumpUntil(host, [&] { return server.hasPendingConnections(); }));
    delete server.nextPendingConnection();
    ASSERT_TRUE(test::pumpUntil(host, [&] { return count(port_event::SocketError) == 1; }));
    EXPECT_EQ(port.lastError(), socket_error::Other);

    port.close();
    EXPECT_FALSE(port.isOpen());
    port.poll();  // closed on purpose: no reconnect
    bool settled = false;
    host.callLater(std::chrono::milliseconds(50), [&] { settled = true; });
    ASSERT_TRUE(test::pumpUntil(host, [&] { return settled; }));
    EXPECT_FALSE(server.hasPendingConnections());
}

TEST(SocketErrorNumbers, MapQtErrorsToTheLinksNumbers) {
    EXPECT_EQ(QtSocketPort::errorNumber(QAbstractSocket::SocketTimeoutError), 10060);
    EXPECT_EQ(QtSocketPort::errorNumber(QAbstractSocket::AddressInUseError), 10048);
    EXPECT_EQ(QtSocketPort::errorNumber(QAbstractSocket::ConnectionRefusedError), 10061);
    EXPECT_EQ(QtSocketPort::errorNumber(QAbstractSocket::HostNotFoundError), 10050);
    EXPECT_EQ(QtSocketPort::errorNumber(QAbstractSocket::RemoteHostClosedError), 10050);
}

TEST(SocketAddress, ParsesHostAndPortWithDefaults) {
    auto a = parseSocketAddress("192.0.2.7:6000");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->host, "192.0.2.7");
    EXPECT_EQ(a->port, 6000);
    a = parseSocketAddress("bench-bridge");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->host, "bench-bridge");
    EXPECT_EQ(a->port, kDefaultSocketPort);
    a = parseSocketAddress(":7001");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->host, kDefaultSocketHost);
    EXPECT_EQ(a->port, 7001);
    a = parseSocketAddress("[::1]:5200");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->host, "::1");
    EXPECT_EQ(a->port, 5200);

    for (const char* bad : {"host:", "host:0", "host:65536", "host:12x", "a:b:c", "[::1", "[]:5100",
                            "[::1]5100", "my host:5100"}) {
        EXPECT_FALSE(parseSocketAddress(bad).has_value()) << bad;
    }
}

}  // namespace
}  // namespace vq
