// Texts an instrument holds (serial, second serial, station, user, gas names) with bytes above 127
// and control bytes, served by vq5100-sim from its state file over a real pseudo-terminal, and
// command-line arguments holding control characters: whatever vq5100ctl prints, on stdout or
// stderr, probe, set-id or an error that echoes an argument, carries no raw byte above 127 and no
// control character but the line feed; the texts appear as "\xHH".
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "e2e/ctl_runner.h"
#include "e2e/sim_process.h"

namespace vq::test {
namespace {

// The first character a terminal would take raw (not printable ASCII, not a line feed), or -1.
qsizetype firstRawByte(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c != u'\n' && (c < 32 || c >= 127)) return i;
    }
    return -1;
}

TEST(InstrumentTextsE2E, NoRawByteAbove127OrControlByteReachesTheTerminal) {
    QTemporaryDir workDir;
    {
        QFile file(workDir.filePath("sim.state"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(
            "serial_no = \"SN\\xC3\\xA9\\x1B[2J1\"\n"
            "dummy_serial = \"D\\xFF\\x07\"\n"
            "station_id = \"ST\\xE6\\x9D\\xB1\"\n"
            "user_id = \"U\\x80\\x1B]0;X\"\n"
            "gas.3.name = \"CO\\xC3\\xA9\"\n"
            "gas.2.name = \"H2S\\xC2\\xB5\"\n");
    }
    SimProcess sim(QStringList{"--pty", "--state", workDir.filePath("sim.state")});
    ASSERT_TRUE(sim.served().startsWith("/dev/")) << sim.served().toStdString();
    const QString port = sim.served();

    struct Case {
        const char* what;
        QStringList args;
        int exitCode;
        const char* shown;  // must appear on stdout or stderr
    };
    const Case cases[] = {
        {"probe", {"--port", port, "probe"}, 0, "Serial number: SN\\xC3\\xA9[2J1"},
        {"probe, the other texts", {"--port", port, "probe"}, 0, "User ID: U\\x80]0;X"},
        {"probe, station", {"--port", port, "probe"}, 0, "Station ID: ST\\xE6\\x9D\\xB1"},
        {"probe, second serial", {"--port", port, "probe"}, 0, "Second serial number: D\\xFF"},
        // The texts held go back as they are (nobody changed them): the review shows them
        // escaped, and the write is made.
        {"set-id reviews the held texts",
         {"--port", port, "set-id", "--user", "TECH 1"},
         0,
         "User ID: U\\x80]0;X -> TECH 1"},
        {"set-id refuses a serial with control and non-ASCII bytes",
         {"--port", port, "set-id", "--serial", QString::fromUtf8("AB\x1B[31m\xC3\xA9")},
         2,
         "--serial \"AB\\x1B[31m\\xC3\\xA9\""},
        {"a port name with control characters",
         {"--port", QString::fromUtf8("/dev/no-such\x1B[2J\x07"), "probe"},
         3,
         "/dev/no-such\\x1B[2J\\x07"},
        {"a file name with control characters",
         {"--port", port, "write", QString::fromUtf8("no\x1B[Hfile\x08.seq")},
         2,
         "no\\x1B[Hfile\\x08.seq"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const CtlResult result = runCtl(c.args, workDir.path());
        EXPECT_EXIT_CODE(result, c.exitCode);
        EXPECT_TRUE(result.out.contains(c.shown) || result.err.contains(c.shown))
            << c.shown << "\nout: " << result.out.toStdString()
            << "\nerr: " << result.err.toStdString();
        EXPECT_EQ(firstRawByte(result.out), -1) << result.out.toStdString();
        EXPECT_EQ(firstRawByte(result.err), -1) << result.err.toStdString();
    }
}

}  // namespace
}  // namespace vq::test
