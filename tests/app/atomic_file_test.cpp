#include "app/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>

#include "file_test_support.h"

namespace vq {
namespace {

using testing::FileSizeLimit;
using testing::readFile;
using testing::ReadOnlyFolder;
using testing::TempFolder;
using testing::writeFile;

unsigned modeOf(const std::filesystem::path& p) {
    struct stat st {};
    ::stat(p.c_str(), &st);
    return st.st_mode & 0777;
}

TEST(AtomicFile, WritesReplacesAndLeavesNoTemporaryFile) {
    TempFolder dir;
    auto file = dir / "a.txt";
    ASSERT_TRUE(WriteFileAtomically(file, "first"));
    ASSERT_TRUE(WriteFileAtomically(file, "second, longer"));
    EXPECT_EQ(readFile(file), "second, longer");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"a.txt"});
}

TEST(AtomicFile, TemporaryFilesOfAKilledWriterAreRemoved) {
    TempFolder dir;
    // pid 0x7FFFFFF0 is above any pid_max: that writer is gone. Our own pid is alive.
    writeFile(dir / ".a.txt.tmp-2147483632-0", "half");
    const std::string own = ".a.txt.tmp-" + std::to_string(::getpid()) + "-999";
    writeFile(dir / own, "in progress");
    writeFile(dir / ".b.txt.tmp-2147483632-0", "another file's");
    ASSERT_TRUE(WriteFileAtomically(dir / "a.txt", "whole"));
    auto names = dir.entries();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".a.txt.tmp-" + std::to_string(::getpid()) + "-999",
                                               ".b.txt.tmp-2147483632-0", "a.txt"}));
}

TEST(AtomicFile, PermissionsAreKeptOrMadeOwnerOnly) {
    TempFolder dir;
    auto shared = dir / "shared.csv";
    writeFile(shared, "old");
    ::chmod(shared.c_str(), 0640);
    ASSERT_TRUE(WriteFileAtomically(shared, "new"));
    EXPECT_EQ(modeOf(shared), 0640u);

    auto secret = dir / "secret.ini";
    writeFile(secret, "old");
    ::chmod(secret.c_str(), 0644);
    ASSERT_TRUE(WriteFileAtomically(secret, "new", {.ownerOnly = true}));
    EXPECT_EQ(modeOf(secret), 0600u);
}

TEST(AtomicFile, FailuresNameThePathAndKeepTheOldFile) {
    TempFolder dir;
    // A folder that does not exist.
    FileResult missing = WriteFileAtomically(dir / "no-such" / "x.txt", "x");
    EXPECT_FALSE(missing);
    EXPECT_NE(missing.error.find("no-such"), std::string::npos) << missing.error;

    // A name that is a folder.
    std::filesystem::create_directory(dir / "sub");
    EXPECT_FALSE(WriteFileAtomically(dir / "sub", "x"));
    EXPECT_FALSE(AppendFileAtomically(dir / "sub", "h\n", "x\n"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "sub"));

    // A read-only folder.
    auto file = dir / "kept.txt";
    writeFile(file, "old contents");
    {
        ReadOnlyFolder readOnly(dir.path());
        FileResult r = WriteFileAtomically(file, "new contents");
        EXPECT_FALSE(r);
        EXPECT_FALSE(r.error.empty());
        EXPECT_FALSE(AppendFileAtomically(file, "", "row\n"));
    }
    EXPECT_EQ(readFile(file), "old contents");
}

TEST(AtomicFile, FullDiskLeavesTheOldFileWholeAndNoTemporaryFile) {
    TempFolder dir;
    auto file = dir / "log.csv";
    writeFile(file, "header\nrow 1\n");
    const std::string big(64 * 1024, 'x');
    {
        FileSizeLimit limit(16 * 1024);
        FileResult replaced = WriteFileAtomically(file, big);
        EXPECT_FALSE(replaced);
        FileResult appended = AppendFileAtomically(file, "header\n", big);
        EXPECT_FALSE(appended);
        EXPECT_FALSE(appended.error.empty());
    }
    EXPECT_EQ(readFile(file), "header\nrow 1\n");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"log.csv"});
}

TEST(AtomicFile, AppendWritesTheHeaderOnlyWithTheFirstRow) {
    TempFolder dir;
    auto file = dir / "rec.csv";
    ASSERT_TRUE(AppendFileAtomically(file, "H\r\n", "r1\r\n"));
    ASSERT_TRUE(AppendFileAtomically(file, "H\r\n", "r2\r\n"));
    EXPECT_EQ(readFile(file), "H\r\nr1\r\nr2\r\n");
}

TEST(AtomicFile, ReadWholeFileRefusesFoldersMissingAndOversizedFiles) {
    TempFolder dir;
    std::string error;
    EXPECT_FALSE(ReadWholeFile(dir.path(), error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(ReadWholeFile(dir / "none", error));
    writeFile(dir / "f", std::string(100, 'z'));
    EXPECT_FALSE(ReadWholeFile(dir / "f", error, 99));
    auto whole = ReadWholeFile(dir / "f", error, 100);
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->size(), 100u);
    ASSERT_TRUE(CopyFileAtomically(dir / "f", dir / "g"));
    EXPECT_EQ(readFile(dir / "g"), std::string(100, 'z'));
}

}  // namespace
}  // namespace vq
