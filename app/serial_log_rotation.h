#pragma once
// Keeps older communication logs as numbered generations in the working folder, for the window
// program and the command-line tool alike: SerialLog.log becomes SerialLog1.log, SerialLog1.log
// becomes SerialLog2.log, and so on; SerialLog9.log, the oldest kept, is replaced.

#include <filesystem>
#include <string>

namespace vq {

inline constexpr int kSerialLogGenerations = 9;

// Shifts every generation up by one. A file that cannot be moved or removed stops the shift
// where it is, with the reason in `error`: nothing is overwritten that was not first moved on,
// and nothing waits for a file to go away.
bool RotateSerialLogs(const std::filesystem::path& workDir, std::string* error);

}  // namespace vq
