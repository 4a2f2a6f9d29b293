#include "model/settings_table.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <stdexcept>
#include <utility>

#include "model/instrument.h"
#include "model/numeric.h"
#include "model/read_slots.h"
#include "model/record_fields.h"
#include "model/setting_list.h"

namespace vq {

namespace {

using M = InstrumentModel;
using enum Form;
using enum AfterWrite;

constexpr ShownForm Number() {
    return {ShownForm::Kind::Number, {}, {}};
}
constexpr ShownForm OnOff() {
    return {ShownForm::Kind::OnOff, {}, {}};
}
constexpr ShownForm Texts(std::string_view texts) {
    return {ShownForm::Kind::Texts, texts, {}};
}
constexpr ShownForm Ids(int a, int b, int c) {
    return {ShownForm::Kind::Ids, {}, {a, b, c}};
}
constexpr ShownForm Pattern(int other, int one) {
    return {ShownForm::Kind::Pattern, {}, {other, one, 0}};
}
constexpr ShownForm TypeIds(int a, int b, int c) {
    return {ShownForm::Kind::TypeIds, {}, {a, b, c}};
}

// One row of the list: the access functions come from the captureless lambdas G and S.
template <typename T, typename G, typename S>
Setting makeSetting(std::string_view prop, SettingId id, G, S, std::string_view code, int field,
                    int readIndex, Form read, Form write, Form file, AfterWrite afterWrite,
                    int writeRank, std::int32_t low, std::int32_t high, std::string_view what,
                    int caption, int csvColumn, ShownForm shown, std::string_view simKey) {
    Setting s{prop,      id,  code, field, readIndex, read,      write, file,  afterWrite,
              writeRank, low, high, what,  caption,   csvColumn, shown, simKey};
    for (int k = 0; k < 2; ++k) {
        s.keys[k] = {code.size() > 0 ? code[0] : ' ', code.size() > 1 ? code[1] : ' ', ',',
                     k == 0 ? 'R' : 'W'};
    }
    if constexpr (std::is_same_v<T, std::string>) {
        s.isText = true;
        s.text = [](const M& m) { return std::string(G{}(m)); };
        s.setText = [](M& m, std::string v) { S{}(m, std::move(v)); };
    } else {
        s.number = [](const M& m) -> std::int32_t { return G{}(m); };
        s.setNumber = [](M& m, std::int32_t v) { S{}(m, static_cast<T>(v)); };
    }
    return s;
}

#define VQ_EXPAND(...) __VA_ARGS__
#define VQ_TABLE_ROW(Type, Prop, Default, Life, Row)                 \
    makeSetting<Type>(                                               \
        #Prop, SettingId::Prop, [](const M& m) { return m.Prop(); }, \
        [](M& m, Type v) { m.set##Prop(v); }, VQ_EXPAND Row),

std::vector<Setting> checkedRows(std::vector<Setting> rows) {
    // A read place that clashes would silently replace another read of the read-all: refuse
    // the table outright rather than run with one.
    const std::vector<std::string> clashes = ReadSlotCollisions(rows);
    if (!clashes.empty()) throw std::logic_error("settings table: " + clashes.front());
    return rows;
}

const std::vector<Setting>& table() {
    static const std::vector<Setting> rows = checkedRows({VQ_SETTINGS(VQ_TABLE_ROW)});
    return rows;
}
#undef VQ_TABLE_ROW
#undef VQ_EXPAND

// The item of a "|"-separated list; empty outside it.
std::string listItem(std::string_view items, std::int32_t index) {
    for (std::int32_t i = 0; index >= 0; ++i) {
        const std::size_t bar = items.find('|');
        if (i == index) return std::string(items.substr(0, bar));
        if (bar == std::string_view::npos) break;
        items.remove_prefix(bar + 1);
    }
    return {};
}

}  // namespace

bool Setting::changed(const InstrumentModel& model) const {
    return model.isChanged(id);
}

void Setting::setChanged(InstrumentModel& model, bool value) const {
    model.setChanged(id, value);
}

std::vector<std::string> ReadSlotCollisions(std::span<const Setting> rows) {
    std::vector<std::string> clashes;
    std::map<int, std::string> holder;  // place -> what reads there
    for (const FixedRead& read : kFixedReads) holder[read.index] = read.payload;
    for (int i = 0; i < kLibraryReads; ++i) holder[kFirstLibraryRead + i] = "LI,R";
    for (int i = 0; i < kStationReads; ++i) holder[kFirstStationRead + i] = "XS,R";
    std::map<std::string_view, int> placeOfCode;
    for (const Setting& s : rows) {
        const std::string name = std::string(s.code) + " (" + std::string(s.prop) + ")";
        const auto [known, first] = placeOfCode.emplace(s.code, s.readIndex);
        if (!first) {
            if (known->second != s.readIndex)
                clashes.push_back(name + " reads at " + std::to_string(s.readIndex) + " and at " +
                                  std::to_string(known->second));
            continue;
        }
        if (s.readIndex < 0 || s.readIndex > kLastReadSlot) {
            clashes.push_back(name + " reads at " + std::to_string(s.readIndex) +
                              ", outside the read table");
            continue;
        }
        const auto [held, free] = holder.emplace(s.readIndex, std::string(s.code));
        if (!free)
            clashes.push_back(name + " reads at " + std::to_string(s.readIndex) + ", where " +
                              held->second + " reads");
    }
    return clashes;
}

std::span<const Setting> SettingsTable() {
    return table();
}

const Setting* FindSetting(std::string_view code, int field) {
    for (const Setting& s : table())
        if (s.code == code && s.field == field) return &s;
    return nullptr;
}

const Setting* FindSettingOf(std::string_view prop) {
    for (const Setting& s : table())
        if (s.prop == prop) return &s;
    return nullptr;
}

std::vector<const Setting*> SettingsOfCode(std::string_view code) {
    std::vector<const Setting*> found;
    for (const Setting& s : table())
        if (s.code == code) found.push_back(&s);
    std::sort(found.begin(), found.end(),
              [](const Setting* a, const Setting* b) { return a->field < b->field; });
    return found;
}

ShownValue SettingShownValue(const Setting& s, const InstrumentModel& model) {
    using Kind = ShownForm::Kind;
    if (s.isText && s.shown.kind != Kind::TypeIds) return {s.text(model)};
    // A type code held as text that is not a number has no caption.
    const std::int32_t value = s.isText ? ParseInt16(s.text(model)).value_or(-1) : s.number(model);
    // A code outside the list is shown as the number the instrument holds: never as another
    // item of the list, never as a blank.
    const std::string number = std::to_string(value);
    const auto idOf = [&](std::int32_t index) -> ShownValue {
        if (index < 0 || index >= 3 || s.shown.ids[static_cast<std::size_t>(index)] == 0)
            return {number};
        return {{}, s.shown.ids[static_cast<std::size_t>(index)]};
    };
    switch (s.shown.kind) {
        case Kind::Number:
            return {number};
        case Kind::OnOff:
            return {value == 1 ? "ON" : value == 0 ? "OFF" : number};
        case Kind::Texts: {
            std::string item = listItem(s.shown.texts, value);
            return {item.empty() ? number : item};
        }
        case Kind::Ids:
            return idOf(value);
        case Kind::TypeIds:
            // A type text that is not a number has no caption and is shown as it is.
            return s.isText && !ParseInt16(s.text(model)) ? ShownValue{s.text(model)} : idOf(value);
        case Kind::Pattern:
            if (value != 0 && value != 1) return {number};
            return {{}, s.shown.ids[value == 1 ? 1 : 0]};
    }
    return {};
}

std::string SettingFormText(const Setting& s, Form form, const InstrumentModel& model) {
    if (s.isText) {
        const std::string text = s.text(model);
        return form == Text10 ? FixedText(text, 10, wireTextRule) : text;
    }
    const std::int32_t value = s.number(model);
    switch (form) {
        case Bit:
            return value != 0 ? "1" : "0";
        case Hex4:
        case Hex4Of32:
            return HexDigits(static_cast<std::uint32_t>(value) & 0xFFFFu, 4);
        default:
            return std::to_string(value);
    }
}

}  // namespace vq
