// The staged file a dump fills: the target changes only on commit, whole; a dump given up
// leaves the target as it was and nothing beside it.

#include "app/staged_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "tests/app/file_test_support.h"

namespace vq {
namespace {

using test::TempDir;
using testing::readFile;
using testing::writeFile;

std::vector<std::string> sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

TEST(StagedFile, TheTargetChangesOnlyOnCommit) {
    struct Case {
        const char* name;
        bool earlier;       // a file is there before
        bool keepContents;  // a part dump starts from it
        bool commit;
        std::string filled;    // what the filler adds to the staged file
        std::string expected;  // the target afterwards ("" = absent)
    };
    const Case cases[] = {
        {"new file, committed", false, false, true, "image", "image"},
        {"new file, given up", false, false, false, "half", ""},
        {"earlier file, replaced", true, false, true, "image", "image"},
        {"earlier file, given up", true, false, false, "half", "earlier"},
        {"part dump keeps the rest", true, true, true, "+part", "earlier+part"},
        {"part dump given up", true, true, false, "+part", "earlier"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const auto target = dir / "VQ5100.DAT";
        if (c.earlier) writeFile(target, "earlier");
        {
            StagedFile file(target);
            ASSERT_TRUE(file.prepare(c.keepContents)) << c.name;
            ASSERT_NE(file.path(), target) << c.name;
            {
                std::ofstream out(file.path(), std::ios::binary | std::ios::app);
                out << c.filled;
            }
            // Until the commit the target is what it was.
            EXPECT_EQ(std::filesystem::exists(target), c.earlier) << c.name;
            if (c.earlier) {
                EXPECT_EQ(readFile(target), "earlier") << c.name;
            }
            if (c.commit) {
                ASSERT_TRUE(file.commit()) << c.name;
            }
        }
        if (c.expected.empty()) {
            EXPECT_TRUE(dir.entries().empty()) << c.name;
        } else {
            EXPECT_EQ(readFile(target), c.expected) << c.name;
            EXPECT_EQ(dir.entries(), std::vector<std::string>{"VQ5100.DAT"}) << c.name;
        }
    }
}

TEST(StagedFile, ALeftoverOfAKilledRunIsReplacedNotAppendedTo) {
    TempDir dir;
    writeFile(dir / ".DumpEF.dat.part", "leftover");
    StagedFile file(dir / "DumpEF.dat");
    ASSERT_TRUE(file.prepare(false));
    EXPECT_FALSE(std::filesystem::exists(file.path()));
}

TEST(StagedFile, ALinkIsFollowedAndADeviceWrittenDirectly) {
    TempDir dir;
    std::filesystem::create_directory(dir / "images");
    writeFile(dir / "images" / "real.dat", "old");
    std::filesystem::create_symlink("images/real.dat", dir / "VQ5100.DAT");
    {
        StagedFile file(dir / "VQ5100.DAT");
        EXPECT_EQ(file.target(), dir / "images" / "real.dat");
        ASSERT_TRUE(file.prepare(false));
        writeFile(file.path(), "new");
        ASSERT_TRUE(file.commit());
    }
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "VQ5100.DAT"));
    EXPECT_EQ(readFile(dir / "images" / "real.dat"), "new");
    EXPECT_EQ(sorted(dir.entries()), (std::vector<std::string>{"VQ5100.DAT", "images"}));

    StagedFile null("/dev/null");
    EXPECT_EQ(null.path(), std::filesystem::path("/dev/null"));
    EXPECT_TRUE(null.prepare(false));
    EXPECT_TRUE(null.commit());
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));

    // A folder cannot take a dump's name.
    StagedFile folder(dir / "images");
    EXPECT_FALSE(folder.prepare(false));
}

}  // namespace
}  // namespace vq
