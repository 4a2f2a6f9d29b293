#include "sim/front/options.h"

#include "model/numeric.h"

namespace vq::sim {

const char* const kFrontUsage =
    "usage: vq5100-sim [--pty | --tcp [HOST:]PORT] [--state FILE] [--pace BAUD]\n"
    "                  [--faults drop=P,corrupt=P,split=P,cr=P,delay=MS] [--seed N] [--log]\n"
    "                  [--power-on-after SECONDS]\n"
    "  --pty          serve on a new pseudo-terminal; its path is the first line printed\n"
    "  --tcp ADDR     serve on TCP (default 127.0.0.1:5100); the address is the first line\n"
    "  --state FILE   load the instrument state from FILE (when it exists) and save it there\n"
    "  --pace BAUD    send no faster than BAUD (10 bits a byte)\n"
    "  --faults LIST  inject line faults into the answers, reproducibly from --seed\n"
    "  --seed N       seed of the faults and the reading noise (default 1)\n"
    "  --log          print every frame seen and sent on standard error\n"
    "  --power-on-after SECONDS\n"
    "                 after a power-off, switch on again SECONDS later (default: stay off)\n"
    "A switched-off instrument answers nothing, whatever the program does with the port, until\n"
    "it is switched on: by SIGUSR1 (kill -USR1 PID) or by --power-on-after.\n";

namespace {

std::optional<long> wholeNumber(const std::string& text, long low, long high) {
    const auto value = ParseNumber(text);
    if (!value || *value != static_cast<double>(static_cast<long>(*value)) || *value < low ||
        *value > high) {
        return std::nullopt;
    }
    return static_cast<long>(*value);
}

bool parseAddress(const std::string& text, FrontOptions& options) {
    const std::size_t colon = text.rfind(':');
    const std::string portText = colon == std::string::npos ? text : text.substr(colon + 1);
    const auto port = wholeNumber(portText, 0, 65535);
    if (!port) return false;
    if (colon != std::string::npos) {
        options.host = text.substr(0, colon);
        if (options.host.empty()) return false;
    }
    options.port = static_cast<int>(*port);
    return true;
}

}  // namespace

std::optional<FrontOptions> ParseFrontOptions(const std::vector<std::string>& args,
                                              std::string* error) {
    FrontOptions options;
    const auto fail = [error](const std::string& why) -> std::optional<FrontOptions> {
        *error = why;
        return std::nullopt;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size() && !args[i + 1].starts_with("--");
        const auto value = [&]() -> std::optional<std::string> {
            if (!hasValue) return std::nullopt;
            return args[++i];
        };
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--pty") {
            options.mode = FrontOptions::Mode::Pty;
        } else if (arg == "--tcp") {
            options.mode = FrontOptions::Mode::Tcp;
            if (hasValue && !parseAddress(*value(), options)) return fail("bad --tcp address");
        } else if (arg == "--state") {
            const auto file = value();
            if (!file) return fail("--state needs a file");
            options.stateFile = *file;
        } else if (arg == "--pace") {
            const auto text = value();
            const auto baud = text ? wholeNumber(*text, 1, 100'000'000) : std::nullopt;
            if (!baud) return fail("--pace needs a baud rate");
            options.paceBaud = *baud;
        } else if (arg == "--faults") {
            const auto text = value();
            if (!text) return fail("--faults needs a fault list");
            std::string why;
            const auto faults = ParseFaultList(*text, &why);
            if (!faults) return fail("--faults: " + why);
            options.faults = *faults;
        } else if (arg == "--seed") {
            const auto text = value();
            const auto seed = text ? ParseNumber(*text) : std::nullopt;
            if (!seed || *seed < 0 || *seed > 9.0e15 ||
                *seed != static_cast<double>(static_cast<std::uint64_t>(*seed))) {
                return fail("--seed needs a whole number");
            }
            options.seed = static_cast<std::uint64_t>(*seed);
        } else if (arg == "--log") {
            options.log = true;
        } else if (arg == "--power-on-after") {
            const auto text = value();
            const auto seconds = text ? wholeNumber(*text, 1, 86'400) : std::nullopt;
            if (!seconds) return fail("--power-on-after needs a number of seconds (1 to 86400)");
            options.powerOnAfter = *seconds;
        } else {
            return fail("unknown option " + arg);
        }
    }
    return options;
}

}  // namespace vq::sim
