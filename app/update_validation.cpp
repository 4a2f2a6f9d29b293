#include "app/update_validation.h"

#include <string>
#include <string_view>

#include "model/instrument.h"

namespace vq {

namespace {

constexpr int kOxygenChannel = 1;
// Alarm modes of the oxygen channel (AlarmO2).
constexpr int kO2HighLow = 0;
constexpr int kO2LowLowLow = 1;
constexpr int kO2Span = 2;

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool isOxygen(const clsInstrument& model, int ch) {
    const std::string name = model.GasName(ch);
    const std::string_view gas = trimmed(name);
    return gas == "O2" || gas == "OXY";
}

bool between(float value, double low, double high) {
    return low <= value && value <= high;
}

bool oxygenPointValid(const clsInstrument& model, float value, AlarmPointKind kind) {
    if (kind != AlarmPointKind::Warning && kind != AlarmPointKind::Alarm) return false;
    switch (model.AlarmO2()) {
        case kO2HighLow:
            return between(value, 18.0, 25.0);
        case kO2LowLowLow:
            return between(value, 18.0, 20.9);
        case kO2Span:
            if (kind == AlarmPointKind::Warning) return value <= model.Alarm(kOxygenChannel);
            return between(value, model.Warning(kOxygenChannel),
                           model.GasFullScale(kOxygenChannel));
        default:
            return false;
    }
}

// The lowest auto-calibration concentration of a channel (the highest for oxygen).
float autoCalLimit(int ch) {
    switch (ch) {
        case 0:
            return 10.0f;
        case 1:
            return 19.5f;
        case 2:
            return 10.0f;
        case 3:
            return 25.0f;
        default:
            return 0.0f;
    }
}

bool namesDiffer(const clsInstrument& model, int a, int b) {
    const std::string nameA = model.GasName(a);
    const std::string nameB = model.GasName(b);
    return trimmed(nameA) != trimmed(nameB);
}

bool alarmPointsValid(const clsInstrument& model) {
    bool ok = true;
    for (int ch = 0; ch <= 3; ++ch) {
        if (!model.GasEnabled(ch)) continue;
        ok = ok && CheckWarningBelowAlarm(model, ch) &&
             CheckAlarmPoint(model, ch, model.Warning(ch), AlarmPointKind::Warning) &&
             CheckAlarmPoint(model, ch, model.Alarm(ch), AlarmPointKind::Alarm);
        if (ch >= 2) {
            ok = ok && CheckAlarmPoint(model, ch, model.Stel(ch), AlarmPointKind::Stel) &&
                 CheckAlarmPoint(model, ch, model.Twa(ch), AlarmPointKind::Twa);
        }
    }
    return ok;
}

bool autoCalValuesValid(const clsInstrument& model) {
    for (int ch = 0; ch <= 4; ++ch)
        if (!CheckAutoCalValue(model, ch, model.AutoCalib(ch))) return false;
    return true;
}

bool anyChannelEnabled(const clsInstrument& model) {
    for (int ch = 0; ch <= 4; ++ch)
        if (model.GasEnabled(ch)) return true;
    return false;
}

// Channels 0 and 4 both carry a combustible sensor; the hydrocarbon mode says which of them
// must be fitted, and two fitted ones must measure the same gas.
bool combinationValid(const clsInstrument& model) {
    const bool first = model.GasEnabled(0);
    const bool second = model.GasEnabled(4);
    switch (model.HcMode()) {
        case 0:
            if (first != second) return false;
            break;
        case 1:
            if (second && !first) return false;
            break;
        case 2:
            if (first && !second) return false;
            break;
        default:
            break;
    }
    if (first && second && namesDiffer(model, 0, 4)) return false;
    for (int ch = 0; ch <= 4; ++ch) {
        const std::string name = model.GasName(ch);
        if (model.GasEnabled(ch) && trimmed(name).empty()) return false;
    }
    return true;
}

}  // namespace

bool CheckWarningBelowAlarm(const clsInstrument& model, int ch) {
    const float warning = model.Warning(ch);
    const float alarm = model.Alarm(ch);
    if (warning < 0 || alarm < 0) return true;
    if (ch == kOxygenChannel && model.AlarmO2() == kO2LowLowLow) return warning >= alarm;
    return warning <= alarm;
}

bool CheckAlarmPoint(const clsInstrument& model, int ch, float value, AlarmPointKind kind) {
    const bool warningOrAlarm = kind == AlarmPointKind::Warning || kind == AlarmPointKind::Alarm;
    switch (ch) {
        case 0:
            if (kind == AlarmPointKind::Warning) return value >= 0;
            if (kind == AlarmPointKind::Alarm)
                return value <= static_cast<float>(0.6 * model.GasFullScale(0));
            return false;
        case kOxygenChannel:
            return warningOrAlarm && oxygenPointValid(model, value, kind);
        case 2:
            return between(value, 0.0, 30.0);
        case 3:
            return between(value, 0.0, 200.0);
        default:
            return false;
    }
}

bool CheckAutoCalValue(const clsInstrument& model, int ch, float value) {
    if (value < 0) return true;
    const float limit = autoCalLimit(ch);
    const float warning = model.Warning(ch);
    if (!isOxygen(model, ch)) return warning >= 0 ? value >= warning : value >= limit;
    // Oxygen falls towards danger, so its limits bound the value from above.
    if (model.AlarmO2() == kO2Span) return value <= limit;
    return warning >= 0 ? value <= warning : value <= limit;
}

std::optional<UpdateRefusal> ValidateUpdate(const clsInstrument& model) {
    if (!alarmPointsValid(model)) return update_refusal::AlarmRange;
    if (!autoCalValuesValid(model)) return update_refusal::AutoCal;
    if (!anyChannelEnabled(model)) return update_refusal::NoSensor;
    if (!combinationValid(model)) return update_refusal::Combination;
    return std::nullopt;
}

}  // namespace vq
