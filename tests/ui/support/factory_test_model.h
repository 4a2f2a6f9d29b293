#pragma once
// Instruments for the factory dialog tests, and a text image of everything the dialog may touch
// (values and change flags) so a test can see that a model stayed exactly as it was.

#include <string>

namespace vq {
class InstrumentModel;
}

namespace vq::fs_test {

// A read instrument: every change flag clear, factory parameters away from their defaults,
// stations "ST 001" .. "ST 256", library gases LIB01 .. LIB30, settings gases USERGAS1 and
// USERGAS2 with coefficients that eight decimals cannot show.
InstrumentModel readInstrument(int romNumber = 4426);

// Values and change flags of the factory parameters, identity texts, station list and both
// library tables, one per line.
std::string modelImage(const InstrumentModel& model);

// True when any change flag of the model is set.
bool anyFlagSet(const InstrumentModel& model);

}  // namespace vq::fs_test
