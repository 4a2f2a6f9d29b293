#include "link/serial_log.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
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
    pathText_ = path_.string();
}

bool SerialLog::write(double oleNow, std::string_view text) {
    if (!enabled_) return false;
    // A FIFO or device under the log's name would block the open; only plain files are written.
    std::error_code error;
    const auto status = std::filesystem::status(path_, error);
    const bool existed = std::filesystem::exists(status);
    if (existed && !std::filesystem::is_regular_file(status)) {
        failed(pathText_ + ": not a plain file");
        return false;
    }
    const std::uintmax_t before = existed ? std::filesystem::file_size(path_, error) : 0;

    line_ = TimeOfDay(oleNow);
    line_ += ' ';
    line_ += text;
    line_ += "\r\n";
    std::FILE* file = std::fopen(pathText_.c_str(), "ab");
    if (file == nullptr) {
        failed(pathText_ + ": " + std::strerror(errno));
        return false;
    }
    // Unbuffered: the whole line in one write, and no buffer to size from the file.
    std::setvbuf(file, nullptr, _IONBF, 0);
    errno = 0;
    const bool written = std::fwrite(line_.data(), 1, line_.size(), file) == line_.size();
    const int writeError = errno;
    const bool closed = std::fclose(file) == 0;
    if (written && closed) return true;
    // Part of the line may have reached the file: cut it back to the lines it held.
    if (!error) std::filesystem::resize_file(path_, before, error);
    failed(pathText_ + ": " + std::strerror(writeError != 0 ? writeError : errno));
    return false;
}

void SerialLog::failed(const std::string& reason) {
    // Once a run: on a full disk a short line may still fit between two long ones that do not,
    // and the report would repeat for every such turn.
    if (failing_) return;
    failing_ = true;
    if (report_) report_(reason);
}

}  // namespace vq
