#pragma once
// Why a value breaks a rule, in no language yet: which sentence and what goes into it. The rules
// live down here, below the message tables, so they cannot word a refusal themselves; the layer
// that shows it (app/rule_reason_text.h) turns a reason into the text of the chosen language.
// A reason's words (a setting's name, "full scale") are reasons too, so no English word is glued
// into a Japanese sentence.

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace vq {

// The sentences and words of the rules. Each value is the id of its message in the tables
// (resources/messages_*.txt, block 23200); app/rule_reason_text.cpp checks every one against the
// named ids at compile time.
enum class ReasonId : int {
    None = 0,  // no reason: the value may be sent
    Text = 1,  // a text shown as it is (a number, a shown value, a list)

    // words
    Warning = 23201,
    Alarm = 23202,
    Stel = 23203,
    Twa = 23204,
    AutoCalValue = 23205,
    FullScale = 23206,
    Resolution = 23207,
    UserId = 23208,
    Station = 23209,
    SerialNumber = 23210,
    NotSet = 23211,

    // the names of the numeric settings and the type number, in the settings table's order
    SettingTypeNumber = 23220,
    SettingHcMode = 23221,
    SettingAlarmPattern = 23222,
    SettingCalLimitDisplay = 23223,
    SettingCalLimitCheck = 23224,
    SettingConfirmationBeep = 23225,
    SettingLoggerOverwrite = 23226,
    SettingBacklightTime = 23227,
    SettingAutoBacklight = 23228,
    SettingBumpTime = 23229,
    SettingBumpThreshold = 23230,
    SettingBumpFailCalTime = 23231,
    SettingBumpFailAfter = 23232,
    SettingLcBhMode = 23233,
    SettingBarHoleTime = 23234,
    SettingLeakCheckBuzzer = 23235,
    SettingAlarmFunction = 23236,
    SettingStelTwaFunction = 23239,
    SettingOxygenAlarmType = 23240,
    SettingCalTimeLimit = 23241,
    SettingLoggingInterval = 23242,
    SettingAutoZero = 23244,
    SettingDemandZero = 23245,

    // sentences of the setting rules
    NotBetween = 23260,         // ~1 name, ~2 value, ~3 low, ~4 high
    NotOneOf = 23261,           // ~1 name, ~2 value, ~3 the list
    LevelNotSendable = 23262,   // ~1 kind, ~2 value, ~3 channel, ~4 decimals
    ScaleNoValue = 23263,       // ~1 name
    ScaleNotAboveZero = 23264,  // ~1 name, ~2 value
    ScaleTooWide = 23265,       // ~1 name, ~2 value, ~3 decimals
    UnitNotKnown = 23266,       // ~1 unit
    OnChannel = 23267,          // ~1 channel, ~2 reason
    GasNoName = 23268,
    ResolutionAboveFullScale = 23269,  // ~1 resolution, ~2 full scale
    OnLibraryEntry = 23270,            // ~1 entry, ~2 reason
    RatioNotNumber = 23271,
    Named = 23272,               // ~1 name, ~2 reason
    DestinationNotType = 23273,  // ~1 the type
    OnStationEntry = 23274,      // ~1 entry, ~2 reason
    VoltageZero = 23275,
    RatioNotAboveZero = 23276,  // ~1 ratio
    CoefficientNotNumber = 23277,
    LevelTextNotNumber = 23278,  // ~1 text
    LevelTextNegative = 23279,   // ~1 text
    ControlCharacter = 23280,
    ByteNotAscii = 23281,         // ~1 two hexadecimal digits
    CharacterNotAllowed = 23282,  // ~1 the character
    TextTooLong = 23283,          // ~1 text, ~2 length

    // sentences of the level rules
    LevelOnChannel = 23290,       // ~1 kind, ~2 value, ~3 channel
    LevelNoSuchPoint = 23291,     // ~1 the level
    LevelMustBeSet = 23292,       // ~1 the level
    LevelOutside = 23293,         // ~1 the level, ~2 low, ~3 high
    LevelBelow = 23294,           // ~1 the level, ~2 low
    LevelAbove = 23295,           // ~1 the level, ~2 high
    WarningNotAtOrAbove = 23296,  // ~1 warning, ~2 channel, ~3 alarm
    WarningNotAtOrBelow = 23297,  // ~1 warning, ~2 channel, ~3 alarm
    LevelAboveFullScale = 23298,  // ~1 the level, ~2 full scale
};

struct Reason {
    ReasonId id = ReasonId::None;
    std::string text;          // ReasonId::Text only
    std::vector<Reason> args;  // ~1, ~2 ... of the sentence

    Reason() = default;
    Reason(ReasonId sentence, std::initializer_list<Reason> arguments = {})
        : id(sentence), args(arguments) {}
    // A text shown as it is.
    static Reason Shown(std::string shown) {
        Reason r(ReasonId::Text);
        r.text = std::move(shown);
        return r;
    }
    static Reason Number(long long value) { return Shown(std::to_string(value)); }

    // No reason: nothing is wrong.
    bool empty() const { return id == ReasonId::None; }
    bool operator==(const Reason&) const = default;
};

}  // namespace vq
