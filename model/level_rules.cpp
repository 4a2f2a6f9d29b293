#include "model/level_rules.h"

#include <cmath>
#include <limits>
#include <string_view>

#include "model/instrument.h"
#include "model/value_codecs.h"

namespace vq {

namespace {

constexpr int kOxygenChannel = 1;
// Alarm modes of the oxygen channel (AlarmO2).
constexpr int kO2HighLow = 0;
constexpr int kO2LowLowLow = 1;
constexpr int kO2Span = 2;

constexpr float kNoLimit = std::numeric_limits<float>::infinity();

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool isOxygen(const InstrumentModel& model, int ch) {
    const std::string name = model.GasName(ch);
    const std::string_view gas = trimmed(name);
    return gas == "O2" || gas == "OXY";
}

std::optional<ValueRange> oxygenPointRange(const InstrumentModel& model, AlarmPointKind kind) {
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

ReasonId kindName(LevelSetting kind) {
    switch (kind) {
        case LevelSetting::Warning:
            return ReasonId::Warning;
        case LevelSetting::Alarm:
            return ReasonId::Alarm;
        case LevelSetting::Stel:
            return ReasonId::Stel;
        case LevelSetting::Twa:
            return ReasonId::Twa;
        case LevelSetting::AutoCal:
            return ReasonId::AutoCalValue;
    }
    return ReasonId::None;
}

Reason shown(float value) {
    return value == noValue ? Reason(ReasonId::NotSet) : Reason::Shown(SingleText(value));
}

// "alarm 150 of channel 1"
Reason named(LevelSetting kind, int ch, float value) {
    return Reason(ReasonId::LevelOnChannel, {kindName(kind), shown(value), Reason::Number(ch + 1)});
}

// "alarm 150 of channel 1 is not between 0 and 60"
Reason outside(Reason level, float low, float high) {
    if (std::isfinite(low) && std::isfinite(high))
        return Reason(ReasonId::LevelOutside, {std::move(level), Reason::Shown(SingleText(low)),
                                               Reason::Shown(SingleText(high))});
    if (std::isfinite(low))
        return Reason(ReasonId::LevelBelow, {std::move(level), Reason::Shown(SingleText(low))});
    return Reason(ReasonId::LevelAbove, {std::move(level), Reason::Shown(SingleText(high))});
}

float levelOf(const InstrumentModel& m, LevelSetting kind, int ch) {
    switch (kind) {
        case LevelSetting::Warning:
            return m.Warning(ch);
        case LevelSetting::Alarm:
            return m.Alarm(ch);
        case LevelSetting::Stel:
            return m.Stel(ch);
        case LevelSetting::Twa:
            return m.Twa(ch);
        case LevelSetting::AutoCal:
            return m.AutoCalib(ch);
    }
    return noValue;
}

void addAlarmPointBreaks(const InstrumentModel& m, int ch, std::vector<LevelBreak>& out) {
    const bool ordered = CheckWarningBelowAlarm(m, ch);
    const bool lowLow = ch == kOxygenChannel && m.AlarmO2() == kO2LowLowLow;
    for (LevelSetting kind :
         {LevelSetting::Warning, LevelSetting::Alarm, LevelSetting::Stel, LevelSetting::Twa}) {
        if (ch < 2 && (kind == LevelSetting::Stel || kind == LevelSetting::Twa)) continue;
        const float value = levelOf(m, kind, ch);
        const auto pointKind = static_cast<AlarmPointKind>(static_cast<int>(kind) + 1);
        const std::optional<ValueRange> range = AlarmPointRange(m, ch, pointKind);
        if (!range) {
            out.push_back({ch, kind, Reason(ReasonId::LevelNoSuchPoint, {named(kind, ch, value)})});
        } else if (!CheckAlarmPoint(m, ch, value, pointKind)) {
            out.push_back({ch, kind,
                           value == noValue
                               ? Reason(ReasonId::LevelMustBeSet, {named(kind, ch, value)})
                               : outside(named(kind, ch, value), range->low, range->high)});
        } else if (!ordered && (kind == LevelSetting::Warning || kind == LevelSetting::Alarm)) {
            out.push_back(
                {ch, kind,
                 Reason(lowLow ? ReasonId::WarningNotAtOrAbove : ReasonId::WarningNotAtOrBelow,
                        {shown(m.Warning(ch)), Reason::Number(ch + 1), shown(m.Alarm(ch))})});
        }
    }
}

}  // namespace

bool CheckWarningBelowAlarm(const InstrumentModel& model, int ch) {
    const float warning = model.Warning(ch);
    const float alarm = model.Alarm(ch);
    if (warning < 0 || alarm < 0) return true;
    if (ch == kOxygenChannel && model.AlarmO2() == kO2LowLowLow) return warning >= alarm;
    return warning <= alarm;
}

std::optional<ValueRange> AlarmPointRange(const InstrumentModel& model, int ch,
                                          AlarmPointKind kind) {
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

bool CheckAlarmPoint(const InstrumentModel& model, int ch, float value, AlarmPointKind kind) {
    const std::optional<ValueRange> range = AlarmPointRange(model, ch, kind);
    return range && range->low <= value && value <= range->high;
}

AutoCalBound AutoCalLimit(const InstrumentModel& model, int ch) {
    const float limit = autoCalLimit(ch);
    const float warning = model.Warning(ch);
    if (!isOxygen(model, ch)) return {warning >= 0 ? warning : limit, false};
    if (model.AlarmO2() == kO2Span) return {limit, true};
    return {warning >= 0 ? warning : limit, true};
}

bool CheckAutoCalValue(const InstrumentModel& model, int ch, float value) {
    if (value < 0) return true;
    if (model.GasEnabled(ch) && value > model.GasFullScale(ch)) return false;
    const AutoCalBound bound = AutoCalLimit(model, ch);
    return bound.atMost ? value <= bound.bound : value >= bound.bound;
}

std::vector<LevelBreak> LevelRuleBreaks(const InstrumentModel& model) {
    std::vector<LevelBreak> breaks;
    for (int ch = 0; ch < InstrumentModel::channelCount; ++ch) {
        if (ch <= 3 && model.GasEnabled(ch)) addAlarmPointBreaks(model, ch, breaks);
        const float value = model.AutoCalib(ch);
        if (CheckAutoCalValue(model, ch, value)) continue;
        const AutoCalBound bound = AutoCalLimit(model, ch);
        Reason level = named(LevelSetting::AutoCal, ch, value);
        Reason reason;
        if (model.GasEnabled(ch) && value > model.GasFullScale(ch))
            reason = Reason(ReasonId::LevelAboveFullScale,
                            {std::move(level), Reason::Shown(SingleText(model.GasFullScale(ch)))});
        else
            reason = bound.atMost ? outside(std::move(level), -kNoLimit, bound.bound)
                                  : outside(std::move(level), bound.bound, kNoLimit);
        breaks.push_back({ch, LevelSetting::AutoCal, std::move(reason)});
    }
    return breaks;
}

bool SameGasRecord(const InstrumentModel& a, const InstrumentModel& b, int ch) {
    return a.GasEnabled(ch) == b.GasEnabled(ch) && a.GasName(ch) == b.GasName(ch) &&
           a.GasFullScale(ch) == b.GasFullScale(ch) && a.Resolution(ch) == b.Resolution(ch) &&
           a.GasPoint(ch) == b.GasPoint(ch) && a.GasUnit(ch) == b.GasUnit(ch);
}

bool LevelsAsHeld(const InstrumentModel& m, const InstrumentModel& held, int ch) {
    return SameGasRecord(m, held, ch) && m.Warning(ch) == held.Warning(ch) &&
           m.Alarm(ch) == held.Alarm(ch) && m.Stel(ch) == held.Stel(ch) &&
           m.Twa(ch) == held.Twa(ch) && m.AutoCalib(ch) == held.AutoCalib(ch) &&
           m.AlarmO2() == held.AlarmO2();
}

const char* LevelCode(LevelSetting kind) {
    switch (kind) {
        case LevelSetting::Warning:
            return "A1";
        case LevelSetting::Alarm:
            return "A2";
        case LevelSetting::Stel:
            return "AS";
        case LevelSetting::Twa:
            return "AW";
        case LevelSetting::AutoCal:
            return "SA";
    }
    return "";
}

}  // namespace vq
