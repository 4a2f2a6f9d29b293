#pragma once
// The checks a model must pass before "Update" writes it, shared by the window and vq5100ctl.
// The level rules themselves (model/level_rules.h) are those the settings grid and the settings
// file check hold the levels to.

#include <optional>
#include <string>
#include <vector>

#include "messages/message_ids.h"
#include "model/level_rules.h"

namespace vq {

class InstrumentModel;

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
// `onInstrument`, when known, is what the instrument holds (the last read): a value it already
// holds, on a channel nobody changed, is sent back as it is and not judged, so one odd value put
// there by other means never blocks every write. Without it everything is judged.
std::optional<UpdateRefusal> ValidateUpdate(const InstrumentModel& model,
                                            const InstrumentModel* onInstrument = nullptr);

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
std::vector<RefusedValue> RefusedValues(const InstrumentModel& model,
                                        const InstrumentModel* onInstrument = nullptr);

// Why the value is refused, as the rules word it (for a red cell's tooltip and the refusal box):
// "alarm 150 of channel 1 is not between 0 and 60"; for a gas, the combination conflict.
std::string RefusedValueReason(const InstrumentModel& model, const RefusedValue& refused);

// The text of a refusal's box. The combination refusal names the channels and gases in
// conflict and what to change; the level refusals name each level refused and its rule.
std::string UpdateRefusalText(const InstrumentModel& model, const UpdateRefusal& refusal,
                              const InstrumentModel* onInstrument = nullptr);

// Why "Update" (`idOnly`: "Update ID") would refuse to write `model` over what the instrument
// holds: the text of the first refusal, as the command line reports it; nothing when the write
// may go ahead. The same checks as the window's, on exactly what would be sent.
std::optional<std::string> UpdateRefusalReason(const InstrumentModel& model, bool idOnly,
                                               const InstrumentModel* onInstrument);

}  // namespace vq
