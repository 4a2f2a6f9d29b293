// Every vq5100ctl command against the virtual instrument: vq5100-sim on a real pseudo-terminal
// and over TCP, and the one built into vq5100ctl; exit codes for refused input, a silent line
// and a failed operation.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <charconv>
#include <csignal>
#include <memory>
#include <string>

#include "e2e/ctl_runner.h"
#include "e2e/sim_process.h"
#include "e2e/test_instrument.h"

namespace vq::test {
namespace {

QJsonObject jsonOf(const CtlResult& r) {
    return QJsonDocument::fromJson(r.out.toUtf8()).object();
}

// The value of one settings column in `read --json` output, by its label.
QString settingValue(const QJsonObject& json, const QString& label) {
    for (const auto& column : json.value("settings").toArray()) {
        if (column.toObject().value("label").toString() == label)
            return column.toObject().value("value").toString();
    }
    return QStringLiteral("<missing>");
}

class CtlCommandsE2E : public ::testing::Test {
  protected:
    CtlResult run(const QStringList& args, int limitMs = 60000) {
        return runCtl(args, workDir.path(), limitMs);
    }
    QString path(const QString& name) const { return workDir.filePath(name); }
    QTemporaryDir workDir;
};

TEST_F(CtlCommandsE2E, ReadOverThePseudoTerminalPrintsTheSettingsAndStoresFileAndRecord) {
    SimProcess sim({"--pty"});
    ASSERT_TRUE(sim.served().startsWith("/dev/")) << sim.served().toStdString();

    const CtlResult human = run({"--port", sim.served(), "read"});
    EXPECT_EXIT_CODE(human, 0);
    EXPECT_TRUE(human.out.contains("ROM number: 5100\n")) << human.out.toStdString();
    EXPECT_TRUE(human.out.contains("Serial number: ")) << human.out.toStdString();
    // The heading and one line per channel.
    EXPECT_TRUE(human.out.contains("\n1   ")) << human.out.toStdString();
    EXPECT_TRUE(human.out.contains("\n5   ")) << human.out.toStdString();

    const CtlResult json =
        run({"--port", sim.served(), "--json", "read", "--seq", "stored.seq", "--csv"});
    EXPECT_EXIT_CODE(json, 0);
    const QJsonObject object = jsonOf(json);
    EXPECT_TRUE(object.value("ok").toBool());
    EXPECT_EQ(object.value("settings").toArray().size(), 335);
    EXPECT_EQ(object.value("channels").toArray().size(), 5);
    // Singles are the numbers the instrument holds, not their binary neighbours in a double
    // (0.1, never 0.10000000149011612).
    const QJsonObject oxygen = object.value("channels").toArray()[1].toObject();
    EXPECT_EQ(oxygen.value("resolution").toDouble(), 0.1) << json.out.toStdString();
    EXPECT_EQ(oxygen.value("warning").toDouble(), 19.5);
    EXPECT_FALSE(json.out.contains("0000001")) << json.out.toStdString();
    EXPECT_EQ(object.value("serialNumber").toString(), settingValue(object, "Serial No."));
    EXPECT_EQ(settingValue(object, "Action"), "Read");

    const QByteArray seq = readFile(path("stored.seq"));
    EXPECT_EQ(seq.count("\r\n"), 28) << seq.toStdString();
    const QStringList csv = QDir(workDir.path()).entryList({"VQ5100_Setting*.csv"});
    ASSERT_EQ(csv.size(), 1);
    const QByteArray record = readFile(path(csv.front()));
    EXPECT_EQ(record.count("\r\n"), 2) << "header and one row";
}

TEST_F(CtlCommandsE2E, ZeroAndFlashDumpOverTcpMatchThePseudoTerminal) {
    SimProcess tcpSim({"--tcp", "127.0.0.1:0"});
    ASSERT_FALSE(tcpSim.served().isEmpty());
    const QString address = tcpSim.served().section(' ', -1);

    const CtlResult zero = run({"--socket", address, "--json", "zero"});
    EXPECT_EXIT_CODE(zero, 0);
    const QJsonArray channels = jsonOf(zero).value("channels").toArray();
    ASSERT_FALSE(channels.isEmpty()) << zero.out.toStdString();
    for (const auto& channel : channels)
        EXPECT_TRUE(channel.toObject().value("passed").toBool()) << zero.out.toStdString();

    const CtlResult overTcp =
        run({"--socket", address, "dump-flash", "tcp.dat", "--first", "2", "--last", "5"});
    EXPECT_EXIT_CODE(overTcp, 0);
    SimProcess ptySim({"--pty"});
    const CtlResult overPty =
        run({"--port", ptySim.served(), "dump-flash", "pty.dat", "--first", "2", "--last", "5"});
    EXPECT_EXIT_CODE(overPty, 0);

    const QByteArray tcpImage = readFile(path("tcp.dat"));
    const QByteArray ptyImage = readFile(path("pty.dat"));
    ASSERT_EQ(tcpImage.size(), 524288);
    EXPECT_EQ(tcpImage, ptyImage);
    // Outside the asked blocks the new image keeps its erased fill.
    EXPECT_EQ(tcpImage.left(1024), QByteArray(1024, '\xFF'));
    EXPECT_EQ(tcpImage.mid(6 * 512), QByteArray(524288 - 6 * 512, '\xFF'));
}

TEST_F(CtlCommandsE2E, WrittenSettingsFileIsWhatAFreshReadReturns) {
    SimProcess sim({"--pty"});
    ASSERT_TRUE(sim.served().startsWith("/dev/"));
    EXPECT_EXIT_CODE(run({"--port", sim.served(), "read", "--seq", "before.seq"}), 0);
    QByteArray edited = readFile(path("before.seq"));
    ASSERT_FALSE(edited.isEmpty());
    // Two settings changed: the confirmation beep and the log overwrite turned over.
    const auto replaceLine = [](QByteArray& text, const QByteArray& code, const QByteArray& line) {
        const int at = text.indexOf("\r\n" + code + ",W,");
        ASSERT_GT(at, 0) << code.toStdString();
        const int end = text.indexOf("\r\n", at + 2);
        text.replace(at + 2, end - at - 2, line);
    };
    const bool overwriteOn = edited.contains("\r\nXW,W,1,");
    const bool beepOn = edited.contains("\r\nXB,W,1,");
    replaceLine(edited, "XB", beepOn ? "XB,W,0," : "XB,W,1,");
    replaceLine(edited, "XW", overwriteOn ? "XW,W,0," : "XW,W,1,");
    ASSERT_NE(edited, readFile(path("before.seq")));
    {
        QFile file(path("edited.seq"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(edited);
    }
    // Reviewed first: exactly the two changes, and a dry run leaves the instrument as it was.
    const CtlResult diff = run({"--port", sim.served(), "--json", "diff", "edited.seq"});
    EXPECT_EXIT_CODE(diff, 0);
    const QJsonArray changes = jsonOf(diff).value("changes").toArray();
    ASSERT_EQ(changes.size(), 2) << diff.out.toStdString();
    EXPECT_EQ(changes[0].toObject().value("code").toString(), "XB");
    EXPECT_EQ(changes[0].toObject().value("write").toString(), beepOn ? "OFF" : "ON");
    EXPECT_EQ(changes[1].toObject().value("code").toString(), "XW");
    EXPECT_EQ(changes[1].toObject().value("instrument").toString(), overwriteOn ? "ON" : "OFF");
    EXPECT_GT(jsonOf(diff).value("unchanged_written").toInt(), 30);
    const CtlResult dry = run({"--port", sim.served(), "write", "edited.seq", "--dry-run"});
    EXPECT_EXIT_CODE(dry, 0);
    EXPECT_TRUE(dry.out.contains("2 settings change.")) << dry.out.toStdString();
    EXPECT_EXIT_CODE(run({"--port", sim.served(), "read", "--seq", "dry.seq"}), 0);
    EXPECT_EQ(readFile(path("dry.seq")), readFile(path("before.seq")));

    const CtlResult write = run({"--port", sim.served(), "write", "edited.seq"});
    EXPECT_EXIT_CODE(write, 0);
    EXPECT_TRUE(write.out.contains("Settings written.")) << write.out.toStdString();

    EXPECT_EXIT_CODE(run({"--port", sim.served(), "read", "--seq", "after.seq"}), 0);
    EXPECT_EQ(readFile(path("after.seq")), edited);
    // The write left its record row.
    const QStringList csv = QDir(workDir.path()).entryList({"VQ5100_Setting*.csv"});
    ASSERT_EQ(csv.size(), 1);
    EXPECT_TRUE(readFile(path(csv.front())).contains("\r\nWrite,"));

    // A file whose CH1 warning lies above its alarm is refused as "Update" refuses it, and
    // nothing of it reaches the instrument.
    QByteArray refused = edited;
    replaceLine(refused, "A1", "A1,W,   60, 19.5,  5.0,   25,   50,");
    replaceLine(refused, "XB", beepOn ? "XB,W,1," : "XB,W,0,");
    {
        QFile file(path("refused.seq"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(refused);
    }
    const CtlResult refusal = run({"--port", sim.served(), "write", "refused.seq"});
    EXPECT_EXIT_CODE(refusal, 2);
    EXPECT_TRUE(
        refusal.err.contains("refused.seq, line 18: A1: warning 60 of channel 1 is not at "
                             "or below its alarm"))
        << refusal.err.toStdString();
    EXPECT_EXIT_CODE(run({"--port", sim.served(), "read", "--seq", "unchanged.seq"}), 0);
    EXPECT_EQ(readFile(path("unchanged.seq")), edited);
}

TEST_F(CtlCommandsE2E, SetIdChangesOnlyTheIdentityAndRefusesBadTextsBeforeConnecting) {
    SimProcess sim({"--tcp", "127.0.0.1:0"});
    const QString address = sim.served().section(' ', -1);
    EXPECT_EXIT_CODE(run({"--socket", address, "read", "--seq", "before.seq"}), 0);

    const CtlResult set =
        run({"--socket", address, "set-id", "--station", "bench-7", "--user", "QA 2"});
    EXPECT_EXIT_CODE(set, 0);
    // The two changes are listed before they are written, and only they.
    EXPECT_TRUE(set.out.contains("Identity\n  Station ID: ")) << set.out.toStdString();
    EXPECT_TRUE(set.out.contains(" -> BENCH-7\n  User ID: ")) << set.out.toStdString();
    EXPECT_TRUE(set.out.contains(" -> QA 2\n2 settings change.\n")) << set.out.toStdString();
    const CtlResult read = run({"--socket", address, "--json", "read", "--seq", "after.seq"});
    EXPECT_EXIT_CODE(read, 0);
    EXPECT_EQ(jsonOf(read).value("stationId").toString(), "BENCH-7");
    EXPECT_EQ(jsonOf(read).value("userId").toString(), "QA 2");
    EXPECT_EQ(readFile(path("after.seq")), readFile(path("before.seq")));

    // Too long, a character the boxes refuse, nothing to change: usage errors, no traffic.
    const qint64 logSize = QFileInfo(path("SerialLog.log")).size();
    for (const QStringList& bad :
         {QStringList{"set-id", "--station", "ABCDEFGHIJKLMNOPQ"},
          QStringList{"set-id", "--serial", "SN/1"}, QStringList{"set-id"}}) {
        const CtlResult refused = run(QStringList{"--socket", address} + bad);
        EXPECT_EXIT_CODE(refused, 2);
        EXPECT_FALSE(refused.err.isEmpty());
    }
    EXPECT_EQ(QFileInfo(path("SerialLog.log")).size(), logSize);
}

// A station text put on the instrument by other means, outside what the windows allow: nobody
// edits it, so set-id sends it back as it is and the user id changes.
TEST_F(CtlCommandsE2E, SetIdSendsBackATextTheInstrumentHoldsWithoutJudgingIt) {
    {
        QFile state(path("odd.state"));
        ASSERT_TRUE(state.open(QIODevice::WriteOnly));
        state.write("station.128 = \"DOCK \\\"C\\\"\"\n");
    }
    SimProcess sim({"--pty", "--state", path("odd.state")});
    ASSERT_TRUE(sim.served().startsWith("/dev/")) << sim.served().toStdString();
    const CtlResult set = run({"--port", sim.served(), "set-id", "--user", "X"});
    EXPECT_EXIT_CODE(set, 0);
    EXPECT_TRUE(set.out.contains("Settings written.")) << set.err.toStdString();
    const CtlResult read = run({"--port", sim.served(), "--json", "read"});
    EXPECT_EXIT_CODE(read, 0);
    EXPECT_EQ(jsonOf(read).value("userId").toString(), "X");
}

// Files the instrument's read shows to break a rule are refused by `diff`, `--dry-run` and
// `write` alike, naming the line and the rule, and nothing reaches the instrument.
TEST_F(CtlCommandsE2E, DiffAndDryRunRefuseEveryFileWriteWouldRefuse) {
    SimProcess sim({"--pty"});
    ASSERT_TRUE(sim.served().startsWith("/dev/")) << sim.served().toStdString();
    EXPECT_EXIT_CODE(run({"--port", sim.served(), "read", "--seq", "before.seq"}), 0);
    const QByteArray before = readFile(path("before.seq"));
    QByteArray library;
    for (const QByteArray& line : before.split('\n'))
        if (line.startsWith("LS,W,")) library = line.trimmed();
    ASSERT_FALSE(library.isEmpty());
    // The first entry's ratio (the sixth field after its "C9") made -5.
    QList<QByteArray> fields = library.split(',');
    ASSERT_GT(fields.size(), 8);
    fields[8] = "C0A00000";
    const std::pair<QByteArray, QString> files[] = {
        {"LP,W,1,\r\nA2,W,  150, 18.0, 10.0,   50,   80,\r\n",
         "line 2: A2: alarm 150 of channel 1 is above 60"},
        {"SA,W,  500,*****,*****,*****,*****,\r\n",
         "line 1: SA: auto-calibration value 500 of channel 1 is above the full scale"},
        {fields.join(',') + "\r\n", "line 1: LS: entry 0: ratio -5 is not above 0"},
    };
    for (const auto& [text, reason] : files) {
        QFile file(path("refused.seq"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        file.close();
        for (const QStringList& command :
             {QStringList{"diff", "refused.seq"}, QStringList{"write", "refused.seq", "--dry-run"},
              QStringList{"write", "refused.seq"}}) {
            const CtlResult r = run(QStringList{"--port", sim.served()} + command);
            EXPECT_EXIT_CODE(r, 2);
            EXPECT_TRUE(r.err.contains(reason))
                << command.join(' ').toStdString() << ": " << r.err.toStdString();
            EXPECT_FALSE(r.out.contains("Settings written.")) << r.out.toStdString();
        }
    }
    EXPECT_EXIT_CODE(run({"--port", sim.served(), "read", "--seq", "after.seq"}), 0);
    EXPECT_EQ(readFile(path("after.seq")), before);
}

// The virtual instrument below confirms at its first poll and switches off at once, so these
// runs shorten vq5100ctl's confirmation and power-off waits instead of sitting through them.
class CtlOperationsE2E : public CtlCommandsE2E {
  protected:
    static constexpr int kShortPauseMs = 20;

    void SetUp() override {
        {
            // Confirmed at the first poll; channel 3's span fails.
            QFile state(path("sim.state"));
            ASSERT_TRUE(state.open(QIODevice::WriteOnly));
            state.write("confirm_seconds = 0\ngas.2.span_fails = 1\n");
        }
        sim = std::make_unique<SimProcess>(QStringList{"--pty", "--state", path("sim.state")});
        ASSERT_TRUE(sim->served().startsWith("/dev/")) << sim->served().toStdString();
    }
    CtlResult runOn(const QStringList& args) {
        return runCtl(QStringList{"--port", sim->served(), "--json"} + args, workDir.path(), 60000,
                      kShortPauseMs);
    }
    std::unique_ptr<SimProcess> sim;
};

TEST_F(CtlOperationsE2E, SetClockIsReadBack) {
    const CtlResult clock = runOn({"set-clock", "--time", "2026/03/04 05:06:07"});
    EXPECT_EXIT_CODE(clock, 0);
    EXPECT_EQ(jsonOf(clock).value("clock").toString(), "2026/03/04 05:06:07");
    const CtlResult read = runOn({"read"});
    EXPECT_TRUE(jsonOf(read).value("instrumentClock").toString().startsWith("2026/03/04 05:0"))
        << read.out.toStdString();
    // Before it writes, set-clock says what it replaces and with what.
    const CtlResult again = runOn({"set-clock", "--time", "2027/01/02 03:04:05"});
    EXPECT_EXIT_CODE(again, 0);
    EXPECT_TRUE(jsonOf(again).value("clockBefore").toString().startsWith("2026/03/04 05:0"))
        << again.out.toStdString();
    EXPECT_EQ(jsonOf(again).value("clockToWrite").toString(), "2027/01/02 03:04:05");
}

TEST_F(CtlOperationsE2E, CheckDataAndConfirmedClearsAndDefaultsSucceed) {
    for (const char* command : {"check-data", "clear-logger", "clear-power", "defaults"}) {
        const CtlResult r = runOn({command});
        EXPECT_EXIT_CODE(r, 0);
        EXPECT_TRUE(jsonOf(r).value("ok").toBool()) << command;
    }
}

TEST_F(CtlOperationsE2E, ReadingsArePrintedAsTheDigitsOfTheirSingle) {
    const CtlResult readings = runOn({"readings", "--count", "2"});
    EXPECT_EXIT_CODE(readings, 0);
    const QJsonArray values = jsonOf(readings).value("readings").toArray();
    ASSERT_EQ(values.size(), 2) << readings.out.toStdString();
    EXPECT_EQ(values[0].toObject().value("values").toArray().size(), 5);
    // 20.9, not 20.899999618530273.
    for (const auto& reading : values) {
        for (const auto& value : reading.toObject().value("values").toArray()) {
            char digits[32];
            const auto end =
                std::to_chars(digits, digits + sizeof digits, static_cast<float>(value.toDouble()));
            EXPECT_EQ(value.toDouble(), std::stod(std::string(digits, end.ptr)))
                << readings.out.toStdString();
        }
    }
}

TEST_F(CtlOperationsE2E, SpanThatDoesNotPassFailsTheRunNamingTheChannel) {
    const CtlResult passed = runOn({"span", "1,2"});
    EXPECT_EXIT_CODE(passed, 0);
    EXPECT_EQ(jsonOf(passed).value("channels").toArray().size(), 2) << passed.out.toStdString();
    const CtlResult failed = runOn({"span", "1,3"});
    EXPECT_EXIT_CODE(failed, 1);
    const QJsonArray channels = jsonOf(failed).value("channels").toArray();
    ASSERT_EQ(channels.size(), 2) << failed.out.toStdString();
    EXPECT_TRUE(channels[0].toObject().value("passed").toBool());
    EXPECT_FALSE(channels[1].toObject().value("passed").toBool());
}

TEST_F(CtlOperationsE2E, AfterPowerOffNothingAnswersUntilTheSwitch) {
    const CtlResult fram = runOn({"dump-fram", "fram.txt"});
    EXPECT_EXIT_CODE(fram, 0);
    EXPECT_GT(readFile(path("fram.txt")).count("\r\n"), 512);
    const CtlResult off = runOn({"power-off"});
    EXPECT_EXIT_CODE(off, 0);
    EXPECT_TRUE(jsonOf(off).value("ok").toBool()) << off.out.toStdString();
    // Every run opens the port again and probes: a switched-off instrument answers none of them,
    // whatever the command would have asked.
    for (const QStringList& command :
         {QStringList{"probe"}, QStringList{"read"}, QStringList{"set-clock"},
          QStringList{"dump-fram", "again.txt"}, QStringList{"power-off"}}) {
        const CtlResult r = runOn(QStringList{"--retry", "1", "--timeout", "1"} + command);
        EXPECT_EXIT_CODE(r, 3);
    }
    EXPECT_FALSE(QFile::exists(path("again.txt")));
    // The power switch: it answers again.
    ASSERT_EQ(::kill(static_cast<pid_t>(sim->pid()), SIGUSR1), 0);
    EXPECT_EXIT_CODE(runOn({"probe"}), 0);
}

TEST_F(CtlCommandsE2E, PowerOnAfterSwitchesTheSimulatorOnByItself) {
    SimProcess sim({"--pty", "--power-on-after", "6"});
    ASSERT_TRUE(sim.served().startsWith("/dev/")) << sim.served().toStdString();
    const QStringList port{"--port", sim.served()};
    const QStringList quick = port + QStringList{"--retry", "1", "--timeout", "1"};
    const CtlResult off =
        runCtl(port + QStringList{"--json", "power-off"}, workDir.path(), 60000, 20);
    EXPECT_TRUE(jsonOf(off).value("ok").toBool()) << off.out.toStdString();
    // Off at first; six seconds after the power-off it switches itself on and a probe is
    // answered.
    EXPECT_EXIT_CODE(run(quick + QStringList{"probe"}), 3);
    QElapsedTimer waited;
    waited.start();
    int exitCode = -1;
    while (exitCode != 0 && waited.elapsed() < 30000)
        exitCode = run(quick + QStringList{"probe"}).exitCode;
    EXPECT_EQ(exitCode, 0);
}

TEST_F(CtlCommandsE2E, UsageAndFileErrorsExitTwoWithoutTouchingTheInstrument) {
    QFile bad(path("bad.seq"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("LP,W,notanumber,\r\n");
    bad.close();
    for (const QStringList& args :
         {QStringList{"write", "bad.seq"}, QStringList{"write", "missing.seq"},
          QStringList{"write"}, QStringList{"span", "0"}, QStringList{"span", "1,1"},
          QStringList{"span", "1,2", "--conc", "50"},
          QStringList{"set-clock", "--time", "2026/13/01 00:00:00"},
          QStringList{"readings", "--count", "0"},
          QStringList{"dump-flash", "--first", "9", "--last", "3"},
          QStringList{"dump-flash", "--last", "1024"}, QStringList{"read", "--bogus"},
          QStringList{"dump-fram", "a", "b"}}) {
        const CtlResult r = run(QStringList{"--simulator"} + args);
        EXPECT_EXIT_CODE(r, 2);
        EXPECT_FALSE(r.err.isEmpty()) << args.join(' ').toStdString();
    }
    // Settings files the windows would never let through are refused whole, naming the line,
    // before the instrument is asked anything: values out of range, a level that is not a
    // number, a frame character inside a text.
    const std::pair<QByteArray, QString> files[] = {
        {"LP,W,1,\r\nBU,W,9,9,9,9,\r\n", "line 2: BU: bump test time 9"},
        {"A1,W, 10, 19.5, 5.0, 25, NaN,\r\n", "line 1: A1: field 5 \"NaN\" is not a number"},
        {"UJ,W,\x02"
         "1\x04,\r\n",
         "line 1: UJ: destination"},
        {"SD,W,5,\r\n", "line 1: SD: calibration limit display 5"},
        {"XT,W,FFFF,\r\n", "line 1: XT: LCD backlight time -1"},
        // The shapes that would cut, skip or ignore part of a file, and texts too long for the
        // instrument's fields.
        {"XT,W,001,\r\n", "line 1: XT: field 1 \"001\" is not four hexadecimal digits"},
        {"LP,W,1,\r\nBS,W,TYPE\r42,\r\n", "line 2: a line break (CR) inside the line"},
        {"\xEF\xBB\xBF\xEF\xBB\xBFLP,W,1,\r\n", "line 1: a byte-order mark inside the file"},
        {"LP,W,1,0,\r\n", "line 1: LP: 2 fields where the line has 1"},
        {"LP,W,1,\r\nLP,W,2,\r\n", "line 2: LP: given again (first on line 1)"},
        {"BS,W,H2S\xC3\xA9,\r\n", "line 1: BS: type number: the byte \\xC3 is not printable"},
        {"GJ,W,METHANE-XYZ  100    1%LEL,*************************,*************************,"
         "*************************,METHANE-XYZ  100    1%LEL,\r\n",
         "line 1: GJ: field 1: the gas name \"METHANE-XYZ\" is longer than 10 characters"},
    };
    for (const auto& [text, reason] : files) {
        QFile file(path("refused.seq"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        file.close();
        const CtlResult r = run({"--simulator", "write", "refused.seq"});
        EXPECT_EXIT_CODE(r, 2);
        EXPECT_TRUE(r.err.contains(reason)) << r.err.toStdString();
        EXPECT_FALSE(r.err.contains(QChar(2))) << "the control character is not echoed raw";
    }
    EXPECT_FALSE(QFile::exists(path("SerialLog.log"))) << "no run reached the instrument";
}

// A concentration the channel does not take is refused after the read that bounds it, naming the
// range the channel does take.
TEST_F(CtlCommandsE2E, ARefusedConcentrationNamesTheAllowedRange) {
    const CtlResult conc = run({"--simulator", "span", "3", "--conc", "99"});
    EXPECT_EXIT_CODE(conc, 2);
    EXPECT_TRUE(conc.err.contains("not allowed on CH3: Out of range: 5.0 to 30.0."))
        << conc.err.toStdString();
}

// An instrument over TCP that answers the probe, and otherwise as `behaviour` says (by default
// nothing else).
class ProbeOnlyInstrument {
  public:
    explicit ProbeOnlyInstrument(
        TestInstrument::Behaviour behaviour = TestInstrument::Behaviour::NoIdentity)
        : instrument(behaviour) {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            QTcpSocket* client = server_.nextPendingConnection();
            QObject::connect(client, &QTcpSocket::readyRead, [this, client] {
                const std::string reply = instrument.feed(client->readAll().toStdString());
                client->write(reply.data(), static_cast<qint64>(reply.size()));
            });
        });
    }
    QString address() const { return QStringLiteral("127.0.0.1:%1").arg(server_.serverPort()); }
    TestInstrument instrument;

  private:
    QTcpServer server_;
};

TEST_F(CtlCommandsE2E, AFailedOperationExitsOneAndNoInstrumentExitsThree) {
    ProbeOnlyInstrument far;
    for (const char* command : {"read", "zero", "check-data", "set-clock"}) {
        const CtlResult r =
            run({"--socket", far.address(), "--retry", "1", "--timeout", "1", "--json", command});
        EXPECT_EXIT_CODE(r, 1);
        EXPECT_FALSE(jsonOf(r).value("ok").toBool()) << command;
        EXPECT_FALSE(jsonOf(r).value("error").toString().isEmpty()) << command;
    }
    const CtlResult none =
        run({"--socket", "127.0.0.1:1", "--retry", "0", "--timeout", "1", "read"});
    EXPECT_EXIT_CODE(none, 3);
}

// A dump that fails leaves the file it was to replace as it was, and nothing beside it.
TEST_F(CtlCommandsE2E, AFailedDumpLeavesTheEarlierFileAsItWas) {
    ProbeOnlyInstrument far;
    for (const QStringList& dump : {QStringList{"dump-flash", "image.dat", "--last", "3"},
                                    QStringList{"dump-fram", "image.dat"}}) {
        QFile earlier(path("image.dat"));
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("an earlier image");
        earlier.close();
        const CtlResult r =
            run(QStringList{"--socket", far.address(), "--retry", "1", "--timeout", "1"} + dump);
        EXPECT_EXIT_CODE(r, 1);
        EXPECT_TRUE(r.err.contains("is left as it was")) << r.err.toStdString();
        EXPECT_EQ(readFile(path("image.dat")), "an earlier image") << dump.join(' ').toStdString();
        EXPECT_EQ(QDir(workDir.path()).entryList({"*image*"}, QDir::Files | QDir::Hidden),
                  QStringList{"image.dat"})
            << dump.join(' ').toStdString();
    }
}

// An instrument that answers with valid blocks for ever held read and write for ever, the
// communication log growing by a megabyte a second. The answer now fails at its block limit.
TEST_F(CtlCommandsE2E, AnAnswerOfEndlessBlocksFailsReadAndWriteWithExitOne) {
    ASSERT_EQ(run({"--simulator", "read", "--seq", "settings.seq"}).exitCode, 0);
    QFile::remove(path("SerialLog.log"));
    ProbeOnlyInstrument far(TestInstrument::Behaviour::EndlessBlocks);
    for (const QStringList& command : {QStringList{"read"}, QStringList{"write", "settings.seq"}}) {
        const CtlResult r = run(QStringList{"--socket", far.address(), "--json"} + command);
        EXPECT_EXIT_CODE(r, 1);
        EXPECT_FALSE(jsonOf(r).value("ok").toBool()) << command.join(' ').toStdString();
    }
    // Each run has its own log (the older one kept as generation 1).
    const QByteArray log = readFile(path("SerialLog1.log")) + readFile(path("SerialLog.log"));
    EXPECT_EQ(log.count("<<< Block answer stopped after 4096 blocks"), 2);
    // Each run logged its blocks once and stopped: a few megabytes, not a stream.
    EXPECT_LT(log.size(), 8 * 1024 * 1024);
}

}  // namespace
}  // namespace vq::test
