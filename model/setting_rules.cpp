#include "model/setting_rules.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "model/instrument.h"
#include "model/level_rules.h"
#include "model/numeric.h"
#include "model/settings_table.h"
#include "model/text_rules.h"
#include "model/value_codecs.h"

namespace vq {

namespace {

using M = clsInstrument;

// The logging intervals the interval list offers, in seconds.
constexpr int kIntervals[] = {10, 20, 30, 60, 180, 300, 600};

std::string listText(std::span<const int> choices) {
    std::string text;
    for (int c : choices) text += (text.empty() ? "" : ", ") + std::to_string(c);
    return text;
}

// The settings the windows and a file give a number: every number the settings write sends.
bool isCheckedNumber(const Setting& s) {
    return !s.isText && s.writeRank > 0;
}

bool anyChanged(const std::array<bool, clsInstrument::levelCount>& flags) {
    for (int ch = 0; ch < clsInstrument::channelCount; ++ch)
        if (flags[ch]) return true;
    return false;
}

std::string numberText(float value) {
    return SingleText(value);
}

// What a check compares with: the instrument's values, when known.
struct Held {
    const M* model;
    // True when a value equal to the instrument's is not to be judged.
    template <typename Same>
    bool skips(Same same) const {
        return model != nullptr && same(*model);
    }
};

std::vector<SettingProblem> checkLevels(const M& m, RuleScope scope, Held held) {
    std::vector<SettingProblem> problems;
    struct List {
        LevelSetting kind;
        const char* what;
        float (M::*get)(int) const;
        const std::array<bool, clsInstrument::levelCount> M::*flags;
    };
    static const List lists[] = {
        {LevelSetting::Warning, "warning", &M::Warning, &M::Change_Warn},
        {LevelSetting::Alarm, "alarm", &M::Alarm, &M::Change_Alarm},
        {LevelSetting::Stel, "STEL", &M::Stel, &M::Change_Stel},
        {LevelSetting::Twa, "TWA", &M::Twa, &M::Change_Twa},
        {LevelSetting::AutoCal, "auto-calibration value", &M::AutoCalib, &M::Change_AutoCal},
    };
    const auto asHeld = [&](int ch) {
        return held.skips([&](const M& h) { return LevelsAsHeld(m, h, ch); });
    };
    for (const List& list : lists) {
        if (scope == RuleScope::Changed && !anyChanged(m.*list.flags)) continue;
        for (int ch = 0; ch < clsInstrument::channelCount; ++ch) {
            const float value = (m.*list.get)(ch);
            if (IsSendableLevel(value, m.GasPoint(ch)) || asHeld(ch)) continue;
            problems.push_back(SettingProblem{LevelCode(list.kind),
                                              std::string(list.what) + " " + numberText(value) +
                                                  " of channel " + std::to_string(ch + 1) +
                                                  " is not a level of " +
                                                  std::to_string(std::max<int>(0, m.GasPoint(ch))) +
                                                  " decimals that fits five characters"});
            break;
        }
    }
    // Whether each level suits its channel: the rules the grid refuses an edit by.
    for (const LevelBreak& level : LevelRuleBreaks(m)) {
        const List& list = lists[static_cast<int>(level.kind)];
        if (scope == RuleScope::Changed && !anyChanged(m.*list.flags)) continue;
        if (asHeld(level.channel)) continue;
        problems.push_back(SettingProblem{LevelCode(level.kind), level.reason, "GJ"});
    }
    return problems;
}

// A positive number that the five-character field shows whole at `decimals` places.
std::string scaleProblem(float value, int decimals, const char* what) {
    if (value == levelNoValue)
        return std::string(what) + " \"*****\" (no value) is not taken by the instrument";
    if (!(value > 0) || !std::isfinite(value))
        return std::string(what) + " " + numberText(value) + " is not above 0";
    if (!IsSendableLevel(value, decimals))
        return std::string(what) + " " + numberText(value) + " does not fit five characters at " +
               std::to_string(std::max(0, decimals)) + " decimals";
    return {};
}

std::string unitProblem(std::string_view unit) {
    if (IsGasUnit(TrimText(unit))) return {};
    return "unit \"" + ShownText(unit) + "\" is not one of %LEL, VOL%, %, ppm, ppb";
}

std::optional<SettingProblem> checkGasTable(const M& m, RuleScope scope, Held held) {
    bool changed = false;
    for (int ch = 0; ch < 4; ++ch) changed = changed || m.Change_GasEnable[ch];
    if (scope == RuleScope::Changed && !changed) return std::nullopt;
    for (int ch = 0; ch < clsInstrument::channelCount; ++ch) {
        if (!m.GasEnabled(ch)) continue;
        if (held.skips([&](const M& h) { return SameGasRecord(m, h, ch); })) continue;
        const std::string channel = "channel " + std::to_string(ch + 1) + ": ";
        std::string reason = TextProblem(TrimText(m.GasName(ch)), 10, TextSet::Printable);
        if (reason.empty() && TrimText(m.GasName(ch)).empty()) reason = "the gas has no name";
        if (reason.empty()) reason = scaleProblem(m.GasFullScale(ch), m.GasPoint(ch), "full scale");
        if (reason.empty()) reason = scaleProblem(m.GasDesit(ch), m.GasPoint(ch), "resolution");
        if (reason.empty() && m.GasDesit(ch) > m.GasFullScale(ch))
            reason = "resolution " + numberText(m.GasDesit(ch)) + " is above the full scale " +
                     numberText(m.GasFullScale(ch));
        if (reason.empty()) reason = unitProblem(m.GasUnit(ch));
        if (!reason.empty()) return SettingProblem{"GJ", channel + reason};
    }
    return std::nullopt;
}

std::optional<SettingProblem> checkLibrary(const M& m, RuleScope scope, Held held) {
    if (scope == RuleScope::Changed && !m.Change_LSData[0] && !m.Change_LSData[1])
        return std::nullopt;
    for (int e = 0; e < clsInstrument::settingsLibraryCount; ++e) {
        const LibraryEntry& entry = m.LS_Entry(e);
        if (held.skips([&](const M& h) { return h.LS_Entry(e) == entry; })) continue;
        const std::string which = "entry " + std::to_string(e) + ": ";
        // An unused entry (no name) is sent as it is; a named one must be a usable gas.
        const bool used = !TrimText(entry.Name).empty();
        std::string reason;
        for (LibraryField field :
             {LibraryField::Name, LibraryField::FullScale, LibraryField::Resolution,
              LibraryField::Unit, LibraryField::Voltage, LibraryField::Ratio,
              LibraryField::Coefficients}) {
            if (!used && field != LibraryField::Name && field != LibraryField::Coefficients)
                continue;
            reason = LibraryFieldProblem(entry, field);
            if (!reason.empty()) break;
        }
        if (reason.empty() && !used && !std::isfinite(entry.Ratio))
            reason = "the ratio is not a number";
        if (!reason.empty()) return SettingProblem{"LS", which + reason};
    }
    return std::nullopt;
}

std::optional<SettingProblem> checkSpecNo(const M& m, RuleScope scope, Held held) {
    if (scope == RuleScope::Changed && !m.Change_SpecNo) return std::nullopt;
    if (held.skips([&](const M& h) { return h.SpecNo() == m.SpecNo(); })) return std::nullopt;
    if (std::string reason = TextProblem(TrimText(m.SpecNo()), 10, TextSet::Name); !reason.empty())
        return SettingProblem{"BS", "type number: " + reason};
    return std::nullopt;
}

std::optional<SettingProblem> checkSpecType(const M& m, RuleScope scope, Held held) {
    if (scope == RuleScope::Changed && !m.Change_SpecType) return std::nullopt;
    if (held.skips([&](const M& h) { return h.SpecType() == m.SpecType(); })) return std::nullopt;
    const std::string& type = m.SpecType();
    // Empty: a file whose "UJ" line had no value leaves the type as the instrument has it.
    if (!type.empty() && type != "0" && type != "1" && type != "2")
        return SettingProblem{"UJ", "destination \"" + ShownText(type) + "\" is not 0, 1 or 2"};
    return std::nullopt;
}

std::optional<SettingProblem> checkIdentity(const M& m, Held held) {
    struct Text {
        const char* code;
        const char* what;
        std::string (*get)(const M&);
        bool M::*flag;
        std::size_t maxLength;
    };
    static const Text texts[] = {
        {"XZ", "user id", [](const M& x) { return x.UserID(); }, &M::Change_UserID, 16},
        {"XS", "station", [](const M& x) { return x.StationID(); }, &M::Change_StationID, 16},
        {"IN", "serial number", [](const M& x) { return x.SerialNo(); }, &M::Change_SerialNo, 20},
    };
    for (const Text& t : texts) {
        if (!(m.*t.flag)) continue;
        if (held.skips([&](const M& h) { return t.get(h) == t.get(m); })) continue;
        if (std::string reason = TextProblem(TrimText(t.get(m)), t.maxLength, TextSet::Identity);
            !reason.empty())
            return SettingProblem{t.code, std::string(t.what) + ": " + reason};
    }
    for (int n = 0; n < clsInstrument::stationCount; ++n) {
        if (!m.Change_StationList[n]) continue;
        if (held.skips([&](const M& h) { return h.StationList(n) == m.StationList(n); })) continue;
        if (std::string reason = TextProblem(TrimText(m.StationList(n)), 16, TextSet::Name);
            !reason.empty())
            return SettingProblem{"XS",
                                  "station list entry " + std::to_string(n + 1) + ": " + reason};
    }
    return std::nullopt;
}

}  // namespace

std::vector<SettingProblem> CheckSettingRules(const clsInstrument& m, RuleScope scope,
                                              const clsInstrument* onInstrument) {
    const Held held{onInstrument};
    std::vector<SettingProblem> problems;
    const auto add = [&problems](std::optional<SettingProblem> problem) {
        if (!problem) return;
        for (const SettingProblem& p : problems)
            if (p.code == problem->code) return;  // the first problem of a line says enough
        problems.push_back(std::move(*problem));
    };
    add(checkSpecNo(m, scope, held));
    add(checkGasTable(m, scope, held));
    for (const Setting& rule : SettingsTable()) {
        if (!isCheckedNumber(rule)) continue;
        if (scope == RuleScope::Changed && !rule.changed(m)) continue;
        if (held.skips([&](const M& h) { return rule.number(h) == rule.number(m); })) continue;
        if (std::string reason = NumberRuleProblem(rule, rule.number(m)); !reason.empty())
            add(SettingProblem{std::string(rule.code), reason});
    }
    for (auto& problem : checkLevels(m, scope, held)) add(std::move(problem));
    add(checkSpecType(m, scope, held));
    add(checkLibrary(m, scope, held));
    // The identity texts and the station list are not in a settings file; "Update ID" sends them.
    if (scope == RuleScope::Changed) add(checkIdentity(m, held));
    return problems;
}

std::string NumberRuleProblem(const Setting& rule, std::int32_t value) {
    // The logging interval is one of the list's intervals, not any number in its range.
    if (rule.code == "XP") {
        for (int c : kIntervals)
            if (c == value) return {};
        return std::string(rule.what) + " " + std::to_string(value) + " is not one of " +
               listText(kIntervals);
    }
    if (value >= rule.low && value <= rule.high) return {};
    return std::string(rule.what) + " " + std::to_string(value) + " is not between " +
           std::to_string(rule.low) + " and " + std::to_string(rule.high);
}

std::string LibraryFieldProblem(const LibraryEntry& e, LibraryField field) {
    switch (field) {
        case LibraryField::Name:
            return TextProblem(TrimText(e.Name), 10, TextSet::Printable);
        case LibraryField::FullScale:
            return scaleProblem(e.FullScale, e.Point, "full scale");
        case LibraryField::Resolution:
            if (std::string reason = scaleProblem(e.Digit, e.Point, "resolution"); !reason.empty())
                return reason;
            if (e.FullScale > 0 && e.Digit > e.FullScale)
                return "resolution " + numberText(e.Digit) + " is above the full scale " +
                       numberText(e.FullScale);
            return {};
        case LibraryField::Unit:
            return unitProblem(e.Unit);
        case LibraryField::Voltage:
            return e.elem_vol == 0 ? "the sensor voltage is 0" : std::string();
        case LibraryField::Ratio:
            if (!std::isfinite(e.Ratio)) return "the ratio is not a number";
            if (!(e.Ratio > 0)) return "ratio " + numberText(e.Ratio) + " is not above 0";
            return {};
        case LibraryField::Coefficients:
            for (double c : {e.Linear1_a, e.Linear1_b, e.Linear1_c, e.Linear1_d, e.Linear2_a,
                             e.Linear2_b, e.Linear2_c, e.Linear2_d})
                if (!std::isfinite(static_cast<float>(c))) return "a coefficient is not a number";
            return {};
    }
    return {};
}

bool IsSendableLevel(float value, int decimals) {
    if (value == levelNoValue) return true;
    if (!(value >= 0) || !std::isfinite(value)) return false;
    const auto places = static_cast<int16_t>(std::max(0, decimals));
    if (!LevelFits5(value, places)) return false;
    // More decimals than the field shows would be rounded away on the wire. The tolerance takes
    // in what single precision adds to a value such as 10.4.
    const double scaled = static_cast<double>(value) * std::pow(10.0, places);
    return std::fabs(scaled - std::nearbyint(scaled)) <= 1e-6 * std::max(1.0, std::fabs(scaled));
}

std::string LevelTextProblem(std::string_view text) {
    const std::string trimmed = TrimText(text);
    if (!trimmed.empty() && trimmed.find_first_not_of('*') == std::string::npos) return {};
    const auto value = ParseSingle(trimmed);
    if (!value) return "\"" + ShownText(trimmed) + "\" is not a number or \"*****\"";
    if (*value < 0) return "\"" + ShownText(trimmed) + "\" is negative";
    return {};
}

std::string TextProblem(std::string_view text, std::size_t maxLength, TextSet allowed) {
    for (char c : text) {
        const int code = static_cast<unsigned char>(c);
        bool ok = false;
        switch (allowed) {
            case TextSet::Identity:
                ok = IsIdKey(code) && code != 8 && !(code >= 'a' && code <= 'z');
                break;
            case TextSet::Name:
                ok = code != 8 && IsNameKey(code);
                break;
            case TextSet::Printable:
                ok = (code >= 32 && code < 127 && c != ',' && c != ';');
                break;
        }
        if (!ok) {
            if (code < 32 || code == 127) return "a control character is not allowed";
            if (code > 127) {
                static constexpr char hex[] = "0123456789ABCDEF";
                return std::string("the byte \\x") + hex[code >> 4] + hex[code & 0xF] +
                       " is not printable ASCII";
            }
            return std::string("the character \"") + c + "\" is not allowed";
        }
    }
    if (text.size() > maxLength)
        return "\"" + ShownText(text) + "\" is longer than " + std::to_string(maxLength) +
               " characters";
    return {};
}

std::string ShownText(std::string_view text) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : text) {
        const auto code = static_cast<unsigned char>(c);
        if (code >= 32 && code < 127) {
            out += c;
            continue;
        }
        out += "\\x";
        out += hex[code >> 4];
        out += hex[code & 0xF];
    }
    return out;
}

bool IsValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 1;
        std::uint32_t point = lead;
        if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            point = lead & 0x07u;
        } else if (lead >= 0xE0) {
            length = 3;
            point = lead & 0x0Fu;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            point = lead & 0x1Fu;
        } else if (lead >= 0x80) {
            return false;
        }
        if (lead > 0xF4 || i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            point = (point << 6) | (next & 0x3Fu);
        }
        // Overlong forms, surrogates and code points past U+10FFFF are not text.
        if ((length == 3 && point < 0x800) ||
            (length == 4 && (point < 0x10000 || point > 0x10FFFF)) ||
            (point >= 0xD800 && point <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

bool IsGasUnit(std::string_view unit) {
    return unit == "%LEL" || unit == "vol%" || unit == "VOL%" || unit == "%" || unit == "ppm" ||
           unit == "ppb";
}

}  // namespace vq
