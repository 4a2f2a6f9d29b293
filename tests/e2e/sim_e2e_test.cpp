// vq5100ctl against the virtual instrument: vq5100-sim on a pseudo-terminal and on TCP, and the
// one built into vq5100ctl.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "e2e/ctl_runner.h"
#include "e2e/sim_process.h"

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

}  // namespace
}  // namespace vq::test
