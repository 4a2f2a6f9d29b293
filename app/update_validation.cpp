#include "app/update_validation.h"

#include <limits>
#include <string>
#include <string_view>

#include "messages/messages.h"
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

constexpr float kNoLimit = std::numeric_limits<float>::infinity();

std::optional<ValueRange> oxygenPointRange(const clsInstrument& model, AlarmPointKind kind) {
    if (kind != AlarmPointKind::Warning && kind != AlarmPointKind::Alarm) return std::nullopt;
    switch (model.AlarmO2()) {
        case kO2HighLow:
            return ValueRange{18.0f, 25.0f};
        case kO2LowLowLow:
            return ValueRange{18.0f, 20.9f};
        case kO2Span:
            if (kind == AlarmPointKind::Warning)
                return ValueRange{-kNoLimit, model.Alarm(kOxygenChannel)};
            return ValueRange{model.Warning(kOxygenChannel), model.GasFullScale(kOxygenChannel)};
        default:
            return std::nullopt;
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

void addAlarmPointRefusals(const clsInstrument& model, std::vector<RefusedValue>& out) {
    const auto refuse = [&out](int ch, CheckedValue value) {
        out.push_back({ch, value, update_refusal::AlarmRange});
    };
    for (int ch = 0; ch <= 3; ++ch) {
        if (!model.GasEnabled(ch)) continue;
        const bool ordered = CheckWarningBelowAlarm(model, ch);
        if (!ordered || !CheckAlarmPoint(model, ch, model.Warning(ch), AlarmPointKind::Warning))
            refuse(ch, CheckedValue::Warning);
        if (!ordered || !CheckAlarmPoint(model, ch, model.Alarm(ch), AlarmPointKind::Alarm))
            refuse(ch, CheckedValue::Alarm);
        if (ch < 2) continue;
        if (!CheckAlarmPoint(model, ch, model.Stel(ch), AlarmPointKind::Stel))
            refuse(ch, CheckedValue::Stel);
        if (!CheckAlarmPoint(model, ch, model.Twa(ch), AlarmPointKind::Twa))
            refuse(ch, CheckedValue::Twa);
    }
}

void addAutoCalRefusals(const clsInstrument& model, std::vector<RefusedValue>& out) {
    for (int ch = 0; ch <= 4; ++ch)
        if (!CheckAutoCalValue(model, ch, model.AutoCalib(ch)))
            out.push_back({ch, CheckedValue::AutoCal, update_refusal::AutoCal});
}

bool anyChannelEnabled(const clsInstrument& model) {
    for (int ch = 0; ch <= 4; ++ch)
        if (model.GasEnabled(ch)) return true;
    return false;
}

// What is wrong with the combination of gases, when something is.
struct CombinationConflict {
    enum Kind { MissingPartner, GasesDiffer, NoGasName } kind;
    int on;     // the channel that is on (MissingPartner, NoGasName), else channel 0
    int other;  // the channel that is off (MissingPartner), else channel 4
};

// Channels 0 and 4 both carry a combustible sensor; the hydrocarbon mode says which of them
// must be fitted, and two fitted ones must measure the same gas.
std::optional<CombinationConflict> combinationConflict(const clsInstrument& model) {
    const bool first = model.GasEnabled(0);
    const bool second = model.GasEnabled(4);
    const CombinationConflict firstAlone{CombinationConflict::MissingPartner, 0, 4};
    const CombinationConflict secondAlone{CombinationConflict::MissingPartner, 4, 0};
    switch (model.HcMode()) {
        case 0:
            if (first && !second) return firstAlone;
            if (second && !first) return secondAlone;
            break;
        case 1:
            if (second && !first) return secondAlone;
            break;
        case 2:
            if (first && !second) return firstAlone;
            break;
        default:
            break;
    }
    if (first && second && namesDiffer(model, 0, 4))
        return CombinationConflict{CombinationConflict::GasesDiffer, 0, 4};
    for (int ch = 0; ch <= 4; ++ch) {
        const std::string name = model.GasName(ch);
        if (model.GasEnabled(ch) && trimmed(name).empty())
            return CombinationConflict{CombinationConflict::NoGasName, ch, ch};
    }
    return std::nullopt;
}

std::string channelNumber(int ch) {
    return std::to_string(ch + 1);
}

std::string gasName(const clsInstrument& model, int ch) {
    const std::string name = model.GasName(ch);
    return std::string(trimmed(name));
}

std::string combinationText(const clsInstrument& model) {
    std::string text = ResMessage(msg::CombinationText);
    const std::optional<CombinationConflict> conflict = combinationConflict(model);
    if (!conflict) return text;
    switch (conflict->kind) {
        case CombinationConflict::MissingPartner:
            // "Channel 1 (CH4) is on but channel 5 is off; ..."
            return text + "\n" +
                   ResMessage(msg::CombinationMissingPartner,
                              {channelNumber(conflict->on), gasName(model, conflict->on),
                               channelNumber(conflict->other)});
        case CombinationConflict::GasesDiffer:
            return text + "\n" +
                   ResMessage(msg::CombinationGasesDiffer, {gasName(model, 0), gasName(model, 4)});
        case CombinationConflict::NoGasName:
            return text + "\n" + ResMessage(msg::CombinationNoGas, {channelNumber(conflict->on)});
    }
    return text;
}

}  // namespace

bool CheckWarningBelowAlarm(const clsInstrument& model, int ch) {
    const float warning = model.Warning(ch);
    const float alarm = model.Alarm(ch);
    if (warning < 0 || alarm < 0) return true;
    if (ch == kOxygenChannel && model.AlarmO2() == kO2LowLowLow) return warning >= alarm;
    return warning <= alarm;
}

std::optional<ValueRange> AlarmPointRange(const clsInstrument& model, int ch, AlarmPointKind kind) {
    switch (ch) {
        case 0:
            if (kind == AlarmPointKind::Warning) return ValueRange{0.0f, kNoLimit};
            if (kind == AlarmPointKind::Alarm)
                return ValueRange{-kNoLimit, static_cast<float>(0.6 * model.GasFullScale(0))};
            return std::nullopt;
        case kOxygenChannel:
            return oxygenPointRange(model, kind);
        case 2:
            return ValueRange{0.0f, 30.0f};
        case 3:
            return ValueRange{0.0f, 200.0f};
        default:
            return std::nullopt;
    }
}

bool CheckAlarmPoint(const clsInstrument& model, int ch, float value, AlarmPointKind kind) {
    const std::optional<ValueRange> range = AlarmPointRange(model, ch, kind);
    return range && range->low <= value && value <= range->high;
}

AutoCalBound AutoCalLimit(const clsInstrument& model, int ch) {
    const float limit = autoCalLimit(ch);
    const float warning = model.Warning(ch);
    if (!isOxygen(model, ch)) return {warning >= 0 ? warning : limit, false};
    if (model.AlarmO2() == kO2Span) return {limit, true};
    return {warning >= 0 ? warning : limit, true};
}

bool CheckAutoCalValue(const clsInstrument& model, int ch, float value) {
    if (value < 0) return true;
    const AutoCalBound bound = AutoCalLimit(model, ch);
    return bound.atMost ? value <= bound.bound : value >= bound.bound;
}

std::vector<RefusedValue> RefusedValues(const clsInstrument& model) {
    std::vector<RefusedValue> refused;
    addAlarmPointRefusals(model, refused);
    addAutoCalRefusals(model, refused);
    if (const std::optional<CombinationConflict> conflict = combinationConflict(model)) {
        refused.push_back({conflict->on, CheckedValue::Gas, update_refusal::Combination});
        if (conflict->other != conflict->on)
            refused.push_back({conflict->other, CheckedValue::Gas, update_refusal::Combination});
    }
    return refused;
}

std::optional<UpdateRefusal> ValidateUpdate(const clsInstrument& model) {
    const std::vector<RefusedValue> refused = RefusedValues(model);
    const auto any = [&refused](const UpdateRefusal& refusal) {
        for (const RefusedValue& r : refused)
            if (r.refusal == refusal) return true;
        return false;
    };
    if (any(update_refusal::AlarmRange)) return update_refusal::AlarmRange;
    if (any(update_refusal::AutoCal)) return update_refusal::AutoCal;
    if (!anyChannelEnabled(model)) return update_refusal::NoSensor;
    if (any(update_refusal::Combination)) return update_refusal::Combination;
    return std::nullopt;
}

std::string UpdateRefusalText(const clsInstrument& model, const UpdateRefusal& refusal) {
    if (refusal == update_refusal::Combination) return combinationText(model);
    return ResMessage(refusal.messageId);
}

}  // namespace vq
