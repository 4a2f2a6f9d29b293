#include "cli/link_settings.h"

#include "app/app_config.h"
#include "app/config_file.h"

namespace vq::cli {

LinkSettings loadLinkSettings(const GlobalOptions& options, const std::filesystem::path& workDir) {
    LinkSettings settings;
    AppConfig config;
    FillBuiltInDefaults(config);
    const ConfigLoadResult loaded = LoadConfig(config, workDir);
    const std::filesystem::path path = ConfigFilePath(workDir);
    for (const ConfigProblem& problem : loaded.problems)
        settings.warnings.push_back(ConfigProblemMessage(problem, path));
    if (loaded.found && !loaded.complete && loaded.problems.empty())
        settings.warnings.push_back(path.string() + ": " + loaded.error);
    // The reader keeps retry and time-out within their bounds; a refused line leaves the
    // defaults. Without a file the defaults hold too, the communication log included.
    settings.retry = config.retry;
    settings.timeoutSeconds = config.timeout;
    settings.serialLog = config.serialLog;
    settings.records = config.recordsLocation;
    if (options.retry) settings.retry = *options.retry;
    if (options.timeoutSeconds) settings.timeoutSeconds = *options.timeoutSeconds;
    if (options.records) settings.records = *options.records;
    return settings;
}

}  // namespace vq::cli
