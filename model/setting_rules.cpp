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

using M = InstrumentModel;

// The logging intervals the interval list offers, in seconds.
constexpr int kIntervals[] = {10, 20, 30, 60, 180, 300, 600};

// The shown value of a reason.
Reason shownNumber(float value) {
    return Reason::Shown(SingleText(value));
}

std::string listText(std::span<const int> choices) {
    std::string text;
    for (int c : choices) text += (text.empty() ? "" : ", ") + std::to_string(c);
    return text;
}

// The settings the windows and a file give a number: every number the settings write sends.
bool isCheckedNumber(const Setting& s) {
    return !s.isText && s.writeRank > 0;
}

// Whether the setting changed on one of the five channels (the sixth level record is not one).
bool anyChannelChanged(const M& m, SettingId id) {
    for (int ch = 0; ch < InstrumentModel::channelCount; ++ch)
        if (m.isChanged(id, ch)) return true;
    return false;
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
        ReasonId what;
        float (M::*get)(int) const;
        SettingId flags;
    };
    static const List lists[] = {
        {LevelSetting::Warning, ReasonId::Warning, &M::Warning, SettingId::Warning},
        {LevelSetting::Alarm, ReasonId::Alarm, &M::Alarm, SettingId::Alarm},
        {LevelSetting::Stel, ReasonId::Stel, &M::Stel, SettingId::Stel},
        {LevelSetting::Twa, ReasonId::Twa, &M::Twa, SettingId::Twa},
        {LevelSetting::AutoCal, ReasonId::AutoCalValue, &M::AutoCalib, SettingId::AutoCalib},
    };
    const auto asHeld = [&](int ch) {
        return held.skips([&](const M& h) { return LevelsAsHeld(m, h, ch); });
    };
    for (const List& list : lists) {
        if (scope == RuleScope::Changed && !anyChannelChanged(m, list.flags)) continue;
        for (int ch = 0; ch < InstrumentModel::channelCount; ++ch) {
            const float value = (m.*list.get)(ch);
            if (IsSendableLevel(value, m.GasPoint(ch)) || asHeld(ch)) continue;
            problems.push_back(SettingProblem{
                LevelCode(list.kind), Reason(ReasonId::LevelNotSendable,
                                             {list.what, shownNumber(value), Reason::Number(ch + 1),
                                              Reason::Number(std::max<int>(0, m.GasPoint(ch)))})});
            break;
        }
    }
    // Whether each level suits its channel: the rules the grid refuses an edit by.
    for (const LevelBreak& level : LevelRuleBreaks(m)) {
        const List& list = lists[static_cast<int>(level.kind)];
        if (scope == RuleScope::Changed && !anyChannelChanged(m, list.flags)) continue;
        if (asHeld(level.channel)) continue;
        problems.push_back(SettingProblem{LevelCode(level.kind), level.reason, "GJ"});
    }
    return problems;
}

// A positive number that the five-character field shows whole at `decimals` places.
Reason scaleProblem(float value, int decimals, ReasonId what) {
    if (value == levelNoValue) return Reason(ReasonId::ScaleNoValue, {what});
    if (!(value > 0) || !std::isfinite(value))
        return Reason(ReasonId::ScaleNotAboveZero, {what, shownNumber(value)});
    if (!IsSendableLevel(value, decimals))
        return Reason(ReasonId::ScaleTooWide,
                      {what, shownNumber(value), Reason::Number(std::max(0, decimals))});
    return {};
}

Reason unitProblem(std::string_view unit) {
    if (IsGasUnit(TrimText(unit))) return {};
    return Reason(ReasonId::UnitNotKnown, {Reason::Shown(ShownText(unit))});
}

std::optional<SettingProblem> checkGasTable(const M& m, RuleScope scope, Held held) {
    bool changed = false;
    for (int ch = 0; ch < 4; ++ch) changed = changed || m.isChanged(SettingId::GasEnabled, ch);
    if (scope == RuleScope::Changed && !changed) return std::nullopt;
    for (int ch = 0; ch < InstrumentModel::channelCount; ++ch) {
        if (!m.GasEnabled(ch)) continue;
        if (held.skips([&](const M& h) { return SameGasRecord(m, h, ch); })) continue;
        Reason reason = TextProblem(TrimText(m.GasName(ch)), 10, TextSet::Printable);
        if (reason.empty() && TrimText(m.GasName(ch)).empty()) reason = ReasonId::GasNoName;
        if (reason.empty())
            reason = scaleProblem(m.GasFullScale(ch), m.GasPoint(ch), ReasonId::FullScale);
        if (reason.empty())
            reason = scaleProblem(m.Resolution(ch), m.GasPoint(ch), ReasonId::Resolution);
        if (reason.empty() && m.Resolution(ch) > m.GasFullScale(ch))
            reason = Reason(ReasonId::ResolutionAboveFullScale,
                            {shownNumber(m.Resolution(ch)), shownNumber(m.GasFullScale(ch))});
        if (reason.empty()) reason = unitProblem(m.GasUnit(ch));
        if (!reason.empty())
            return SettingProblem{"GJ",
                                  Reason(ReasonId::OnChannel, {Reason::Number(ch + 1), reason})};
    }
    return std::nullopt;
}

