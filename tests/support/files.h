#pragma once
// Whole files for the tests, read and written as raw bytes (no line-end translation), so a test
// sees exactly what the program wrote.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace vq::test {

// The file's bytes; empty when it cannot be read.
inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

}  // namespace vq::test
