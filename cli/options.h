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

#include "app/config_bounds.h"
#include "platform/port_options.h"

namespace vq::cli {

// The bounds are the configuration file's (app/config_bounds.h): --retry 0 to 10 (0: one try,
// no resend), --timeout 1 to 60 seconds.
inline constexpr int kDefaultRetry = kRetryDefault;
inline constexpr int kDefaultTimeoutSeconds = kTimeoutDefaultSeconds;

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
