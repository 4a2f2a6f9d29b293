#pragma once
// The rules of the alarm points and the auto-calibration concentration of each channel: the one
// rule set the settings grid, the settings file check, "Update", `diff` and `--dry-run` hold the
// levels to. The form of a level (what the five-character field carries) is IsSendableLevel in
// setting_rules.h; this is whether the level suits its channel.

#include <optional>
#include <string>
#include <vector>

#include "model/rule_reason.h"

namespace vq {

class InstrumentModel;

// What an alarm point is, as the range rules number it.
enum class AlarmPointKind { Warning = 1, Alarm = 2, Stel = 3, Twa = 4 };

// True when the warning and alarm of the channel are in the right order: not set counts as
// right; the oxygen channel in alarm mode 1 ("L-LL") wants the warning at or above the alarm,
// every other case at or below it.
bool CheckWarningBelowAlarm(const InstrumentModel& model, int ch);

// The values an alarm point of this kind may take on the channel, bounds included; a bound
// that does not apply is infinite. Nothing when the channel takes no such point.
struct ValueRange {
    float low;
    float high;
};
std::optional<ValueRange> AlarmPointRange(const InstrumentModel& model, int ch,
                                          AlarmPointKind kind);

// True when `value` is allowed as an alarm point of this kind on the channel.
bool CheckAlarmPoint(const InstrumentModel& model, int ch, float value, AlarmPointKind kind);

// The bound of the auto-calibration concentration of a channel: at least `bound`, or at most
// it on an oxygen channel (oxygen falls towards danger).
struct AutoCalBound {
    float bound;
    bool atMost;
};
AutoCalBound AutoCalLimit(const InstrumentModel& model, int ch);

// True when `value` is allowed as the auto-calibration concentration of the channel: no value,
// or within AutoCalLimit and, on a fitted channel, not above its full scale (a span gas above the
// full scale cannot be calibrated).
bool CheckAutoCalValue(const InstrumentModel& model, int ch, float value);

// A level that breaks its rule, by channel, with why (worded in the chosen language by
// app/rule_reason_text.h, for the file check, Update, the grid and the command line).
enum class LevelSetting { Warning, Alarm, Stel, Twa, AutoCal };
struct LevelBreak {
    int channel;
    LevelSetting kind;
    Reason reason;  // "alarm 150 of channel 1 is not between 0 and 60" once worded
};

// Every level the rules refuse: the alarm points of the fitted alarm channels (range and order)
// and the auto-calibration value of every channel; in channel order, each kind of a channel once.
std::vector<LevelBreak> LevelRuleBreaks(const InstrumentModel& model);

// The channel's gas record (fitted, name, full scale, resolution, decimals, unit) is the same in
// both models.
bool SameGasRecord(const InstrumentModel& a, const InstrumentModel& b, int ch);

// Nothing that bears on the channel's levels differs between the model and what the instrument
// holds: its gas record, its five levels and the oxygen alarm mode. Such levels were put there
// by other means and nobody changed them: they are sent back as they are and not judged.
bool LevelsAsHeld(const InstrumentModel& model, const InstrumentModel& held, int ch);

// The settings-file code of a kind of level ("A1", "A2", "AS", "AW", "SA").
const char* LevelCode(LevelSetting kind);

}  // namespace vq
