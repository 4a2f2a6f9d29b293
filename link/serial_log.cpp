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
    pathText_ = path_.string();
}

bool SerialLog::write(double oleNow, std::string_view text) {
    // A FIFO or device under the log's name would block the open; only plain files are written.
    std::error_code error;
    const auto status = std::filesystem::status(path_, error);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) return false;

    line_ = TimeOfDay(oleNow);
    line_ += ' ';
    line_ += text;
    line_ += "\r\n";
    std::FILE* file = std::fopen(pathText_.c_str(), "ab");
    if (file == nullptr) return false;
    // Unbuffered: the whole line in one write, and no buffer to size from the file.
    std::setvbuf(file, nullptr, _IONBF, 0);
    const bool written = std::fwrite(line_.data(), 1, line_.size(), file) == line_.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace vq
