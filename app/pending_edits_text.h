#pragma once
// The edits made in the window and not yet written, in words, for a question before a command
// that would lose them (DEFAULT resets the instrument and the window then reads it again): the
// person answering sees what goes, not just that something does.

#include <cstddef>
#include <string>

namespace vq {

class InstrumentModel;

// Empty when `edited` holds nothing that differs from `held` (the settings as last read).
// Otherwise a heading line with the count, then one line per setting ("Alarm, channel 2: 60
// (on the instrument: 50)") in write order, at most `maxLines` of them and a last line for the
// rest; lines end with CR LF between them.
std::string PendingEditsText(const InstrumentModel& held, const InstrumentModel& edited,
                             std::size_t maxLines = 12);

}  // namespace vq
