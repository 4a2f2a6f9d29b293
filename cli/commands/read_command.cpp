// read [--seq FILE] [--csv]: every setting and the calibration history; printed, and on request
// stored as a settings command file and recorded as a "Read" row of the settings CSV.
#include <filesystem>

#include "app/settings_csv.h"
#include "app/settings_file.h"
#include "cli/command_table.h"
#include "cli/commands/command_support.h"
#include "cli/commands/commands.h"
#include "cli/commands/settings_print.h"
#include "cli/exit_codes.h"
#include "cli/output.h"
#include "cli/session.h"
#include "model/instrument.h"

namespace vq::cli {

int runRead(CommandContext& context) {
    const CommandArgs args(context.args, {"--seq"}, {"--csv"});
    if (const int status = checkArgs(context, args, 0); status != kExitSuccess) return status;
    if (const int status = connectSession(context); status != kExitSuccess) return status;
    InstrumentModel model;
    if (const int status = readAllSettings(context, model); status != kExitSuccess) return status;
    printSettings(model, context.out, pcNow(context));
    // Shown as held, and named: on stderr (or in the JSON warnings) and in the communication log.
    for (const std::string& warning : heldValueWarnings(model)) {
        context.out.warning(warning);
        context.session.line().log(warning);
    }

    int status = kExitSuccess;
    if (const auto seq = args.value("--seq")) {
        const std::filesystem::path path(*seq);
        const FileResult written = WriteSettingsFile(model, path);
        if (written.ok) {
            context.out.field("seqFile", "Settings file", QString::fromStdString(path.string()));
        } else {
            context.out.error("the settings file could not be written: " + written.error);
            status = kExitUsage;
        }
    }
    if (args.has("--csv") && !appendCsvRow(context, model, static_cast<int>(CsvAction::Read))) {
        status = kExitUsage;
    }
    return status;
}

}  // namespace vq::cli
