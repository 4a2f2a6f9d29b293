// The link control over the Qt ports and the Qt host: what the link needs from a real port --
// a line event that starts probing, replies that reach the frame scan, a lost port that drops
// the line -- checked with the real pieces, a pty and a TCP connection.
#include <gtest/gtest.h>

#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <memory>

#include "link/instrument_link.h"
#include "link/link_events.h"
#include "link/link_status.h"
#include "platform/pty_pair.h"
#include "platform/pump.h"
#include "platform/qt_event_host.h"
#include "platform/qt_serial_port.h"
#include "platform/qt_socket_port.h"
#include "protocol/frame.h"
#include "tests/support/link_test_access.h"

namespace vq {
namespace {

struct Events : LinkEvents {
    void OnConnect() override { ++connects; }
    void LineDropped() override { ++drops; }
    void OnSocketError(std::int16_t& number) override { socketError = number; }
    int connects = 0;
    int drops = 0;
    int socketError = 0;
};

// Answers every probe frame with the model name.
std::string answerProbes(std::string& pending) {
    std::string out;
    for (auto end = pending.find(EOT); end != std::string::npos; end = pending.find(EOT)) {
        if (pending.substr(0, end).find("RC,R,") != std::string::npos) {
            out += BuildFrame("RC,R,VQ-5100", EOT);
        }
        pending.erase(0, end + 1);
    }
    return out;
}

TEST(LinkOverQtPorts, SerialProbeConnectsAndALostPortDropsTheLine) {
    test::PtyPair pty;
    ASSERT_TRUE(pty.ok());
    std::string pending;
    QSocketNotifier far(pty.master(), QSocketNotifier::Read);
    QObject::connect(&far, &QSocketNotifier::activated, [&] {
        pending += pty.receive();
        pty.send(answerProbes(pending));
    });

    QtEventHost host;
    Events events;
    QtSerialPort port(pty.slavePath());
    QTemporaryDir logDir;
    InstrumentLink link(host, events, &port, nullptr, logDir.path().toStdString());
    link.setRetry(3);
    link.setTimeout(3);
    link.setSerialComm(true);
    port.setSettings("921600,n,8,1");
    link.setPortOpen(true);
    ASSERT_TRUE(link.PortOpen());
    ASSERT_TRUE(test::pumpUntil(host, [&] { return link.Connected(); }));
    EXPECT_EQ(events.connects, 1);

    // An operation waits for a reply when the far end vanishes.
    far.setEnabled(false);
    test::LinkTestAccess::setStatus(link, link_status::AwaitRead);
    pty.closeSlave();
    pty.closeMaster();
    ASSERT_TRUE(test::pumpUntil(host, [&] { return events.drops == 1; }));
    EXPECT_EQ(link.LinkMode(), link_mode::Offline);
    EXPECT_EQ(link.Status(), link_status::Failed);
    EXPECT_FALSE(port.isOpen());
}

TEST(LinkOverQtPorts, SocketConnectionStartsProbingAndTheProbeConnects) {
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    std::unique_ptr<QTcpSocket> client;
    std::string pending;
    QObject::connect(&server, &QTcpServer::newConnection, [&] {
        client.reset(server.nextPendingConnection());
        QObject::connect(client.get(), &QTcpSocket::readyRead, [&] {
            pending += client->readAll().toStdString();
            const std::string reply = answerProbes(pending);
            client->write(reply.data(), static_cast<qint64>(reply.size()));
        });
    });

    QtEventHost host;
    Events events;
    QtSocketPort port({"127.0.0.1", server.serverPort()});
    QTemporaryDir logDir;
    InstrumentLink link(host, events, nullptr, &port, logDir.path().toStdString());
    link.setRetry(3);
    link.setTimeout(3);
    link.setPortOpen(true);
    ASSERT_TRUE(test::pumpUntil(host, [&] { return link.Connected(); }));
    EXPECT_EQ(events.connects, 1);
    EXPECT_EQ(events.socketError, 0);
}

TEST(LinkOverQtPorts, RefusedSocketReportsTheErrorNumberToTheHost) {
    quint16 number = 0;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        number = probe.serverPort();
    }
    QtEventHost host;
    Events events;
    QtSocketPort port({"127.0.0.1", number});
    QTemporaryDir logDir;
    InstrumentLink link(host, events, nullptr, &port, logDir.path().toStdString());
    link.setRetry(3);
    link.setTimeout(3);
    link.setPortOpen(true);
    ASSERT_TRUE(test::pumpUntil(host, [&] { return events.socketError != 0; }));
    EXPECT_EQ(events.socketError, 10061);
    EXPECT_FALSE(link.Connected());
}

}  // namespace
}  // namespace vq
