// write FILE: every setting read, the settings command file loaded over them as "Load local
// file" does, and written as "Update" does.
#include <filesystem>

#include "app/settings_file.h"
#include "cli/command_table.h"
#include "cli/commands/command_support.h"
#include "cli/commands/commands.h"
#include "cli/commands/settings_write.h"
#include "cli/exit_codes.h"
#include "cli/output.h"
#include "model/instrument.h"

namespace vq::cli {

int runWrite(CommandContext& context) {
    const CommandArgs args(context.args, {}, {});
    if (const int status = checkArgs(context, args, 1, 1); status != kExitSuccess) return status;
    const std::filesystem::path path(args.positional().front());
    {
        // A file that does not load is refused before the instrument is touched.
        clsInstrument scratch;
        const SettingsReadResult loaded = ImportSettingsFile(scratch, path);
        if (!loaded.ok) {
            context.out.error(loaded.message());
            return kExitUsage;
        }
    }
    if (const int status = connectSession(context); status != kExitSuccess) return status;
    clsInstrument model;
    if (const int status = readAllSettings(context, model); status != kExitSuccess) return status;
    const SettingsReadResult loaded = ImportSettingsFile(model, path);
    if (!loaded.ok) {
        context.out.error(loaded.message());
        return kExitUsage;
    }
    context.out.field("file", "Settings file", QString::fromStdString(path.string()));
    return writeSettings(context, model, false);
}

}  // namespace vq::cli
