#include "model/held_values.h"

#include <cmath>

#include "model/instrument.h"
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

std::string scaleProblem(float value, const char* what) {
    if (value > 0 && std::isfinite(value)) return {};
    return std::string(what) + " " + SingleText(value) + " is not above 0";
}

}  // namespace

std::string SettingRangeProblem(const Setting& s, std::int32_t value) {
    const std::string named = std::string(s.what) + " " + std::to_string(value);
    if (s.code == "XP") {
        for (std::int32_t c : kIntervals)
            if (c == value) return {};
        std::string list;
        for (std::int32_t c : kIntervals) list += (list.empty() ? "" : ", ") + std::to_string(c);
        return named + " is not one of " + list;
    }
    if (value >= s.low && value <= s.high) return {};
    return named + " is not between " + std::to_string(s.low) + " and " + std::to_string(s.high);
}

std::string GasScaleProblem(const clsInstrument& m, int channel) {
    if (!m.GasEnabled(channel)) return {};
    std::string reason = scaleProblem(m.GasFullScale(channel), "full scale");
    if (reason.empty()) reason = scaleProblem(m.GasDesit(channel), "resolution");
    return reason.empty() ? reason : "channel " + std::to_string(channel + 1) + ": " + reason;
}

std::vector<HeldValueProblem> OutOfRangeValues(const clsInstrument& m) {
    std::vector<HeldValueProblem> problems;
    bool gasDone = false;
    for (const Setting& s : SettingsTable()) {
        // The gas table's line comes right after the type number's ("BS"), as in the file.
        if (!gasDone && s.code != "BS") {
            gasDone = true;
            for (int ch = 0; ch < clsInstrument::channelCount; ++ch)
                if (std::string reason = GasScaleProblem(m, ch); !reason.empty())
                    problems.push_back({"GJ", 1, ch, std::move(reason)});
        }
        if (!hasRange(s)) continue;
        if (std::string reason = SettingRangeProblem(s, s.number(m)); !reason.empty())
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
