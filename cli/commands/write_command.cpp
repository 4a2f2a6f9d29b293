// write FILE [--dry-run]: every setting read, the settings command file loaded over them as
// "Load local file" does, reviewed, and written as "Update" does. diff FILE: the review alone.
#include <QJsonArray>
#include <QJsonObject>
#include <filesystem>

#include "app/settings_file.h"
#include "app/settings_review_text.h"
#include "app/update_validation.h"
#include "cli/command_table.h"
#include "cli/commands/command_support.h"
#include "cli/commands/commands.h"
#include "cli/commands/settings_write.h"
#include "cli/exit_codes.h"
#include "cli/output.h"
#include "model/instrument.h"
#include "model/settings_review.h"

namespace vq::cli {

namespace {

// Reads the instrument and loads the file over what it holds. kExitSuccess with `instrument`
// as read and `model` as it would be written, or the exit status of what went wrong.
int readAndLoad(CommandContext& context, const std::filesystem::path& path,
                InstrumentModel& instrument, InstrumentModel& model) {
    {
        // A file that does not load is refused before the instrument is touched.
        InstrumentModel scratch;
        const SettingsReadResult loaded = ImportSettingsFile(scratch, path);
        if (!loaded.ok) {
            context.out.error(loaded.message());
            return kExitUsage;
        }
    }
    if (const int status = connectSession(context); status != kExitSuccess) return status;
    if (const int status = readAllSettings(context, model); status != kExitSuccess) return status;
    instrument = model;
    const SettingsReadResult loaded = ImportSettingsFile(model, path);
    if (!loaded.ok) {
        context.out.error(loaded.message());
        return kExitUsage;
    }
    context.out.field("file", "Settings file", QString::fromStdString(path.string()));
    return kExitSuccess;
}

// Reads, loads and lists the changes; then writes them unless this is a review only.
int reviewThenWrite(CommandContext& context, bool mayWrite) {
    const CommandArgs args(
        context.args, {},
        mayWrite ? std::vector<std::string_view>{"--dry-run"} : std::vector<std::string_view>{});
    if (const int status = checkArgs(context, args, 1, 1); status != kExitSuccess) return status;
    InstrumentModel instrument, model;
    if (const int status = readAndLoad(context, args.positional().front(), instrument, model);
        status != kExitSuccess)
        return status;
    // `diff` and `--dry-run` refuse every file `write` would refuse, before anything is sent.
    if (const auto refusal = UpdateRefusalReason(model, false, &instrument)) {
        context.out.error(*refusal);
        return kExitUsage;
    }
    printReview(context.out, instrument, model, false);
    if (!mayWrite) return kExitSuccess;
    if (args.has("--dry-run")) {
        context.out.line("Dry run: nothing was written.");
        context.out.field("written", "", false);
        return kExitSuccess;
    }
    return writeSettings(context, instrument, model, false);
}

}  // namespace

int runWrite(CommandContext& context) {
    return reviewThenWrite(context, true);
}

int runDiff(CommandContext& context) {
    return reviewThenWrite(context, false);
}

}  // namespace vq::cli
