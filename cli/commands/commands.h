#pragma once
// One entry point per command; each is defined in a file beside this one.

namespace vq::cli {

struct CommandContext;

int runProbe(CommandContext& context);
int runRead(CommandContext& context);
int runWrite(CommandContext& context);
int runDiff(CommandContext& context);
int runSetId(CommandContext& context);
int runSetClock(CommandContext& context);
int runCheckData(CommandContext& context);
int runClearLogger(CommandContext& context);
int runClearPower(CommandContext& context);
int runDefaults(CommandContext& context);
int runPowerOff(CommandContext& context);
int runZero(CommandContext& context);
int runSpan(CommandContext& context);
int runReadings(CommandContext& context);
int runDumpFlash(CommandContext& context);
int runDumpFram(CommandContext& context);
int runRecords(CommandContext& context);
// "records sync" and "records check" (the store itself); every other "records" to runRecords.
int runRecordsCommand(CommandContext& context);

}  // namespace vq::cli
