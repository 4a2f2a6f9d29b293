#include "app/atomic_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>

#include "file_test_support.h"

namespace vq {
namespace {

using test::TempDir;
using testing::FileSizeLimit;
using testing::readFile;
using testing::ReadOnlyFolder;
using testing::writeFile;

unsigned modeOf(const std::filesystem::path& p) {
    struct stat st {};
    ::stat(p.c_str(), &st);
    return st.st_mode & 0777;
}

TEST(AtomicFile, WritesReplacesAndLeavesNoTemporaryFile) {
    TempDir dir;
    auto file = dir / "a.txt";
    ASSERT_TRUE(WriteFileAtomically(file, "first"));
    ASSERT_TRUE(WriteFileAtomically(file, "second, longer"));
    EXPECT_EQ(readFile(file), "second, longer");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"a.txt"});
}

TEST(AtomicFile, TemporaryFilesOfAKilledWriterAreRemoved) {
    TempDir dir;
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
    TempDir dir;
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
    TempDir dir;
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
    TempDir dir;
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
    TempDir dir;
    auto file = dir / "rec.csv";
    ASSERT_TRUE(AppendFileAtomically(file, "H\r\n", "r1\r\n"));
    ASSERT_TRUE(AppendFileAtomically(file, "H\r\n", "r2\r\n"));
    EXPECT_EQ(readFile(file), "H\r\nr1\r\nr2\r\n");
}

TEST(AtomicFile, ReadWholeFileRefusesFoldersMissingAndOversizedFiles) {
    TempDir dir;
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

// Symlinks are followed to their final target, which gets the contents; the links stay links.
// Configuration, settings files and CSV records kept elsewhere and linked into the working
// folder used to become regular files, the linked file never written.
TEST(AtomicFile, SymlinksAreWrittenThroughToTheirTargetAndStay) {
    TempDir dir;
    const auto real = dir / "real.ini";
    writeFile(real, "old");
    ::chmod(real.c_str(), 0640);
    std::filesystem::create_symlink("real.ini", dir / "config.ini");  // relative
    std::filesystem::create_directory(dir / "sub");
    std::filesystem::create_symlink("../config.ini", dir / "sub" / "chain.ini");  // to a link
    std::filesystem::create_symlink(dir / "made.csv", dir / "record.csv");        // dangling

    ASSERT_TRUE(WriteFileAtomically(dir / "config.ini", "through the link"));
    EXPECT_EQ(readFile(real), "through the link");
    EXPECT_EQ(modeOf(real), 0640u);
    ASSERT_TRUE(WriteFileAtomically(dir / "sub" / "chain.ini", "through two links"));
    EXPECT_EQ(readFile(real), "through two links");
    ASSERT_TRUE(CopyFileAtomically(real, dir / "sub" / "chain.ini", {.ownerOnly = true}));
    EXPECT_EQ(modeOf(real), 0600u);  // the file that holds the secret
    // A dangling link: its target is created, header and first row together.
    ASSERT_TRUE(AppendFileAtomically(dir / "record.csv", "H\r\n", "r1\r\n"));
    ASSERT_TRUE(AppendFileAtomically(dir / "record.csv", "H\r\n", "r2\r\n"));
    EXPECT_EQ(readFile(dir / "made.csv"), "H\r\nr1\r\nr2\r\n");

    for (const char* link : {"config.ini", "sub/chain.ini", "record.csv"})
        EXPECT_TRUE(std::filesystem::is_symlink(dir / link)) << link;
    auto names = dir.entries();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"config.ini", "made.csv", "real.ini", "record.csv",
                                               "sub"}));

    // A loop of links is an error, and nothing is made.
    std::filesystem::create_symlink("loop-b", dir / "loop-a");
    std::filesystem::create_symlink("loop-a", dir / "loop-b");
    const FileResult loop = WriteFileAtomically(dir / "loop-a", "x");
    EXPECT_FALSE(loop);
    EXPECT_NE(loop.error.find("loop-a"), std::string::npos) << loop.error;
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "loop-a"));
}

