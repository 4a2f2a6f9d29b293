#include "app/station_list_csv.h"

#include "app/text_lines.h"
#include "model/text_rules.h"

namespace vq {

bool IsStationText(std::string_view text) {
    return text.size() <= stationTextMax && IsNameText(text);
}

std::string StationListCsvText(const std::vector<std::string>& stations) {
    std::string text;
    for (std::size_t i = 0; i < stations.size(); ++i) {
        text += stations[i];
        text += ',';
        text += std::to_string(i + 1);
        text += "\r\n";
    }
    return text;
}

FileResult ExportStationList(const std::filesystem::path& path,
                             const std::vector<std::string>& stations) {
    return WriteFileAtomically(path,
                               std::string(kUtf8ByteOrderMark) + StationListCsvText(stations));
}

std::string StationFromCsvLine(std::string_view line) {
    const std::size_t end = line.find_first_of(",\t");
    return std::string(line.substr(0, end));
}

std::vector<std::string> StationsFromCsvText(std::string_view text) {
    // The byte-order mark our export and spreadsheets write is not part of the first station
    // (SplitLines drops it).
    std::vector<std::string> stations;
    for (std::string_view line : SplitLines(text)) {
        if (stations.size() == static_cast<std::size_t>(stationListRows)) break;
        stations.push_back(StationFromCsvLine(line));
    }
    return stations;
}

StationImport ImportStationList(const std::filesystem::path& path) {
    std::string error;
    const auto text = ReadWholeFile(path, error);
    if (!text) return {FileResult::failure(error), {}};
    return {FileResult::success(), StationsFromCsvText(*text)};
}

}  // namespace vq
