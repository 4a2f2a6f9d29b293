#pragma once
// The communication log "SerialLog.log" in the working folder: one line per event,
// "hh:nn:ss text" and CR LF. The file is opened, appended and closed for every line, so it can
// be read, copied or rotated between any two events and no handle stays open. A read-all
// writes some six hundred lines, so a line costs no more than that: the path is built once, and
// the line goes out in one unbuffered write.

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace vq {

class SerialLog {
  public:
    static constexpr const char* kFileName = "SerialLog.log";

    explicit SerialLog(std::string workDir = {});

    void setWorkDir(std::string workDir);
    const std::string& workDir() const { return workDir_; }

    // Told once, when lines first start being dropped (a full disk, the file-size limit, no
    // permission), with the file's name and the reason.
    using FailureReport = std::function<void(const std::string& reason)>;
    void setFailureReport(FailureReport report) { report_ = std::move(report); }

    // Off ("SERIAL LOG FILE OFF" in the configuration): no line is written and no file made.
    void setEnabled(bool on) { enabled_ = on; }
    bool enabled() const { return enabled_; }

    // The log file: kFileName in the working folder (the current directory when it is empty).
    const std::string& path() const { return pathText_; }

    // Appends one line stamped with the time of `oleNow`. A line that cannot be written (no
    // folder, no permission, the name taken by something that is not a plain file, a full disk)
    // is dropped whole (a line cut by the disk is cut off again, so the log never holds half a
    // line): the result says so, the failure report is told, and nothing waits. Off: false,
    // nothing written.
    bool write(double oleNow, std::string_view text);

    // The stamp of a line: "hh:nn:ss" of an OLE date ("00:00:00" for a date out of range).
    static std::string TimeOfDay(double oleDate);

  private:
    std::string workDir_;
    std::filesystem::path path_;
    std::string pathText_;
    void failed(const std::string& reason);

    std::string line_;  // reused: no allocation per line
    bool enabled_ = true;
    bool failing_ = false;
    FailureReport report_;
};

}  // namespace vq
