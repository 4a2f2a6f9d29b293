#include "app/export_csv.h"

#include <charconv>

#include "app/settings_csv.h"

namespace vq {

namespace {

bool plainNumber(const std::string& text) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto parsed = std::from_chars(text.data(), end, value);
    return parsed.ec == std::errc() && parsed.ptr == end;
}

}  // namespace

std::string SpreadsheetSafeCell(const std::string& cell) {
    if (cell.empty()) return cell;
    switch (cell.front()) {
        case '=':
        case '+':
        case '-':
        case '@':
        case '\t':
        case '\r':
            break;
        default:
            return cell;
    }
    if (cell.front() == '-' && plainNumber(cell)) return cell;
    return "'" + cell;
}

std::string ExportCsvLine(const std::vector<std::string>& cells) {
    std::vector<std::string> safe;
    safe.reserve(cells.size());
    for (const std::string& cell : cells) safe.push_back(SpreadsheetSafeCell(cell));
    return CsvLine(safe);
}

}  // namespace vq
