#pragma once
// One zero or span run on the link, the same for the calibration window and for vq5100ctl: the
// current-reading poll paused, the run sent (a zero run polled until the instrument has its
// result), the result of each channel, the calibration history read after it, the poll resumed,
// and the record of the run for the instrument records.
//
// The link's waits pump the host's events, so a run is made in one call; while it runs, the
// event handlers of the program (a Cancel button) see its state and may cancel it.

#include <optional>
#include <string>
#include <vector>

#include "app/calibration_texts.h"
#include "app/records.h"

namespace vq {

class InstrumentModel;
class InstrumentLink;

enum class CalibrationKind { Zero, Span };

// Where the two programs still differ; each keeps its own, so the bytes either one sends and
// the lines either one logs stay as they were.
struct CalibrationRunStyle {
    // The window writes "Calibration Upload Started" to the communication log before a span.
    bool logSpanStart = false;
    // The window records a span the instrument refused as well, with the history after it.
    bool historyAfterRefusedSpan = false;
};
inline constexpr CalibrationRunStyle kWindowRunStyle{true, true};
inline constexpr CalibrationRunStyle kCtlRunStyle{false, false};

struct CalibrationOutcome {
    CalibrationKind kind = CalibrationKind::Zero;
    // The instrument took the run and answered with a result per channel.
    bool taken = false;
    // Per channel: the instrument says it passed (all false when the run was not taken).
    ChannelFlags passed{};
    // The calibration history after the run was asked for and read.
    bool historyAsked = false;
    bool historyRead = false;
    // The user stopped the run (Cancel) before it had a result.
    bool cancelled = false;
};

class CalibrationRun {
  public:
    enum class State { Idle, Running, Finished };

    CalibrationRun(InstrumentLink& link, CalibrationRunStyle style);

    // All five channels are zeroed. `history` (may be null) receives the calibration history
    // read after a run the instrument took.
    CalibrationOutcome zero(InstrumentModel* history);
    // The channels of `selection` are spanned to the concentrations `cal` holds.
    CalibrationOutcome span(const InstrumentModel& cal, const ChannelFlags& selection,
                            InstrumentModel* history);

    State state() const { return state_; }
    // The outcome of the last run (kind Zero, nothing taken, before the first).
    const CalibrationOutcome& outcome() const { return outcome_; }
    // Asks the link to stop the run in progress; a run that is not running is left alone.
    void cancel();

    // The text the user reads when the instrument did not take the run.
    static std::string failureText();

    // The record of the last run: the channels `listed` with "OK" or "NG", the calibration
    // history before (`before`, as last read) and after (`after`), a span's concentrations from
    // `concentrations`, the time of the host's clock. Nothing before the first run.
    std::optional<RecordEvent> record(const ChannelFlags& listed, const InstrumentModel& before,
                                      const InstrumentModel& after,
                                      const InstrumentModel& concentrations) const;

  private:
    CalibrationOutcome run(CalibrationKind kind, const std::string& channels,
                           InstrumentModel* history);

    InstrumentLink& link_;
    CalibrationRunStyle style_;
    State state_ = State::Idle;
    CalibrationOutcome outcome_;
};

// The channels listed in a record and their results as the records keep them ("OK", "NG").
struct ListedResults {
    std::vector<int> channels;
    std::vector<std::string> results;
};
ListedResults ListedResultsOf(const ChannelFlags& listed, const ChannelFlags& passed);

// The record of a run (CalibrationRun::record): the listed channels with their results, the
// history before and after, a span's concentrations from `concentrations`, made at `pcTime`.
RecordEvent CalibrationRunRecord(CalibrationKind kind, const ChannelFlags& listed,
                                 const ChannelFlags& passed, const InstrumentModel& before,
                                 const InstrumentModel& after,
                                 const InstrumentModel& concentrations, double pcTime);

}  // namespace vq
