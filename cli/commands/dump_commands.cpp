// dump-flash [FILE] [--first N] [--last M] and dump-fram [FILE]: the memory dumps of debug mode,
// into VQ5100.DAT and DumpEF.dat in the working folder unless a file is named. A dump that fails
// leaves the file as it was.
#include <filesystem>
#include <fstream>

#include "app/records.h"
#include "app/staged_file.h"
#include "cli/command_table.h"
#include "cli/commands/command_support.h"
#include "cli/commands/commands.h"
#include "cli/exit_codes.h"
#include "cli/output.h"
#include "cli/session.h"
#include "model/instrument.h"

namespace vq::cli {
namespace {

std::filesystem::path dumpPath(CommandContext& context, const CommandArgs& args,
                               const char* defaultName) {
    if (!args.positional().empty()) return std::filesystem::path(args.positional().front());
    const std::string dir = context.options.workDir.empty() ? "." : context.options.workDir;
    return std::filesystem::path(dir) / defaultName;
}

// The dump fills a temporary file beside the target, which takes the target's name only when
// the dump is complete. A file that cannot be written is a file error, found before the
// instrument is asked: the dump itself cannot tell it from a failed transfer.
bool stage(CommandContext& context, StagedFile& file, bool keepContents) {
    FileResult made = file.prepare(keepContents);
    if (made) {
        const bool existed = std::filesystem::exists(file.path());
        if (!std::ofstream(file.path(), std::ios::binary | std::ios::app))
            made = FileResult::failure("cannot write \"" + file.path().string() + "\"");
        // A new file is made whole by the dump itself.
        else if (!existed)
            std::filesystem::remove(file.path());
    }
    if (made) return true;
    context.out.error(made.error);
    return false;
}

std::string fullPath(const std::filesystem::path& path) {
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    return (ec ? path : full.lexically_normal()).string();
}

// A dump goes into the instrument records under the serial number the identity read gives.
void recordDump(CommandContext& context, const std::filesystem::path& path) {
    InstrumentModel identity;
    if (!context.session.reads().readIdentity(identity))
        context.out.warning("the identity read after the dump failed");
    context.session.records().record(DumpRecord(identity, path.string(), pcNow(context)));
}

// A dump that failed: a file the disk did not take is a file error (exit 2) naming the file and
// the reason; anything else is a failed transfer (exit 1). Either way the target is untouched.
int dumpFailed(CommandContext& context, const char* what, const std::string& fileError,
               const StagedFile& file) {
    const std::string kept = file.target().string() + " is left as it was";
    if (!fileError.empty()) {
        context.out.error(std::string("the ") + what + " dump could not be written (" + fileError +
                          "); " + kept);
        return kExitUsage;
    }
    context.out.error(std::string("the ") + what + " dump failed; " + kept);
    return kExitFailed;
}

}  // namespace

int runDumpFlash(CommandContext& context) {
    const CommandArgs args(context.args, {"--first", "--last"}, {});
    if (const int status = checkArgs(context, args, 1); status != kExitSuccess) return status;
    const int lastBlock = InstrumentReads::lastFlashBlock();
    int first = 0;
    int last = lastBlock;
    for (const auto& [name, target] : {std::pair{"--first", &first}, std::pair{"--last", &last}}) {
        if (const auto given = args.value(name)) {
            const auto parsed = parseInt(*given, 0, lastBlock);
            if (!parsed) {
                context.out.error(std::string(name) + " \"" + *given +
                                  "\" is not a block from 0 to " + std::to_string(lastBlock));
                return kExitUsage;
            }
            *target = *parsed;
        }
    }
    if (first > last) {
        context.out.error("--first is after --last");
        return kExitUsage;
    }
    StagedFile image(dumpPath(context, args, "VQ5100.DAT"));
    // A part dump keeps the rest of an image.
    if (!stage(context, image, first != 0 || last != lastBlock)) return kExitUsage;
    if (const int status = connectSession(context); status != kExitSuccess) return status;
    InstrumentReads reads = context.session.reads();
    if (!reads.flashImage(image.path().string(), first, last)) {
        return dumpFailed(context, "flash", reads.dumpFileError(), image);
    }
    if (const FileResult saved = image.commit(); !saved) {
        context.out.error(saved.error);
        return kExitUsage;
    }
    recordDump(context, image.target());
    context.out.field("file", "Flash image", QString::fromStdString(fullPath(image.target())));
    context.out.field("blocks", "Blocks",
                      QString::fromStdString(std::to_string(first) + "-" + std::to_string(last)));
    return kExitSuccess;
}

int runDumpFram(CommandContext& context) {
    const CommandArgs args(context.args, {}, {});
    if (const int status = checkArgs(context, args, 1); status != kExitSuccess) return status;
    StagedFile listing(dumpPath(context, args, "DumpEF.dat"));
    if (!stage(context, listing, false)) return kExitUsage;
    if (const int status = connectSession(context); status != kExitSuccess) return status;
    InstrumentReads reads = context.session.reads();
    if (!reads.framListing(listing.path().string())) {
        return dumpFailed(context, "FRAM", reads.dumpFileError(), listing);
    }
    if (const FileResult saved = listing.commit(); !saved) {
        context.out.error(saved.error);
        return kExitUsage;
    }
    recordDump(context, listing.target());
    context.out.field("file", "FRAM listing", QString::fromStdString(fullPath(listing.target())));
    return kExitSuccess;
}

}  // namespace vq::cli
