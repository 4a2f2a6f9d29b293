#pragma once
// The configuration file VQ5100Config.ini in the working folder: the program's own settings
// (AppConfig) and the default instrument settings (AppConfig::ConfigDefaults). Tab-separated
// lines "Key<TAB>field<TAB>field...", ";" starts a comment, "'" quotes a field. Keys are read in
// any case; the last line of a key wins; unknown keys are skipped.
//
// Every number has bounds (README, "The configuration file"). A line holding a value outside
// them, a number too large for its field, a channel or gas number out of range or a damaged
// password field is refused whole: the problem names the line and the key, the setting keeps
// the value it had (the built-in one), and every other line is read as usual.
//
// Nothing the user wrote is dropped by a save: a refused line is written back as it was read
// for as long as the program has not changed that setting itself, and lines the program does
// not use (unknown keys, "LimitDays", a refused line with no place of its own) are kept in
// their order at the end of the file. A file that had a refused line is also copied to
// VQ5100Config.ini.bak before it is first overwritten.
//
// Writing replaces the file whole through a temporary file and a rename, owner-only (it holds
// the password): a crash leaves the old file or the new one, never a partial one.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/app_config.h"

namespace vq {

inline constexpr const char* configFileName = "VQ5100Config.ini";

std::filesystem::path ConfigFilePath(const std::filesystem::path& workDir);

// One refused line.
struct ConfigProblem {
    int line = 0;        // 1-based
    std::string key;     // as written in the file
    std::string reason;  // "Retry 32767 is outside 0 to 10"
    std::string inUse;   // the line the program uses instead ("Retry 3"); empty: none
    // "line 2: Retry 32767 is outside 0 to 10; in use: Retry 3"
    std::string text() const;
};

struct ConfigLoadResult {
    bool found = false;    // the file existed
    bool complete = true;  // every line was taken; false: some were refused, or unreadable
    int badLine = 0;       // 1-based line number of the first refused line (0: none)
    std::string error;     // the first problem, or why the file could not be read
    std::vector<ConfigProblem> problems;  // every refused line, in file order
};

// The information-log line of one refused line of the file at `path`, in the language in use.
std::string ConfigProblemMessage(const ConfigProblem& problem, const std::filesystem::path& path);

// Reads the file over `config` (whose built-in values the caller has filled). A missing file
// changes nothing. Never shows a message: the caller logs what the result says.
ConfigLoadResult LoadConfig(AppConfig& config, const std::filesystem::path& workDir);

struct ConfigSaveResult {
    bool ok = true;
    std::string error;                 // why the file could not be written
    std::filesystem::path backupPath;  // non-empty when an incomplete file was kept as .bak
};

// Rewrites the file from `config`. `now` (an OLE date) goes into the "Last update" line; the
// maker line follows the language in use. The execute count is written one higher
// than held. When the last load was incomplete, the old file is first copied to .bak; if that
// copy fails, the old file is not overwritten.
ConfigSaveResult SaveConfig(AppConfig& config, const std::filesystem::path& workDir, double now);

// The text SaveConfig writes (CRLF lines), for tests and tools: the program's own lines, the
// refused lines it keeps in their places and the lines it keeps at the end.
std::string ConfigFileText(const AppConfig& config, double now);

// The program's own lines only, from the values `config` holds.
std::string PlainConfigFileText(const AppConfig& config, double now);

// Reads configuration text over `config`, as LoadConfig does with a file's contents.
ConfigLoadResult ReadConfigText(AppConfig& config, std::string_view text);

}  // namespace vq
