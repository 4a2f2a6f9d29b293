#pragma once
// Crash-safe file writes for the program's own files (configuration, settings command file,
// settings CSV). A file is never rewritten in place (an append adds to the end, see below): the
// new contents go to a temporary file in
// the same folder, are flushed to the disk (fsync), and the temporary file is renamed over the
// old one. Whatever moment the process dies at, the target holds either the old or the new
// contents, complete. A failure (read-only folder, full disk, a name that is a folder) removes
// the temporary file, leaves the old file as it was and is returned as a message.
//
// A symlink is followed to its final target: the temporary file is made beside that target and
// renamed over it, and the link stays. A name that is not a regular file (a character device
// such as /dev/null, a FIFO, a terminal, /dev/stdout) is written directly, without temporary file
// and rename: nothing here ever replaces a device node or a link. A FIFO that nobody reads is a
// failure, not a wait.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vq {

// The outcome of a file operation: ok, or the message the caller shows.
struct FileResult {
    bool ok = true;
    std::string error;  // the path and the system's description of the failure

    static FileResult success() { return {}; }
    static FileResult failure(std::string message) { return {false, std::move(message)}; }
    explicit operator bool() const { return ok; }
};

struct AtomicWriteOptions {
    // Owner read and write only (files that hold a secret); otherwise an existing file keeps
    // its permissions and a new one gets the usual ones (0666 less the umask).
    bool ownerOnly = false;
};

// Replaces (or creates) `target` with `contents` through temporary file, fsync and rename.
FileResult WriteFileAtomically(const std::filesystem::path& target, std::string_view contents,
                               AtomicWriteOptions options = {});

// Appends `text` (whole lines) to `target`, in place: the append costs what the row costs, not
// what the file costs. The file always reads as the old lines, or the old lines and the new row:
// a row that a crash cut short is removed before the next one is added, and a failed write or
// flush cuts the file back to where it was. When the file does not exist yet, it is created with
// `header` followed by `text` in one crash-safe step, so a header is never written without its
// first row. To a target that is not a regular file only `text` is written.
FileResult AppendFileAtomically(const std::filesystem::path& target, std::string_view header,
                                std::string_view text);

// Copies `source` to `target` through the same crash-safe write (used for backups).
FileResult CopyFileAtomically(const std::filesystem::path& source,
                              const std::filesystem::path& target, AtomicWriteOptions options = {});

// The whole contents of a regular file. nullopt with `error` set when it cannot be read, when it
// is not a regular file (a folder, a device, a FIFO: refused without waiting for a writer) or
// when it is larger than `maxBytes`.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path, std::string& error,
                                         std::size_t maxBytes = 64u << 20);

}  // namespace vq
