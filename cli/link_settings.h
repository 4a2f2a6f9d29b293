#pragma once
// The link settings of one vq5100ctl run: retry and time-out from the command line, else from
// VQ5100Config.ini in the working folder, else 3 and 3; and whether the communication log is
// written ("SERIAL LOG FILE" in the configuration).

#include <filesystem>
#include <string>
#include <vector>

#include "cli/options.h"

namespace vq::cli {

struct LinkSettings {
    int retry = kDefaultRetry;
    int timeoutSeconds = kDefaultTimeoutSeconds;
    // "SERIAL LOG FILE": on (also without a configuration file) writes the communication log
    // and keeps the older ones as numbered generations; off writes none.
    bool serialLog = true;
    // Where the instrument records are kept: --records, else the configuration's "Records".
    std::string records;
    // Problems met in the configuration file; the run goes on with what could be read.
    std::vector<std::string> warnings;
};

LinkSettings loadLinkSettings(const GlobalOptions& options, const std::filesystem::path& workDir);

}  // namespace vq::cli
