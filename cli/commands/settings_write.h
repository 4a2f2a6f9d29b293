#pragma once
// The settings write that `write` and `set-id` end with, as "Update" and "Update ID" run it:
// the checks, the flags of what is sent, the write, and the "Write" or "Write ID" row of the
// settings CSV.

namespace vq {
class clsInstrument;
}

namespace vq::cli {

struct CommandContext;

// `model` holds the settings as read and then edited; the link is bound to it. The exit status:
// kExitUsage when the checks refuse the settings (nothing is sent) or the record cannot be
// written, kExitFailed when the instrument did not take every write.
int writeSettings(CommandContext& context, clsInstrument& model, bool idOnly);

}  // namespace vq::cli
