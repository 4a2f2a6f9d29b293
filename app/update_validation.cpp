#include "app/update_validation.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "app/rule_reason_text.h"
#include "app/update_flags.h"
#include "messages/messages.h"
#include "model/instrument.h"
#include "model/setting_rules.h"

namespace vq {

namespace {

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool namesDiffer(const InstrumentModel& model, int a, int b) {
    const std::string nameA = model.GasName(a);
    const std::string nameB = model.GasName(b);
    return trimmed(nameA) != trimmed(nameB);
}

CheckedValue checkedValue(LevelSetting kind) {
    switch (kind) {
        case LevelSetting::Warning:
            return CheckedValue::Warning;
        case LevelSetting::Alarm:
            return CheckedValue::Alarm;
        case LevelSetting::Stel:
            return CheckedValue::Stel;
        case LevelSetting::Twa:
            return CheckedValue::Twa;
        case LevelSetting::AutoCal:
            return CheckedValue::AutoCal;
    }
    return CheckedValue::Gas;
}

bool gasesAsHeld(const InstrumentModel& m, const InstrumentModel& held) {
    if (m.HcMode() != held.HcMode()) return false;
    for (int ch = 0; ch < InstrumentModel::channelCount; ++ch)
        if (!SameGasRecord(m, held, ch)) return false;
    return true;
}

bool anyChannelEnabled(const InstrumentModel& model) {
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
std::optional<CombinationConflict> combinationConflict(const InstrumentModel& model) {
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

std::string gasName(const InstrumentModel& model, int ch) {
    const std::string name = model.GasName(ch);
    return std::string(trimmed(name));
}

std::string combinationText(const InstrumentModel& model) {
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

std::vector<RefusedValue> RefusedValues(const InstrumentModel& model,
                                        const InstrumentModel* onInstrument) {
    std::vector<RefusedValue> refused;
    // The alarm points first, then the auto-calibration values, as the refusals are ordered.
    for (bool autoCal : {false, true}) {
        for (const LevelBreak& level : LevelRuleBreaks(model)) {
            if ((level.kind == LevelSetting::AutoCal) != autoCal) continue;
            if (onInstrument && LevelsAsHeld(model, *onInstrument, level.channel)) continue;
            refused.push_back({level.channel, checkedValue(level.kind),
                               autoCal ? update_refusal::AutoCal : update_refusal::AlarmRange});
        }
    }
    if (onInstrument && gasesAsHeld(model, *onInstrument)) return refused;
    if (const std::optional<CombinationConflict> conflict = combinationConflict(model)) {
        refused.push_back({conflict->on, CheckedValue::Gas, update_refusal::Combination});
        if (conflict->other != conflict->on)
            refused.push_back({conflict->other, CheckedValue::Gas, update_refusal::Combination});
    }
    return refused;
}

std::optional<UpdateRefusal> ValidateUpdate(const InstrumentModel& model,
                                            const InstrumentModel* onInstrument) {
    const std::vector<RefusedValue> refused = RefusedValues(model, onInstrument);
    const auto any = [&refused](const UpdateRefusal& refusal) {
        for (const RefusedValue& r : refused)
            if (r.refusal == refusal) return true;
        return false;
    };
    if (any(update_refusal::AlarmRange)) return update_refusal::AlarmRange;
    if (any(update_refusal::AutoCal)) return update_refusal::AutoCal;
    if (!anyChannelEnabled(model) && !(onInstrument && gasesAsHeld(model, *onInstrument)))
        return update_refusal::NoSensor;
    if (any(update_refusal::Combination)) return update_refusal::Combination;
    return std::nullopt;
}

std::string RefusedValueReason(const InstrumentModel& model, const RefusedValue& refused) {
    if (refused.value == CheckedValue::Gas) {
        const std::string text = combinationText(model);
        const auto reason = text.find('\n');
        return reason == std::string::npos ? text : text.substr(reason + 1);
    }
    for (const LevelBreak& level : LevelRuleBreaks(model))
        if (level.channel == refused.channel && checkedValue(level.kind) == refused.value)
            return ReasonText(level.reason);
    return {};
}

std::string UpdateRefusalText(const InstrumentModel& model, const UpdateRefusal& refusal,
                              const InstrumentModel* onInstrument) {
    if (refusal == update_refusal::Combination) return combinationText(model);
    std::string text = ResMessage(refusal.messageId);
    // Each refused level and its rule, so the box says why and not only where.
    std::vector<std::string> reasons;
    for (const RefusedValue& refused : RefusedValues(model, onInstrument)) {
        if (!(refused.refusal == refusal)) continue;
        // A warning and alarm out of order are one reason for two cells.
        std::string reason = RefusedValueReason(model, refused);
        if (std::find(reasons.begin(), reasons.end(), reason) != reasons.end()) continue;
        text += "\n" + reason;
        reasons.push_back(std::move(reason));
    }
    return text;
}

std::optional<std::string> UpdateRefusalReason(const InstrumentModel& model, bool idOnly,
                                               const InstrumentModel* onInstrument) {
    if (const std::optional<UpdateRefusal> refusal = ValidateUpdate(model, onInstrument))
        return UpdateRefusalText(model, *refusal, onInstrument);
    InstrumentModel toSend = model;
    PrepareUpdateFlags(toSend, idOnly, onInstrument);
    if (const auto problems = CheckSettingRules(toSend, RuleScope::Changed, onInstrument);
        !problems.empty())
        return ResMessage(msg::SettingsRefusedInfo,
                          {problems.front().code + ": " + ReasonText(problems.front().reason)});
    return std::nullopt;
}

}  // namespace vq
