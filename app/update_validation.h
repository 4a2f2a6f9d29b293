#pragma once
// The checks a model must pass before "Update" writes it, shared by the window and vq5100ctl,
// and the range rules of the alarm points and the auto-calibration value that the settings grid
// reuses to refuse an edit and to colour a cell.

#include <optional>
#include <string>
#include <vector>

#include "messages/message_ids.h"

namespace vq {

class clsInstrument;

// What an alarm point is, as the range rules number it.
enum class AlarmPointKind { Warning = 1, Alarm = 2, Stel = 3, Twa = 4 };

// True when the warning and alarm of the channel are in the right order: not set counts as
// right; the oxygen channel in alarm mode 1 ("L-LL") wants the warning at or above the alarm,
// every other case at or below it.
bool CheckWarningBelowAlarm(const clsInstrument& model, int ch);

// The values an alarm point of this kind may take on the channel, bounds included; a bound
// that does not apply is infinite. Nothing when the channel takes no such point.
struct ValueRange {
    float low;
    float high;
};
std::optional<ValueRange> AlarmPointRange(const clsInstrument& model, int ch, AlarmPointKind kind);

// True when `value` is allowed as an alarm point of this kind on the channel.
bool CheckAlarmPoint(const clsInstrument& model, int ch, float value, AlarmPointKind kind);

// The bound of the auto-calibration concentration of a channel: at least `bound`, or at most
// it on an oxygen channel (oxygen falls towards danger).
struct AutoCalBound {
    float bound;
    bool atMost;
};
AutoCalBound AutoCalLimit(const clsInstrument& model, int ch);

// True when `value` is allowed as the auto-calibration concentration of the channel.
bool CheckAutoCalValue(const clsInstrument& model, int ch, float value);

// Why "Update" refuses to write: an error box with a text and a title.
struct UpdateRefusal {
    int messageId;
    int titleId;
    bool operator==(const UpdateRefusal&) const = default;
};

// The four refusals, in the order the checks run.
namespace update_refusal {
// "Check warning and alarm value. (red color cells)" / "Warning and alarm range."
inline constexpr UpdateRefusal AlarmRange{msg::AlarmRangeText, msg::AlarmRangeTitle};
// "Improper Auto Cal." / "Auto Cal."
inline constexpr UpdateRefusal AutoCal{msg::AutoCalText, msg::AutoCalTitle};
// "No available sensor." / "No sensor"
inline constexpr UpdateRefusal NoSensor{msg::NoSensorText, msg::NoSensorTitle};
// "This is not available combination." under the program's own title: the refusal has nothing
// to do with communication.
inline constexpr UpdateRefusal Combination{msg::CombinationText, msg::ApplicationTitle};
}  // namespace update_refusal

// The checks of "Update" (and "Update ID") on the model as edited; nothing when it may be written.
std::optional<UpdateRefusal> ValidateUpdate(const clsInstrument& model);

// A value of a channel that the checks refuse, so the grid can colour exactly what "Update"
// would refuse ("red color cells").
enum class CheckedValue { Gas, Warning, Alarm, Stel, Twa, AutoCal };
struct RefusedValue {
    int channel;
    CheckedValue value;
    UpdateRefusal refusal;
    bool operator==(const RefusedValue&) const = default;
};

// Every value the checks of ValidateUpdate refuse, by channel; empty when none. A refusal of
// the whole model (no sensor fitted) names no value.
std::vector<RefusedValue> RefusedValues(const clsInstrument& model);

// The text of a refusal's box. The combination refusal names the channels and gases in
// conflict and what to change.
std::string UpdateRefusalText(const clsInstrument& model, const UpdateRefusal& refusal);

}  // namespace vq
