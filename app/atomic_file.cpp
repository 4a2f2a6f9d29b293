#include "app/atomic_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace vq {

namespace {

std::string describe(const std::filesystem::path& path, int err) {
    return path.string() + ": " + std::strerror(err);
}

// Closes the descriptor and removes the temporary file unless the write was committed.
class TempFile {
  public:
    TempFile() = default;
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    ~TempFile() {
        if (fd_ >= 0) ::close(fd_);
        if (!path_.empty()) ::unlink(path_.c_str());
    }

    // Creates a new, unique file next to `target`. Returns the errno on failure.
    int create(const std::filesystem::path& target, mode_t mode) {
        static std::atomic<unsigned> counter{0};
        std::filesystem::path folder = target.parent_path();
        for (int attempt = 0; attempt < 100; ++attempt) {
            std::string name = "." + target.filename().string() + ".tmp-" +
                               std::to_string(::getpid()) + "-" + std::to_string(counter++);
            std::filesystem::path candidate =
                folder.empty() ? std::filesystem::path(name) : folder / name;
            int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
            if (fd >= 0) {
                fd_ = fd;
                path_ = candidate.string();
                return 0;
            }
            if (errno != EEXIST) return errno;
        }
        return EEXIST;
    }

    int fd() const { return fd_; }
    const std::string& path() const { return path_; }

    // Closes the descriptor; the file stays until commit or destruction.
    int close() {
        int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0 ? 0 : errno;
    }

    // The file has been renamed to its target: nothing left to remove.
    void release() { path_.clear(); }

  private:
    int fd_ = -1;
    std::string path_;
};

int writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        data.remove_prefix(static_cast<size_t>(n));
    }
    return 0;
}

// After a rename the folder entry itself must reach the disk, or a power cut can bring the old
// name back. Best effort: some file systems refuse fsync on a folder.
void syncFolder(const std::filesystem::path& target) {
    std::filesystem::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// A process killed between creating its temporary file and the rename leaves the file behind.
// Temporary files of `target` whose writer no longer runs are removed before the next write.
void removeStaleTemporaries(const std::filesystem::path& target) {
    const std::string prefix = "." + target.filename().string() + ".tmp-";
    std::filesystem::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.rfind(prefix, 0) != 0) continue;
        char* end = nullptr;
        long pid = std::strtol(name.c_str() + prefix.size(), &end, 10);
        if (pid <= 0 || end == nullptr || *end != '-' || pid == ::getpid()) continue;
        if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
            ::unlink(it->path().c_str());
        }
    }
}

mode_t modeFor(const std::filesystem::path& target, AtomicWriteOptions options,
               bool& keepExisting) {
    keepExisting = false;
    if (options.ownerOnly) return S_IRUSR | S_IWUSR;
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        keepExisting = true;
        return st.st_mode & 07777;
    }
    return 0666;  // less the umask, as open applies it
}

// Where a write goes. A regular file (or a new one) is replaced through a temporary file beside
// its final name, found by following symlinks, so a link stays a link and its target gets the
// contents. Anything else that already exists (a character device such as /dev/null, a FIFO, a
// terminal, /dev/stdout) is written directly: renaming over it would put a regular file in its
// place, and a device node must never be replaced.
struct Destination {
    bool direct = false;
    std::filesystem::path path;
    int error = 0;
};

constexpr int kMaxLinkHops = 40;  // as the kernel allows

// A link in /proc (/dev/stdout, /dev/fd/N lead there) names an open descriptor, not a path: its
// text may be "pipe:[1234]", and a file reached through it is one the process already holds.
bool inProcFolder(const std::filesystem::path& link) {
    std::error_code ec;
    const std::filesystem::path folder =
        std::filesystem::canonical(link.parent_path().empty() ? "." : link.parent_path(), ec);
    return !ec && folder.string().rfind("/proc/", 0) == 0;
}

Destination destinationOf(const std::filesystem::path& target) {
    if (target.filename().empty()) return {false, target, EISDIR};
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return {false, target, EISDIR};
        if (!S_ISREG(st.st_mode)) return {true, target, 0};
    }
    std::filesystem::path path = target;
    for (int hops = 0;; ++hops) {
        struct stat link {};
        if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return {false, path, 0};
        if (hops == kMaxLinkHops) return {false, target, ELOOP};
        if (inProcFolder(path)) return {true, target, 0};
        std::error_code ec;
        const std::filesystem::path next = std::filesystem::read_symlink(path, ec);
        if (ec) return {false, target, ec.value()};
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
}

// Writes the pieces straight into something that is not a regular file (or is one only through
// an open descriptor's link). A FIFO nobody reads fails at once instead of waiting for a reader.
FileResult writeDirect(const std::filesystem::path& target,
                       std::initializer_list<std::string_view> pieces, bool append) {
    int fd = ::open(target.c_str(),
                    O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK | (append ? O_APPEND : 0));
    if (fd < 0) return FileResult::failure(describe(target, errno));
    struct stat st {};
    int err = ::fstat(fd, &st) != 0 ? errno : 0;
    // A regular file reached through /proc is rewritten as a whole, as ">" does.
    if (err == 0 && S_ISREG(st.st_mode) && !append && ::ftruncate(fd, 0) != 0) err = errno;
    // Waiting for a slow reader is fine once one is there.
    if (err == 0) {
        const int flags = ::fcntl(fd, F_GETFL);
        if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) err = errno;
    }
    for (std::string_view piece : pieces) {
        if (err == 0) err = writeAll(fd, piece);
    }
    if (::close(fd) != 0 && err == 0) err = errno;
    if (err != 0) return FileResult::failure(describe(target, err));
    return FileResult::success();
}

