#pragma once
// The settings write that `write` and `set-id` end with, as "Update" and "Update ID" run it:
// the checks, the flags of what is sent, the write, and the "Write" or "Write ID" row of the
// settings CSV.

namespace vq {
class InstrumentModel;
}

namespace vq::cli {

struct CommandContext;
class Output;

// What writing `toWrite` over what the instrument holds would change, for people or as JSON
// ("changes", "unchanged_written"); `idOnly` lists only what "Update ID" sends.
void printReview(Output& out, const InstrumentModel& onInstrument, const InstrumentModel& toWrite,
                 bool idOnly);

// `model` holds the settings as read and then edited; the link is bound to it. `onInstrument`
// the settings as read, for the instrument records' review list. The exit status:
// kExitUsage when the checks refuse the settings (nothing is sent) or the record cannot be
// written, kExitFailed when the instrument did not take every write.
int writeSettings(CommandContext& context, const InstrumentModel& onInstrument,
                  InstrumentModel& model, bool idOnly);

}  // namespace vq::cli
