#pragma once
// What the records say about one instrument: failed, overdue, due, ok or unknown, and its due
// date. The rule lives here, apart from any database, so it can be read and tested on event
// histories; the stores keep only the evidence it folds (see FoldEvent) and ask it for the state.
//
// Why it is built this way:
// - When a channel was calibrated is what the instrument itself reports (the calibration history
//   a read or a run brings back), never which event carries the latest PC time: a bench whose
//   clock runs a year ahead must not freeze an instrument's due date.
// - Events are ordered by the instrument's own clock where it is known (every bench sees the same
//   instrument clock), else by PC time; a PC time more than a day after the newest trustworthy
//   evidence in the store is flagged "clock ahead" and ranks no later than that evidence.
// - The due date is the oldest enabled channel's last passing span plus CalLimit. A zero leaves
//   the interval as it was: it adjusts the zero point, not the response to gas.
// - Evidence is folded by taking maxima, so the order events arrive in (an import, a queue fed
//   late to a shared store) does not change the result.
// - Imported rows are kept apart: they describe an instrument only while it has reported nothing
//   itself, so an import can add history but never clear a state.

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace vq {

struct RecordEvent;

// One word per state, used by every output. The numbers are a severity order with room between
// them (an "off policy" state belongs between failed and overdue).
enum class InstrumentState { Unknown = 0, Ok = 10, Due = 20, Overdue = 30, Failed = 50 };

// "failed", "overdue", "due", "ok", "unknown".
const char* InstrumentStateName(InstrumentState state);
std::optional<InstrumentState> InstrumentStateFromName(std::string_view name);
// Higher is more severe.
int StateSeverity(InstrumentState state);
// Failed, overdue or due: somebody has to act.
bool NeedsAttention(InstrumentState state);

inline constexpr int kDueSoonDays = 7;
// How far a PC time may lie past the newest trustworthy evidence before it is not believed.
inline constexpr double kClockAheadDays = 1.0;

// Where an event came from.
enum class RecordOrigin { Reported = 0, Imported = 1, Simulated = 2 };
const char* RecordOriginName(RecordOrigin origin);

struct ChannelEvidence {
    std::string gas;
    bool enabled = false;
    double setupTime = 0;         // order time of the read that gave gas and enabled
    bool historyMissing = false;  // that read found no calibration history on the channel
    double calibrated = 0;        // newest calibration date reported (zero or span)
    double passedSpan = 0;        // newest date of a passing span
    double verdictTime = 0;       // order time of the last span verdict
    bool lastSpanFailed = false;  // that verdict was NG
    // "OK", "NG" or empty: the last span's result.
    std::string lastSpanResult() const;
};

struct InstrumentEvidence {
    double readTime = 0;  // order time of the latest successful read
    double lastRead = 0;  // its PC time
    int calLimit = 0;     // CalLimit that read found
    std::array<ChannelEvidence, 5> channels;
    bool any() const { return readTime > 0 || anyChannel(); }
    bool anyChannel() const;
};

// Everything the state needs of one instrument, kept by the store in one text per instrument.
struct InstrumentRecordState {
    InstrumentEvidence reported;
    InstrumentEvidence imported;
    // What the state is read from: what the instrument reported, or the import while it has
    // reported nothing.
    const InstrumentEvidence& evidence() const { return reported.any() ? reported : imported; }
    bool importedOnly() const { return !reported.any() && imported.any(); }
};

// Whether a PC time is not to be believed: more than a day after `newestTrusted` (the newest PC
// time of the store's reported, believed events; 0 for an empty store) while the instrument's
// own clock, when the event carries it, does not vouch for it.
bool IsClockAhead(double pcTime, double instrumentTime, double newestTrusted);

// Where the event ranks among an instrument's events (an OLE date).
double EventOrderTime(const RecordEvent& event, double newestTrusted);

// Adds one event to the state: to `reported` or `imported` by its origin; a simulated event adds
// nothing. `newestTrusted` as for IsClockAhead, taken before the event was added.
void FoldEvent(InstrumentRecordState& state, const RecordEvent& event, double newestTrusted);

struct ChannelAssessment {
    InstrumentState state = InstrumentState::Unknown;
    double due = 0;  // 0 when unknown
};

struct Assessment {
    InstrumentState state = InstrumentState::Unknown;
    double due = 0;  // the oldest enabled channel's last passing span + CalLimit; 0 when unknown
    std::array<ChannelAssessment, 5> channels;
};

// The state at `now`: per enabled channel failed (last span NG, or no calibration history at
// all), overdue, due within `days`, ok, or unknown (no passing span known, or no CalLimit); the
// instrument takes its most severe channel, except that one unknown channel among channels that
// are fine leaves it unknown: it is not known to be fit.
Assessment Assess(const InstrumentRecordState& state, double now, int days = kDueSoonDays);

// A number of the state text, read exactly as std::from_chars reads the whole text (the same
// value, the same refusals); quicker for the short dates and flags the texts hold.
bool ParseStateNumber(std::string_view text, double& value);

// The text the store keeps; decoding a text of another shape gives an empty state.
std::string EncodeRecordState(const InstrumentRecordState& state);
InstrumentRecordState DecodeRecordState(std::string_view text);

}  // namespace vq
