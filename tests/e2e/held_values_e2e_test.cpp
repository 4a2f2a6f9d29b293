// An instrument that holds what no window would let through: texts with bytes above 127 and values
// outside their setting's range, served by vq5100-sim from its state file over a real
// pseudo-terminal. vq5100ctl reads it, shows every value as held (texts escaped), names each value
// out of range on stderr and in the communication log, stores it in the settings file and the
// settings CSV as held, and refuses that file, naming its line, when it is loaded for writing.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "e2e/ctl_runner.h"
#include "e2e/sim_process.h"

namespace vq::test {
namespace {

class HeldValuesE2E : public ::testing::Test {
  protected:
    void startSim(const QByteArray& state) {
        {
            QFile file(path("sim.state"));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(state);
        }
        sim = std::make_unique<SimProcess>(QStringList{"--pty", "--state", path("sim.state")});
        ASSERT_TRUE(sim->served().startsWith("/dev/")) << sim->served().toStdString();
    }
    CtlResult run(const QStringList& args) {
        return runCtl(QStringList{"--port", sim->served()} + args, workDir.path());
    }
    QString path(const QString& name) const { return workDir.filePath(name); }
    // Column `n` (from 1) of `read --json`'s settings.
    static QString column(const CtlResult& r, int n) {
        const QJsonArray settings =
            QJsonDocument::fromJson(r.out.toUtf8()).object().value("settings").toArray();
        return settings.at(n - 1).toObject().value("value").toString();
    }

    QTemporaryDir workDir;
    std::unique_ptr<SimProcess> sim;
};

TEST_F(HeldValuesE2E, ATextWithBytesAbove127IsReadShownEscapedAndWrittenBackUnchanged) {
    startSim("gas.2.name = \"H2S\\xC3\\xA9\"\n");
    const CtlResult human = run({"read", "--seq", "held.seq", "--csv"});
    EXPECT_EXIT_CODE(human, 0);
    EXPECT_TRUE(human.out.contains("\n3   H2S\\xC3\\xA9 ")) << human.out.toStdString();
    EXPECT_FALSE(human.err.contains("out of range")) << human.err.toStdString();
    const QByteArray seq = readFile(path("held.seq"));
    EXPECT_TRUE(seq.contains(",H2S\\xC3\\xA9 ")) << seq.toStdString();
    const QByteArray csv = readFile(path("VQ5100_Setting.csv"));
    EXPECT_TRUE(csv.contains(",H2S\\xC3\\xA9,")) << csv.toStdString();

    const CtlResult json = run({"--json", "read"});
    EXPECT_EXIT_CODE(json, 0);
    const QJsonArray channels =
        QJsonDocument::fromJson(json.out.toUtf8()).object().value("channels").toArray();
    EXPECT_EQ(channels.at(2).toObject().value("gas").toString(), "H2S\\xC3\\xA9");

    // As a file to load, the name is a file value like any other and refused before anything is
    // sent; what the instrument holds and nobody changed goes back as it is with another write
    // (set-id sends the gas records too), and a read after it still works and gives the same file.
    const CtlResult write = run({"write", "held.seq"});
    EXPECT_EXIT_CODE(write, 2);
    EXPECT_TRUE(write.err.contains("line 2: GJ: channel 3: the byte \\xC3 is not printable ASCII"))
        << write.err.toStdString();
    const CtlResult setId = run({"set-id", "--user", "TECH 7"});
    EXPECT_EXIT_CODE(setId, 0);
    const CtlResult again = run({"read", "--seq", "again.seq"});
    EXPECT_EXIT_CODE(again, 0);
    EXPECT_TRUE(readFile(path("again.seq")).contains(",H2S\\xC3\\xA9 "));
}

TEST_F(HeldValuesE2E, ValuesOutOfRangeAreReadAsHeldNamedStoredAndRefusedWhenLoaded) {
    startSim(
        "settings.bump_time = 9\nsettings.bump_threshold = 9\nsettings.bump_fail_cal_time = 9\n"
        "settings.bump_fail_after = 9\nsettings.lcd_backlight = 65535\nsettings.cal_limit = 0\n"
        "settings.hc_mode = 9\ngas.0.full_scale = -100\n");
    const CtlResult human = run({"read", "--seq", "held.seq", "--csv"});
    EXPECT_EXIT_CODE(human, 0);
    const char* named[] = {
        "(GJ): channel 1: full scale -100 is not above 0",
        "(LP): HC mode 9 is not between 0 and 2",
        "(XT): LCD backlight time -1 is not between 1 and 255",
        "(BU): bump test time 9 is not between 0 and 3",
        "(BU): bump test threshold 9 is not between 0 and 4",
        "(BU): calibration time after a failed bump test 9 is not between 0 and 2",
        "(BU): calibration after a failed bump test 9 is not between 0 and 1",
        "(SC): calibration time limit 0 is not between 1 and 365"};
    const QByteArray log = readFile(path("SerialLog.log"));
    for (const char* text : named) {
        EXPECT_TRUE(human.err.contains(text)) << text << "\n" << human.err.toStdString();
        EXPECT_TRUE(log.contains(text)) << text;
    }
    // The table shows the full scale the instrument holds.
    EXPECT_TRUE(human.out.contains("-100")) << human.out.toStdString();

    // The settings file carries every value as held.
    const QByteArray seq = readFile(path("held.seq"));
    for (const char* line : {"\r\nLP,W,9,\r\n", "\r\nXT,W,FFFF,\r\n", "\r\nBU,W,9,9,9,9,\r\n",
                             "\r\nSC,W,0000,\r\n", " -100"})
        EXPECT_TRUE(seq.contains(line)) << line << "\n" << seq.toStdString();

    // The settings record (the CSV's columns, also --json's) holds the numbers, not blanks.
    const CtlResult json = run({"--json", "read", "--csv"});
    EXPECT_EXIT_CODE(json, 0);
    EXPECT_EQ(column(json, 17), "9");                                     // HC mode
    EXPECT_EQ(column(json, 19), "-1");                                    // LCD backlight time
    EXPECT_EQ(column(json, 11), "0");                                     // calibration time limit
    for (int n = 27; n <= 29; ++n) EXPECT_EQ(column(json, n), "9") << n;  // bump group
    EXPECT_EQ(column(json, 30), "9");
    const QJsonArray warnings =
        QJsonDocument::fromJson(json.out.toUtf8()).object().value("warnings").toArray();
    EXPECT_EQ(warnings.size(), 8) << json.out.toStdString();

    // Loading that file for a write refuses it on the first line that holds such a value (the
    // gas table, line 2), and nothing is written.
    const CtlResult write = run({"write", "held.seq"});
    EXPECT_EXIT_CODE(write, 2);
    EXPECT_TRUE(write.err.contains("line 2")) << write.err.toStdString();
    EXPECT_TRUE(write.err.contains("full scale -100")) << write.err.toStdString();
    EXPECT_FALSE(readFile(path("SerialLog.log")).contains("GJ,W,")) << "nothing was written";
}

}  // namespace
}  // namespace vq::test
