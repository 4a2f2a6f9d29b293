#pragma once
// The settings CSV record: one row of an instrument's complete settings (SettingsCsvColumns())
// appended
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
// caller to show; the read or write that triggered the row is not affected. A file whose header
// has another width than this program's rows (one an earlier version wrote before a setting was
// added) is never appended to: the rows go to a file of their own beside it, which the caller
// names.

#include <cstddef>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/atomic_file.h"
#include "messages/messages.h"

namespace vq {

class InstrumentModel;
struct Setting;

// The row's layout, the one definition the writer, the header, the records import and its
// readers use. From the left: nine identity columns, the settings the settings table places
// before the gas channels, nine columns per gas channel, one per station, then the settings
// placed after the stations. The table's CsvColumn gives each setting's place (from 1); the
// layout is worked out from it once, and a table whose places leave a gap or overlap the
// channels or stations stops the program at once. Positions here are from 0.
struct SettingsCsvLayout {
    static constexpr std::size_t action = 0, pcTime = 1, instrumentTime = 2, serial = 3,
                                 manufactureNumber = 4, rom = 5, sum = 6, station = 7, user = 8;
    static constexpr std::size_t identityColumns = 9;
    // A gas channel's nine, from its first column.
    static constexpr std::size_t channelWidth = 9;
    static constexpr std::size_t gas = 0, firstLevel = 1, levels = 5, calDate = 6, calBefore = 7,
                                 calAfter = 8;

    std::vector<const Setting*> before;  // in column order
    std::vector<const Setting*> after;
    std::size_t firstChannel = 0;
    std::size_t firstStation = 0;
    std::size_t width = 0;

    std::size_t channel(int ch) const {
        return firstChannel + channelWidth * static_cast<std::size_t>(ch);
    }
    // The column of a setting by its property name ("CalLimit"); `width` when it has none.
    std::size_t columnOf(std::string_view prop) const;
    // Whether column `column` holds a setting (the only columns a layout may add or drop).
    bool isSetting(std::size_t column) const;
};

// The layout of `rows` (the settings table, or a planted one); empty `error` when it fits. The
// layout points into `rows`: they must outlive it.
SettingsCsvLayout SettingsCsvLayoutOf(std::span<const Setting> rows, std::string& error);
// The program's layout, from the settings table.
const SettingsCsvLayout& SettingsCsvColumns();

// The action column: what the row records.
enum class CsvAction { Read = 0, Write = 1, WriteID = 2 };

// WorkDir / ("VQ5100_Setting" + suffix + ".csv").
std::filesystem::path SettingsCsvPath(const std::filesystem::path& workDir,
                                      std::string_view suffix);

// The header labels and the value texts of one row, SettingsCsvColumns().width each. `now` is the
// PC time (OLE date).
std::vector<std::string> SettingsCsvHeader();
// The header as the program writes it in `language` (an import knows both).
std::vector<std::string> SettingsCsvHeader(Language language);
std::vector<std::string> SettingsCsvRow(const InstrumentModel& model, CsvAction action, double now);

// Fields joined with ",", quoted where needed, ended with CRLF.
std::string CsvLine(const std::vector<std::string>& fields);

// The number of fields of the first line of `path` (a header, ended by a line end), quoting as
// CsvLine writes it; 0 when the file is missing, empty or cannot be read, or has no line end.
std::size_t CsvHeaderWidth(const std::filesystem::path& path);

// Where the next row goes: SettingsCsvPath, or, when that file's header has another width than
// the program's rows, the first of "<name>_<width>.csv", "<name>_<width>_2.csv", ... that is
// missing or has the program's width. `setAside` names the file left as it is (empty when none).
struct SettingsCsvTarget {
    std::filesystem::path path;
    std::filesystem::path setAside;
    std::size_t setAsideWidth = 0;
};
SettingsCsvTarget SettingsCsvTargetOf(const std::filesystem::path& workDir,
                                      std::string_view suffix);

// The outcome of an export: the file the row went to and, when an older file was set aside, the
// line that says so for the caller's log (empty otherwise).
struct SettingsCsvExport {
    FileResult result;
    std::filesystem::path file;
    std::string notice;
};

// Appends the row for `model` to SettingsCsvTargetOf (creating the file with a UTF-8 byte-order
// mark and the header when it does not exist; an appended row adds no mark).
SettingsCsvExport ExportSettingsRecord(const InstrumentModel& model, CsvAction action,
                                       const std::filesystem::path& workDir,
                                       std::string_view suffix, double now);
// The same, for callers that need only the outcome.
FileResult ExportSettingsRow(const InstrumentModel& model, CsvAction action,
                             const std::filesystem::path& workDir, std::string_view suffix,
                             double now);

}  // namespace vq
