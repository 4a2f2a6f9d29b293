#pragma once
// The communication log "SerialLog.log" in the working folder: one line per event,
// "hh:nn:ss text" and CR LF. The file is opened, appended and closed for every line, so it can
// be read, copied or rotated between any two events and no handle stays open.

#include <string>
#include <string_view>

namespace vq {

class SerialLog {
  public:
    static constexpr const char* kFileName = "SerialLog.log";

    explicit SerialLog(std::string workDir = {}) : workDir_(std::move(workDir)) {}

    void setWorkDir(std::string workDir) { workDir_ = std::move(workDir); }
    const std::string& workDir() const { return workDir_; }

    // The log file: kFileName in the working folder (the current directory when it is empty).
    std::string path() const;

    // Appends one line stamped with the time of `oleNow`. A line that cannot be written (no
    // folder, no permission, the name taken by something that is not a plain file) is dropped:
    // the result says so, nothing else happens and nothing waits.
    bool write(double oleNow, std::string_view text) const;

    // The stamp of a line: "hh:nn:ss" of an OLE date ("00:00:00" for a date out of range).
    static std::string TimeOfDay(double oleDate);

  private:
    std::string workDir_;
};

}  // namespace vq
