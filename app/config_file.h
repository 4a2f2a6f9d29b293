#pragma once
// The configuration file VQ5100Config.ini in the working folder: the program's own settings
// (AppConfig) and the default instrument settings (AppConfig::ConfigDefaults). Tab-separated
// lines "Key<TAB>field<TAB>field...", ";" starts a comment, "'" quotes a field. Keys are read in
// any case; the last line of a key wins; unknown keys are skipped.
//
// Reading stops at the first line whose value does not fit its field (a number above 32767 in a
// 16-bit field, a channel number outside its range, a damaged password field). What was read
// before stays; the file is then copied to VQ5100Config.ini.bak before it is first overwritten,
// so the lines after the bad one are never lost silently.
//
// Writing replaces the file whole through a temporary file and a rename, owner-only (it holds
// the password): a crash leaves the old file or the new one, never a partial one.

#include <filesystem>
#include <string>

#include "app/app_config.h"

namespace vq {

inline constexpr const char* configFileName = "VQ5100Config.ini";

std::filesystem::path ConfigFilePath(const std::filesystem::path& workDir);

struct ConfigLoadResult {
    bool found = false;    // the file existed
    bool complete = true;  // every line was taken; false: stopped at `badLine` or unreadable
    int badLine = 0;       // 1-based line number where reading stopped (0: none)
    std::string error;     // the reason, for the information log
};

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

// The text SaveConfig writes (CRLF lines), for tests and tools.
std::string ConfigFileText(const AppConfig& config, double now);

// Reads configuration text over `config`, as LoadConfig does with a file's contents.
ConfigLoadResult ReadConfigText(AppConfig& config, std::string_view text);

}  // namespace vq
