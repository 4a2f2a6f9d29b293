#include "ui/main/setup_options.h"

#include "app/command_line.h"

namespace vq {

SetupOptions parseSetupOptions(const std::vector<std::string>& arguments) {
    SetupOptions options;
    options.debugMode = DebugModeFromArguments(arguments);
    const LanguageOption lang = parseLanguageOption(arguments);
    options.language = lang.language;
    if (!lang.error.empty()) options.error = lang.error;

    int portOptions = 0;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& arg = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        if (arg == "--simulator") {
            options.ports.mode = PortMode::Simulator;
            ++portOptions;
        } else if (arg == "--port") {
            ++portOptions;
            if (!hasValue) {
                options.error = "--port needs a device";
                continue;
            }
            options.ports.mode = PortMode::Serial;
            options.ports.device = arguments[++i];
        } else if (arg == "--socket") {
            ++portOptions;
            const auto address =
                hasValue ? parseSocketAddress(arguments[i + 1]) : std::optional<SocketAddress>{};
            if (!address) {
                options.error = "--socket needs HOST:PORT";
                if (hasValue) ++i;
                continue;
            }
            options.ports.mode = PortMode::Socket;
            options.ports.address = *address;
            ++i;
        }
    }
    if (portOptions > 1) options.error = "use only one of --simulator, --port and --socket";
    return options;
}

}  // namespace vq
