// vq5100ctl against the virtual instrument: vq5100-sim on a pseudo-terminal and on TCP, and the
// one built into vq5100ctl.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <thread>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "e2e/ctl_runner.h"
#include "e2e/sim_process.h"
#include "protocol/frame.h"

namespace vq::test {
namespace {

class SimE2E : public ::testing::Test {
  protected:
    QString readLog() const {
        QFile file(workDir.filePath("SerialLog.log"));
        if (!file.open(QIODevice::ReadOnly)) return {};
        return QString::fromLatin1(file.readAll());
    }
    void expectProbed(const CtlResult& r) {
        ASSERT_TRUE(r.finished);
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_TRUE(r.out.contains(QStringLiteral("Model: VQ-5100"))) << r.out.toStdString();
        EXPECT_TRUE(r.out.contains(QStringLiteral("ROM number: 5100\n"))) << r.out.toStdString();
        EXPECT_TRUE(readLog().contains(QStringLiteral("W : [STX]0001RC,R,[ETX]FB[EOT]")));
    }
    QTemporaryDir workDir;
};

TEST_F(SimE2E, ProbeOverThePseudoTerminalOfTheVirtualInstrument) {
    SimProcess sim({"--pty"});
    ASSERT_TRUE(sim.served().startsWith("/dev/")) << sim.served().toStdString();
    expectProbed(runCtl({"--port", sim.served(), "probe"}, workDir.path()));
}

TEST_F(SimE2E, ProbeOverTcpToTheVirtualInstrument) {
    SimProcess sim({"--tcp", "127.0.0.1:0"});
    ASSERT_FALSE(sim.served().isEmpty());
    const QString address = sim.served().section(' ', -1);
    expectProbed(runCtl({"--socket", address, "probe"}, workDir.path()));
}

TEST_F(SimE2E, ProbeOnTheBuiltInInstrument) {
    const CtlResult r = runCtl({"--simulator", "--json", "probe"}, workDir.path());
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0) << r.out.toStdString();
    const QJsonObject json = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_TRUE(json.value("model").toString().startsWith("VQ-5100")) << r.out.toStdString();
    EXPECT_EQ(json.value("port").toString(), "simulator");
    EXPECT_EQ(json.value("romNumber").toInt(), 5100);
    EXPECT_TRUE(readLog().contains(QStringLiteral("R : [STX]0001RC,R,")));
}

// Resident memory of a process in kB, from /proc.
long residentKb(qint64 pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

// A peer that sends memory-block reads as fast as the line takes them and never reads an
// answer. Each sixteen-byte request asks for a block of about a kilobyte, so the answers would
// grow without end; the simulator stops reading the peer once 8 MB of answers wait, and its
// memory stays bounded. The newest connection is then served as usual.
TEST_F(SimE2E, APeerThatFloodsAndNeverReadsDoesNotGrowTheSimulator) {
    SimProcess sim({"--tcp", "127.0.0.1:0"});
    const QString address = sim.served().section(' ', -1);
    ASSERT_FALSE(address.isEmpty());
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(address.section(':', -1).toUInt()));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to), 0);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);

    std::string requests;
    for (int i = 0; i < 4096; ++i) requests += BuildFrame("EP,R,0000", EOT);
    long peakKb = 0;
    std::size_t sent = 0;
    // Until the simulator has stopped taking requests for a good while (or a generous amount
    // went out): the line stays full, so its backlog is at its bound.
    for (int stalled = 0; stalled < 300 && sent < (512u << 20);) {
        const ssize_t n = ::send(fd, requests.data(), requests.size(), MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            stalled = 0;
        } else {
            ++stalled;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        peakKb = std::max(peakKb, residentKb(sim.pid()));
    }
    // Every request asks for at least 512 bytes: more than the bound was asked for.
    EXPECT_GT(sent / requests.size() * 4096 * 512, 8u << 20) << sent << " bytes sent";
#ifndef __SANITIZE_ADDRESS__
    // (Under the address sanitizer freed memory waits in quarantine: resident size says nothing.)
    EXPECT_LT(peakKb, 40 * 1024) << "peak resident memory " << peakKb << " kB";
#endif
    expectProbed(runCtl({"--socket", address, "probe"}, workDir.path()));
    ::close(fd);
}

}  // namespace
}  // namespace vq::test
