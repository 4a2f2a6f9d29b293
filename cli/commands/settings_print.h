#pragma once
// How `read` shows an instrument's settings: for people, the identity, the clock and one line
// per gas channel; with --json, every setting (the 335 columns of the settings record, in their
// order, under their labels) and the channels as objects.

namespace vq {
class clsInstrument;
}

namespace vq::cli {

class Output;

void printSettings(const clsInstrument& model, Output& out, double now);

}  // namespace vq::cli
