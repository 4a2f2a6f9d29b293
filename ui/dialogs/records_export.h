#pragma once
// Export of what the Records window lists (the instruments, or one instrument's history): the
// table as shown, as CSV (UTF-8 with a byte-order mark, fields quoted where needed, CRLF; a cell
// a spreadsheet would run as a formula written as text, app/export_csv.h) or as a PDF page of
// the same table, rows coloured by state as in the window. The format follows the file name's
// extension.

#include <QString>
#include <string>
#include <vector>

#include "app/atomic_file.h"

class QAbstractItemModel;

namespace vq {

struct ExportTable {
    std::string title;
    std::vector<std::string> headers;
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> rowColours;  // "#rrggbb" or empty, per row
};

// The model's display texts: header row and every row in the model's order (a proxy's filter
// and sort are kept).
ExportTable TableFromModel(const QAbstractItemModel& model, const std::string& title);

std::string ExportCsvText(const ExportTable& table);
FileResult WriteExportCsv(const std::string& path, const ExportTable& table);
FileResult WriteExportPdf(const std::string& path, const ExportTable& table);
// ".pdf" (any case) writes a PDF; anything else CSV.
FileResult WriteExport(const std::string& path, const ExportTable& table);

}  // namespace vq
