#pragma once
// A file that something else fills piece by piece (a memory dump, written block by block as the
// bytes arrive) and that must never look complete before it is. It is filled under a temporary
// name beside its target and takes the target's name only when finished; a dump that fails or is
// cancelled leaves the target exactly as it was and no temporary file behind.
//
// A symlink is followed to its final target, which gets the contents. A target that exists and
// is not a regular file (a device, a FIFO) is written directly: nothing here renames over a
// device node.

#include <filesystem>

#include "app/atomic_file.h"

namespace vq {

class StagedFile {
  public:
    explicit StagedFile(const std::filesystem::path& target);
    // Removes the temporary file unless it was committed.
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Makes way for the temporary file. With `keepContents` it starts as a copy of the target
    // (a dump of part of an image keeps the rest of the image); otherwise it does not exist yet.
    FileResult prepare(bool keepContents);
    // Where the filler writes.
    const std::filesystem::path& path() const { return staging_; }
    // The file the contents end up in.
    const std::filesystem::path& target() const { return target_; }
    // Flushes the temporary file to the disk and renames it over the target.
    FileResult commit();

  private:
    std::filesystem::path target_;
    std::filesystem::path staging_;
    bool direct_ = false;
    bool committed_ = false;
};

}  // namespace vq
