// vq5100ctl's writes against vq5100-sim over a real pseudo-terminal, where "written" must mean
// the instrument holds it: an instrument that acknowledges bare and keeps its old values fails
// `write` and `set-id`; settings a file carries that the write never sends are listed apart and
// said to be unwritten; and the errors name what failed, with control characters escaped.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include "e2e/ctl_runner.h"
#include "e2e/sim_process.h"
#include "e2e/test_instrument.h"

namespace vq::test {
namespace {

class WriteVerifyE2E : public ::testing::Test {
  protected:
    CtlResult run(const QStringList& args) { return runCtl(args, workDir.path(), 60000); }
    QString path(const QString& name) const { return workDir.filePath(name); }
    void writeFile(const QString& name, const QByteArray& text) {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    // The line of `code` in a settings file replaced by `line`.
    static QByteArray withLine(QByteArray text, const QByteArray& code, const QByteArray& line) {
        const int at = text.indexOf("\r\n" + code + ",W,");
        if (at < 0) return {};
        const int end = text.indexOf("\r\n", at + 2);
        text.replace(at + 2, end - at - 2, line);
        return text;
    }
    bool csvHasWriteRow() const {
        const QStringList csv = QDir(workDir.path()).entryList({"VQ5100_Setting*.csv"});
        return !csv.isEmpty() && readFile(path(csv.front())).contains("\r\nWrite");
    }
    QTemporaryDir workDir;
};

// The instrument answers "BU,W", "WB,W" and "XS,W" with a bare ACK and keeps its old
// values. Each write of one of them ends with exit 1 naming the command, the value sent and the
// value held; nothing says "Settings written." and no "Write" row is added.
TEST_F(WriteVerifyE2E, AnInstrumentThatAcknowledgesWithoutKeepingFailsWriteAndSetId) {
    writeFile("sim.state", "forget_writes = \"BU,WB,XS\"\n");
    SimProcess sim({"--pty", "--state", path("sim.state")});
    ASSERT_TRUE(sim.served().startsWith("/dev/")) << sim.served().toStdString();
    ASSERT_EQ(run({"--port", sim.served(), "read", "--seq", "before.seq"}).exitCode, 0);
    const QByteArray before = readFile(path("before.seq"));

    const struct {
        QByteArray code, line, shown;
    } cases[] = {
        {"BU", "BU,W,3,4,0,1,",
         "\"BU\" was not written: sent 3,4,0,1, the instrument holds 2,1,0,1"},
        {"WB", "WB,W,1,0,0,", "\"WB\" was not written: sent 1,0,0, the instrument holds 0,0,0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code.toStdString());
        const QByteArray edited = withLine(before, c.code, c.line);
        ASSERT_FALSE(edited.isEmpty());
        writeFile("edited.seq", edited);
        const CtlResult r = run({"--port", sim.served(), "write", "edited.seq"});
        EXPECT_EXIT_CODE(r, 1);
        EXPECT_TRUE(r.err.contains(QString::fromLatin1(c.shown))) << r.err.toStdString();
        EXPECT_FALSE(r.out.contains("Settings written.")) << r.out.toStdString();
    }
    const CtlResult id = run({"--port", sim.served(), "set-id", "--station", "BENCH-9"});
    EXPECT_EXIT_CODE(id, 1);
    EXPECT_TRUE(id.err.contains("\"XS\" was not written: sent ****,BENCH-9"))
        << id.err.toStdString();
    EXPECT_FALSE(csvHasWriteRow());

    // And the instrument was never changed by any of it.
    ASSERT_EQ(run({"--port", sim.served(), "read", "--seq", "after.seq"}).exitCode, 0);
    EXPECT_EQ(readFile(path("after.seq")), before);
}

// A file that changes the minimum flow ("CP") and the pressure offset ("HF"), which no write of
// this program sends, and one setting that is written: the review, `diff` and `--dry-run` list
// the two apart, never as changes; `write` writes the one and says the two were not written.
TEST_F(WriteVerifyE2E, SettingsTheWriteNeverSendsAreListedApartAndNotClaimed) {
    SimProcess sim({"--pty"});
    ASSERT_TRUE(sim.served().startsWith("/dev/"));
    ASSERT_EQ(run({"--port", sim.served(), "read", "--seq", "before.seq"}).exitCode, 0);
    const QByteArray before = readFile(path("before.seq"));
    QByteArray edited = withLine(before, "CP", "CP,W,0300,");
    edited = withLine(edited, "HF", "HF,W,0010,");
    const bool overwriteOn = before.contains("\r\nXW,W,1,");
    edited = withLine(edited, "XW", overwriteOn ? "XW,W,0," : "XW,W,1,");
    ASSERT_FALSE(edited.isEmpty());
    writeFile("edited.seq", edited);

    const CtlResult diff = run({"--port", sim.served(), "diff", "edited.seq"});
    EXPECT_EXIT_CODE(diff, 0);
    const std::string text = diff.out.toStdString();
    const auto heading = text.find("In the file, not written by this command:\n");
    ASSERT_NE(heading, std::string::npos) << text;
    EXPECT_LT(text.find("Logger"), heading) << text;  // the one change comes first
    EXPECT_NE(text.find(" -> 768 (no command of this program writes it", heading),
              std::string::npos)
        << text;
    EXPECT_NE(text.find(" -> 16 (no command of this program writes it", heading), std::string::npos)
        << text;
    EXPECT_NE(text.find("1 settings change."), std::string::npos) << text;
    EXPECT_NE(text.find("2 settings in the file are not written by this command."),
              std::string::npos)
        << text;

    const CtlResult json =
        run({"--port", sim.served(), "--json", "write", "edited.seq", "--dry-run"});
    EXPECT_EXIT_CODE(json, 0);
    const QJsonObject object = QJsonDocument::fromJson(json.out.toUtf8()).object();
    EXPECT_EQ(object.value("changes").toArray().size(), 1) << json.out.toStdString();
    const QJsonArray notWritten = object.value("not_written").toArray();
    ASSERT_EQ(notWritten.size(), 2) << json.out.toStdString();
    EXPECT_EQ(notWritten[0].toObject().value("code").toString() +
                  notWritten[1].toObject().value("code").toString(),
              "CPHF");

    const CtlResult write = run({"--port", sim.served(), "write", "edited.seq"});
    EXPECT_EXIT_CODE(write, 0);
    EXPECT_TRUE(
        write.out.contains("Settings written.\n2 settings in the file are not written by "
                           "this command."))
        << write.out.toStdString();
    // The instrument holds the one change and its own minimum flow and offset.
    ASSERT_EQ(run({"--port", sim.served(), "read", "--seq", "after.seq"}).exitCode, 0);
    EXPECT_EQ(readFile(path("after.seq")),
              withLine(before, "XW", overwriteOn ? "XW,W,0," : "XW,W,1,"));
}

// An instrument that answers the probe and the identity reads and then nothing: the read that
// stopped is named with the reason. Control characters in arguments are echoed escaped.
TEST_F(WriteVerifyE2E, ErrorsNameTheReadThatStoppedAndEscapeControlCharacters) {
    TestInstrument instrument(TestInstrument::Behaviour::Answers);
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    QObject::connect(&server, &QTcpServer::newConnection, [&] {
        QTcpSocket* client = server.nextPendingConnection();
        QObject::connect(client, &QTcpSocket::readyRead, [&instrument, client] {
            const std::string reply = instrument.feed(client->readAll().toStdString());
            client->write(reply.data(), static_cast<qint64>(reply.size()));
        });
    });
    const QString address = QStringLiteral("127.0.0.1:%1").arg(server.serverPort());
    const CtlResult read = run({"--socket", address, "--retry", "1", "--timeout", "1", "read"});
    EXPECT_EXIT_CODE(read, 1);
    EXPECT_TRUE(
        read.err.contains("reading the settings failed at \"HC,R,\": no answer after 2 "
                          "tries"))
        << read.err.toStdString();

    for (const QStringList& args :
         {QStringList{"--simulator", "write", "bad\x1b[31m.seq"},
          QStringList{"--simulator", "set-id", "--station", "A\x1b]0;X\x07"},
          QStringList{"--simulator", "read", "--bogus\x1b[2J"}}) {
        const CtlResult r = run(args);
        EXPECT_EXIT_CODE(r, 2);
        EXPECT_FALSE(r.err.contains(QChar(0x1B))) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("\\x1B")) << r.err.toStdString();
    }
}

}  // namespace
}  // namespace vq::test
