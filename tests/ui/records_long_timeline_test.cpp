// The Records window on an instrument with a long history, from a real SQLite file: its first
// timeline rows and its chart (thinned to what it can draw) come first, the other rows on
// later turns of the event loop, in order and complete; another instrument chosen meanwhile
// shows only its own rows; the history exported meanwhile is the whole history.

#include <QFile>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "messages/messages.h"
#include "model/ole_date.h"
#include "platform/records_sql_store.h"
#include "tests/ui/support/recording_asker.h"
#include "ui/dialogs/records_chart.h"
#include "ui/dialogs/records_window.h"

namespace vq {
namespace {

using ui_test::RecordingAsker;

const double kNow = *MakeOleDate(2026, 12, 7, 12, 0, 0);
constexpr int kLongEvents = 1600;  // half of them spans: more than the chart draws

// Event n of the long history: reads and passing spans of CH1 in turn, an hour apart.
RecordEvent longEvent(int n) {
    RecordEvent e;
    e.kind = n % 2 == 0 ? RecordKind::Read : RecordKind::Span;
    e.serial = "LONG";
    e.station = "Bench " + std::to_string(n);
    e.pcTime = kNow - 100 + n / 24.0;
    e.instrumentTime = e.pcTime;
    e.calLimit = 180;
    ChannelRecord c;
    c.channel = 0;
    c.gas = "CO";
    c.enabled = true;
    c.concentration = 50;
    c.history = {e.pcTime, 40.0f + static_cast<float>(n % 10), 50.0f};
    c.historyBefore = c.history;
    if (e.kind == RecordKind::Span) c.result = "OK";
    e.channels = {c};
    return e;
}

QStringList column(const QAbstractItemModel& model, int col) {
    QStringList out;
    for (int r = 0; r < model.rowCount(); ++r) out << model.index(r, col).data().toString();
    return out;
}

class RecordsLongTimelineTest : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir dir;
    RecordingAsker asker;
    std::unique_ptr<RecordsSqlStore> store;

    std::unique_ptr<RecordsWindow> open() {
        auto window = std::make_unique<RecordsWindow>(
            RecordsWindowDeps{[this](std::string&) -> RecordsStore* { return store.get(); },
                              [] { return kNow; }, asker, dir.path().toStdString()});
        window->show();
        return window;
    }

  private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        StoreStatus status;
        store = RecordsSqlStore::open(
            *ParseRecordsLocation(dir.filePath("records.sqlite").toStdString(), ""), status);
        QVERIFY2(store, status.error.c_str());
        std::vector<RecordEvent> events;
        for (int n = 0; n < kLongEvents; ++n) events.push_back(longEvent(n));
        for (int n = 0; n < 3; ++n) {
            RecordEvent e = longEvent(n);
            e.serial = "SHORT";
            events.push_back(e);
        }
        QVERIFY(store->recordAll(events).ok);
    }

    void firstRowsAndChartFirstTheRestLaterInOrder() {
        auto window = open();
        QSignalSpy shown(window.get(), &RecordsWindow::timelineShown);
        QSignalSpy filled(window.get(), &RecordsWindow::timelineFilled);
        QVERIFY(window->selectInstrument("LONG"));
        // Read on another thread, drawn when it is in.
        QVERIFY(window->timelineFilling());
        QCOMPARE(shown.count(), 0);
        QVERIFY(shown.wait(5000));
        const QAbstractItemModel& rows = *window->timelineView()->model();
        QVERIFY2(rows.rowCount() > 0 && rows.rowCount() < kLongEvents,
                 qPrintable(QString::number(rows.rowCount())));
        QVERIFY(window->timelineFilling());
        QCOMPARE(filled.count(), 0);
        // The chart is whole at once, thinned to what it can draw.
        const auto spans = window->chart()->points(0);
        QVERIFY2(
            spans.size() > RecordsChart::kMaxPoints / 2 && spans.size() <= RecordsChart::kMaxPoints,
            qPrintable(QString::number(spans.size())));
        // From the first spans to the last, oldest first.
        QVERIFY(spans.front().x() >= longEvent(1).pcTime &&
                spans.front().x() < longEvent(20).pcTime);
        QVERIFY(spans.back().x() <= longEvent(kLongEvents - 1).pcTime &&
                spans.back().x() > longEvent(kLongEvents - 20).pcTime);
        for (qsizetype i = 1; i < spans.size(); ++i) QVERIFY(spans[i - 1].x() <= spans[i].x());

        QVERIFY(filled.wait(20000));
        QCOMPARE(filled.count(), 1);
        QVERIFY(!window->timelineFilling());
        QCOMPARE(rows.rowCount(), kLongEvents);
        const QStringList times = column(rows, 0);
        for (const int n : {0, 1, 149, 150, 151, 399, 400, kLongEvents - 1})
            QCOMPARE(times[n], QString::fromStdString(GeneralDate(longEvent(n).pcTime)));
        const QStringList kinds = column(rows, 1);
        for (int n = 0; n < kLongEvents; ++n)
            QCOMPARE(kinds[n], QString::fromStdString(ResMessage(
                                   msg::RecordsKindRead + static_cast<int>(longEvent(n).kind))));
        // Each row is laid out to its text, the late ones as the first.
        auto* view = const_cast<QTableView*>(window->timelineView());
        QVERIFY(view->rowHeight(kLongEvents - 1) > 0);
        QCOMPARE(view->rowHeight(kLongEvents - 1), view->rowHeight(0));
    }

