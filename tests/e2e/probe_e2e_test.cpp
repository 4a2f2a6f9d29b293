// vq5100ctl probe against a test instrument on a real pseudo-terminal and over real TCP.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <algorithm>
#include <memory>

#include "app/app_config.h"
#include "app/config_file.h"
#include "e2e/ctl_runner.h"
#include "e2e/test_instrument.h"
#include "messages/messages.h"
#include "platform/pty_pair.h"

namespace vq::test {
namespace {

using Behaviour = TestInstrument::Behaviour;

// The instrument on the master end of a pty; the program opens the slave.
class PtyInstrument {
  public:
    explicit PtyInstrument(Behaviour behaviour)
        : instrument(behaviour), notifier_(pty.master(), QSocketNotifier::Read) {
        QObject::connect(&notifier_, &QSocketNotifier::activated,
                         [this] { pty.send(instrument.feed(pty.receive())); });
    }
    PtyPair pty;
    TestInstrument instrument;

  private:
    QSocketNotifier notifier_;
};

// The instrument behind a TCP listener on 127.0.0.1, on a port the system picked.
class TcpInstrument {
  public:
    explicit TcpInstrument(Behaviour behaviour) : instrument(behaviour) {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            QTcpSocket* client = server_.nextPendingConnection();
            QObject::connect(client, &QTcpSocket::readyRead, [this, client] {
                const QByteArray in = client->readAll();
                const std::string reply = instrument.feed(in.toStdString());
                client->write(reply.data(), static_cast<qint64>(reply.size()));
            });
        });
    }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(server_.serverPort()); }
    TestInstrument instrument;

  private:
    QTcpServer server_;
};

class ProbeE2E : public ::testing::Test {
  protected:
    QString readLog() const {
        QFile file(workDir.filePath("SerialLog.log"));
        if (!file.open(QIODevice::ReadOnly)) return {};
        return QString::fromLatin1(file.readAll());
    }
    QTemporaryDir workDir;
};

TEST_F(ProbeE2E, SerialProbeConnectsPrintsTheModelAndLogsTheFrames) {
    PtyInstrument far(Behaviour::Answers);
    ASSERT_TRUE(far.pty.ok());
    const CtlResult r = runCtl({"--port", QString::fromStdString(far.pty.slavePath()), "--settings",
                                "921600,n,8,1", "probe"},
                               workDir.path());
    ASSERT_TRUE(r.finished) << r.err.toStdString();
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Model: VQ-5100,Ver1.02\n"))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("ROM number: 5102\n"))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Serial number: SN-0042\n")));
    EXPECT_TRUE(r.out.contains(QStringLiteral("Station ID: STATION-7\n")));
    // The probe, then the five identity reads in their order.
    EXPECT_EQ(far.instrument.payloads(),
              (std::vector<std::string>{"RC,R,", "VP,R,", "XZ,R,", "XS,R,****", "IN,R,", "HN,R,"}));

    const QString log = readLog();
    EXPECT_TRUE(log.contains(QStringLiteral("W : [STX]0001RC,R,[ETX]FB[EOT]\r\n")))
        << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("R : [STX]0001RC,R,VQ-5100,Ver1.02[ETX]")))
        << log.toStdString();
}

TEST_F(ProbeE2E, SocketProbeConnectsAndPrintsJson) {
    TcpInstrument far(Behaviour::Answers);
    const CtlResult r = runCtl({"--socket", far.address(), "--json", "probe"}, workDir.path());
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonObject json = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_EQ(json.value("command").toString(), "probe");
    EXPECT_EQ(json.value("model").toString(), "VQ-5100,Ver1.02");
    EXPECT_EQ(json.value("romNumber").toInt(), 5102);
    EXPECT_EQ(json.value("serialNumber").toString(), "SN-0042");
    EXPECT_EQ(json.value("userId").toString(), "BENCH-USER");
    EXPECT_EQ(json.value("exitCode").toInt(-1), 0);
    EXPECT_TRUE(json.value("ok").toBool());
    EXPECT_EQ(json.value("port").toString(), "socket " + far.address());
    EXPECT_TRUE(readLog().contains(QStringLiteral("RC,R,VQ-5100")));
}

