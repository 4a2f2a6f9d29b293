#pragma once
// How `read` shows an instrument's settings: for people, the identity, the clock and one line
// per gas channel; with --json, every setting (every column of the settings record, in their
// order, under their labels) and the channels as objects.

#include <string>
#include <vector>

namespace vq {
class InstrumentModel;
}

namespace vq::cli {

class Output;

void printSettings(const InstrumentModel& model, Output& out, double now);

// One line per value the instrument holds outside its setting's range (model/held_values.h),
// naming the setting, the value and the range; empty when every value is in range.
std::vector<std::string> heldValueWarnings(const InstrumentModel& model);

}  // namespace vq::cli
