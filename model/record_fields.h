#pragma once
// The fields of the settings records, one encoder for each: the instrument's write requests and
// the settings file both build their gas records, level lists, library entries and fixed-width
// texts here.
//
// The two disagree on text fields only, and the bytes already on instruments and in saved files
// carry both ways, so each stays as a named rule (TextRule):
//   - where a cut falls inside a multibyte character, the wire drops the character when the byte
//     after the cut continues it; the file blanks the character when its lead byte announces more
//     bytes than the field kept. For well-formed UTF-8 both give the same bytes; for broken text
//     they differ, and each side keeps what it always wrote;
//   - the file turns ", ; CR LF" into spaces, since they would split its field or line or start a
//     comment; the wire carries them as given.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vq {

class InstrumentModel;

struct TextRule {
    enum class SplitCharacter {
        DropWhenContinuedPastCut,  // the instrument's writes
        BlankWhenLeadIncomplete,   // the settings file
    };
    SplitCharacter split;
    bool blankSeparators;  // ", ; CR LF" become spaces
};
inline constexpr TextRule wireTextRule{TextRule::SplitCharacter::DropWhenContinuedPastCut, false};
inline constexpr TextRule fileTextRule{TextRule::SplitCharacter::BlankWhenLeadIncomplete, true};

// The text with spaces appended, cut to `width` bytes as the rule says; always `width` bytes.
std::string FixedText(std::string_view text, std::size_t width, TextRule rule);
// The text with ", ; CR LF" turned into spaces (a settings-file field of free length).
std::string LineSafeText(std::string_view text);

// The value's last `digits` hexadecimal digits, upper case ("001E").
std::string HexDigits(std::uint32_t value, int digits);
// Four upper-case hexadecimal digits of the 16-bit value (-1 gives FFFF).
std::string HexText4(int value);

// The five levels of a kind, one field per gas channel 0 to 4 (LevelText5 at the channel's
// decimal places).
enum class LevelKind { Warning, Alarm, AutoCalib, Stel, Twa };
float LevelValue(const InstrumentModel& model, LevelKind kind, int channel);
std::vector<std::string> LevelFields(const InstrumentModel& model, LevelKind kind);

// The 25-character gas record of a channel, or 25 "*" when the channel is off. A full scale or
// resolution below 0 that the instrument holds is carried with its sign: a record goes back as
// the instrument holds it, and a file says what was read.
std::string GasRecordText(const InstrumentModel& model, int channel, TextRule rule);

// The 15 fields of settings-library entry 0 or 1: the entry's type code, name, full scale,
// resolution, unit, element voltage, ratio and the eight linearisation coefficients.
std::vector<std::string> LibraryEntryFields(const InstrumentModel& model, int entry, TextRule rule);

}  // namespace vq
