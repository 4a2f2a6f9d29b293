#pragma once
// Values an instrument answered with that lie outside what their setting may hold. A read keeps
// them as the instrument's values (never a default in their place, never a blank), and the
// program names each one: the windows mark it, vq5100ctl and the logs say it, and a settings file
// stored from that read carries it, so loading that file refuses it on its line.
//
// The ranges are the settings table's (model/setting_list.h); the logging interval is one of its
// list's values, and a gas channel's full scale and resolution must be above 0.

#include <cstdint>
#include <string>
#include <vector>

#include "model/rule_reason.h"

namespace vq {

class InstrumentModel;
struct Setting;

struct HeldValueProblem {
    std::string code;  // the settings-file line it belongs to: "BU", "XT", "GJ"
    int field = 1;     // its place in that line's values (a group has several)
    int channel = -1;  // "GJ": the channel, from 0
    Reason reason;     // "bump test time 9 is not between 0 and 3" once worded
};

// Why `value` is outside what `setting` may hold; empty when it is inside.
Reason SettingRangeProblem(const Setting& setting, std::int32_t value);

// Why the gas record of an enabled channel holds a full scale or a resolution no gas can have;
// empty when it holds none (or the channel is off).
Reason GasScaleProblem(const InstrumentModel& model, int channel);

// Every value of the model outside its range, in the settings-file order.
std::vector<HeldValueProblem> OutOfRangeValues(const InstrumentModel& model);

// A number in a five-character field of a gas record. A value at or above 0 is LevelText5's text;
// a negative one that fits keeps its sign ("-100") instead of becoming the no-value mark, so a
// record that holds it is carried as it is held.
std::string HeldNumberText5(float value, std::int16_t decimals);

}  // namespace vq
