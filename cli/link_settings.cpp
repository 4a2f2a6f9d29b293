#include "cli/link_settings.h"

#include "app/app_config.h"
#include "app/config_file.h"

namespace vq::cli {

LinkSettings loadLinkSettings(const GlobalOptions& options, const std::filesystem::path& workDir) {
    LinkSettings settings;
    AppConfig config;
    FillBuiltInDefaults(config);
    const ConfigLoadResult loaded = LoadConfig(config, workDir);
    if (loaded.found && !loaded.complete) {
        settings.warnings.push_back(std::string(configFileName) + " was read up to line " +
                                    std::to_string(loaded.badLine) + " only: " + loaded.error);
    }
    if (loaded.found) {
        // A time-out of no seconds would give up on every reply at once.
        if (config.timeout >= 1 && config.timeout <= kMaxTimeoutSeconds) {
            settings.timeoutSeconds = config.timeout;
        }
        if (config.retry >= 0) settings.retry = config.retry;
        settings.keepOldLogs = config.serialLog;
        settings.records = config.recordsLocation;
    }
    if (options.retry) settings.retry = *options.retry;
    if (options.timeoutSeconds) settings.timeoutSeconds = *options.timeoutSeconds;
    if (options.records) settings.records = *options.records;
    return settings;
}

}  // namespace vq::cli
