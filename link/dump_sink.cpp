#include "link/dump_sink.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

namespace vq {

namespace {

// The whole image as erased flash: every byte 0xFF.
bool fillImage(const std::string& path, std::int32_t size) {
    std::ofstream file(path, std::ios::binary | std::ios::out | std::ios::trunc);
    if (!file.is_open()) return false;
    const std::vector<char> erased(static_cast<std::size_t>(size), static_cast<char>(0xFF));
    file.write(erased.data(), static_cast<std::streamsize>(erased.size()));
    file.close();
    return !file.fail();
}

// Writes `count` bytes at `offset` of an existing regular file, creating a missing one; the
// file is opened for each write so nothing stays open between receive events.
bool writeAt(const std::string& path, std::int32_t offset, const char* data, std::int32_t count) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    const bool exists = std::filesystem::exists(status);
    if (exists && !std::filesystem::is_regular_file(status)) return false;
    if (!exists) std::ofstream(path, std::ios::binary);  // create it
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(offset);
    file.write(data, count);
    file.close();
    return !file.fail();
}

}  // namespace

bool DumpSink::open(const std::string& path, std::int32_t size, bool fill) {
    std::error_code error;
    if (fill || !std::filesystem::exists(path, error)) {
        if (!fillImage(path, size)) return false;
    }
    path_ = path;
    return true;
}

void DumpSink::startBlock(std::int32_t bytesWritten, std::int32_t expectedLength) {
    written_ = bytesWritten;
    expected_ = expectedLength;
    received_ = 0;
}

DumpSink::Took DumpSink::take(const std::string& bytes) {
    const std::int32_t missing = std::max(expected_ - received_, 0);
    const auto count = static_cast<std::int32_t>(
        std::min<std::size_t>(bytes.size(), static_cast<std::size_t>(missing)));
    // A block the file did not take is a failed block, never a finished one.
    if (count > 0 && !writeAt(path_, written_, bytes.data(), count)) return Took::Failed;
    written_ += count;
    received_ += count;
    return received_ >= expected_ ? Took::BlockDone : Took::More;
}

}  // namespace vq
