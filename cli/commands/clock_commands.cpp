// set-clock [--time "yyyy/mm/dd hh:nn:ss"] and check-data: the instrument clock and the check
// date, as "Date/Time Set" and "Write Check Data" set them.
#include "app/clock_set.h"
#include "app/write_operations.h"
#include "cli/command_table.h"
#include "cli/commands/command_support.h"
#include "cli/commands/commands.h"
#include "cli/exit_codes.h"
#include "cli/output.h"
#include "cli/session.h"
#include "messages/messages.h"
#include "model/instrument.h"
#include "model/ole_date.h"

namespace vq::cli {

int runSetClock(CommandContext& context) {
    const CommandArgs args(context.args, {"--time"}, {});
    if (const int status = checkArgs(context, args, 0); status != kExitSuccess) return status;
    std::optional<double> time;
    if (const auto given = args.value("--time")) {
        time = ParseGeneralDate(*given);
        if (!time) {
            context.out.error("--time \"" + *given + "\" is not a date \"yyyy/mm/dd hh:nn:ss\"");
            return kExitUsage;
        }
    }
    if (const int status = connectSession(context); status != kExitSuccess) return status;
    WriteOperations& writes = context.session.writes();
    // What will change, before it does: the instrument's clock as it reads now, and the time
    // that replaces it.
    InstrumentModel clock;
    const bool clockRead = writes.ReadClock(clock);
    // Taken after the connection and the read, so the clock is not set late by their seconds.
    const double when = time.value_or(pcNow(context));
    const std::string before = InstrumentClockText(clockRead ? &clock : nullptr, pcNow(context));
    context.out.field("clockBefore", "Instrument clock", QString::fromStdString(before));
    context.out.field("clockToWrite", time ? "Time to be written" : "PC time to be written",
                      QString::fromStdString(GeneralDate(when)));
    // The window's "Date/Time Set" flow (app/clock_set.h).
    if (!RunSetClock(writes, when, [&context] { return pcNow(context); })) {
        context.out.error(messageLine(msg::DateTimeSetFailedInfo));
        return kExitFailed;
    }
    context.out.field("clock", "Instrument clock set to",
                      QString::fromStdString(GeneralDate(when)));
    return kExitSuccess;
}

int runCheckData(CommandContext& context) {
    const CommandArgs args(context.args, {}, {});
    if (const int status = checkArgs(context, args, 0); status != kExitSuccess) return status;
    if (const int status = connectSession(context); status != kExitSuccess) return status;
    if (!RunCheckData(context.session.writes(), pcNow(context))) {
        context.out.error(messageLine(msg::UploadFailedInfo));
        return kExitFailed;
    }
    context.out.line(messageLine(msg::UploadCompleteInfo));  // "VQ-5100 Upload Complete."
    context.out.field("written", "Written", true);
    return kExitSuccess;
}

}  // namespace vq::cli
