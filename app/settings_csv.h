#pragma once
// The settings CSV record: one row of an instrument's complete settings (335 columns) appended
// to VQ5100_Setting<suffix>.csv in the working folder after every successful "Information Get &&
// Save" read and every successful settings write. The file starts with a UTF-8 byte-order mark
// and a header row. Header
// labels and value texts are those of the language in use. Nobody reads the file back; it is a
// history for people and spreadsheets.
//
// Fields holding a comma, a double quote or a line break are quoted (RFC 4180), so a row never
// shifts; a code outside a column's list gives an empty field, never a missing one.
//
// The append never leaves a half-written file: the old file is copied, the row added, and the
// copy renamed over it (see app/atomic_file.h). A failure is returned as a message for the
// caller to show; the read or write that triggered the row is not affected.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/atomic_file.h"
#include "messages/messages.h"

namespace vq {

class clsInstrument;

inline constexpr int settingsCsvColumns = 335;

// The action column: what the row records.
enum class CsvAction { Read = 0, Write = 1, WriteID = 2 };

// WorkDir / ("VQ5100_Setting" + suffix + ".csv").
std::filesystem::path SettingsCsvPath(const std::filesystem::path& workDir,
                                      std::string_view suffix);

// The 335 header labels and the 335 value texts of one row. `now` is the PC time (OLE date).
std::vector<std::string> SettingsCsvHeader();
// The header as the program writes it in `language` (an import knows both).
std::vector<std::string> SettingsCsvHeader(Language language);
std::vector<std::string> SettingsCsvRow(const clsInstrument& model, CsvAction action, double now);

// Fields joined with ",", quoted where needed, ended with CRLF.
std::string CsvLine(const std::vector<std::string>& fields);

// Appends the row for `model` (creating the file with a UTF-8 byte-order mark and the header
// when it does not exist; an appended row adds no mark).
FileResult ExportSettingsRow(const clsInstrument& model, CsvAction action,
                             const std::filesystem::path& workDir, std::string_view suffix,
                             double now);

}  // namespace vq