    void anotherInstrumentChosenMeanwhileShowsOnlyItsOwnRows() {
        auto window = open();
        QSignalSpy filled(window.get(), &RecordsWindow::timelineFilled);
        QVERIFY(window->selectInstrument("LONG"));
        QVERIFY(window->timelineFilling());
        QVERIFY(window->selectInstrument("SHORT"));
        QCOMPARE(filled.count(), 1);  // three rows: all at once
        QTest::qWait(200);            // any slice of the long one would have come by now
        QCOMPARE(window->timelineView()->model()->rowCount(), 3);
        QCOMPARE(filled.count(), 1);
        QVERIFY(!window->timelineFilling());
    }

    void theHistoryExportedMeanwhileIsTheWholeHistory() {
        auto window = open();
        QVERIFY(window->selectInstrument("LONG"));
        QVERIFY(window->timelineFilling());
        asker.files = {dir.filePath("long.csv").toStdString()};
        window->findChild<QPushButton*>("cmdExportHistory")->click();
        QFile file(dir.filePath("long.csv"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        // The header, every event, nothing after the last line break.
        QCOMPARE(lines.size(), qsizetype{kLongEvents + 2});
        QVERIFY(
            lines[kLongEvents].contains(GeneralDate(longEvent(kLongEvents - 1).pcTime).c_str()));
        QCOMPARE(window->timelineView()->model()->rowCount(), kLongEvents);
        // What was still to be drawn adds nothing twice.
        QTest::qWait(300);
        QCOMPARE(window->timelineView()->model()->rowCount(), kLongEvents);
        QVERIFY(!window->chart()->points(0).isEmpty());
        QVERIFY(!window->timelineFilling());
    }

    // The long history is read on another thread: a window closed meanwhile drops the result, and
    // a read that fails there shows its reason like one made at once.
    void aReadOnAnotherThreadOutlivesItsWindowAndReportsItsFailure() {
        {
            auto window = open();
            QVERIFY(window->selectInstrument("LONG"));
            QVERIFY(window->timelineFilling());
        }
        QTest::qWait(300);  // the read finishes with no window to take it

        // A store whose file went away after it was opened: its own connection still reads it,
        // the other thread's finds nothing to open.
        QTemporaryDir gone;
        StoreStatus status;
        auto moved = RecordsSqlStore::open(
            *ParseRecordsLocation(gone.filePath("gone.sqlite").toStdString(), ""), status);
        QVERIFY2(moved, status.error.c_str());
        std::vector<RecordEvent> events;
        for (int n = 0; n < 400; ++n) events.push_back(longEvent(n));
        QVERIFY(moved->recordAll(events).ok);
        RecordsWindow window(
            RecordsWindowDeps{[&](std::string&) -> RecordsStore* { return moved.get(); },
                              [] { return kNow; }, asker, dir.path().toStdString()});
        window.show();
        QVERIFY(QFile::remove(gone.filePath("gone.sqlite")));
        QSignalSpy filled(&window, &RecordsWindow::timelineFilled);
        QVERIFY(window.selectInstrument("LONG"));
        QVERIFY(filled.wait(5000));
        QVERIFY2(window.errorText().contains("gone.sqlite"), qPrintable(window.errorText()));
        QCOMPARE(window.timelineView()->model()->rowCount(), 0);
        QVERIFY(!window.timelineFilling());
    }
};

}  // namespace
}  // namespace vq

QTEST_MAIN(vq::RecordsLongTimelineTest)
#include "records_long_timeline_test.moc"
