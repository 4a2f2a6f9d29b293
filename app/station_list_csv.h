#pragma once
// The station list as a CSV file ("Station.csv"): one line per station, the station text, a comma
// and the station number (1 to 256). Export writes all 256 lines crash-safe; import reads at most
// 256 lines and takes the first field of each (the station number that export writes after the
// text is not part of the station), so an exported list imports back unchanged.
//
// A station text is valid when it holds at most 16 characters, each a letter, a digit, a space or
// one of "-", "_", "/", ">", "<". The file functions do not validate: the dialog colours invalid
// cells and refuses to export them.

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

// The station of one line: the text before the first comma or tab.
std::string StationFromCsvLine(std::string_view line);

// The stations of a file text, one per line, at most 256 (later lines are ignored). A line ends
// at CRLF, LF or CR; an empty line gives an empty station; a leading UTF-8 byte order mark is
// skipped.
std::vector<std::string> StationsFromCsvText(std::string_view text);

struct StationImport {
    FileResult result;
    std::vector<std::string> stations;
};

// Reads a station file; on a read error `result` holds the message and no station is returned.
StationImport ImportStationList(const std::filesystem::path& path);

}  // namespace vq
