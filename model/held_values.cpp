#include "model/held_values.h"

#include <cmath>

#include "model/instrument.h"
#include "model/setting_rules.h"
#include "model/settings_table.h"
#include "model/value_codecs.h"

namespace vq {

namespace {

// The logging intervals the interval list offers, in seconds.
constexpr std::int32_t kIntervals[] = {10, 20, 30, 60, 180, 300, 600};

// The settings a person can give a number to: every number the settings write sends.
bool hasRange(const Setting& s) {
    return !s.isText && s.writeRank > 0;
}

Reason scaleProblem(float value, ReasonId what) {
    if (value > 0 && std::isfinite(value)) return {};
    return Reason(ReasonId::ScaleNotAboveZero, {what, Reason::Shown(SingleText(value))});
}

}  // namespace

Reason SettingRangeProblem(const Setting& s, std::int32_t value) {
    if (s.code == "XP") {
        for (std::int32_t c : kIntervals)
            if (c == value) return {};
        std::string list;
        for (std::int32_t c : kIntervals) list += (list.empty() ? "" : ", ") + std::to_string(c);
        return Reason(ReasonId::NotOneOf,
                      {SettingName(s), Reason::Number(value), Reason::Shown(list)});
    }
    if (value >= s.low && value <= s.high) return {};
    return Reason(ReasonId::NotBetween, {SettingName(s), Reason::Number(value),
                                         Reason::Number(s.low), Reason::Number(s.high)});
}

Reason GasScaleProblem(const InstrumentModel& m, int channel) {
    if (!m.GasEnabled(channel)) return {};
    Reason reason = scaleProblem(m.GasFullScale(channel), ReasonId::FullScale);
    if (reason.empty()) reason = scaleProblem(m.Resolution(channel), ReasonId::Resolution);
    if (reason.empty()) return reason;
    return Reason(ReasonId::OnChannel, {Reason::Number(channel + 1), std::move(reason)});
}

std::vector<HeldValueProblem> OutOfRangeValues(const InstrumentModel& m) {
    std::vector<HeldValueProblem> problems;
    bool gasDone = false;
    for (const Setting& s : SettingsTable()) {
        // The gas table's line comes right after the type number's ("BS"), as in the file.
        if (!gasDone && s.code != "BS") {
            gasDone = true;
            for (int ch = 0; ch < InstrumentModel::channelCount; ++ch)
                if (Reason reason = GasScaleProblem(m, ch); !reason.empty())
                    problems.push_back({"GJ", 1, ch, std::move(reason)});
        }
        if (!hasRange(s)) continue;
        if (Reason reason = SettingRangeProblem(s, s.number(m)); !reason.empty())
            problems.push_back({std::string(s.code), s.field, -1, std::move(reason)});
    }
    return problems;
}

std::string HeldNumberText5(float value, std::int16_t decimals) {
    if (!(value < 0) || !std::isfinite(value) || value == levelNoValue)
        return LevelText5(value, decimals);
    if (!LevelFits5(-value, decimals)) return LevelText5(value, decimals);
    std::string digits = LevelText5(-value, decimals);
    digits.erase(0, digits.find_first_not_of(' '));
    digits.insert(0, "-");
    if (digits.size() > 5) return LevelText5(value, decimals);
    return std::string(5 - digits.size(), ' ') + digits;
}

}  // namespace vq
