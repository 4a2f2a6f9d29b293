#pragma once
// The settings command file ("Config Data (*.seq)"): the instrument's settings as the write
// command lines the instrument understands, one per line ("LP,W,1,"), 28 lines in a fixed order.
// The "Export Setting" command writes it from the working model; "Import Setting" reads it back.
//
// Reading takes the lines in any order, codes in any case, ";" comments, and skips unknown codes;
// a file without a single settings line is refused (another kind of file was chosen), and so is a
// code given twice, a line with more fields than its code has, a fixed-width field of another
// width, a line break of another kind than the file's (a break inside a text) and a byte-order
// mark anywhere but at the start. It is all or nothing: the file is read into a scratch copy of
// the model, checked whole against the setting rules (model/setting_rules.h), and a line that
// cannot be converted or breaks a rule leaves the model untouched and is reported with the file
// name, its line number and the rule.

#include <filesystem>
#include <string>
#include <string_view>

#include "app/atomic_file.h"

namespace vq {

class InstrumentModel;

// The 28 lines (CRLF) of the file for `model`.
std::string SettingsFileText(const InstrumentModel& model);

// Writes the file (crash-safe: temporary file, fsync, rename).
FileResult WriteSettingsFile(const InstrumentModel& model, const std::filesystem::path& path);

struct SettingsReadResult {
    bool ok = true;
    std::filesystem::path file;
    int line = 0;        // 1-based line that could not be converted (0: the file itself)
    std::string reason;  // what was wrong with it
    // "<file>, line <n>: <reason>"; for a file that could not be read, the system's reason
    // with the file name. For the error box.
    std::string message() const;
};

// Reads settings text over `model`: every line is applied to a scratch copy, which replaces the
// model only when the whole text converted. Change flags are those the setters leave.
SettingsReadResult ReadSettingsText(InstrumentModel& model, std::string_view text);

// Reads settings text that records what an instrument held (a stored read): the same reading,
// but the values are not judged by the setting rules, since nobody edited them.
SettingsReadResult ReadHeldSettingsText(InstrumentModel& model, std::string_view text);

// The "Import Setting" load: reads the file over `model` as above, then marks every setting
// except the identity texts and the station list as changed (SetChangeFlags(true, false)) and
// sets ImportFlag, so the loaded settings are written by the next update. On failure the model
// is not touched at all.
SettingsReadResult ImportSettingsFile(InstrumentModel& model, const std::filesystem::path& path);

}  // namespace vq
