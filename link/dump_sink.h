#pragma once
// The flash image file of a binary dump. The link hands it the raw bytes of each receive event
// while a block is in flight; every file operation of the dump happens here.

#include <cstdint>
#include <string>

namespace vq {

class DumpSink {
  public:
    enum class Took { More, BlockDone, Failed };

    // The image file at `path`, filled with `size` bytes of erased flash (0xFF) first when
    // `fill` is set or the file is missing. False, and the path kept, when it cannot be made.
    bool open(const std::string& path, std::int32_t size, bool fill);

    const std::string& path() const { return path_; }
    // Why the file did not take the image or a block ("path: No space left on device"); empty
    // while every write succeeded since the last open.
    const std::string& error() const { return error_; }
    void clearError() { error_.clear(); }
    // A block stopped coming: the dump was cancelled and may be asked for again.
    bool retry() const { return retry_; }
    void setRetry(bool retry) { retry_ = retry; }
    void setPath(std::string path) { path_ = std::move(path); }
    // Where the next bytes go in the file and how many end the block; nothing received yet.
    void startBlock(std::int32_t bytesWritten, std::int32_t expectedLength);
    std::int32_t bytesWritten() const { return written_; }
    std::int32_t bytesReceived() const { return received_; }

    // One receive event's bytes, written at their place. Bytes beyond the block are not
    // written: they would land in the next block's place, or beyond the image after the last
    // block. Failed when the file did not take them.
    Took take(const std::string& bytes);

  private:
    std::string path_;
    std::string error_;
    bool retry_ = false;
    std::int32_t written_ = 0;
    std::int32_t expected_ = 0;
    std::int32_t received_ = 0;
};

}  // namespace vq
