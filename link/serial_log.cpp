#include "link/serial_log.h"

#include <cstdio>
#include <system_error>

#include "model/ole_date.h"

namespace vq {

std::string SerialLog::TimeOfDay(double oleDate) {
    const auto parts = OleDateToParts(oleDate);
    if (!parts) return "00:00:00";
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", parts->hour, parts->minute, parts->second);
    return text;
}

SerialLog::SerialLog(std::string workDir) {
    setWorkDir(std::move(workDir));
}

void SerialLog::setWorkDir(std::string workDir) {
    workDir_ = std::move(workDir);
    path_ = workDir_.empty() ? std::filesystem::path(kFileName)
                             : std::filesystem::path(workDir_) / kFileName;
    out_.close();
}

bool SerialLog::reopen() {
    out_.close();
    out_.clear();
    // A FIFO or device under the log's name would block the open; only plain files are written.
    std::error_code error;
    const auto status = std::filesystem::status(path_, error);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) return false;
    out_.open(path_, std::ios::binary | std::ios::app);
    if (!out_) return false;
    const auto size = std::filesystem::file_size(path_, error);
    written_ = error ? 0 : size;
    return true;
}

bool SerialLog::write(double oleNow, std::string_view text) {
    // One look at the name per line: anything but our own last size means the file under the
    // name is not (or no longer only) the one held open.
    std::error_code error;
    const auto size = std::filesystem::file_size(path_, error);
    if (!out_.is_open() || error || size != written_) {
        if (!reopen()) return false;
    }
    line_ = TimeOfDay(oleNow);
    line_ += ' ';
    line_ += text;
    line_ += "\r\n";
    out_.write(line_.data(), static_cast<std::streamsize>(line_.size()));
    out_.flush();
    if (!out_) {
        out_.close();  // a full disk: the next line tries afresh
        return false;
    }
    written_ += line_.size();
    return true;
}

}  // namespace vq
