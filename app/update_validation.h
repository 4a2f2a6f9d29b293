#pragma once
// The checks a model must pass before "Update" writes it, shared by the window and vq5100ctl,
// and the range rules of the alarm points and the auto-calibration value that the settings grid
// reuses to refuse an edit and to colour a cell.

#include <optional>

#include "messages/message_ids.h"

namespace vq {

class clsInstrument;

// What an alarm point is, as the range rules number it.
enum class AlarmPointKind { Warning = 1, Alarm = 2, Stel = 3, Twa = 4 };

// True when the warning and alarm of the channel are in the right order: not set counts as
// right; the oxygen channel in alarm mode 1 ("L-LL") wants the warning at or above the alarm,
// every other case at or below it.
bool CheckWarningBelowAlarm(const clsInstrument& model, int ch);

// True when `value` is allowed as an alarm point of this kind on the channel.
bool CheckAlarmPoint(const clsInstrument& model, int ch, float value, AlarmPointKind kind);

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
// "This is not available combination." / "The communication is not possible"
inline constexpr UpdateRefusal Combination{msg::CombinationText, msg::CombinationTitle};
}  // namespace update_refusal

// The checks of "Update" (and "Update ID") on the model as edited; nothing when it may be written.
std::optional<UpdateRefusal> ValidateUpdate(const clsInstrument& model);

}  // namespace vq
