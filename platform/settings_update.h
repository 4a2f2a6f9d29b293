#pragma once
// "Update" and "Update ID", the one flow the window and vq5100ctl both run: the checks on what
// will be sent, the review of what changes, and the write with its read-back. What differs
// between the two programs is only how they ask (a box, or the command's review) and how they
// report.
//
// Both know what the instrument holds (the last read, or the read a command begins with) and
// pass it: then "Update" also writes the identity edits that differ from it, so an edit is never
// dropped without a word (app/update_flags.h).

#include <optional>
#include <string>
#include <vector>

#include "app/settings_review_text.h"
#include "model/instrument.h"
#include "protocol/settings_write.h"

namespace vq {

class WriteOperations;

// The model with the flags of what "Update" (`idOnly`: "Update ID") sends over `held` (what the
// instrument holds, null when not known).
InstrumentModel UpdateToSend(const InstrumentModel& model, bool idOnly,
                             const InstrumentModel* held);

// What writing `model` over `held` changes, with the settings the write does not send listed
// apart; "Update ID" lists only the identity texts and the station list.
ReviewSummary UpdateReview(const InstrumentModel& held, const InstrumentModel& model, bool idOnly);

class SettingsUpdate {
  public:
    // Why the write is refused, and the title of its box; nothing was sent.
    struct Refusal {
        std::string text;
        int titleId;
    };

    // What the run did.
    struct Result {
        SettingsWriteResult write;
        // The model as the write began, its flags saying what was owed.
        InstrumentModel sent;
        // What the instrument holds now, when what it held before is known: the read-back's
        // values, or after a stop what it confirmed (model/settings_review.h HeldAfterWrite).
        std::optional<InstrumentModel> held;
        bool succeeded() const { return write.succeeded(); }
        // Which setting the instrument did not take or does not hold, and what it holds; empty
        // for a run that succeeded (link/write_failure_text.h).
        std::vector<std::string> failureLines() const;
    };

    // `model`: the settings as edited, which run() flags and writes over `operations`. `held`:
    // what the instrument holds, null when not known. `idOnly`: "Update ID" (the identity texts
    // and the station list).
    SettingsUpdate(WriteOperations& operations, InstrumentModel& model, const InstrumentModel* held,
                   bool idOnly);

    // The checks "Update" holds the model to (app/update_validation.h) and the setting rules on
    // exactly what would be sent; nothing when the write may go ahead.
    std::optional<Refusal> refusal() const;
    // UpdateReview over what the instrument holds; empty when that is not known.
    ReviewSummary review() const;
    // Flags the model, logs the start line (at `now`, an OLE date) and writes it with its
    // read-back.
    Result run(double now);

  private:
    WriteOperations& operations_;
    InstrumentModel& model_;
    const InstrumentModel* held_;
    bool idOnly_;
};

}  // namespace vq
