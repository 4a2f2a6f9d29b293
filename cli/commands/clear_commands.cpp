// clear-logger, clear-power, defaults and power-off: the instrument operations of the same
// names, each confirmed by the instrument before it counts as done.
#include "app/write_operations.h"
#include "cli/command_table.h"
#include "cli/commands/command_support.h"
#include "cli/commands/commands.h"
#include "cli/exit_codes.h"
#include "cli/output.h"
#include "cli/session.h"
#include "messages/message_ids.h"

namespace vq::cli {
namespace {

struct ClearOperation {
    bool (WriteOperations::*run)();
    int start, success, failure;  // message ids
};

int runClear(CommandContext& context, const ClearOperation& operation) {
    const CommandArgs args(context.args, {}, {});
    if (const int status = checkArgs(context, args, 0); status != kExitSuccess) return status;
    if (const int status = connectSession(context); status != kExitSuccess) return status;
    context.out.line(messageLine(operation.start));
    if (!(context.session.writes().*operation.run)()) {
        context.out.error(messageLine(operation.failure));
        return kExitFailed;
    }
    context.out.line(messageLine(operation.success));
    context.out.field("done", "Done", true);
    return kExitSuccess;
}

}  // namespace

int runClearLogger(CommandContext& context) {
    return runClear(context, {&WriteOperations::BodyDataClear, msg::DataRemovalStartInfo,
                              msg::DataRemovalCompleteInfo, msg::DataRemovalFailInfo});
}

int runClearPower(CommandContext& context) {
    return runClear(context, {&WriteOperations::PowerDataClear, msg::ClearPowerStartInfo,
                              msg::ClearPowerCompleteInfo, msg::ClearPowerFailInfo});
}

int runDefaults(CommandContext& context) {
    return runClear(context, {&WriteOperations::DefaultInstrument, msg::DefaultStartInfo,
                              msg::DefaultCompleteInfo, msg::DefaultFailInfo});
}

int runPowerOff(CommandContext& context) {
    const CommandArgs args(context.args, {}, {});
    if (const int status = checkArgs(context, args, 0); status != kExitSuccess) return status;
    if (const int status = connectSession(context); status != kExitSuccess) return status;
    context.out.line(messageLine(msg::PowerOffInfo));  // "VQ-5100 Auto Power OFF."
    // The port is opened again whatever the instrument said; only its acknowledgement counts.
    if (!context.session.powerOff()) {
        context.out.error(
            messageLine(msg::PowerOffFailedInfo));  // "VQ-5100 Auto Power OFF Failed."
        return kExitFailed;
    }
    context.out.line(messageLine(msg::PowerOffCompleteInfo));
    context.out.field("done", "Done", true);
    return kExitSuccess;
}

}  // namespace vq::cli
