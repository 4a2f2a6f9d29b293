#include "cli/commands/command_support.h"

#include <algorithm>
#include <charconv>

#include "app/app_config.h"
#include "app/config_file.h"
#include "app/records.h"
#include "app/settings_csv.h"
#include "cli/command_table.h"
#include "cli/exit_codes.h"
#include "cli/output.h"
#include "cli/session.h"
#include "messages/messages.h"
#include "model/instrument.h"

namespace vq::cli {

CommandArgs::CommandArgs(const std::vector<std::string>& args, std::vector<std::string_view> valued,
                         std::vector<std::string_view> switches) {
    const auto contains = [](const std::vector<std::string_view>& list, std::string_view name) {
        return std::find(list.begin(), list.end(), name) != list.end();
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
            positional_.push_back(arg);
            continue;
        }
        if (contains(switches, arg)) {
            switches_.push_back(arg);
        } else if (contains(valued, arg)) {
            if (i + 1 >= args.size()) {
                error_ = arg + " needs a value";
                return;
            }
            values_.emplace_back(arg, args[++i]);
        } else {
            error_ = "unknown option " + arg;
            return;
        }
    }
}

std::optional<std::string> CommandArgs::value(std::string_view name) const {
    // The last one given wins, as with the global options.
    for (auto it = values_.rbegin(); it != values_.rend(); ++it)
        if (it->first == name) return it->second;
    return std::nullopt;
}

bool CommandArgs::has(std::string_view name) const {
    return std::find(switches_.begin(), switches_.end(), name) != switches_.end();
}

int connectSession(CommandContext& context) {
    return context.session.connect(context.out);
}

int checkArgs(CommandContext& context, const CommandArgs& args, std::size_t maxPositional,
              std::size_t minPositional) {
    if (!args.ok()) {
        context.out.error(args.error());
        return kExitUsage;
    }
    if (args.positional().size() > maxPositional) {
        context.out.error("unexpected argument " + args.positional()[maxPositional]);
        return kExitUsage;
    }
    if (args.positional().size() < minPositional) {
        context.out.error("missing argument");
        return kExitUsage;
    }
    return kExitSuccess;
}

std::optional<int> parseInt(std::string_view text, int min, int max) {
    int value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return std::nullopt;
    if (value < min || value > max) return std::nullopt;
    return value;
}

std::vector<std::string> splitCommas(std::string_view text) {
    std::vector<std::string> parts;
    if (text.empty()) return parts;
    std::size_t start = 0;
    while (true) {
        const auto comma = text.find(',', start);
        parts.emplace_back(text.substr(start, comma - start));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return parts;
}

int readAllSettings(CommandContext& context, InstrumentModel& model) {
    InstrumentReads reads = context.session.reads();
    if (!reads.readAll(model)) {
        // Which read stopped and why, never just that one did.
        context.out.error(reads.readFailureText(context.session.events().lineDropped));
        return kExitFailed;
    }
    // The history only adds the calibration record; settings without it are still complete.
    if (!reads.readLatestHistory(model))
        context.out.warning("the calibration history could not be read");
    context.session.records().record(ReadRecord(model, pcNow(context)));
    return kExitSuccess;
}

std::string messageLine(int id, const std::vector<std::string>& args) {
    std::string text = ResMessage(id, args);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
    return text;
}

double pcNow(CommandContext& context) {
    return context.session.line().localDateTime();
}

bool appendCsvRow(CommandContext& context, const InstrumentModel& model, int action) {
    AppConfig config;
    FillBuiltInDefaults(config);
    LoadConfig(config, context.session.workDir());
    const SettingsCsvExport done =
        ExportSettingsRecord(model, static_cast<CsvAction>(action), context.session.workDir(),
                             config.factoryRecordSuffix, pcNow(context));
    if (!done.notice.empty()) context.out.warning(done.notice);
    if (!done.result.ok)
        context.out.error("the settings record could not be written: " + done.result.error);
    return done.result.ok;
}

}  // namespace vq::cli