std::optional<SettingProblem> checkLibrary(const M& m, RuleScope scope, Held held) {
    if (scope == RuleScope::Changed && !m.anyChanged(SettingId::LS_Entry)) return std::nullopt;
    for (int e = 0; e < InstrumentModel::settingsLibraryCount; ++e) {
        const LibraryEntry& entry = m.LS_Entry(e);
        if (held.skips([&](const M& h) { return h.LS_Entry(e) == entry; })) continue;
        // An unused entry (no name) is sent as it is; a named one must be a usable gas.
        const bool used = !TrimText(entry.Name).empty();
        Reason reason;
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
            reason = ReasonId::RatioNotNumber;
        if (!reason.empty())
            return SettingProblem{"LS",
                                  Reason(ReasonId::OnLibraryEntry, {Reason::Number(e), reason})};
    }
    return std::nullopt;
}

std::optional<SettingProblem> checkSpecNo(const M& m, RuleScope scope, Held held) {
    if (scope == RuleScope::Changed && !m.isChanged(SettingId::SpecNo)) return std::nullopt;
    if (held.skips([&](const M& h) { return h.SpecNo() == m.SpecNo(); })) return std::nullopt;
    if (Reason reason = TextProblem(TrimText(m.SpecNo()), 10, TextSet::Name); !reason.empty())
        return SettingProblem{"BS", Reason(ReasonId::Named, {ReasonId::SettingTypeNumber, reason})};
    return std::nullopt;
}

std::optional<SettingProblem> checkSpecType(const M& m, RuleScope scope, Held held) {
    if (scope == RuleScope::Changed && !m.isChanged(SettingId::SpecType)) return std::nullopt;
    if (held.skips([&](const M& h) { return h.SpecType() == m.SpecType(); })) return std::nullopt;
    const std::string& type = m.SpecType();
    // Empty: a file whose "UJ" line had no value leaves the type as the instrument has it.
    if (!type.empty() && type != "0" && type != "1" && type != "2")
        return SettingProblem{
            "UJ", Reason(ReasonId::DestinationNotType, {Reason::Shown(ShownText(type))})};
    return std::nullopt;
}

std::optional<SettingProblem> checkIdentity(const M& m, Held held) {
    struct Text {
        const char* code;
        ReasonId what;
        std::string (*get)(const M&);
        SettingId flag;
        std::size_t maxLength;
    };
    static const Text texts[] = {
        {"XZ", ReasonId::UserId, [](const M& x) { return x.UserID(); }, SettingId::UserID, 16},
        {"XS", ReasonId::Station, [](const M& x) { return x.StationID(); }, SettingId::StationID,
         16},
        {"IN", ReasonId::SerialNumber, [](const M& x) { return x.SerialNo(); }, SettingId::SerialNo,
         20},
    };
    for (const Text& t : texts) {
        if (!m.isChanged(t.flag)) continue;
        if (held.skips([&](const M& h) { return t.get(h) == t.get(m); })) continue;
        if (Reason reason = TextProblem(TrimText(t.get(m)), t.maxLength, TextSet::Identity);
            !reason.empty())
            return SettingProblem{t.code, Reason(ReasonId::Named, {t.what, reason})};
    }
    for (int n = 0; n < InstrumentModel::stationCount; ++n) {
        if (!m.isChanged(SettingId::StationList, n)) continue;
        if (held.skips([&](const M& h) { return h.StationList(n) == m.StationList(n); })) continue;
        if (Reason reason = TextProblem(TrimText(m.StationList(n)), 16, TextSet::Name);
            !reason.empty())
            return SettingProblem{
                "XS", Reason(ReasonId::OnStationEntry, {Reason::Number(n + 1), reason})};
    }
    return std::nullopt;
}

}  // namespace

std::vector<SettingProblem> CheckSettingRules(const InstrumentModel& m, RuleScope scope,
                                              const InstrumentModel* onInstrument) {
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
        if (Reason reason = NumberRuleProblem(rule, rule.number(m)); !reason.empty())
            add(SettingProblem{std::string(rule.code), reason});
    }
    for (auto& problem : checkLevels(m, scope, held)) add(std::move(problem));
    add(checkSpecType(m, scope, held));
    add(checkLibrary(m, scope, held));
    // The identity texts and the station list are not in a settings file; "Update ID" sends them.
    if (scope == RuleScope::Changed) add(checkIdentity(m, held));
    return problems;
}

Reason NumberRuleProblem(const Setting& rule, std::int32_t value) {
    // The logging interval is one of the list's intervals, not any number in its range.
    if (rule.code == "XP") {
        for (int c : kIntervals)
            if (c == value) return {};
        return Reason(ReasonId::NotOneOf, {SettingName(rule), Reason::Number(value),
                                           Reason::Shown(listText(kIntervals))});
    }
    if (value >= rule.low && value <= rule.high) return {};
    return Reason(ReasonId::NotBetween, {SettingName(rule), Reason::Number(value),
                                         Reason::Number(rule.low), Reason::Number(rule.high)});
}

