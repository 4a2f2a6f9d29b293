#pragma once
// The log rotation now lives in app/ (the window program uses it too); these names keep the
// command-line tool's code unchanged.

#include "app/serial_log_rotation.h"

namespace vq::cli {

inline constexpr int kSerialLogGenerations = vq::kSerialLogGenerations;

inline bool RotateSerialLogs(const std::filesystem::path& workDir, std::string* error) {
    return vq::RotateSerialLogs(workDir, error);
}

}  // namespace vq::cli
