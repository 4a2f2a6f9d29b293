#include "platform/port_options.h"

#include "platform/serial_settings.h"

namespace vq {
namespace {

std::optional<std::string> setMode(PortOptions& options, PortMode mode) {
    if (options.mode != PortMode::Auto && options.mode != mode) {
        return "choose one of --simulator, --port and --socket";
    }
    options.mode = mode;
    return std::string();
}

}  // namespace

std::optional<std::string> takePortOption(const std::vector<std::string>& arguments, std::size_t& i,
                                          PortOptions& options) {
    std::string name = arguments[i];
    std::optional<std::string> value;
    if (const auto eq = name.find('='); eq != std::string::npos) {
        value = name.substr(eq + 1);
        name.resize(eq);
    }
    if (name == "--simulator") {
        if (value) return name + " takes no value";
        return setMode(options, PortMode::Simulator);
    }
    if (name != "--port" && name != "--settings" && name != "--socket") return std::nullopt;
    if (!value) {
        if (i + 1 >= arguments.size()) return name + " needs a value";
        value = arguments[++i];
    }
    if (name == "--port") {
        if (value->empty()) return "--port needs a device";
        options.device = *value;
        return setMode(options, PortMode::Serial);
    }
    if (name == "--settings") {
        if (!parseSerialSettings(*value)) return "--settings \"" + *value + "\" is not valid";
        options.settings = *value;
        options.settingsGiven = true;
        return std::string();
    }
    const auto address = parseSocketAddress(*value);
    if (!address || value->empty()) return "--socket \"" + *value + "\" is not HOST:PORT";
    options.address = *address;
    return setMode(options, PortMode::Socket);
}

std::string checkPortOptions(const PortOptions& options) {
    if (options.settingsGiven && options.mode != PortMode::Serial) {
        return "--settings goes with --port";
    }
    return {};
}

}  // namespace vq