ReasonId SettingName(const Setting& rule) {
    static constexpr std::pair<std::string_view, ReasonId> names[] = {
        {"SpecNo", ReasonId::SettingTypeNumber},
        {"HcMode", ReasonId::SettingHcMode},
        {"AlarmMode", ReasonId::SettingAlarmPattern},
        {"DispCalLimit", ReasonId::SettingCalLimitDisplay},
        {"CalCheck", ReasonId::SettingCalLimitCheck},
        {"Confirmation", ReasonId::SettingConfirmationBeep},
        {"LogOverWrite", ReasonId::SettingLoggerOverwrite},
        {"LcdBackLight", ReasonId::SettingBacklightTime},
        {"autoBackLight", ReasonId::SettingAutoBacklight},
        {"BumpTime", ReasonId::SettingBumpTime},
        {"BumpThreshold", ReasonId::SettingBumpThreshold},
        {"BumpFailCalTime", ReasonId::SettingBumpFailCalTime},
        {"BumpFailAfter", ReasonId::SettingBumpFailAfter},
        {"LcBhMode", ReasonId::SettingLcBhMode},
        {"BhTime", ReasonId::SettingBarHoleTime},
        {"LcBuzzer", ReasonId::SettingLeakCheckBuzzer},
        {"AlarmOnOff", ReasonId::SettingAlarmFunction},
        {"StelTwaOnOff", ReasonId::SettingStelTwaFunction},
        {"AlarmO2", ReasonId::SettingOxygenAlarmType},
        {"CalLimit", ReasonId::SettingCalTimeLimit},
        {"Intervals", ReasonId::SettingLoggingInterval},
        {"AutoZero", ReasonId::SettingAutoZero},
        {"DemandZero", ReasonId::SettingDemandZero},
    };
    for (const auto& [prop, name] : names)
        if (prop == rule.prop) return name;
    return ReasonId::None;
}

Reason LibraryFieldProblem(const LibraryEntry& e, LibraryField field) {
    switch (field) {
        case LibraryField::Name:
            return TextProblem(TrimText(e.Name), 10, TextSet::Printable);
        case LibraryField::FullScale:
            return scaleProblem(e.FullScale, e.Point, ReasonId::FullScale);
        case LibraryField::Resolution:
            if (Reason reason = scaleProblem(e.Digit, e.Point, ReasonId::Resolution);
                !reason.empty())
                return reason;
            if (e.FullScale > 0 && e.Digit > e.FullScale)
                return Reason(ReasonId::ResolutionAboveFullScale,
                              {shownNumber(e.Digit), shownNumber(e.FullScale)});
            return {};
        case LibraryField::Unit:
            return unitProblem(e.Unit);
        case LibraryField::Voltage:
            return e.elem_vol == 0 ? Reason(ReasonId::VoltageZero) : Reason();
        case LibraryField::Ratio:
            if (!std::isfinite(e.Ratio)) return ReasonId::RatioNotNumber;
            if (!(e.Ratio > 0)) return Reason(ReasonId::RatioNotAboveZero, {shownNumber(e.Ratio)});
            return {};
        case LibraryField::Coefficients:
            for (double c : {e.Linear1_a, e.Linear1_b, e.Linear1_c, e.Linear1_d, e.Linear2_a,
                             e.Linear2_b, e.Linear2_c, e.Linear2_d})
                if (!std::isfinite(static_cast<float>(c))) return ReasonId::CoefficientNotNumber;
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

Reason LevelTextProblem(std::string_view text) {
    const std::string trimmed = TrimText(text);
    if (!trimmed.empty() && trimmed.find_first_not_of('*') == std::string::npos) return {};
    const auto value = ParseSingle(trimmed);
    if (!value) return Reason(ReasonId::LevelTextNotNumber, {Reason::Shown(ShownText(trimmed))});
    if (*value < 0) return Reason(ReasonId::LevelTextNegative, {Reason::Shown(ShownText(trimmed))});
    return {};
}

Reason TextProblem(std::string_view text, std::size_t maxLength, TextSet allowed) {
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
            if (code < 32 || code == 127) return ReasonId::ControlCharacter;
            if (code > 127) {
                static constexpr char hex[] = "0123456789ABCDEF";
                return Reason(ReasonId::ByteNotAscii,
                              {Reason::Shown({hex[code >> 4], hex[code & 0xF]})});
            }
            return Reason(ReasonId::CharacterNotAllowed, {Reason::Shown(std::string(1, c))});
        }
    }
    if (text.size() > maxLength)
        return Reason(ReasonId::TextTooLong, {Reason::Shown(ShownText(text)),
                                              Reason::Number(static_cast<long long>(maxLength))});
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
