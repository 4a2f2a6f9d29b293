#include "ui/main/setup_options.h"

#include "app/command_line.h"

namespace vq {

SetupOptions parseSetupOptions(const std::vector<std::string>& arguments) {
    SetupOptions options;
    options.debugMode = DebugModeFromArguments(arguments);
    const LanguageOption lang = parseLanguageOption(arguments);
    options.language = lang.language;
    if (!lang.error.empty()) options.error = lang.error;

    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const auto error = takePortOption(arguments, i, options.ports);
        if (error && !error->empty() && options.error.empty()) options.error = *error;
    }
    if (options.error.empty()) options.error = checkPortOptions(options.ports);
    return options;
}

}  // namespace vq