TEST_F(ProbeE2E, NoAnswerEndsWithStatusThreeAfterTheProbesRunOut) {
    // A silent line, a line answering for another model and a line whose replies fail their
    // checksum all leave the program without an instrument.
    for (const Behaviour behaviour :
         {Behaviour::Silent, Behaviour::WrongModel, Behaviour::BadChecksum}) {
        PtyInstrument far(behaviour);
        ASSERT_TRUE(far.pty.ok());
        const CtlResult r = runCtl({"--port", QString::fromStdString(far.pty.slavePath()),
                                    "--retry", "2", "--timeout", "1", "probe"},
                                   workDir.path());
        ASSERT_TRUE(r.finished);
        EXPECT_EQ(r.exitCode, 3) << static_cast<int>(behaviour) << r.out.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("No Response"))) << r.err.toStdString();
        EXPECT_FALSE(r.out.contains(QStringLiteral("Model")));
        // Retry 2: exactly two probes went out before the program gave up.
        EXPECT_EQ(far.instrument.payloads().size(), 2u) << static_cast<int>(behaviour);
    }
}

TEST_F(ProbeE2E, RefusedSocketAndMissingDeviceEndWithStatusThree) {
    quint16 freePort = 0;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        freePort = probe.serverPort();
    }
    CtlResult r = runCtl({"--socket", QStringLiteral("127.0.0.1:%1").arg(freePort), "--retry", "1",
                          "--timeout", "1", "--json", "probe"},
                         workDir.path());
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 3);
    const QJsonObject json = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_FALSE(json.value("ok").toBool(true));
    EXPECT_TRUE(json.value("error").toString().contains("10061")) << r.out.toStdString();

    r = runCtl({"--port", "/dev/vq-no-such-port", "probe"}, workDir.path());
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(r.err.contains(QStringLiteral("cannot open"))) << r.err.toStdString();
}

TEST_F(ProbeE2E, IdentityReadLeftUnansweredIsAFailedOperation) {
    PtyInstrument far(Behaviour::NoIdentity);
    ASSERT_TRUE(far.pty.ok());
    const CtlResult r = runCtl({"--port", QString::fromStdString(far.pty.slavePath()), "--retry",
                                "1", "--timeout", "1", "--json", "probe"},
                               workDir.path());
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 1);
    const QJsonObject json = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_FALSE(json.value("ok").toBool(true));
    EXPECT_EQ(json.value("model").toString(), "VQ-5100,Ver1.02");
    EXPECT_FALSE(json.contains("romNumber"));
    EXPECT_TRUE(json.value("error").toString().contains("identity")) << r.out.toStdString();
    // Sent once and resent once (Retry 1), then given up: no further identity read.
    EXPECT_EQ(far.instrument.payloads(), (std::vector<std::string>{"RC,R,", "VP,R,", "VP,R,"}));
}

TEST_F(ProbeE2E, FarEndVanishingDuringTheProbeEndsAtOnceWithStatusThree) {
    auto pty = std::make_unique<PtyPair>();
    ASSERT_TRUE(pty->ok());
    const QString path = QString::fromStdString(pty->slavePath());
    // The first probe frame makes the far end hang up.
    QSocketNotifier far(pty->master(), QSocketNotifier::Read);
    QObject::connect(&far, &QSocketNotifier::activated, [&] {
        far.setEnabled(false);
        pty.reset();
    });
    // Retry and time-out at their bounds, so that only the dropped line can end the run quickly.
    const CtlResult r = runCtl({"--port", path, "--retry", "10", "--timeout", "60", "probe"},
                               workDir.path(), 20000);
    ASSERT_TRUE(r.finished) << "still probing a vanished port";
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_TRUE(r.err.contains(QStringLiteral("dropped"))) << r.err.toStdString();
    EXPECT_TRUE(readLog().contains(QStringLiteral("lost"))) << readLog().toStdString();
}

TEST_F(ProbeE2E, UsageAndFileErrorsEndWithStatusTwoBeforeTouchingAPort) {
    PtyInstrument far(Behaviour::Answers);
    const QString port = QString::fromStdString(far.pty.slavePath());
    const QList<QStringList> bad{
        {},
        {"--port", port},
        {"--port", port, "frobnicate"},
        {"--port", port, "--socket", "127.0.0.1:5100", "probe"},
        {"--port", port, "--retry", "many", "probe"},
        {"--port", port, "--settings", "921600,x,8,1", "probe"},
        {"--port", port, "--lang", "fr", "probe"},
        {"--port", port, "--workdir", workDir.filePath("missing"), "probe"},
        {"--port", port, "probe", "extra"},
    };
    for (const QStringList& args : bad) {
        const CtlResult r = runCtl(args, workDir.path());
        ASSERT_TRUE(r.finished);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_FALSE(r.err.isEmpty()) << args.join(' ').toStdString();
    }
    EXPECT_TRUE(far.instrument.payloads().empty());

    const CtlResult help = runCtl({"--help"}, workDir.path());
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith(QStringLiteral("usage: vq5100ctl"))) << help.out.toStdString();
    EXPECT_TRUE(help.out.contains(QStringLiteral("probe")));
}

