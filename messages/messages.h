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

// vq::msg::<Name>: the ids the program uses, named in the English table and generated from it.
#include "messages/message_ids.h"

namespace vq {

enum class Language { English, Japanese };

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

// Message `id` (a vq::msg name) of the current table, placeholders expanded with `args`. An id
// missing from the table gives the visible text "[message <id>]" (never a crash, never an empty
// string).
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
// The names the table gives its ids (the English table names every id the program uses).
std::map<int, std::string> messageNames(Language language);

// The table file format (resources/messages_en.txt documents it): parsed text, the optional names
// and the problems found, one entry per bad line ("line 12: ..."). Bad lines are skipped.
struct MessageTable {
    std::map<int, std::string> texts;
    std::map<int, std::string> names;
    std::vector<std::string> errors;
};
MessageTable parseMessageTable(std::string_view fileText);

}  // namespace vq
