#pragma once
// The communication log "SerialLog.log" in the working folder: one line per event,
// "hh:nn:ss text" and CR LF. A read-all writes some six hundred lines, so the file stays open
// between lines; before each line its size on disk is compared with what this log has written
// into it, and a file rotated, removed, truncated or appended to by another program since is
// opened again by its name. The log can therefore be read, copied or rotated between any two
// events. The one case the size cannot tell is a new file under the name that happens to hold
// exactly as many bytes as ours: the line then goes to the old file, until either log's next
// line makes the sizes differ.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace vq {

class SerialLog {
  public:
    static constexpr const char* kFileName = "SerialLog.log";

    explicit SerialLog(std::string workDir = {});

    void setWorkDir(std::string workDir);
    const std::string& workDir() const { return workDir_; }

    // The log file: kFileName in the working folder (the current directory when it is empty).
    std::string path() const { return path_.string(); }

    // Appends one line stamped with the time of `oleNow`. A line that cannot be written (no
    // folder, no permission, the name taken by something that is not a plain file) is dropped:
    // the result says so, nothing else happens and nothing waits.
    bool write(double oleNow, std::string_view text);

    // The stamp of a line: "hh:nn:ss" of an OLE date ("00:00:00" for a date out of range).
    static std::string TimeOfDay(double oleDate);

  private:
    // Opens the file under the log's name for appending, when it is a plain file or none.
    bool reopen();

    std::string workDir_;
    std::filesystem::path path_;
    std::ofstream out_;
    // The size the open file has when nobody else has touched it since our last line.
    std::uintmax_t written_ = 0;
    std::string line_;  // reused: no allocation per line
};

}  // namespace vq
