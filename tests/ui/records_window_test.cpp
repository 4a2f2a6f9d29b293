// The Records window over a fleet kept in memory: the rows with their due dates and colours,
// filter and sort, one instrument's timeline and chart, two snapshots compared, the exports
// written as real files, and a store that cannot be read.

#include <QAbstractAxis>
#include <QChart>
#include <QCoreApplication>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTableView>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include "app/settings_file.h"
#include "messages/messages.h"
#include "model/instrument.h"
#include "model/ole_date.h"
#include "tests/ui/support/factory_test_model.h"
#include "tests/ui/support/main_window_controls.h"
#include "tests/ui/support/main_window_fixture.h"
#include "tests/ui/support/memory_records_store.h"
#include "tests/ui/support/recording_asker.h"
#include "ui/dialogs/records_chart.h"
#include "ui/dialogs/records_compare_dialog.h"
#include "ui/dialogs/records_fleet_model.h"
#include "ui/dialogs/records_window.h"

namespace vq {
namespace {

using ui_test::Box;
using ui_test::MemoryRecordsStore;
using ui_test::RecordingAsker;

const double kNow = *MakeOleDate(2026, 12, 7, 12, 0, 0);

// Serial numbers as an instrument may carry them: quotes, a semicolon, Japanese.
const std::string kOverdue = "A\"1;x";
const std::string kDueSoon = "計器-B";
const std::string kOk = "C-ok";
const std::string kNever = "D-never";

// A channel's history as the instrument reports it: after a span the reading is the gas
// applied (50), after a zero nothing, and a channel never calibrated has no value (-101).
ChannelRecord channel(int ch, const std::string& gas, bool enabled, double calDate,
                      float after = 50) {
    ChannelRecord c;
    c.channel = ch;
    c.gas = gas;
    c.enabled = enabled;
    c.history = {calDate, calDate > 0 ? 48.0f : -101.0f, calDate > 0 ? after : -101.0f};
    c.historyBefore = c.history;
    return c;
}

RecordEvent readEvent(const std::string& serial, const std::string& station,
                      const std::string& user, double when, double calDate,
                      std::string snapshot = {}, float after = 50) {
    RecordEvent e;
    e.kind = RecordKind::Read;
    e.serial = serial;
    e.station = station;
    e.user = user;
    e.pcTime = when;
    e.calLimit = 90;
    e.snapshot = std::move(snapshot);
    e.channels = {channel(0, "CH4", true, calDate, after), channel(1, "CO", true, calDate, after),
                  channel(2, "", false, 0)};
    return e;
}

RecordEvent calibration(RecordKind kind, double when,
                        std::vector<std::tuple<int, std::string, float>> results) {
    RecordEvent e;
    e.kind = kind;
    e.serial = kOk;
    e.station = "East";
    e.user = "kato";
    e.pcTime = when;
    e.success = true;
    for (const auto& [ch, result, after] : results) {
        ChannelRecord c = channel(ch, ch == 0 ? "CH4" : "CO", true, when);
        c.result = result;
        c.history.after = after;
        c.history.before = after * 0.9f;  // found at 90 % of what it was adjusted to
        c.concentration = kind == RecordKind::Span ? after : 0;
        e.success = e.success && result == "OK";
        e.channels.push_back(c);
    }
    return e;
}

QStringList column(const QAbstractItemModel& model, int col) {
    QStringList out;
    for (int r = 0; r < model.rowCount(); ++r) out << model.index(r, col).data().toString();
    return out;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

class RecordsWindowTest : public QObject {
    Q_OBJECT

  private:
    MemoryRecordsStore store;
    RecordingAsker asker;
    QTemporaryDir dir;
    std::string older;
    std::string newer;
    double spanTime = kNow - 10;
    double zeroTime = kNow - 5;

    std::unique_ptr<RecordsWindow> open(RecordsStore* records, std::string unavailable = {}) {
        auto window = std::make_unique<RecordsWindow>(
            RecordsWindowDeps{[records, unavailable](std::string& why) {
                                  why = unavailable;
                                  return records;
                              },
                              [] { return kNow; }, asker, dir.path().toStdString()});
        window->show();
        return window;
    }
    QString path(const char* name) const { return dir.filePath(name); }

  private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        InstrumentModel before = fs_test::readInstrument();
        before.setIntervals(60);  // the factory dialog's instrument leaves it unset
        older = SettingsFileText(before);
        InstrumentModel after = before;
        after.setCalLimit(90);
        after.setIntervals(300);
        newer = SettingsFileText(after);
        for (const std::string* text : {&older, &newer}) {
            InstrumentModel loaded;
            const SettingsReadResult result = ReadSettingsText(loaded, *text);
            QVERIFY2(result.ok, result.message().c_str());
        }

        QVERIFY(store.record(readEvent(kOverdue, "North", "yamada", kNow - 3, kNow - 100)).ok);
        QVERIFY(store.record(readEvent(kDueSoon, "南棟", "Sato", kNow - 2, kNow - 85)).ok);
        QVERIFY(store.record(readEvent(kNever, "West", "ito", kNow - 1, 0)).ok);
        // The ok instrument's history, recorded out of order: the timeline is by time.
        QVERIFY(store.record(readEvent(kOk, "East", "kato", kNow - 20, kNow - 30, older)).ok);
        QVERIFY(
            store
                .record(calibration(RecordKind::Zero, zeroTime, {{0, "OK", 0.1f}, {1, "NG", 7.5f}}))
                .ok);
        QVERIFY(store.record(calibration(RecordKind::Span, spanTime, {{0, "OK", 50.2f}})).ok);
        RecordEvent write;
        write.kind = RecordKind::Write;
        write.serial = kOk;
        write.station = "East";
        write.user = "kato";
        write.pcTime = kNow - 4;
        write.success = false;
        write.changes = {{"A1", 1, "Alarm", "10", "15"}, {"ID", 0, "Station", "East", "南棟"}};
        QVERIFY(store.record(write).ok);
        // The last read brings back the zero's history: it must not restart the interval.
        QVERIFY(store.record(readEvent(kOk, "East", "kato", kNow - 2.5, kNow - 5, newer, 0)).ok);
        RecordEvent dump;
        dump.kind = RecordKind::Dump;
        dump.serial = kOk;
        dump.station = "East";
        dump.user = "kato";
        dump.pcTime = kNow - 2;
        dump.file = "VQ5100.DAT";
        dump.size = 524288;
        QVERIFY(store.record(dump).ok);
    }

    void fleetRowsDueColoursFilterAndSort() {
        auto window = open(&store);
        QVERIFY(window->errorText().isEmpty());
        const QAbstractItemModel& shown = *window->fleetView()->model();
        QCOMPARE(shown.rowCount(), 4);
        QCOMPARE(column(shown, RecordsFleetModel::Serial),
                 (QStringList{QString::fromStdString(kOverdue), "C-ok", "D-never",
                              QString::fromStdString(kDueSoon)}));

        struct Expect {
            std::string serial;
            QColor colour;  // invalid: no colour
            QString due;
            QString state;
        };
        // C-ok: its CO channel's last span (the read 30 days ago) + 90; the zero 5 days ago
        // restarts nothing. D-never: enabled channels without any calibration history.
        const Expect expected[] = {
            {kOverdue, kOverdueColour, "2026/11/27", "overdue"},
            {kDueSoon, kDueSoonColour, "2026/12/12", "due"},
            {kOk, QColor(), "2027/02/05", "ok"},
            {kNever, kOverdueColour, "", "failed"},
        };
        for (const Expect& e : expected) {
            const int row = static_cast<int>(
                column(shown, RecordsFleetModel::Serial).indexOf(QString::fromStdString(e.serial)));
            QVERIFY2(row >= 0, e.serial.c_str());
            const QModelIndex due = shown.index(row, RecordsFleetModel::DueDate);
            QCOMPARE(due.data().toString(), e.due);
            QCOMPARE(shown.index(row, RecordsFleetModel::State).data().toString(), e.state);
            const QVariant background =
                shown.index(row, RecordsFleetModel::Station).data(Qt::BackgroundRole);
            if (e.colour.isValid())
                QCOMPARE(background.value<QColor>(), e.colour);
            else
                QVERIFY2(!background.isValid(), e.serial.c_str());
        }
        // Per channel: gas, calibration date, last result.
        const int ok = static_cast<int>(column(shown, RecordsFleetModel::Serial).indexOf("C-ok"));
        const int ch2 = RecordsFleetModel::FirstChannel + RecordsFleetModel::kChannelColumns;
        QCOMPARE(shown.index(ok, ch2).data().toString(), QString("CO"));
        QCOMPARE(shown.index(ok, ch2 + 1).data().toString(), QString("2026/12/02"));
        // The last span's result: the NG zero is not a span.
        QCOMPARE(shown.index(ok, ch2 + 2).data().toString(), QString("OK"));
        QCOMPARE(shown.headerData(ch2 + 2, Qt::Horizontal).toString(), QString("CH2 result"));

        // Filter: any of serial, station, user, ignoring case.
        struct Filter {
            QString text;
            QStringList serials;
        };
        const Filter filters[] = {
            {"sato", {QString::fromStdString(kDueSoon)}},
            {"NOR", {QString::fromStdString(kOverdue)}},
            {"南", {QString::fromStdString(kDueSoon)}},
            {"\"1;", {QString::fromStdString(kOverdue)}},
            {"nobody", {}},
            {"",
             {QString::fromStdString(kOverdue), "C-ok", "D-never",
              QString::fromStdString(kDueSoon)}},
        };
        auto* box = window->findChild<QLineEdit*>("txtFilter");
        QVERIFY(box);
        for (const Filter& f : filters) {
            box->setText(f.text);
            QCOMPARE(column(shown, RecordsFleetModel::Serial), f.serials);
        }

        // Sort by value: the due date as a date with the unknown last, the last read by time.
        auto* view = const_cast<QTableView*>(window->fleetView());
        view->sortByColumn(RecordsFleetModel::DueDate, Qt::AscendingOrder);
        QCOMPARE(column(shown, RecordsFleetModel::Serial),
                 (QStringList{QString::fromStdString(kOverdue), QString::fromStdString(kDueSoon),
                              "C-ok", "D-never"}));
        view->sortByColumn(RecordsFleetModel::LastRead, Qt::DescendingOrder);
        QCOMPARE(column(shown, RecordsFleetModel::Serial),
                 (QStringList{"D-never", QString::fromStdString(kDueSoon), "C-ok",
                              QString::fromStdString(kOverdue)}));
        view->sortByColumn(RecordsFleetModel::User, Qt::AscendingOrder);
        QCOMPARE(column(shown, RecordsFleetModel::User),
                 (QStringList{"ito", "kato", "Sato", "yamada"}));
    }

    void timelineChartAndComparison() {
        auto window = open(&store);
        QVERIFY(window->selectInstrument(kOk));
        const QAbstractItemModel& timeline = *window->timelineView()->model();
        QCOMPARE(column(timeline, 1),
                 (QStringList{"Read", "Span", "Zero", "Write", "Read", "Dump"}));
        QCOMPARE(column(timeline, 0).first(), QString::fromStdString(GeneralDate(kNow - 20)));
        QCOMPARE(column(timeline, 2), (QStringList{"Yes", "Yes", "No", "No", "Yes", "Yes"}));
        QCOMPARE(column(timeline, 3),
                 (QStringList{"Settings read", "CH1 CH4 OK, after 50.2",
                              "CH1 CH4 OK, after 0.1; CH2 CO NG, after 7.5", "2 settings changed",
                              "Settings read", "VQ5100.DAT (524288 bytes)"}));

        // The chart: drift (as found over the gas applied) of the accepted spans, zeros apart;
        // the refused CO zero draws nothing.
        const RecordsChart& chart = *window->chart();
        QCOMPARE(chart.points(0).size(), qsizetype{1});
        QCOMPARE(chart.points(0)[0].x(), spanTime);
        QVERIFY(qAbs(chart.points(0)[0].y() - 90.0) < 1e-3);
        QCOMPARE(chart.zeroPoints(0).size(), qsizetype{1});
        QCOMPARE(chart.zeroPoints(0)[0].x(), zeroTime);
        QVERIFY(qAbs(chart.zeroPoints(0)[0].y() - 0.09) < 1e-5);
        QVERIFY(chart.points(1).isEmpty() && chart.zeroPoints(1).isEmpty());
        QCOMPARE(chart.seriesName(0), QString("CH1 CH4 span"));
        QCOMPARE(chart.dateFormat(), QString("yyyy/MM/dd"));  // five days: days, not hours

        // Another instrument: its own timeline and an empty chart, whose axes are hidden rather
        // than counting from the day the clock starts.
        const auto axesShown = [&window] {
            QStringList shown;
            for (const QAbstractAxis* axis : window->chart()->chart()->axes())
                shown << (axis->isVisible() ? "shown" : "hidden");
            return shown;
        };
        QCOMPARE(axesShown(), (QStringList{"shown", "shown", "shown"}));
        QVERIFY(window->selectInstrument(kNever));
        QCOMPARE(window->timelineView()->model()->rowCount(), 1);
        QVERIFY(window->chart()->points(0).isEmpty());
        QCOMPARE(axesShown(), (QStringList{"hidden", "hidden", "hidden"}));

        // Two snapshots compared, whichever is selected first: older against newer.
        QVERIFY(window->selectInstrument(kOk));
        auto* compare = window->findChild<QPushButton*>("cmdCompare");
        auto* selection = window->timelineView()->selectionModel();
        selection->select(timeline.index(4, 0),
                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        selection->select(timeline.index(1, 0),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QVERIFY2(!compare->isEnabled(), "a span run has no snapshot to compare");
        selection->select(timeline.index(4, 0),
                          QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        selection->select(timeline.index(0, 0),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QVERIFY(compare->isEnabled());
        compare->click();
        const RecordsCompareDialog* dialog = window->compareDialog();
        QVERIFY2(dialog, asker.boxes.empty() ? "" : asker.boxes.back().text.c_str());
        QCOMPARE(dialog->list()->headerItem()->text(1), QString("Older"));
        QCOMPARE(dialog->list()->headerItem()->text(2), QString("Newer"));
        QStringList changed;
        const QTreeWidget& list = *dialog->list();
        for (int g = 0; g < list.topLevelItemCount(); ++g)
            for (int c = 0; c < list.topLevelItem(g)->childCount(); ++c)
                changed << list.topLevelItem(g)->child(c)->text(0) + ": " +
                               list.topLevelItem(g)->child(c)->text(1) + " -> " +
                               list.topLevelItem(g)->child(c)->text(2);
        QCOMPARE(changed, (QStringList{"Cal.Interval(Days): 180 -> 90",
                                       "Interval Trend Time (Sec): 60 -> 300"}));
        QVERIFY(dialog->findChild<QPushButton*>("cmdClose"));

        // The same snapshot against itself: nothing differs, and it says so.
        window->compareRows(0, 0);
        QCOMPARE(window->compareDialog()->countText(),
                 QString::fromStdString(ResMessage(msg::RecordsNoDifferences)));
        QCOMPARE(window->compareDialog()->list()->topLevelItemCount(), 0);
    }

    // In Japanese every text the window, its chart and its comparison show comes from the
    // Japanese table, those composed from the records (due states, results, event details) too.
    void japaneseTexts() {
        setLanguage(Language::Japanese);
        const auto english = qScopeGuard([] { setLanguage(Language::English); });
        auto window = open(&store);
        QVERIFY(window->selectInstrument(kOk));
        window->compareRows(0, 4);
        const RecordsCompareDialog* dialog = window->compareDialog();
        QVERIFY(dialog);

        QStringList texts{window->windowTitle(), dialog->windowTitle(), dialog->countText()};
        for (const QWidget* w :
             {static_cast<const QWidget*>(window.get()), static_cast<const QWidget*>(dialog)}) {
            for (const QLabel* label : w->findChildren<QLabel*>())
                if (!label->text().isEmpty()) texts << label->text();
            for (const QPushButton* button : w->findChildren<QPushButton*>())
                texts << button->text() << button->toolTip();
        }
        texts.removeAll(QString());
        for (int c = 1; c < dialog->list()->columnCount(); ++c)
            texts << dialog->list()->headerItem()->text(c);
        for (const QTableView* view : {window->fleetView(), window->timelineView()})
            for (int c = 0; c < view->model()->columnCount(); ++c)
                texts << view->model()->headerData(c, Qt::Horizontal).toString();
        const QChart& chart = *window->chart()->chart();
        texts << chart.title();
        for (const QAbstractAxis* axis : chart.axes()) texts << axis->titleText();
        // The cells put together from the records: due states, results, event kinds, details.
        const QAbstractItemModel& fleet = *window->fleetView()->model();
        for (int r = 0; r < fleet.rowCount(); ++r) {
            // A due date reads the same in every language; its state is words.
            texts << fleet.index(r, RecordsFleetModel::State).data().toString();
            for (int c = RecordsFleetModel::FirstChannel + 2; c < fleet.columnCount();
                 c += RecordsFleetModel::kChannelColumns)
                texts << fleet.index(r, c).data().toString();
        }
        const QAbstractItemModel& timeline = *window->timelineView()->model();
        for (int r = 0; r < timeline.rowCount(); ++r)
            for (int c = 1; c < timeline.columnCount(); ++c)
                texts << timeline.index(r, c).data().toString();
        texts.removeAll(QString());  // an unknown due date, a channel never calibrated
        QVERIFY(texts.size() > 60);

        const QRegularExpression japanese("[\\x{3040}-\\x{30FF}\\x{4E00}-\\x{9FFF}]");
        for (const QString& text : texts)
            QVERIFY2(text.contains(japanese), qPrintable("not in Japanese: " + text));
        QCOMPARE(timeline.index(2, 3).data().toString(),
                 QString("CH1 CH4 合格、校正後 0.1; CH2 CO 不合格、校正後 7.5"));
        QCOMPARE(window->chart()->seriesName(0), QString("CH1 CH4 スパン"));
    }

    void exportsWriteRealFiles() {
        auto window = open(&store);
        auto* list = window->findChild<QPushButton*>("cmdExportList");
        auto* history = window->findChild<QPushButton*>("cmdExportHistory");
        const_cast<QTableView*>(window->fleetView())
            ->sortByColumn(RecordsFleetModel::Serial, Qt::AscendingOrder);
        QVERIFY2(!history->isEnabled(), "no instrument selected: no history to export");

        asker.boxes.clear();
        asker.files = {path("fleet.csv").toStdString()};
        list->click();
        QCOMPARE(asker.fileSuggestions.back(), dir.filePath("VQ5100Records.csv").toStdString());
        const QByteArray csv = readAll(path("fleet.csv"));
        QVERIFY(csv.startsWith("\xEF\xBB\xBF"));
        const QList<QByteArray> lines = csv.mid(3).split('\n');
        QCOMPARE(lines.size(), qsizetype{6});  // header, four rows, nothing after the last CRLF
        QVERIFY(lines[0].startsWith(
            "Serial No.,Station,User,State,Last read,Calibration due,CH1 gas,"));
        QVERIFY2(lines[1].startsWith("\"A\"\"1;x\",North,yamada,overdue,2026/12/04 12:00:00,"
                                     "2026/11/27,CH4,2026/08/29,"),
                 lines[1].constData());
        QVERIFY(lines[4].startsWith(QString::fromStdString(kDueSoon + ",南棟,Sato,").toUtf8()));
        QVERIFY(lines[5].isEmpty());
        QCOMPARE(asker.texts(Box::Information).size(), std::size_t{1});

        // The list as shown: a filter narrows the export too.
        window->findChild<QLineEdit*>("txtFilter")->setText("kato");
        asker.files = {path("filtered.csv").toStdString()};
        list->click();
        QCOMPARE(readAll(path("filtered.csv")).count('\n'), qsizetype{2});

        window->findChild<QLineEdit*>("txtFilter")->setText("");
        QVERIFY(window->selectInstrument(kDueSoon));
        QVERIFY(history->isEnabled());
        asker.files = {path("history.csv").toStdString()};
        history->click();
        QCOMPARE(asker.fileSuggestions.back(),
                 dir.filePath("VQ5100History_計器-B.csv").toStdString());
        QVERIFY(window->selectInstrument(kOverdue));
        asker.files = {path("history.csv").toStdString()};
        history->click();
        QCOMPARE(asker.fileSuggestions.back(),
                 dir.filePath("VQ5100History_A_1;x.csv").toStdString());
        const QByteArray events = readAll(path("history.csv"));
        QCOMPARE(events, QByteArray("\xEF\xBB\xBFTime,Event,Success,Details\r\n"
                                    "2026/12/04 12:00:00,Read,Yes,Settings read\r\n"));

        // PDF: by the extension chosen, for the list and for a history.
        for (const char* name : {"fleet.pdf", "history.PDF"}) {
            asker.files = {path(name).toStdString()};
            (QString(name).startsWith("fleet") ? list : history)->click();
            const QByteArray pdf = readAll(path(name));
            QVERIFY2(pdf.startsWith("%PDF-"), name);
            QVERIFY2(pdf.size() > 1000, name);
        }
        // The document's title as it was given (quote and all), in the UTF-16 of PDF strings.
        const QString title = "History of " + QString::fromStdString(kOverdue);
        QByteArray utf16;
        for (const QChar c : title) utf16.append(char(c.unicode() >> 8)).append(char(c.unicode()));
        QVERIFY(readAll(path("history.PDF")).contains(utf16));

        // A folder that does not exist: an error box naming the file, for both formats.
        asker.boxes.clear();
        for (const char* name : {"missing/fleet.csv", "missing/fleet.pdf"}) {
            asker.files = {path(name).toStdString()};
            list->click();
        }
        const auto errors = asker.texts(Box::Error);
        QCOMPARE(errors.size(), std::size_t{2});
        for (const std::string& error : errors)
            QVERIFY2(error.find("could not be written") != std::string::npos &&
                         error.find("missing/fleet") != std::string::npos,
                     error.c_str());
        // Cancelled: nothing written, nothing said.
        asker.boxes.clear();
        asker.files = {""};
        list->click();
        QVERIFY(asker.boxes.empty());
    }

    void storeThatCannotBeRead() {
        {
            auto window = open(nullptr, "database is locked");
            QCOMPARE(window->errorText(),
                     QString("The records cannot be opened: database is locked"));
            QCOMPARE(window->fleetView()->model()->rowCount(), 0);
            QVERIFY(!window->findChild<QPushButton*>("cmdExportList")->isEnabled());
        }
        MemoryRecordsStore broken;
        QVERIFY(broken.record(readEvent(kOk, "East", "kato", kNow, kNow)).ok);
        broken.failure = "file is not a database";
        auto window = open(&broken);
        QCOMPARE(window->errorText(),
                 QString("The records cannot be opened: file is not a database"));
        // Readable again: Refresh shows the fleet and the error goes.
        broken.failure.clear();
        window->findChild<QPushButton*>("cmdRefresh")->click();
        QVERIFY(window->errorText().isEmpty());
        QCOMPARE(window->fleetView()->model()->rowCount(), 1);
    }

    void mainWindowOpensTheRecords() {
        ui_test::MainFixture fixture;
        QPushButton* button = recordsButton(*fixture.window);
        QVERIFY(button);
        QCOMPARE(button->text(), QString("&Records"));  // with its access key
        QCOMPARE(button->parentWidget(), factorySettingsButton(*fixture.window)->parentWidget());
        fixture.window->setRecords(nullptr, "the records folder is read-only");
        fixture.window->recordsClicked();
        auto* shown = qobject_cast<RecordsWindow*>(fixture.window->recordsWindow());
        QVERIFY(shown);
        QCOMPARE(shown->errorText(),
                 QString("The records cannot be opened: the records folder is read-only"));
        shown->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!fixture.window->recordsWindow());

        fixture.window->setRecords(&store, {});
        fixture.window->recordsClicked();
        shown = qobject_cast<RecordsWindow*>(fixture.window->recordsWindow());
        QVERIFY(shown);
        QCOMPARE(shown->fleetView()->model()->rowCount(), 4);
        // A second click raises the same window, read again.
        fixture.window->recordsClicked();
        QCOMPARE(qobject_cast<RecordsWindow*>(fixture.window->recordsWindow()), shown);
    }
};

}  // namespace
}  // namespace vq

QTEST_MAIN(vq::RecordsWindowTest)
#include "records_window_test.moc"
