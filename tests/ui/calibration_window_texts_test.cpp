// The calibration window and its report show the texts the instrument holds whatever bytes they
// carry: a byte that is not printable ASCII appears as "\xHH" in the channel titles, the span gas
// list and the report (identity and gas rows), never raw.

#include <QTableWidget>
#include <QTextDocument>
#include <QtTest>
#include <algorithm>

#include "app/calibration_texts.h"
#include "messages/messages.h"
#include "ui/dialogs/calibration_report_pdf.h"
#include "ui/support/calibration_bench.h"

namespace vq {
namespace {

using cal_test::CalBench;
using C = CalibrationWindow;

// Nothing but printable ASCII and line breaks: no byte a screen or a PDF would take raw.
bool plainAscii(const QString& text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) {
        return c == '\n' || c == '\r' || (c.unicode() >= 32 && c.unicode() < 127);
    });
}

class CalWindowTextsTest : public QObject {
    Q_OBJECT
  private slots:
    void init() { setLanguage(Language::English); }

    void instrumentTextsAreShownEscapedInTitlesListsAndReport() {
        struct Row {
            int channel;
            const char* name;  // as the instrument holds it
            const char* unit;
            const char* title;  // the grid's gas column
        };
        const Row rows[] = {
            {0, "CH4\xC3\xA9", "%LEL", "CH4\\xC3\\xA9(100%LEL)"},
            {1, "O2", "VOL%", "O2(25.0VOL%)"},
            {2, "H2S\xE2\x80\x93X", "ppm", "H2S\\xE2\\x80\\x93X(30.0ppm)"},
            {3,
             "\xFF"
             "CO",
             "ppm", "\\xFFCO(500ppm)"},
            {4, "CH4", "\xB5g", "CH4(100\\xB5g)"},
        };
        sim::SimState state = sim::DefaultSimState();
        for (const Row& row : rows) {
            state.gases[static_cast<std::size_t>(row.channel)].name = row.name;
            state.gases[static_cast<std::size_t>(row.channel)].unit = row.unit;
        }
        state.serialNo = "SN\xC3\xA9-1";
        state.stationId = "ST\xE6\x9D\xB1";
        state.userId = "U\x80";
        CalBench b(state);
        QVERIFY(b.start());
        auto w = b.openWindow();

        const InstrumentModel& cal = w->calibrationModel();
        const ChannelFlags all{true, true, true, true, true};
        const QString spanList = QString::fromStdString(SpanGasList(cal, all));
        for (const Row& row : rows) {
            const QString title = w->calibrationGrid()->item(row.channel, C::colGas)->text();
            QCOMPARE(title, QString::fromLatin1(row.title));
            QVERIFY2(plainAscii(title), row.title);
        }
        QVERIFY2(spanList.contains("CH4\\xC3\\xA9"), qPrintable(spanList));
        QVERIFY2(spanList.contains("\\xB5g"), qPrintable(spanList));
        QVERIFY2(plainAscii(spanList), qPrintable(spanList));

        const CalReportContent content =
            BuildCalReport(b.model, cal, w->historyModel(), all, all, true, b.host.localDateTime());
        const QString report = CalReportDocument(content)->toPlainText();
        for (const char* shown :
             {"CH4\\xC3\\xA9(100%LEL) (channel 1)", "H2S\\xE2\\x80\\x93X(30.0ppm) (channel 3)",
              "SN\\xC3\\xA9-1", "ST\\xE6\\x9D\\xB1", "U\\x80"})
            QVERIFY2(report.contains(shown), shown);
        QVERIFY2(plainAscii(report), qPrintable(report));
    }
};

}  // namespace
}  // namespace vq

QTEST_MAIN(vq::CalWindowTextsTest)
#include "calibration_window_texts_test.moc"
