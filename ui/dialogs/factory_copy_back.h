#pragma once
// Hands the factory dialog's edits back to the caller's model: every field the dialog edits whose
// change flag is set in the working copy is stored into the target through its setter (which
// marks the target's flag for the next write). Fields without a flag are left alone, so the
// target's own values and flags are untouched.

namespace vq {

class InstrumentModel;

void CopyFlaggedFactoryFields(const InstrumentModel& work, InstrumentModel& target);

}  // namespace vq
