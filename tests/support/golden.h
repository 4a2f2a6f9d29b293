#pragma once
// Golden files: a text the program writes, compared byte for byte with tests/golden/<name>.
// After a deliberate change of a layout, regenerate with
//     VQ_UPDATE_GOLDEN=1 ctest --test-dir build -R <the test>
// which rewrites the file instead of comparing; review the diff before committing it.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <string_view>

#include "tests/support/files.h"

namespace vq::test {

inline std::filesystem::path goldenPath(std::string_view name) {
    return std::filesystem::path(VQ_GOLDEN_DIR) / name;
}

// The first line (1-based, by '\n') where two texts part, for a readable failure.
inline std::string firstDifference(const std::string& expected, const std::string& actual) {
    std::size_t line = 1;
    std::size_t start = 0;
    for (std::size_t i = 0; i < expected.size() && i < actual.size(); ++i) {
        if (expected[i] != actual[i]) break;
        if (expected[i] == '\n') {
            ++line;
            start = i + 1;
        }
    }
    const auto lineOf = [start](const std::string& text) {
        const std::size_t end = text.find('\n', start);
        return start >= text.size()
                   ? std::string("<end of text>")
                   : text.substr(start, end == std::string::npos ? end : end - start);
    };
    return "line " + std::to_string(line) + "\n  golden: " + lineOf(expected) +
           "\n  actual: " + lineOf(actual);
}

inline ::testing::AssertionResult MatchesGolden(std::string_view name, const std::string& text) {
    const std::filesystem::path path = goldenPath(name);
    const char* update = std::getenv("VQ_UPDATE_GOLDEN");
    if (update != nullptr && std::string_view(update) == "1") {
        writeFile(path, text);
        return ::testing::AssertionSuccess() << "rewrote " << path.string();
    }
    if (!std::filesystem::exists(path)) {
        return ::testing::AssertionFailure()
               << path.string() << " is missing; VQ_UPDATE_GOLDEN=1 writes it";
    }
    const std::string golden = readFile(path);
    if (golden == text) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "differs from " << path.string() << " at " << firstDifference(golden, text) << "\n("
           << golden.size() << " golden bytes, " << text.size() << " written)";
}

}  // namespace vq::test
