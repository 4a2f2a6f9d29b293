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
        const std::string& word = arguments[i];
        if (word == "--records" || word.rfind("--records=", 0) == 0) {
            const bool inlineValue = word != "--records";
            if (!inlineValue && i + 1 < arguments.size()) options.records = arguments[++i];
            if (inlineValue) options.records = word.substr(10);
            if ((!options.records || options.records->empty()) && options.error.empty())
                options.error = "--records needs a database file or a postgresql:// address";
            continue;
        }
        const auto error = takePortOption(arguments, i, options.ports);
        if (error && !error->empty() && options.error.empty()) options.error = *error;
    }
    if (options.error.empty()) options.error = checkPortOptions(options.ports);
    return options;
}

}  // namespace vq
