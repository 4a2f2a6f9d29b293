// The communication log file: its line format, one open and close per line (so each line lands
// in the file that carries the name then), and lines that cannot be written dropped without a
// wait.

#include "link/serial_log.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/support/files.h"
#include "tests/support/temp_dir.h"

namespace vq {
namespace {

using test::readFile;

// 2026-01-02 03:04:05
constexpr double kSomeTime = 46024.0 + (3 * 3600 + 4 * 60 + 5) / 86400.0;

TEST(SerialLog, StampIsTheTimeOfDayRoundedToTheSecond) {
    EXPECT_EQ(SerialLog::TimeOfDay(kSomeTime), "03:04:05");
    EXPECT_EQ(SerialLog::TimeOfDay(0.75 + 59.6 / 86400), "18:01:00");
    EXPECT_EQ(SerialLog::TimeOfDay(1e300), "00:00:00");  // no date: still a line
}

TEST(SerialLog, AppendsStampedLinesEndedByCrLf) {
    test::TempDir dir;
    SerialLog log(dir.path());
    EXPECT_TRUE(log.write(kSomeTime, "W : [STX]0001RC,R,[ETX]FB[EOT]"));
    EXPECT_TRUE(log.write(kSomeTime + 1.0 / 86400, "second"));
    EXPECT_EQ(readFile(dir.file("SerialLog.log")),
              "03:04:05 W : [STX]0001RC,R,[ETX]FB[EOT]\r\n03:04:06 second\r\n");
}

// Whatever happens to the file between two lines, the next line lands in the file that carries
// the name then, and nothing written before is lost.
TEST(SerialLog, TheNextLineFollowsTheNameWhateverHappenedToTheFile) {
    struct Case {
        const char* name;
        void (*between)(const test::TempDir& dir);
        const char* logAfter;  // SerialLog.log after "old", the change and "new"
        const char* rotated;   // SerialLog1.log, when the change made one
    };
    const Case cases[] = {
        {"rotated",
         [](const test::TempDir& d) {
             std::filesystem::rename(d.file("SerialLog.log"), d.file("SerialLog1.log"));
         },
         "03:04:05 new\r\n", "03:04:05 old\r\n"},
        {"removed",
         [](const test::TempDir& d) { std::filesystem::remove(d.file("SerialLog.log")); },
         "03:04:05 new\r\n", nullptr},
        {"emptied", [](const test::TempDir& d) { std::ofstream(d.file("SerialLog.log")); },
         "03:04:05 new\r\n", nullptr},
        {"appended to by another program",
         [](const test::TempDir& d) {
             std::ofstream(d.file("SerialLog.log"), std::ios::app) << "other\r\n";
         },
         "03:04:05 old\r\nother\r\n03:04:05 new\r\n", nullptr},
        {"rotated by another program, which started a new log",
         [](const test::TempDir& d) {
             std::filesystem::rename(d.file("SerialLog.log"), d.file("SerialLog1.log"));
             std::ofstream(d.file("SerialLog.log")) << "12:00:00 another\r\n";
         },
         "12:00:00 another\r\n03:04:05 new\r\n", "03:04:05 old\r\n"},
        {"rotated, and a new log exactly as long as the old one started",
         [](const test::TempDir& d) {
             std::filesystem::rename(d.file("SerialLog.log"), d.file("SerialLog1.log"));
             std::ofstream(d.file("SerialLog.log")) << "12:00:00 xyz\r\n";
         },
         "12:00:00 xyz\r\n03:04:05 new\r\n", "03:04:05 old\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        SerialLog log(dir.path());
        ASSERT_TRUE(log.write(kSomeTime, "old"));
        c.between(dir);
        ASSERT_TRUE(log.write(kSomeTime, "new"));
        EXPECT_EQ(readFile(dir.file("SerialLog.log")), c.logAfter);
        if (c.rotated) {
            EXPECT_EQ(readFile(dir.file("SerialLog1.log")), c.rotated);
        }
    }
}

TEST(SerialLog, UnwritableLinesAreDroppedWithoutWaiting) {
    test::TempDir dir;
    EXPECT_FALSE(SerialLog(dir.file("missing/folder")).write(kSomeTime, "lost"));

    // Something that is not a plain file under the log's name: a folder, and a FIFO, whose
    // open would block until a reader came.
    std::filesystem::create_directory(dir.file("a"));
    std::filesystem::create_directory(dir.file("a/SerialLog.log"));
    EXPECT_FALSE(SerialLog(dir.file("a")).write(kSomeTime, "lost"));
    std::filesystem::create_directory(dir.file("b"));
    ASSERT_EQ(mkfifo(dir.file("b/SerialLog.log").c_str(), 0600), 0);
    EXPECT_FALSE(SerialLog(dir.file("b")).write(kSomeTime, "lost"));
}

TEST(SerialLog, EmptyWorkDirMeansTheCurrentDirectory) {
    EXPECT_EQ(SerialLog().path(), "SerialLog.log");
    EXPECT_EQ(SerialLog("/x/y").path(), "/x/y/SerialLog.log");
    EXPECT_EQ(SerialLog("/x/y/").path(), "/x/y/SerialLog.log");
}

// The disk full (the file-size limit, SIGXFSZ ignored as the programs do): the line that does
// not fit is dropped whole, the report is told once with the file's name, and the log goes on
// once there is room again. Switched off, the log writes nothing at all.
TEST(SerialLog, AFullDiskDropsWholeLinesAndIsReportedOnce) {
    test::TempDir dir;
    SerialLog log(dir.path());
    std::vector<std::string> reports;
    log.setFailureReport([&](const std::string& reason) { reports.push_back(reason); });
    const std::string text(21, 'x');  // "hh:nn:ss " + 21 + CR LF: 32 bytes a line
    {
        rlimit old{};
        ::getrlimit(RLIMIT_FSIZE, &old);
        const auto handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old;
        limit.rlim_cur = 100;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::vector<bool> written;
        for (int i = 0; i < 5; ++i) written.push_back(log.write(kSomeTime, text));
        ::setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, handler);
        EXPECT_EQ(written, (std::vector<bool>{true, true, true, false, false}));
    }
    const std::string line = "03:04:05 " + text + "\r\n";
    EXPECT_EQ(readFile(dir.file("SerialLog.log")), line + line + line) << "no part of line 4";
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find(dir.file("SerialLog.log")), std::string::npos) << reports[0];
    EXPECT_NE(reports[0].find("File too large"), std::string::npos) << reports[0];

    // Room again: lines are written again.
    EXPECT_TRUE(log.write(kSomeTime, "back"));
    log.setEnabled(false);
    EXPECT_FALSE(log.write(kSomeTime, "not logged"));
    EXPECT_EQ(readFile(dir.file("SerialLog.log")), line + line + line + "03:04:05 back\r\n");
    EXPECT_EQ(reports.size(), 1u) << "switched off is not a failure";

    test::TempDir other;
    SerialLog off(other.path());
    off.setEnabled(false);
    EXPECT_FALSE(off.write(kSomeTime, "nothing"));
    EXPECT_FALSE(std::filesystem::exists(other.file("SerialLog.log")));
}

}  // namespace
}  // namespace vq
