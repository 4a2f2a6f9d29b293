#pragma once
// What each setting may hold before the program sends it: the ranges, lists, lengths and
// characters the settings grid and the factory dialog allow, in one table. The settings command
// file is checked whole against it before anything is sent, and "Update" checks the settings it
// is about to write against it, so a value the windows would never let through cannot reach the
// instrument from a file or a script either. Nothing here cuts, rounds or clamps: a value breaks
// a rule or it does not.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/rule_reason.h"

namespace vq {

class InstrumentModel;
struct LibraryEntry;
struct Setting;

// A setting that broke its rule: the code of its settings-file line and why.
struct SettingProblem {
    std::string code;  // "BU", "A1", "GJ", "LS", "BS", "UJ"
    Reason reason;     // "bump test time 9 is not between 0 and 3" once worded
    // Another line that sets what the rule depends on, named when the file has no line `code`
    // (a level judged against a full scale that the file's "GJ" line changed); empty for none.
    std::string dependsOn = {};
};

// Which settings a check looks at: all of them (a settings file about to be loaded), or only
// those whose change flag is set (what "Update" is about to send).
enum class RuleScope { All, Changed };

// Every setting of the model that breaks its rule, in the settings-file order (one problem per
// code at most); empty when every setting in scope may be sent. Levels are checked for form (a
// number that fits the five-character field at the channel's decimals, or no value) and against
// the level rules of their channel (model/level_rules.h), the rules the grid holds them to.
//
// `onInstrument`, when known, is what the instrument holds (the last read): a value equal to it
// was put there by other means and nobody changed it; it is sent back as it is and not judged.
// Only edits and file values are (a file is checked without it).
std::vector<SettingProblem> CheckSettingRules(const InstrumentModel& model, RuleScope scope,
                                              const InstrumentModel* onInstrument = nullptr);

// Why `value` is not a value the numeric setting `rule` may hold (its range, or the list of the
// logging intervals); empty when it is. For a read as much as for a file or an edit.
Reason NumberRuleProblem(const Setting& rule, std::int32_t value);

// A field of a settings library entry (the factory dialog's hydrocarbon table, the "LS" line).
enum class LibraryField { Name, FullScale, Resolution, Unit, Voltage, Ratio, Coefficients };

// Why the field of a named (used) library entry cannot be sent; empty when it can. Full scale and
// resolution above 0, fitting five characters at the entry's decimals, the resolution not above
// the full scale; the sensor voltage not 0; the ratio above 0; every coefficient finite.
Reason LibraryFieldProblem(const LibraryEntry& entry, LibraryField field);

// ---- the rules one value at a time, for the places that take a value from a person ----

// A level as the file or the grid holds it: no value (-101), or a finite number >= 0 that
// LevelText5 shows whole at `decimals` places and without more decimals than that.
bool IsSendableLevel(float value, int decimals);

// Why a level text of a settings file cannot be read as a level; empty when it can. Only a
// number or the no-value mark ("*****") is a level here: the status words the instrument shows
// in its readings are not settings.
Reason LevelTextProblem(std::string_view text);

// A text the user supplied that goes onto the wire: at most `maxLength` bytes, each one printable
// ASCII of the set `allowed` accepts. Control bytes, DEL and anything beyond ASCII are refused,
// so no input can forge a frame.
enum class TextSet {
    Identity,  // digits, A-Z, space, "*", "-" (serial number, station, user id)
    Name,      // letters, digits, space, "-", "_", "/", ">", "<" (type number "BS", station list)
    // Any printable ASCII character but "," and ";", which would split a field or start a
    // comment in the settings file (gas and library names, which come from the instrument's own
    // lists and the configured gas table). The instrument's fields hold one byte a character:
    // anything beyond ASCII would come back as other text.
    Printable,
};
Reason TextProblem(std::string_view text, std::size_t maxLength, TextSet allowed);

// The name a refusal gives a numeric setting of the settings table, or the type number
// ("bump test time"); None for a setting no rule names.
ReasonId SettingName(const Setting& rule);

// A text as a person is shown it: control characters, DEL and every byte above 127 as "\xHH"
// ("H2S\xC3\xA9"), so a refusal never writes a terminal escape sequence or a frame character onto
// a screen, and a text the instrument holds shows every byte it holds, whatever its encoding.
std::string ShownText(std::string_view text);

// Well-formed UTF-8: no stray continuation byte, no cut or overlong sequence, no surrogate.
bool IsValidUtf8(std::string_view text);

// The units a gas or library entry may carry.
bool IsGasUnit(std::string_view unit);

}  // namespace vq
