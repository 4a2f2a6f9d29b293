#pragma once
// The review of a write: every setting with its caption, the value the instrument holds (as
// last read) and the value about to be written, so a person sees what a write will change
// before anything is sent. Built from two models; the captions and value texts come from the
// settings table, the rest from the model's own groups.

#include <string>
#include <vector>

#include "model/settings_table.h"

namespace vq {

class InstrumentModel;

enum class ReviewGroup { Identity, Stations, Channels, Instrument, Library };

struct ReviewRow {
    ReviewGroup group = ReviewGroup::Instrument;
    std::string code;  // the command that carries it: "WB", "A1", "XS"
    int caption = 0;   // message id of the caption
    int number = 0;    // channel, station or library entry from 1; 0 when the caption has none
    ShownValue onInstrument;
    ShownValue toWrite;
    bool differs() const {
        return onInstrument.text != toWrite.text || onInstrument.messageId != toWrite.messageId;
    }
};

// Every setting of the two models in write order by group (identity, station list, channels,
// instrument settings, library), whether it differs or not.
std::vector<ReviewRow> ReviewRows(const InstrumentModel& onInstrument,
                                  const InstrumentModel& toWrite);

// What the instrument holds after a write that stopped part-way: `held` (as last read) with
// every setting the write confirmed taken from the model it wrote. `sent` is that model as the
// write began (its change flags say what was owed), `after` as the write left it (a confirmed
// write clears its flag). A setting whose flag a confirmed write keeps counts as not written,
// so it stays pending: saying too little was written is safe, too much is not.
InstrumentModel HeldAfterWrite(const InstrumentModel& held, const InstrumentModel& sent,
                               const InstrumentModel& after);

}  // namespace vq
