#include "ui/dialogs/records_export.h"

#include <QAbstractItemModel>
#include <QColor>
#include <QFile>
#include <QFileInfo>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>
#include <filesystem>

#include "app/export_csv.h"

namespace vq {

namespace {

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

QString html(const std::string& text) {
    return q(text).toHtmlEscaped();
}

}  // namespace

ExportTable TableFromModel(const QAbstractItemModel& model, const std::string& title) {
    ExportTable table;
    table.title = title;
    for (int c = 0; c < model.columnCount(); ++c)
        table.headers.push_back(
            model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString().toStdString());
    for (int r = 0; r < model.rowCount(); ++r) {
        std::vector<std::string> row;
        for (int c = 0; c < model.columnCount(); ++c)
            row.push_back(model.index(r, c).data(Qt::DisplayRole).toString().toStdString());
        table.rows.push_back(std::move(row));
        // The window's state colours (failed and overdue red, due amber) go into the PDF too.
        const QVariant colour = model.index(r, 0).data(Qt::BackgroundRole);
        table.rowColours.push_back(colour.canConvert<QColor>() && colour.value<QColor>().isValid()
                                       ? colour.value<QColor>().name().toStdString()
                                       : std::string());
    }
    return table;
}

std::string ExportCsvText(const ExportTable& table) {
    // The mark lets a spreadsheet read Japanese station and user texts as UTF-8.
    std::string text = "\xEF\xBB\xBF";
    text += ExportCsvLine(table.headers);
    for (const auto& row : table.rows) text += ExportCsvLine(row);
    return text;
}

FileResult WriteExportCsv(const std::string& path, const ExportTable& table) {
    return WriteFileAtomically(std::filesystem::u8path(path), ExportCsvText(table));
}

FileResult WriteExportPdf(const std::string& path, const ExportTable& table) {
    QString body = "<h3>" + html(table.title) + "</h3>";
    body += "<table border='1' cellspacing='0' cellpadding='2'><tr>";
    for (const std::string& header : table.headers) body += "<th>" + html(header) + "</th>";
    body += "</tr>";
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        const auto& row = table.rows[r];
        const std::string colour = r < table.rowColours.size() ? table.rowColours[r] : "";
        body += colour.empty() ? QString("<tr>") : "<tr bgcolor='" + q(colour) + "'>";
        for (const std::string& cell : row) body += "<td>" + html(cell) + "</td>";
        body += "</tr>";
    }
    body += "</table>";

    // QPdfWriter reports no error of its own: the file is checked once the painter is done.
    const QString file = q(path);
    QFile::remove(file);
    {
        QPdfWriter writer(file);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageOrientation(QPageLayout::Landscape);
        writer.setResolution(120);
        writer.setTitle(q(table.title));  // document information is plain text, not HTML
        QTextDocument document;
        QFont font = document.defaultFont();
        font.setPointSizeF(7);
        document.setDefaultFont(font);
        document.setHtml(body);
        // Page by page: a long history runs over several pages rather than off the first.
        document.print(&writer);
    }
    const QFileInfo written(file);
    if (!written.exists() || written.size() == 0) return FileResult::failure(path);
    return FileResult::success();
}

FileResult WriteExport(const std::string& path, const ExportTable& table) {
    if (QFileInfo(q(path)).suffix().compare("pdf", Qt::CaseInsensitive) == 0)
        return WriteExportPdf(path, table);
    return WriteExportCsv(path, table);
}

}  // namespace vq
