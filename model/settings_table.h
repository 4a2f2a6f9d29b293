#pragma once
// The settings table: every single-valued setting of the instrument as model/setting_list.h
// describes it, with typed access to the model. The reply decoder, the settings write, the
// settings command file, the settings CSV, the range checks and the windows' captions all read
// this table instead of naming settings one by one.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/setting_id.h"

namespace vq {

class InstrumentModel;

// How a value travels: read answers (Dec, Hex, Hex32, Bit, Text, TypeCode), write requests
// (None, Dec, Hex4, Bit, Text10, Raw) and the settings command file (Dec, Bit, Hex4, Hex4Of32,
// Text10, Raw). One enum, so the table's rows can name forms without qualification.
enum class Form { Dec, Hex, Hex32, Bit, Text, TypeCode, None, Hex4, Hex4Of32, Text10, Raw };

// What a confirmed write does to the change flag.
enum class AfterWrite { Clear, Keep };

// How a value is shown to a person (the settings CSV, review lists).
struct ShownForm {
    enum class Kind { Number, OnOff, Texts, Ids, Pattern, TypeIds } kind = Kind::Number;
    std::string_view texts;    // Texts: "Auto|LEL|vol"
    std::array<int, 3> ids{};  // Ids, Pattern, TypeIds: message ids
};

struct Setting {
    std::string_view prop;  // the model property, "LcBuzzer"
    SettingId id{};         // its key, SettingId::LcBuzzer (also the key of its change flag)
    std::string_view code;  // "WB"
    int field = 1;          // place in the command's value list, from 1
    int readIndex = 0;      // place of its read in the read-all's table
    Form read = Form::Dec;
    Form write = Form::Dec;
    Form file = Form::Dec;
    AfterWrite afterWrite = AfterWrite::Clear;
    int writeRank = 0;  // order of the settings write; 0: never written by it
    std::int32_t low = 0, high = 0;
    std::string_view what;  // named in a refusal
    int caption = 0;        // message id
    int csvColumn = 0;      // 0: not in the settings CSV
    ShownForm shown;
    std::string_view simKey;  // the virtual instrument's state-file key
    bool isText = false;
    // Numbers (isText false) ...
    std::int32_t (*number)(const InstrumentModel&) = nullptr;
    void (*setNumber)(InstrumentModel&, std::int32_t) = nullptr;
    // ... and texts (isText true).
    std::string (*text)(const InstrumentModel&) = nullptr;
    void (*setText)(InstrumentModel&, std::string) = nullptr;

    // The reply keys of its command: "WB,R", "WB,W" (the table lives as long as the program).
    std::string_view readKey() const { return {keys[0].data(), 4}; }
    std::string_view writeKey() const { return {keys[1].data(), 4}; }
    std::array<std::array<char, 4>, 2> keys{};

    bool changed(const InstrumentModel& model) const;
    void setChanged(InstrumentModel& model, bool changed) const;
};

// Every setting, in the order of the settings command file. Its read places are checked where
// it is built (ReadSlotCollisions, model/read_slots.h): a clash stops the program at once.
std::span<const Setting> SettingsTable();
// Every way the rows' read places (ReadIndex) clash: a place outside the read-all's table, one
// that a fixed, library or station read holds (model/read_slots.h), one two commands share, or
// one command naming two places. One line per clash; empty when the rows fit.
std::vector<std::string> ReadSlotCollisions(std::span<const Setting> rows);
// The setting of a command's value (field from 1); null when there is none.
const Setting* FindSetting(std::string_view code, int field = 1);
// The setting of a model property ("CalLimit"); null when there is none.
const Setting* FindSettingOf(std::string_view prop);
// The settings a command carries, in field order ("BU": four).
std::vector<const Setting*> SettingsOfCode(std::string_view code);

// The value as a person reads it: a text, or a message id to look up (0: the text stands).
struct ShownValue {
    std::string text;
    int messageId = 0;
};
ShownValue SettingShownValue(const Setting& setting, const InstrumentModel& model);
// The value as the settings write and the settings file carry it ("001E", "1", "ABC       ").
std::string SettingFormText(const Setting& setting, Form form, const InstrumentModel& model);

}  // namespace vq
