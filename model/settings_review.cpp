#include "model/settings_review.h"

#include <functional>

#include "model/held_values.h"
#include "model/instrument.h"
#include "model/numeric.h"
#include "model/text_rules.h"
#include "model/value_codecs.h"

namespace vq {

namespace {

using M = InstrumentModel;

// Caption ids the windows and the settings CSV already use for these values.
constexpr int kSerialNoCaption = 5608;
constexpr int kDummySerialCaption = 8003;
constexpr int kStationIdCaption = 5609;
constexpr int kUserIdCaption = 5610;
constexpr int kStationCaption = 5603;  // "Station~1"
constexpr int kGasCaption = 5648;
// "Library entry ~1, name" to "Library entry ~1, coefficients": 21600 to 21606 (kLibraryRows).

// A gas channel's record as a person reads it; a channel switched off shows as in the CSV.
std::string gasText(const M& m, int ch) {
    if (!m.GasEnabled(ch)) return "-----";
    const int16_t point = m.GasPoint(ch);
    // A negative full scale or resolution the instrument holds is shown as held.
    return m.GasName(ch) + " " + TrimText(HeldNumberText5(m.GasFullScale(ch), point)) + " " +
           TrimText(HeldNumberText5(m.Resolution(ch), point)) + " " + m.GasUnit(ch);
}

// A library entry field by field, each under its own caption ("Library entry ~1, ratio"), so a
// changed ratio reads as one changed value and not as a changed record.
struct LibraryRow {
    int caption;
    std::string (*text)(const LibraryEntry&);
};
const LibraryRow kLibraryRows[] = {
    {21600, [](const LibraryEntry& e) { return TrimText(e.Name); }},
    {21601, [](const LibraryEntry& e) { return TrimText(LevelText5(e.FullScale, e.Point)); }},
    {21602, [](const LibraryEntry& e) { return TrimText(LevelText5(e.Digit, e.Point)); }},
    {21603, [](const LibraryEntry& e) { return TrimText(e.Unit); }},
    // An unsigned 16-bit field kept in a signed model value, as the factory dialog shows it.
    {21604,
     [](const LibraryEntry& e) { return std::to_string(static_cast<uint16_t>(e.elem_vol)); }},
    {21605, [](const LibraryEntry& e) { return SingleText(e.Ratio); }},
    {21606,
     [](const LibraryEntry& e) {
         std::string text;
         for (double c : {e.Linear1_a, e.Linear1_b, e.Linear1_c, e.Linear1_d, e.Linear2_a,
                          e.Linear2_b, e.Linear2_c, e.Linear2_d})
             text += (text.empty() ? "" : " ") + SingleText(static_cast<float>(c));
         return text;
     }},
};

struct Level {
    const char* code;
    int caption;
    float (M::*get)(int) const;
};
constexpr Level kLevels[] = {{"A1", 5650, &M::Warning},
                             {"A2", 5651, &M::Alarm},
                             {"AS", 5652, &M::Stel},
                             {"AW", 5653, &M::Twa},
                             {"SA", 5654, &M::AutoCalib}};

}  // namespace

std::vector<ReviewRow> ReviewRows(const M& before, const M& after) {
    std::vector<ReviewRow> rows;
    const auto add = [&](ReviewGroup group, std::string code, int caption, int number,
                         const std::function<ShownValue(const M&)>& value) {
        rows.push_back({group, std::move(code), caption, number, value(before), value(after)});
    };
    const auto text = [](std::string (M::*get)() const) {
        return [get](const M& m) { return ShownValue{(m.*get)()}; };
    };
    add(ReviewGroup::Identity, "IN", kSerialNoCaption, 0, text(&M::SerialNo));
    add(ReviewGroup::Identity, "HN", kDummySerialCaption, 0, text(&M::DummySerial));
    add(ReviewGroup::Identity, "XS", kStationIdCaption, 0, text(&M::StationID));
    add(ReviewGroup::Identity, "XZ", kUserIdCaption, 0, text(&M::UserID));
    for (int n = 0; n < M::stationCount; ++n) {
        add(ReviewGroup::Stations, "XS", kStationCaption, n + 1,
            [n](const M& m) { return ShownValue{m.StationList(n)}; });
    }
    for (int ch = 0; ch < M::channelCount; ++ch) {
        add(ReviewGroup::Channels, "GJ", kGasCaption, ch + 1,
            [ch](const M& m) { return ShownValue{gasText(m, ch)}; });
        for (const Level& level : kLevels) {
            add(ReviewGroup::Channels, level.code, level.caption, ch + 1, [ch, &level](const M& m) {
                return ShownValue{TrimText(LevelText5((m.*level.get)(ch), m.GasPoint(ch)))};
            });
        }
    }
    for (const Setting& s : SettingsTable()) {
        add(ReviewGroup::Instrument, std::string(s.code), s.caption, 0,
            [&s](const M& m) { return SettingShownValue(s, m); });
    }
    for (int e = 0; e < M::settingsLibraryCount; ++e) {
        for (const LibraryRow& field : kLibraryRows)
            add(ReviewGroup::Library, "LS", field.caption, e + 1,
                [e, &field](const M& m) { return ShownValue{field.text(m.LS_Entry(e))}; });
    }
    return rows;
}

InstrumentModel HeldAfterWrite(const M& held, const M& sent, const M& after) {
    M out = held;
    const auto written = [&](SettingId id, int index = 0) {
        return sent.isChanged(id, index) && !after.isChanged(id, index);
    };
    if (written(SettingId::SerialNo)) out.setSerialNo(after.SerialNo());
    if (written(SettingId::DummySerial)) out.setDummySerial(after.DummySerial());
    if (written(SettingId::StationID)) out.setStationID(after.StationID());
    if (written(SettingId::UserID)) out.setUserID(after.UserID());
    for (int n = 0; n < M::stationCount; ++n) {
        if (written(SettingId::StationList, n)) out.setStationList(n, after.StationList(n));
    }
    for (int ch = 0; ch < M::levelCount; ++ch) {
        const auto was = [&](SettingId id) { return written(id, ch); };
        if (ch < M::channelCount && was(SettingId::GasEnabled)) {
            out.setGasName(ch, after.GasName(ch));
            out.setGasEnabled(ch, after.GasEnabled(ch));
            out.setGasFullScale(ch, after.GasFullScale(ch));
            out.setResolution(ch, after.Resolution(ch));
            out.setGasPoint(ch, after.GasPoint(ch));
            out.setGasUnit(ch, after.GasUnit(ch));
        }
        if (was(SettingId::Warning)) out.setWarning(ch, after.Warning(ch));
        if (was(SettingId::Alarm)) out.setAlarm(ch, after.Alarm(ch));
        if (was(SettingId::Stel)) out.setStel(ch, after.Stel(ch));
        if (was(SettingId::Twa)) out.setTwa(ch, after.Twa(ch));
        if (ch < M::channelCount && was(SettingId::AutoCalib))
            out.setAutoCalib(ch, after.AutoCalib(ch));
    }
    for (const Setting& s : SettingsTable()) {
        if (!written(s.id)) continue;
        if (s.isText) {
            s.setText(out, s.text(after));
        } else {
            s.setNumber(out, s.number(after));
        }
    }
    for (int e = 0; e < M::settingsLibraryCount; ++e) {
        if (written(SettingId::LS_Entry, e)) out.setLS_Entry(e, after.LS_Entry(e));
    }
    out.ClearChangeFlags();
    return out;
}

}  // namespace vq
