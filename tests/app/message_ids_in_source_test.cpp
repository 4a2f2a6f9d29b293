// Every message id the program uses exists in both tables. The test reads the source tree: ids
// written as ResMessage(<number>) (also with a language first) and msg:: constants.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>

#include "app/messages.h"

namespace vq {
namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Source folders of the program and its tests. Build folders and the tests of this folder (which
// ask for missing ids on purpose) are left out.
bool skipped(const fs::path& relative) {
    const std::string first = relative.begin()->string();
    if (first.empty() || first[0] == '.' || first.rfind("build", 0) == 0) return true;
    return relative.string().rfind("tests/app", 0) == 0;
}

struct IdUse {
    int id;
    std::string where;
};

std::vector<IdUse> scanSources(const fs::path& root, const std::map<std::string, int>& named,
                               int& filesRead) {
    const std::regex call(R"(ResMessage\s*\(\s*(?:[A-Za-z_][\w:]*\s*,\s*)?(\d+)\s*[,)])");
    const std::regex constant(R"(msg::(\w+))");
    std::vector<IdUse> uses;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        const fs::path relative = fs::relative(it->path(), root);
        if (it->is_directory()) {
            if (skipped(relative)) it.disable_recursion_pending();
            continue;
        }
        const std::string ext = it->path().extension().string();
        if (ext != ".cpp" && ext != ".h") continue;
        const std::string text = readFile(it->path());
        ++filesRead;
        for (std::sregex_iterator m(text.begin(), text.end(), call), end; m != end; ++m) {
            uses.push_back({std::stoi((*m)[1]), relative.string()});
        }
        for (std::sregex_iterator m(text.begin(), text.end(), constant), end; m != end; ++m) {
            const auto found = named.find((*m)[1]);
            if (found != named.end()) uses.push_back({found->second, relative.string()});
        }
    }
    return uses;
}

// The msg:: constants as declared in app/messages.h.
std::map<std::string, int> namedIds(const fs::path& root) {
    const std::string header = readFile(root / "app" / "messages.h");
    const std::regex declaration(R"(constexpr int (\w+) = (\d+);)");
    std::map<std::string, int> named;
    for (std::sregex_iterator m(header.begin(), header.end(), declaration), end; m != end; ++m) {
        named[(*m)[1]] = std::stoi((*m)[2]);
    }
    return named;
}

TEST(MessageIdsInSource, EveryUsedIdIsInBothTables) {
    const fs::path root = VQ_SOURCE_DIR;
    const auto named = namedIds(root);
    ASSERT_GE(named.size(), 8u) << "the msg:: constants of app/messages.h were not found";
    for (const auto& [name, id] : named) {
        EXPECT_TRUE(hasMessage(Language::English, id)) << "msg::" << name << " = " << id;
        EXPECT_TRUE(hasMessage(Language::Japanese, id)) << "msg::" << name << " = " << id;
    }

    int filesRead = 0;
    const auto uses = scanSources(root, named, filesRead);
    ASSERT_GT(filesRead, 0);
    // app/messages.cpp itself names two constants, so an empty scan means the patterns broke.
    ASSERT_FALSE(uses.empty());
    for (const auto& use : uses) {
        EXPECT_TRUE(hasMessage(Language::English, use.id))
            << use.where << " uses id " << use.id << ", missing from the English table";
        EXPECT_TRUE(hasMessage(Language::Japanese, use.id))
            << use.where << " uses id " << use.id << ", missing from the Japanese table";
    }
}

}  // namespace
}  // namespace vq
