#include "app/station_list_csv.h"

#include <charconv>
#include <map>

#include "app/text_lines.h"
#include "messages/messages.h"
#include "model/text_rules.h"

namespace vq {

namespace {

std::string_view trimSpaces(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

// The station number of a line's second field: 1 to 256, or 0 when the text is not one.
int stationNumber(std::string_view field) {
    int number = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), number);
    if (error != std::errc() || end != field.data() + field.size()) return 0;
    return number >= 1 && number <= stationListRows ? number : 0;
}

StationImport refused(int messageId, std::string_view where, std::size_t line,
                      std::vector<std::string> more) {
    std::vector<std::string> arguments{std::string(where), std::to_string(line)};
    for (std::string& argument : more) arguments.push_back(std::move(argument));
    return {FileResult::failure(ResMessage(messageId, arguments)), {}};
}

}  // namespace

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

StationImport StationsFromCsvText(std::string_view text, std::string_view where) {
    StationImport imported;
    std::map<int, std::size_t> lineOfRow;  // which line set each row, for a second one
    int nextRow = 0;
    std::size_t lineNumber = 0;
    for (std::string_view line : SplitLines(text)) {
        ++lineNumber;
        const std::size_t comma = line.find_first_of(",\t");
        const std::string_view station = line.substr(0, comma);
        std::string_view numberField;
        if (comma != std::string_view::npos) {
            const std::string_view rest = line.substr(comma + 1);
            numberField = trimSpaces(rest.substr(0, rest.find_first_of(",\t")));
        }
        int row = nextRow;
        if (!numberField.empty()) {
            const int number = stationNumber(numberField);
            if (number == 0)
                return refused(msg::StationImportBadNumber, where, lineNumber,
                               {std::string(numberField)});
            row = number - 1;
        } else if (row >= stationListRows) {
            if (line.empty()) continue;  // blank lines after the last station
            return refused(msg::StationImportPastEnd, where, lineNumber, {});
        }
        if (!IsStationText(station))
            return refused(msg::StationImportBadText, where, lineNumber, {std::string(station)});
        const auto [earlier, first] = lineOfRow.emplace(row, lineNumber);
        if (!first)
            return refused(msg::StationImportTwice, where, lineNumber,
                           {std::to_string(row + 1), std::to_string(earlier->second)});
        imported.entries.push_back({row, std::string(station)});
        nextRow = row + 1;
    }
    return imported;
}

StationImport ImportStationList(const std::filesystem::path& path) {
    std::string error;
    const auto text = ReadWholeFile(path, error);
    if (!text) return {FileResult::failure(error), {}};
    return StationsFromCsvText(*text, path.string());
}

std::vector<int> ApplyStationEntries(const std::vector<StationEntry>& entries,
                                     std::vector<std::string>& stations) {
    std::vector<int> changed;
    for (const StationEntry& entry : entries) {
        if (entry.row < 0 || static_cast<std::size_t>(entry.row) >= stations.size()) continue;
        std::string& text = stations[static_cast<std::size_t>(entry.row)];
        if (text == entry.text) continue;
        text = entry.text;
        changed.push_back(entry.row);
    }
    return changed;
}

std::string StationImportDoneText(std::string_view where, std::size_t changed) {
    const std::string file(where);
    if (changed == 0) return ResMessage(msg::StationImportNoChange, {file});
    if (changed == 1) return ResMessage(msg::StationImportOneChanged, {file});
    return ResMessage(msg::StationImportChanged, {file, std::to_string(changed)});
}

}  // namespace vq
