#pragma once
// Lines of a CSV file that people open in a spreadsheet (the records exports). A cell that
// begins with "=", "+", "-", "@", a tab or a carriage return would be taken as a formula (or
// turned into one) by a spreadsheet: such a cell is written with a leading apostrophe, which
// every spreadsheet shows as text and does not display. A plain number ("-0.5") stays a number.

#include <string>
#include <vector>

namespace vq {

// The cell as a spreadsheet will show it as text.
std::string SpreadsheetSafeCell(const std::string& cell);
// One CRLF-ended line of such cells, quoted as RFC 4180 wants (app/settings_csv.h CsvLine).
std::string ExportCsvLine(const std::vector<std::string>& cells);

}  // namespace vq
