// A full disk, made real with the file-size limit (RLIMIT_FSIZE, as `ulimit -f`) of a vq5100ctl
// run against vq5100-sim over TCP: every write that would pass the limit fails with an error
// instead of ending the process, the run names the file, and every file is left whole.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "e2e/ctl_runner.h"
#include "e2e/sim_process.h"

namespace vq::test {
namespace {

void writeFile(const QString& path, const QByteArray& text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

class FullDiskE2E : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(sim.served().isEmpty());
        address = sim.served().section(' ', -1);
    }
    CtlResult run(const QStringList& args) {
        return runCtl(QStringList{"--socket", address} + args, workDir.path());
    }
    CtlResult runLimited(const QStringList& args, long long bytes) {
        return runCtlWithFileSizeLimit(QStringList{"--socket", address} + args, workDir.path(),
                                       bytes);
    }
    QString path(const QString& name) const { return workDir.filePath(name); }
    QStringList files(const QString& pattern) const {
        return QDir(workDir.path()).entryList({pattern}, QDir::Files | QDir::Hidden);
    }

    SimProcess sim{QStringList{"--tcp", "127.0.0.1:0"}};
    QString address;
    QTemporaryDir workDir;
};

// The settings record grows by whole rows: a row the limit cuts is taken back, the run ends with
// exit 2 naming the file, and the rows before it are all still there. The communication log,
// which reaches the limit first, drops its lines whole and says so once.
TEST_F(FullDiskE2E, TheSettingsRecordKeepsWholeRowsAndTheRunNamesTheFile) {
    const CtlResult first = run({"read", "--csv"});
    EXPECT_EXIT_CODE(first, 0);
    const QStringList csvFiles = files("*.csv");
    ASSERT_EQ(csvFiles.size(), 1);
    const QString csv = path(csvFiles.front());
    const qint64 oneRow = readFile(csv).size();
    const CtlResult second = run({"read", "--csv"});
    EXPECT_EXIT_CODE(second, 0);
    const qint64 twoRows = readFile(csv).size();
    const qint64 row = twoRows - oneRow;
    ASSERT_GT(row, 1000);

    // Room for one more row and half of another.
    const long long limit = twoRows + row + row / 2;
    const CtlResult third = runLimited({"read", "--csv"}, limit);
    EXPECT_EXIT_CODE(third, 0);
    const QByteArray threeRows = readFile(csv);
    EXPECT_EQ(threeRows.size(), twoRows + row) << "one more whole row";
    EXPECT_EQ(threeRows.count("\r\n"), 4) << "header and three rows";
    EXPECT_TRUE(third.err.contains("The communication log could not be written"))
        << third.err.toStdString();
    EXPECT_TRUE(third.err.contains("SerialLog.log: File too large")) << third.err.toStdString();
    EXPECT_EQ(third.err.count("communication log"), 1) << "said once, not per line";
    const QByteArray log = readFile(path("SerialLog.log"));
    EXPECT_FALSE(log.isEmpty());
    EXPECT_LE(log.size(), limit);
    EXPECT_TRUE(log.endsWith("\r\n")) << "no line cut in half";

    const CtlResult fourth = runLimited({"read", "--csv"}, limit);
    EXPECT_EXIT_CODE(fourth, 2);
    EXPECT_TRUE(fourth.err.contains("the settings record could not be written"))
        << fourth.err.toStdString();
    EXPECT_TRUE(fourth.err.contains(csvFiles.front() + ": File too large"))
        << fourth.err.toStdString();
    EXPECT_EQ(readFile(csv), threeRows) << "the old rows, whole, and no part of the fourth";
}

// A settings command file, a flash image and a FRAM listing that do not fit: exit 2 with the
// file named, the earlier file exactly as it was, no temporary file left behind.
TEST_F(FullDiskE2E, FilesThatDoNotFitLeaveTheEarlierFileAsItWas) {
    struct Case {
        QStringList command;
        QString file;
        long long limit;
        QString message;
    };
    const Case cases[] = {
        {{"read", "--seq", "bench.seq"}, "bench.seq", 200, "File too large"},
        {{"dump-flash", "image.dat"}, "image.dat", 100000, "the flash dump could not be written"},
        {{"dump-fram", "fram.txt"}, "fram.txt", 4000, "the FRAM dump could not be written"},
    };
    for (const Case& c : cases) {
        const QByteArray earlier = "an earlier " + c.file.toUtf8();
        writeFile(path(c.file), earlier);
        const CtlResult r = runLimited(c.command, c.limit);
        EXPECT_EXIT_CODE(r, 2);
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(c.file)) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("File too large")) << r.err.toStdString();
        EXPECT_EQ(readFile(path(c.file)), earlier) << c.file.toStdString();
        EXPECT_EQ(files("*" + c.file.section('.', 0, 0) + "*"), QStringList{c.file})
            << c.file.toStdString();
    }
    // Without the limit the same commands succeed: the failures above were the disk's.
    const CtlResult unlimited = run({"read", "--seq", "bench.seq"});
    EXPECT_EXIT_CODE(unlimited, 0);
    EXPECT_NE(readFile(path("bench.seq")), QByteArray("an earlier bench.seq"));
}

}  // namespace
}  // namespace vq::test
