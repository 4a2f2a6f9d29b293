#pragma once
// The command line of vq5100ctl:
//   vq5100ctl [--simulator | --port DEVICE [--settings TEXT] | --socket HOST:PORT] [--retry N]
//             [--timeout S] [--workdir DIR] [--lang en|ja] [--records URL] [--json]
//             COMMAND [ARGS]
// Global options come before the command; everything after the command name belongs to it.

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/port_options.h"

namespace vq::cli {

inline constexpr int kDefaultRetry = 3;
inline constexpr int kDefaultTimeoutSeconds = 3;
// The link holds the time-out as 100 ms ticks in 16 bits.
inline constexpr int kMaxTimeoutSeconds = 3276;

struct GlobalOptions {
    PortOptions ports;
    // Unset: the configuration file or the defaults decide.
    std::optional<int> retry;
    std::optional<int> timeoutSeconds;
    std::string workDir;  // empty: the current directory
    std::string lang;     // empty: the user's locale
    // The instrument records (--records); unset: the configuration file, else the default file.
    std::optional<std::string> records;
    bool json = false;
    bool help = false;
};

struct CommandLine {
    GlobalOptions options;
    std::string command;
    std::vector<std::string> args;
};

struct UsageError {
    std::string message;
};

// Parses the arguments after the program name.
std::variant<CommandLine, UsageError> parseCommandLine(const std::vector<std::string>& args);

// The usage text printed for --help and after a usage error.
std::string usageText();

}  // namespace vq::cli
