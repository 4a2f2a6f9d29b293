#include "ui/dialogs/calibration_report_pdf.h"

#include <QFont>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>

namespace vq {

namespace {

constexpr double kMarginMm = 15.0;
constexpr int kResolutionDpi = 300;
constexpr double kFontPoints = 8.0;  // a gas title and a result fit their cells on one line

QString html(const std::string& text) {
    return QString::fromStdString(text).toHtmlEscaped();
}

QPageLayout reportPageLayout() {
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                       QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                       QPageLayout::Millimeter);
}

QString reportHtml(const CalReportContent& c) {
    QString out = QStringLiteral("<html><body>");
    out += QStringLiteral("<h2>%1</h2><h3>%2</h3>").arg(html(c.title), html(c.runKind));
    out += QStringLiteral("<table cellpadding='3'>");
    for (const auto& [label, value] : c.identity) {
        out +=
            QStringLiteral("<tr><td><b>%1</b></td><td>%2</td></tr>").arg(html(label), html(value));
    }
    out += QStringLiteral("</table><br/>");
    out += QStringLiteral("<table border='1' cellspacing='0' cellpadding='4' width='100%'><tr>");
    for (const std::string& heading : c.headings)
        out += QStringLiteral("<th>%1</th>").arg(html(heading));
    out += QStringLiteral("</tr>");
    for (const CalReportRow& row : c.rows) {
        const QString colour = row.passed ? QStringLiteral("#006000") : QStringLiteral("#c00000");
        out += QStringLiteral(
                   "<tr><td>%1</td><td align='right'>%2</td><td align='right'>%3</td>"
                   "<td align='right'>%4</td><td><font color='%5'>%6</font></td></tr>")
                   .arg(html(row.gas), html(row.concentration), html(row.before), html(row.after),
                        colour, html(row.result));
    }
    out += QStringLiteral("</table></body></html>");
    return out;
}

}  // namespace

std::unique_ptr<QTextDocument> CalReportDocument(const CalReportContent& content) {
    auto document = std::make_unique<QTextDocument>();
    QFont font = document->defaultFont();
    font.setPointSizeF(kFontPoints);
    document->setDefaultFont(font);
    document->setHtml(reportHtml(content));
    // Laid out on the printable part of the page, in points, as the PDF writer will print it.
    const QRectF page = reportPageLayout().paintRect(QPageLayout::Point);
    document->setPageSize(page.size());
    return document;
}

bool WriteCalReport(const CalReportContent& content, const QString& path, QString* error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error) *error = file.errorString();
        return false;
    }
    {
        QPdfWriter writer(&file);
        writer.setPageLayout(reportPageLayout());
        writer.setResolution(kResolutionDpi);
        writer.setTitle(QString::fromStdString(content.title));
        writer.setCreator(QStringLiteral("vq5100-setup"));
        CalReportDocument(content)->print(&writer);
    }  // the writer finishes the PDF when it goes
    if (!file.commit()) {
        if (error) *error = file.errorString();
        return false;
    }
    return true;
}

}  // namespace vq
