#pragma once
// Every user-visible text of the program comes from one of two message tables, English and
// Japanese (resources/messages_en.txt, resources/messages_ja.txt, embedded at build time), and is
// produced by ResMessage. resources/README.md lists the ids by block.
//
// Placeholders in a table text:
//   ~1 .. ~9   the argument of that number (nothing when the list has no such argument; ~0 is
//              always nothing). Only one digit is read: "~12" is argument 1 followed by "2".
//   ~c, ~C     carriage return and line feed
//   ~t, ~T     tab
//   ~ + any other character: both are dropped ("~~" drops itself); a multi-byte UTF-8 character
//              after the tilde is dropped whole, so a Japanese text never turns into broken UTF-8.
//   a lone ~ at the very end of a text is dropped.
// Argument texts are inserted as they are and never expanded again: a "~1" inside a path argument
// stays "~1" and cannot make the expansion loop.

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace vq {

enum class Language { English, Japanese };

// Ids the program uses by name. The ids the texts are quoted with elsewhere are used as numbers
// (ResMessage(5405)); the ones below were added to the tables for lines that report a failure
// instead of a success, and for texts that had no id of their own.
namespace msg {
inline constexpr int LanguageTag = 101;
inline constexpr int ApplicationTitle = 5001;
// A write, a clock set or a power-off that did not succeed is reported as a failure, never with
// the success line: information log (red) ...
inline constexpr int UploadFailedInfo = 5431;       // "VQ-5100 Upload Failed.~c"
inline constexpr int DateTimeSetFailedInfo = 5432;  // "VQ-5100 Date/Time Set Failed.~c"
// ... communication log ...
inline constexpr int PowerOffFailedLog = 5508;     // "---Auto Power OFF Failed---.~c"
inline constexpr int ChecksumErrorLog = 5513;      // "<<< Checksum error >>>"
inline constexpr int DateTimeSetFailedLog = 5529;  // "---Date/Time Set Failed---. Date = ~1~c"
// The write that stopped a settings write, with the values sent and those the instrument holds
// (information log in red, vq5100ctl's error line) ...
inline constexpr int WriteDiffersInfo = 5450;   // "~1 was not written: sent ~2, ... holds ~3."
inline constexpr int WriteRefusedInfo = 5451;   // "~1 was refused by the instrument (sent ~2)."
inline constexpr int WriteNoAnswerInfo = 5452;  // "~1 was not answered by the instrument ..."
inline constexpr int WriteUnsafeInfo = 5453;    // "~1 was not sent: it holds a control ..."
// ... a settings check that refused the write before anything was sent ...
inline constexpr int SettingsRefusedInfo = 5454;  // "Settings not written: ~1"
// ... and the box shown instead of "Upload Complete." (5319).
inline constexpr int UploadFailedBox = 5335;  // "Upload Failed."
}  // namespace msg

// The table chosen for the whole process. It starts from the environment (see
// languageFromLocale) and is replaced by setLanguage, e.g. from "--lang".
Language currentLanguage();
void setLanguage(Language language);

// The locale rule: the first non-empty of LC_ALL, LC_MESSAGES and LANG decides; a value that
// begins with "ja" (any case) selects Japanese, anything else (or nothing) English. Null pointers
// count as unset variables.
Language languageFromLocale(const char* lcAll, const char* lcMessages, const char* lang);
// The same rule on this process's environment.
Language languageFromEnvironment();

// Message `id` of the current table, placeholders expanded with `args`. An id missing from the
// table gives the visible text "[message <id>]" (never a crash, never an empty string).
std::string ResMessage(int id, const std::vector<std::string>& args = {});
// The same from a chosen table, whatever the process-wide choice.
std::string ResMessage(Language language, int id, const std::vector<std::string>& args = {});

// Message 5001, the title of every message box.
std::string AppTitle();

// Message 101 of the current table: "EN" or "JP". The program decides by language through it.
std::string LanguageTag();
bool isJapaneseTag();

// Expands the placeholders of `text` (rules at the top of this file).
std::string expandMessage(std::string_view text, const std::vector<std::string>& args);

// Table access, for tests and tools.
bool hasMessage(Language language, int id);
// The text of `id` before expansion; empty when the id is missing.
std::string messageTemplate(Language language, int id);
std::vector<int> messageIds(Language language);
// Problems found in the embedded table (empty for a well-formed table).
std::vector<std::string> messageTableErrors(Language language);

// The table file format (resources/messages_en.txt documents it): parsed text and the problems
// found, one entry per bad line ("line 12: ..."). Bad lines are skipped.
struct MessageTable {
    std::map<int, std::string> texts;
    std::vector<std::string> errors;
};
MessageTable parseMessageTable(std::string_view fileText);

}  // namespace vq
