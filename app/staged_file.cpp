#include "app/staged_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

namespace vq {

namespace {

FileResult failed(const std::filesystem::path& path, const std::error_code& ec) {
    return FileResult::failure(path.string() + ": " + ec.message());
}

// The data must be on the disk before the name points at it, or a power cut could leave a
// complete-looking name over a hole.
std::error_code syncFile(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {errno, std::generic_category()};
    std::error_code ec;
    if (::fsync(fd) != 0) ec = {errno, std::generic_category()};
    ::close(fd);
    return ec;
}

constexpr int kMaxLinkHops = 40;  // as the kernel allows

// The file a chain of symlinks ends at (which may not exist yet): it gets the contents, and the
// links stay links.
std::filesystem::path finalTarget(std::filesystem::path path) {
    for (int hops = 0; hops < kMaxLinkHops; ++hops) {
        std::error_code ec;
        if (!std::filesystem::is_symlink(std::filesystem::symlink_status(path, ec))) return path;
        const std::filesystem::path next = std::filesystem::read_symlink(path, ec);
        if (ec) return path;
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    return path;
}

}  // namespace

StagedFile::StagedFile(const std::filesystem::path& target) : target_(target) {
    std::error_code ec;
    const auto status = std::filesystem::status(target_, ec);
    direct_ = std::filesystem::exists(status) && !std::filesystem::is_regular_file(status) &&
              !std::filesystem::is_directory(status);
    if (direct_) {
        staging_ = target_;
        return;
    }
    target_ = finalTarget(target_);
    // Hidden and named after the target, so a leftover of a killed run is recognisable and
    // replaced by the next one.
    staging_ = target_.parent_path() / ("." + target_.filename().string() + ".part");
}

StagedFile::~StagedFile() {
    if (committed_ || direct_) return;
    std::error_code ec;
    std::filesystem::remove(staging_, ec);
}

FileResult StagedFile::prepare(bool keepContents) {
    if (direct_) return FileResult::success();
    if (target_.filename().empty() || std::filesystem::is_directory(target_))
        return failed(target_, std::make_error_code(std::errc::is_a_directory));
    std::error_code ec;
    std::filesystem::remove(staging_, ec);
    if (ec) return failed(staging_, ec);
    if (keepContents && std::filesystem::is_regular_file(target_, ec)) {
        std::filesystem::copy_file(target_, staging_,
                                   std::filesystem::copy_options::overwrite_existing, ec);
        if (ec) return failed(staging_, ec);
    }
    return FileResult::success();
}

FileResult StagedFile::commit() {
    if (direct_) return FileResult::success();
    if (std::error_code ec = syncFile(staging_)) return failed(staging_, ec);
    std::error_code ec;
    std::filesystem::rename(staging_, target_, ec);
    if (ec) return failed(target_, ec);
    committed_ = true;
    return FileResult::success();
}

}  // namespace vq