// A FIFO (and anything else that is not a regular file) is written directly; renaming over it
// replaced it with a regular file the reader never saw.
TEST(AtomicFile, AFifoIsWrittenDirectlyAndStaysAFifo) {
    TempDir dir;
    const auto fifo = dir / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    const auto drain = [reader] {
        std::string text;
        char buffer[256];
        for (ssize_t n; (n = ::read(reader, buffer, sizeof buffer)) > 0;)
            text.append(buffer, static_cast<std::size_t>(n));
        return text;
    };

    ASSERT_TRUE(WriteFileAtomically(fifo, "settings\r\n"));
    EXPECT_EQ(drain(), "settings\r\n");
    // Appending sends the row alone: what is there already cannot be read back.
    ASSERT_TRUE(AppendFileAtomically(fifo, "H\r\n", "row\r\n"));
    EXPECT_EQ(drain(), "row\r\n");
    writeFile(dir / "source", "copied");
    ASSERT_TRUE(CopyFileAtomically(dir / "source", fifo));
    EXPECT_EQ(drain(), "copied");
    // Through a link to it, too.
    std::filesystem::create_symlink("pipe", dir / "link");
    ASSERT_TRUE(WriteFileAtomically(dir / "link", "linked"));
    EXPECT_EQ(drain(), "linked");
    ::close(reader);

    // Nobody reading: a failure at once, not a wait; and reading one never waits for a writer.
    const FileResult unread = WriteFileAtomically(fifo, "lost");
    EXPECT_FALSE(unread);
    EXPECT_NE(unread.error.find("pipe"), std::string::npos) << unread.error;
    std::string error;
    EXPECT_FALSE(ReadWholeFile(fifo, error));
    EXPECT_FALSE(error.empty());

    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    auto names = dir.entries();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"link", "pipe", "source"}));
}

// A device node is written, never replaced. Run as root, the writer used to put a regular file
// in place of /dev/null; the test makes its own node then, so no system node is ever at stake.
TEST(AtomicFile, ADeviceNodeIsWrittenNeverReplaced) {
    TempDir dir;
    std::filesystem::path device = "/dev/null";
    if (::geteuid() == 0) {
        device = dir / "null";
        ASSERT_EQ(::mknod(device.c_str(), S_IFCHR | 0666, ::makedev(1, 3)), 0);
    }
    struct stat before {};
    ASSERT_EQ(::stat(device.c_str(), &before), 0);
    ASSERT_TRUE(S_ISCHR(before.st_mode));
    EXPECT_TRUE(WriteFileAtomically(device, "settings", {.ownerOnly = true}));
    EXPECT_TRUE(AppendFileAtomically(device, "H\r\n", "row\r\n"));
    struct stat after {};
    ASSERT_EQ(::stat(device.c_str(), &after), 0);
    EXPECT_TRUE(S_ISCHR(after.st_mode));
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode, before.st_mode);  // not made owner-only either
}

// A descriptor's link (/dev/stdout, /dev/fd/N) is written through the descriptor's file, which
// the process holds open: a rename would leave the descriptor on the old file.
TEST(AtomicFile, ADescriptorLinkIsWrittenDirectly) {
    TempDir dir;
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    const std::string pipeLink = "/dev/fd/" + std::to_string(pipeEnds[1]);
    ASSERT_TRUE(WriteFileAtomically(pipeLink, "to the pipe"));
    char buffer[64] = {};
    EXPECT_EQ(::read(pipeEnds[0], buffer, sizeof buffer - 1), 11);
    EXPECT_STREQ(buffer, "to the pipe");
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);

    const auto out = dir / "out.txt";
    writeFile(out, "older and longer contents");
    const int held = ::open(out.c_str(), O_WRONLY);
    ASSERT_GE(held, 0);
    struct stat before {};
    ASSERT_EQ(::stat(out.c_str(), &before), 0);
    ASSERT_TRUE(WriteFileAtomically("/dev/fd/" + std::to_string(held), "new"));
    ::close(held);
    struct stat after {};
    ASSERT_EQ(::stat(out.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);  // the same file, rewritten
    EXPECT_EQ(readFile(out), "new");
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"out.txt"});
}

}  // namespace
}  // namespace vq
