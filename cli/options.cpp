#include "cli/options.h"

#include <charconv>

#include "cli/command_table.h"
#include "platform/port_options.h"

namespace vq::cli {
namespace {

std::optional<int> wholeNumber(const std::string& text) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

class ArgReader {
  public:
    explicit ArgReader(const std::vector<std::string>& args) : args_(args) {}
    bool done() const { return next_ >= args_.size(); }
    const std::string& peek() const { return args_[next_]; }
    std::string take() { return args_[next_++]; }
    // The index of the next argument, for readers that take several at once.
    std::size_t& position() { return next_; }
    // The value of an option: "--retry 5" or "--retry=5".
    std::optional<std::string> value(const std::string& inlineValue, bool hasInline) {
        if (hasInline) return inlineValue;
        if (done()) return std::nullopt;
        return take();
    }
    std::vector<std::string> rest() {
        std::vector<std::string> out(args_.begin() + static_cast<long>(next_), args_.end());
        next_ = args_.size();
        return out;
    }

  private:
    const std::vector<std::string>& args_;
    std::size_t next_ = 0;
};

// Applies one global option; the error text when it is wrong.
std::optional<std::string> applyOption(GlobalOptions& options, const std::string& name,
                                       ArgReader& reader, const std::string& inlineValue,
                                       bool hasInline) {
    if (name == "--json" || name == "--help" || name == "-h") {
        if (hasInline) return name + " takes no value";
        if (name == "--json")
            options.json = true;
        else
            options.help = true;
        return std::nullopt;
    }
    if (name != "--retry" && name != "--timeout" && name != "--workdir" && name != "--lang" &&
        name != "--records") {
        return "unknown option " + name;
    }
    const auto value = reader.value(inlineValue, hasInline);
    if (!value) return name + " needs a value";
    if (name == "--retry") {
        const auto n = wholeNumber(*value);
        if (!n || *n < kRetryMin || *n > kRetryMax) {
            return "--retry needs a whole number from " + std::to_string(kRetryMin) + " to " +
                   std::to_string(kRetryMax);
        }
        options.retry = *n;
        return std::nullopt;
    }
    if (name == "--timeout") {
        const auto n = wholeNumber(*value);
        if (!n || *n < kTimeoutMinSeconds || *n > kTimeoutMaxSeconds) {
            return "--timeout needs whole seconds from " + std::to_string(kTimeoutMinSeconds) +
                   " to " + std::to_string(kTimeoutMaxSeconds);
        }
        options.timeoutSeconds = *n;
        return std::nullopt;
    }
    if (name == "--workdir") {
        if (value->empty()) return "--workdir needs a folder";
        options.workDir = *value;
        return std::nullopt;
    }
    if (name == "--records") {
        if (value->empty()) return "--records needs a database file or a postgresql:// address";
        options.records = *value;
        return std::nullopt;
    }
    // --lang
    if (*value != "en" && *value != "ja") return "--lang is en or ja";
    options.lang = *value;
    return std::nullopt;
}

}  // namespace

std::variant<CommandLine, UsageError> parseCommandLine(const std::vector<std::string>& args) {
    CommandLine line;
    ArgReader reader(args);
    while (!reader.done() && reader.peek().rfind("-", 0) == 0) {
        std::size_t at = reader.position();
        if (auto error = takePortOption(args, at, line.options.ports)) {
            if (!error->empty()) return UsageError{*error};
            reader.position() = at + 1;
            continue;
        }
        std::string name = reader.take();
        std::string inlineValue;
        const auto eq = name.find('=');
        const bool hasInline = eq != std::string::npos;
        if (hasInline) {
            inlineValue = name.substr(eq + 1);
            name.resize(eq);
        }
        if (auto error = applyOption(line.options, name, reader, inlineValue, hasInline)) {
            return UsageError{*error};
        }
    }
    if (std::string error = checkPortOptions(line.options.ports); !error.empty()) {
        return UsageError{error};
    }
    if (reader.done()) {
        if (line.options.help) return line;
        return UsageError{"no command given"};
    }
    line.command = reader.take();
    if (!findCommand(line.command)) return UsageError{"unknown command \"" + line.command + "\""};
    line.args = reader.rest();
    return line;
}

std::string usageText() {
    std::string text =
        "usage: vq5100ctl [--simulator | --port DEVICE [--settings TEXT] | --socket HOST:PORT]\n"
        "                 [--retry N] [--timeout S] [--workdir DIR] [--lang en|ja]\n"
        "                 [--records FILE|postgresql://USER@HOST:PORT/DB] [--json]\n"
        "                 COMMAND [ARGS]\n"
        "commands:\n";
    for (const auto& command : commandTable()) {
        text += "  " + std::string(command.name);
        text.append(command.name.size() < 14 ? 14 - command.name.size() : 1, ' ');
        text += std::string(command.summary) + "\n";
    }
    text +=
        "exit status: 0 success, 1 the operation failed, 2 usage or file error, 3 no instrument "
        "answered, 4 records due: an instrument has failed, is overdue or is due\n";
    return text;
}

}  // namespace vq::cli
