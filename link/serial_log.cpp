#include "link/serial_log.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
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

std::string SerialLog::path() const {
    if (workDir_.empty()) return kFileName;
    return (std::filesystem::path(workDir_) / kFileName).string();
}

bool SerialLog::write(double oleNow, std::string_view text) const {
    const std::string file = path();
    // A FIFO or device under the log's name would block the open; only plain files are written.
    std::error_code error;
    const auto status = std::filesystem::status(file, error);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) return false;

    std::string line = TimeOfDay(oleNow);
    line += ' ';
    line += text;
    line += "\r\n";
    std::ofstream out(file, std::ios::binary | std::ios::app);
    if (!out) return false;
    out.write(line.data(), static_cast<std::streamsize>(line.size()));
    out.close();
    return !out.fail();
}

}  // namespace vq
