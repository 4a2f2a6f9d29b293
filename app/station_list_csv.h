#pragma once
// The station list as a CSV file ("Station.csv"): one line per station, the station text, a comma
// and the station number (1 to 256). Export writes all 256 lines crash-safe.
//
// Import takes each line's number as the station it is for: "EAST GATE,3" sets station 3 and
// nothing else. A line with a text alone (no number, as an older list or a hand-made one has) is
// for the station after the one the line before it was for (the first line's is station 1); a
// blank line alone clears its station, so a list of plain lines still fills 1, 2, 3 ... as
// before. A number that is not 1 to 256, two lines for the same station, a text the station
// rules refuse or a text line after station 256 refuse the whole file, naming its line: an import
// is all or nothing. Fields after the number (a spreadsheet's extra columns) are not looked at;
// blank lines after station 256 (an editor's trailing lines) are ignored.
//
// A station text is valid when it holds at most 16 characters, each a letter, a digit, a space or
// one of "-", "_", "/", ">", "<".

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/atomic_file.h"

namespace vq {

inline constexpr int stationListRows = 256;
inline constexpr std::size_t stationTextMax = 16;

bool IsStationText(std::string_view text);

// The file text: "<station>,<number>" CRLF for each entry, numbered from 1.
std::string StationListCsvText(const std::vector<std::string>& stations);

// Writes the file, after a UTF-8 byte-order mark, through temporary file, fsync and rename.
FileResult ExportStationList(const std::filesystem::path& path,
                             const std::vector<std::string>& stations);

// One station a file sets: its row (0 for station 1) and its text.
struct StationEntry {
    int row = 0;
    std::string text;
    bool operator==(const StationEntry&) const = default;
};

struct StationImport {
    // Failure: the message names the file (`where`), the line and what is wrong with it.
    FileResult result;
    // In the order of the file's lines; empty on failure.
    std::vector<StationEntry> entries;
};

// The stations a file text sets. A line ends at CRLF, LF or CR; a leading UTF-8 byte-order mark
// is skipped. `where` names the file in a refusal.
StationImport StationsFromCsvText(std::string_view text, std::string_view where);

// Reads a station file; on a read error or a refused line `result` holds the message and no
// station is returned.
StationImport ImportStationList(const std::filesystem::path& path);

// Puts the entries into `stations` (256 texts) and returns the rows whose text changed.
std::vector<int> ApplyStationEntries(const std::vector<StationEntry>& entries,
                                     std::vector<std::string>& stations);

// The line the window logs after an import: how many stations changed (none, one, or N).
std::string StationImportDoneText(std::string_view where, std::size_t changed);

}  // namespace vq
