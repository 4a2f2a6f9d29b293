#include "link/dump_sink.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

namespace vq {

namespace {

// "path: reason" from the errno the failed stream operation left (a full disk, the file-size
// limit, no permission).
std::string failure(const std::string& path) {
    return path + ": " + (errno != 0 ? std::strerror(errno) : "the file could not be written");
}

// The whole image as erased flash: every byte 0xFF. The whole image is written before any block,
// so a disk that cannot hold it says so before the instrument is asked for anything.
bool fillImage(const std::string& path, std::int32_t size, std::string& error) {
    errno = 0;
    std::ofstream file(path, std::ios::binary | std::ios::out | std::ios::trunc);
    if (!file.is_open()) {
        error = failure(path);
        return false;
    }
    const std::vector<char> erased(static_cast<std::size_t>(size), static_cast<char>(0xFF));
    file.write(erased.data(), static_cast<std::streamsize>(erased.size()));
    file.close();
    if (file.fail()) error = failure(path);
    return !file.fail();
}

// Writes `count` bytes at `offset` of an existing regular file, creating a missing one; the
// file is opened for each write so nothing stays open between receive events.
bool writeAt(const std::string& path, std::int32_t offset, const char* data, std::int32_t count,
             std::string& error) {
    std::error_code code;
    const auto status = std::filesystem::status(path, code);
    const bool exists = std::filesystem::exists(status);
    if (exists && !std::filesystem::is_regular_file(status)) {
        error = path + ": not a plain file";
        return false;
    }
    errno = 0;
    if (!exists) std::ofstream(path, std::ios::binary);  // create it
    std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(offset);
    file.write(data, count);
    file.close();
    if (file.fail()) error = failure(path);
    return !file.fail();
}

}  // namespace

bool DumpSink::open(const std::string& path, std::int32_t size, bool fill) {
    error_.clear();
    std::error_code code;
    if (fill || !std::filesystem::exists(path, code)) {
        if (!fillImage(path, size, error_)) return false;
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
    if (count > 0 && !writeAt(path_, written_, bytes.data(), count, error_)) return Took::Failed;
    written_ += count;
    received_ += count;
    return received_ >= expected_ ? Took::BlockDone : Took::More;
}

}  // namespace vq