// Writes the pieces in order into a temporary file beside `path` (a regular file or a new name)
// and renames it over `path`.
FileResult replaceAt(const std::filesystem::path& path,
                     std::initializer_list<std::string_view> pieces, AtomicWriteOptions options) {
    bool keepExisting = false;
    mode_t mode = modeFor(path, options, keepExisting);

    removeStaleTemporaries(path);
    TempFile temp;
    if (int err = temp.create(path, mode)) return FileResult::failure(describe(path, err));
    // open() applies the umask; an existing file's or an owner-only mode is set exactly.
    if ((keepExisting || options.ownerOnly) && ::fchmod(temp.fd(), mode) != 0) {
        return FileResult::failure(describe(path, errno));
    }
    for (std::string_view piece : pieces) {
        if (int err = writeAll(temp.fd(), piece)) return FileResult::failure(describe(path, err));
    }
    if (::fsync(temp.fd()) != 0) return FileResult::failure(describe(path, errno));
    if (int err = temp.close()) return FileResult::failure(describe(path, err));
    if (::rename(temp.path().c_str(), path.c_str()) != 0) {
        return FileResult::failure(describe(path, errno));
    }
    temp.release();
    syncFolder(path);
    return FileResult::success();
}

// Where the whole lines of a file end: after its last line feed. A row cut short by a crash has
// none after it; a file with no line feed at all is left whole (it was never one of ours).
off_t endOfWholeLines(int fd, off_t size) {
    constexpr off_t kChunk = 64 * 1024;
    char buffer[kChunk];
    for (off_t end = size; end > 0;) {
        const off_t start = end > kChunk ? end - kChunk : 0;
        const ssize_t n = ::pread(fd, buffer, static_cast<size_t>(end - start), start);
        if (n <= 0) return size;
        for (ssize_t i = n - 1; i >= 0; --i)
            if (buffer[i] == '\n') return start + i + 1;
        end = start;
    }
    return size;
}

// The row goes onto the end of the file itself, so an append costs what the row costs, not what
// the file costs. A crash leaves the old file or the old file and part of a row; that part is cut
// off before the next row is added, and a write or flush that fails cuts the file back to where
// it was: the file always reads as whole rows.
FileResult appendInPlace(const std::filesystem::path& path, std::string_view text) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return FileResult::failure(describe(path, errno));
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return FileResult::failure(describe(path, err));
    }
    const off_t end = endOfWholeLines(fd, st.st_size);
    int err = 0;
    if (end != st.st_size && ::ftruncate(fd, end) != 0) err = errno;
    if (err == 0 && ::lseek(fd, end, SEEK_SET) < 0) err = errno;
    if (err == 0) err = writeAll(fd, text);
    if (err == 0 && ::fsync(fd) != 0) err = errno;
    if (err != 0) {
        if (::ftruncate(fd, end) == 0) ::fsync(fd);
        ::close(fd);
        return FileResult::failure(describe(path, err));
    }
    if (::close(fd) != 0) return FileResult::failure(describe(path, errno));
    return FileResult::success();
}

FileResult writeTo(const std::filesystem::path& target,
                   std::initializer_list<std::string_view> pieces, AtomicWriteOptions options) {
    const Destination destination = destinationOf(target);
    if (destination.error != 0) return FileResult::failure(describe(target, destination.error));
    if (destination.direct) return writeDirect(destination.path, pieces, false);
    return replaceAt(destination.path, pieces, options);
}

}  // namespace

FileResult WriteFileAtomically(const std::filesystem::path& target, std::string_view contents,
                               AtomicWriteOptions options) {
    return writeTo(target, {contents}, options);
}

FileResult AppendFileAtomically(const std::filesystem::path& target, std::string_view header,
                                std::string_view text) {
    const Destination destination = destinationOf(target);
    if (destination.error != 0) return FileResult::failure(describe(target, destination.error));
    // Something that is not a file holds no rows to keep, and its header, if any, was never
    // ours to write: the row alone goes out, as ">>" would send it.
    if (destination.direct) return writeDirect(destination.path, {text}, true);
    std::error_code ec;
    bool exists = std::filesystem::exists(destination.path, ec);
    if (ec) return FileResult::failure(describe(target, ec.value()));
    if (!exists) return replaceAt(destination.path, {header, text}, {});
    return appendInPlace(destination.path, text);
}

FileResult CopyFileAtomically(const std::filesystem::path& source,
                              const std::filesystem::path& target, AtomicWriteOptions options) {
    std::string error;
    auto contents = ReadWholeFile(source, error, std::numeric_limits<std::size_t>::max());
    if (!contents) return FileResult::failure(error);
    return writeTo(target, {*contents}, options);
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& path, std::string& error,
                                         std::size_t maxBytes) {
    // Non-blocking, so that opening a FIFO does not wait for a writer; it is refused below.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        error = describe(path, errno);
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        int err = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        ::close(fd);
        error = describe(path, err);
        return std::nullopt;
    }
    if (static_cast<std::size_t>(st.st_size) > maxBytes) {
        ::close(fd);
        error = describe(path, EFBIG);
        return std::nullopt;
    }
    std::string contents;
    contents.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            error = describe(path, errno);
            ::close(fd);
            return std::nullopt;
        }
        if (contents.size() + static_cast<std::size_t>(n) > maxBytes) {
            ::close(fd);
            error = describe(path, EFBIG);
            return std::nullopt;
        }
        contents.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return contents;
}

}  // namespace vq
