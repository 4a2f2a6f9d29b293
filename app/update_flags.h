#pragma once
// Which settings "Update" and "Update ID" write, shared by the window and vq5100ctl.

namespace vq {

class clsInstrument;

// Marks what the write sends. "Update ID" (`idOnly`) writes the identity texts and the station
// list only. "Update" writes every other setting; of the two special-gas entries it writes only
// those that were edited, except that an edited entry carried by a combustible channel (channel
// 0's gas is entry 0, channel 4's is entry 1) takes both entries along, since the instrument
// reloads the pair together.
void PrepareUpdateFlags(clsInstrument& model, bool idOnly);

}  // namespace vq
