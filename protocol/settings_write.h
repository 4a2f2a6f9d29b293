#pragma once
// The settings write: the request payloads built from an instrument model, and the run that sends
// every flagged setting in its fixed order. The run talks to the link through SettingsWriteChannel
// only, so it can be driven by the link over a real port or by a scripted channel in tests, and
// protocol/ never depends on link/.

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/record_fields.h"
#include "model/settings_table.h"

namespace vq {

class InstrumentModel;

// ---- Value forms of the write requests ----

// Decimal digits, a minus sign when negative, no fill.
std::string DecText(int value);
// "1" for a non-zero value, else "0".
std::string BitText(int value);

// The five levels of gases 0 to 4 (LevelFields), comma-separated.
std::string LevelList(const InstrumentModel& model, LevelKind kind);
// The 15 fields of library entry 0 or 1 (LibraryEntryFields, wire rule), each followed by ",".
std::string LibraryEntryText(const InstrumentModel& model, int entry);

// ---- The write run ----

// What the run needs from the link.
class SettingsWriteChannel {
  public:
    virtual ~SettingsWriteChannel() = default;
    // Sends the payload as a write (framed with EOT) and waits until the transaction ends. True
    // when it ended Done; false when it failed, was cancelled or stopped.
    virtual bool sendAndWait(const std::string& payload) = 0;
    // The reply frame the link last handed to the decoder.
    virtual std::string lastReply() const = 0;
    // Writes one serial-log line: the message text of `messageId` with its arguments.
    virtual void logMessage(int messageId, const std::vector<std::string>& args) = 0;
    // Now, as "yyyy/mm/dd hh:nn:ss".
    virtual std::string generalDateNow() const = 0;
    // A steady clock for the duration of the run.
    virtual std::chrono::milliseconds steadyNow() const = 0;
};

// The write that stopped a run, for the user: which setting, what was sent and what the
// instrument answered.
struct WriteFailure {
    enum class Kind {
        Differs,   // the answer carries other values than were sent
        Refused,   // the instrument answered NAK
        NoAnswer,  // no answer of this write arrived (time-out, line down, cancelled)
        Unsafe,    // not sent: the request held a control character
    };
    Kind kind = Kind::NoAnswer;
    std::string code;      // the command code, "BU"
    std::string sent;      // the request's values, as on the wire ("9,9,9,9")
    std::string answered;  // the answer's values as received (Differs only)
};

struct SettingsWriteResult {
    bool allWritesOk = false;   // no write failed
    bool anyWriteDone = false;  // at least one write was sent and succeeded
    // A level list (warning, alarm or auto-calibration) came back different from what was sent
    // in all three passes: the instrument holds other levels. This fails the run like any other
    // write the instrument did not take; the flags stay set.
    bool levelsUnconfirmed = false;
    // Set whenever allWritesOk is false because of a write (not for a run refused outright).
    std::optional<WriteFailure> failure;

    // The read-back after the run (link/write_verify.h); empty when nothing was acknowledged.
    // Every acknowledged write whose setting the instrument holds otherwise, in write order;
    // the first of them is `failure` unless a write of the run failed first.
    std::vector<WriteFailure> notHeld;
    // The read-back command that was not answered: the run is not verified and fails.
    std::string unreadBack;
    // The commands the instrument acknowledged and, read back, holds as sent ("XT", "WB").
    std::vector<std::string> confirmed;
    // The commands the instrument acknowledged that could not be read back (the read-back
    // stopped first): said as acknowledged, never as held.
    std::vector<std::string> unverified;
    // The model as the write began, with every setting read back taken from the instrument and
    // its change flag cleared: what the instrument holds, for the model as last read.
    std::shared_ptr<const InstrumentModel> held;
    // Frames the read-back sent (for the cost of verifying).
    int readBackFrames = 0;
    // The operation's Boolean: something was written and nothing failed.
    bool succeeded() const { return allWritesOk && anyWriteDone; }
};

// Sends every flagged setting of the model in the fixed order, clears the flags of the writes
// that succeeded, stops at the first failed write (the closing "DW,W," included) and logs the
// start and the finish or failure line.
SettingsWriteResult RunSettingsWrite(InstrumentModel& model, SettingsWriteChannel& channel);

// The run without a model: nothing is sent, the failure line is logged.
SettingsWriteResult RefuseSettingsWrite(SettingsWriteChannel& channel);

// True when `answered` (the values of an answer, comma-separated) holds, gas by gas, the same five
// levels as `sent` (a level list as LevelList builds it), compared as values: " 10.0" and "10"
// are the same level, "*****" is no value, and a word is never a level.
bool SameLevelList(std::string_view sent, std::string_view answered);

// The values of a reply frame as the user should see them: the payload after the key, control
// characters dropped, CRs read as commas. Empty when the frame is not an answer to `code`.
std::string ReplyValues(std::string_view frame, std::string_view code);

// A clock-style duration "hh:nn:ss" (hours keep counting past 24).
std::string DurationText(std::chrono::milliseconds elapsed);

}  // namespace vq