TEST_F(ProbeE2E, ConfigurationFileSetsTheRetriesAndKeepsOlderLogs) {
    // Retry 1 and "SERIAL LOG FILE" on, as the window would have saved them.
    AppConfig config;
    FillBuiltInDefaults(config);
    config.retry = 1;
    config.timeout = 1;
    config.serialLog = true;
    QFile ini(workDir.filePath(configFileName));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(QByteArray::fromStdString(ConfigFileText(config, 45000.0)));
    ini.close();

    PtyInstrument silent(Behaviour::Silent);
    CtlResult r =
        runCtl({"--port", QString::fromStdString(silent.pty.slavePath()), "probe"}, workDir.path());
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(silent.instrument.payloads().size(), 1u);

    PtyInstrument far(Behaviour::Answers);
    r = runCtl({"--port", QString::fromStdString(far.pty.slavePath()), "probe"}, workDir.path());
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    // The first run's log moved to generation 1; the new one holds only the second run.
    QFile older(workDir.filePath("SerialLog1.log"));
    ASSERT_TRUE(older.open(QIODevice::ReadOnly));
    EXPECT_FALSE(older.readAll().contains("VQ-5100,Ver1.02"));
    EXPECT_TRUE(readLog().contains(QStringLiteral("VQ-5100,Ver1.02")));
}

// "RETRY 32767" used to keep a run against a silent instrument probing for hours, and a bad
// number stopped the reading of the file, so the keys after it were lost. Now the line is
// refused alone (named on stderr), the default 3 is used, and "Serial Log File OFF" after it
// still turns the communication log off. --retry 0 is one probe, not none.
TEST_F(ProbeE2E, ConfigurationOutOfBoundsIsRefusedAloneAndLoggingOffIsHonoured) {
    QFile ini(workDir.filePath(configFileName));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("Retry\t32767\r\nTimeout\t1\r\nSerial Log File\tOFF\r\n");
    ini.close();

    PtyInstrument silent(Behaviour::Silent);
    const QString port = QString::fromStdString(silent.pty.slavePath());
    CtlResult r = runCtl({"--port", port, "probe"}, workDir.path(), 20000);
    ASSERT_TRUE(r.finished) << "gave up within the bounds";
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(silent.instrument.payloads().size(), 3u);
    EXPECT_TRUE(
        r.err.contains(QStringLiteral("line 1 is not used: Retry 32767 is outside 0 to 10")))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("In use instead: Retry 3"))) << r.err.toStdString();

    r = runCtl({"--port", port, "--retry", "0", "probe"}, workDir.path(), 20000);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(silent.instrument.payloads().size(), 4u) << "one probe for --retry 0";

    r = runCtl({"--port", port, "--retry", "11", "probe"}, workDir.path());
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("--retry needs a whole number from 0 to 10")))
        << r.err.toStdString();

    PtyInstrument far(Behaviour::Answers);
    r = runCtl({"--port", QString::fromStdString(far.pty.slavePath()), "--retry", "0", "probe"},
               workDir.path());
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    const auto& sent = far.instrument.payloads();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), "RC,R,"), 1) << "one probe, answered";
    EXPECT_FALSE(QFile::exists(workDir.filePath("SerialLog.log"))) << "logging is off";
    EXPECT_FALSE(QFile::exists(workDir.filePath("SerialLog1.log")));
}

TEST_F(ProbeE2E, LanguageOptionChoosesTheMessageTable) {
    PtyInstrument silent(Behaviour::Silent);
    const CtlResult r =
        runCtl({"--lang", "ja", "--port", QString::fromStdString(silent.pty.slavePath()), "--retry",
                "1", "probe"},
               workDir.path());
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_FALSE(r.err.contains(QStringLiteral("No Response"))) << r.err.toStdString();
    EXPECT_TRUE(
        r.err.contains(QString::fromStdString(ResMessage(Language::Japanese, 5405)).trimmed()))
        << r.err.toStdString();
}

TEST_F(ProbeE2E, WorkdirOptionPlacesTheCommunicationLog) {
    PtyInstrument far(Behaviour::Answers);
    QTemporaryDir other;
    const CtlResult r = runCtl(
        {"--workdir", other.path(), "--port", QString::fromStdString(far.pty.slavePath()), "probe"},
        workDir.path());
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(QFile::exists(other.filePath("SerialLog.log")));
    EXPECT_FALSE(QFile::exists(workDir.filePath("SerialLog.log")));
}

}  // namespace
}  // namespace vq::test
