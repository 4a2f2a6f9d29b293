#pragma once
// Which settings "Update" and "Update ID" write, shared by the window and vq5100ctl.

namespace vq {

class InstrumentModel;

// Marks what the write sends. "Update ID" (`idOnly`) writes the identity texts and the station
// list only. "Update" writes every other setting; of the two special-gas entries it writes only
// those that were edited, except that an edited entry carried by a combustible channel (channel
// 0's gas is entry 0, channel 4's is entry 1) takes both entries along, since the instrument
// reloads the pair together.
//
// `instrument`, when known, is what the instrument holds (the last read): then "Update" also
// writes the identity texts and station entries whose edit set their flag and whose value differs
// from the instrument's, so an edit made before "Update" is never dropped without a word. Without
// it they wait for "Update ID" as before.
void PrepareUpdateFlags(InstrumentModel& model, bool idOnly,
                        const InstrumentModel* instrument = nullptr);

}  // namespace vq
