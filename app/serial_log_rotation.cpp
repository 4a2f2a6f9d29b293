#include "app/serial_log_rotation.h"

#include <system_error>

namespace vq {
namespace {

std::filesystem::path generation(const std::filesystem::path& workDir, int n) {
    return workDir /
           (n == 0 ? std::string("SerialLog.log") : "SerialLog" + std::to_string(n) + ".log");
}

}  // namespace

bool RotateSerialLogs(const std::filesystem::path& workDir, std::string* error) {
    // Oldest first, so each name is free before the next younger file moves onto it.
    for (int n = kSerialLogGenerations - 1; n >= 0; --n) {
        const auto from = generation(workDir, n);
        std::error_code ec;
        if (!std::filesystem::exists(from, ec)) continue;
        const auto to = generation(workDir, n + 1);
        if (std::filesystem::exists(to, ec) && !std::filesystem::remove(to, ec)) {
            if (error) *error = "cannot remove " + to.string() + ": " + ec.message();
            return false;
        }
        std::filesystem::rename(from, to, ec);
        if (ec) {
            if (error) *error = "cannot rename " + from.string() + ": " + ec.message();
            return false;
        }
    }
    return true;
}

}  // namespace vq
