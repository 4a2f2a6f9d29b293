// What the main window marks and says around the grid, on the virtual instrument: the identity
// boxes and the interval marked pending like the grid's cells, dashes in the interval before a
// read and after Power Off, notes about earlier edits gone after a re-read, the gas list naming
// its channel and refusing an empty choice, and one setting counted in the singular.

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTreeWidget>
#include <QtTest>

#include "app/app_config.h"
#include "messages/messages.h"
#include "model/instrument.h"
#include "model/settings_review.h"
#include "tests/ui/support/main_window_controls.h"
#include "tests/ui/support/main_window_fixture.h"
#include "ui/dialogs/gas_select_dialog.h"
#include "ui/dialogs/review_dialog.h"
#include "ui/main/main_window.h"
#include "ui/main/settings_grid.h"
#include "ui/main/write_commands_wiring.h"

namespace vq {
namespace {

using G = SettingsGrid;

QString message(int id, const std::vector<std::string>& args = {}) {
    return QString::fromStdString(ResMessage(id, args));
}

class MainWindowMarksTest : public QObject {
    Q_OBJECT
  private slots:
    void identityBoxesAndIntervalAreMarkedPending() {
        ui_test::MainFixture f;
        auto* settings = new MainWindowSettings(*f.window);
        f.window->show();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));  // focus moves are told
        QVERIFY(f.connect());
        MainWindow& w = *f.window;
        // Before any read the interval shows dashes, as the other fields show nothing.
        QCOMPARE(intervalBox(w)->currentIndex(), -1);
        QCOMPARE(intervalBox(w)->placeholderText(), QString("-----"));
        readSettingsButton(w)->click();
        QVERIFY(intervalBox(w)->currentIndex() >= 0);
        const QString interval = intervalBox(w)->currentText();
        for (QWidget* box :
             {static_cast<QWidget*>(identityBox(w, 1)), static_cast<QWidget*>(identityBox(w, 2)),
              static_cast<QWidget*>(intervalBox(w))})
            QVERIFY(!MainWindow::boxPending(box));

        // A user id typed and left, and another interval chosen: both marked, with what the
        // instrument holds, and counted.
        const QString userId = identityBox(w, 2)->text();
        identityBox(w, 2)->setFocus();
        identityBox(w, 2)->selectAll();
        QTest::keyClicks(identityBox(w, 2), "tech 7");
        intervalBox(w)->setFocus();  // leaving the box stores it
        QCOMPARE(identityBox(w, 2)->text(), QString("TECH 7"));
        QVERIFY(MainWindow::boxPending(identityBox(w, 2)));
        QCOMPARE(identityBox(w, 2)->toolTip(),
                 message(msg::OnInstrumentTip, {userId.toStdString()}));
        QVERIFY(identityBox(w, 2)->styleSheet().contains(G::pendingBack.name()));
        QVERIFY(!MainWindow::boxPending(identityBox(w, 1)));
        QCOMPARE(w.pendingEdits(), 1);
        QCOMPARE(settings->pendingLine()->text(), message(msg::PendingEditOneLine));

        const int other = intervalBox(w)->currentIndex() == 0 ? 1 : 0;
        intervalBox(w)->setCurrentIndex(other);
        emit intervalBox(w)->activated(other);
        QVERIFY(MainWindow::boxPending(intervalBox(w)));
        QCOMPARE(intervalBox(w)->toolTip(),
                 message(msg::OnInstrumentTip, {interval.toStdString()}));
        QCOMPARE(w.pendingEdits(), 2);
        QCOMPARE(settings->pendingLine()->text(), message(msg::PendingEditsLine, {"2"}));
        // Back to the instrument's value: no longer marked.
        const int held = intervalBox(w)->findText(interval);
        intervalBox(w)->setCurrentIndex(held);
        emit intervalBox(w)->activated(held);
        QVERIFY(!MainWindow::boxPending(intervalBox(w)));

        // One setting pending: the question before discarding it speaks of one.
        f.asker.boxes.clear();
        f.asker.answers = {true};
        readSettingsButton(w)->click();
        QCOMPARE(f.asker.boxes.front().text, ResMessage(msg::PendingEditQuestion));
        QVERIFY(!MainWindow::boxPending(identityBox(w, 2)));
        QVERIFY(identityBox(w, 2)->styleSheet().isEmpty());

        // After Power Off the interval shows dashes again.
        f.asker.answers = {true};
        powerOffButton(w)->click();
        QCOMPARE(intervalBox(w)->currentIndex(), -1);
        QVERIFY(!MainWindow::boxPending(intervalBox(w)));
    }

    void aReReadClearsTheNotesOfEarlierEdits() {
        ui_test::MainFixture f;
        auto* settings = new MainWindowSettings(*f.window);
        f.window->show();
        QVERIFY(f.connect());
        readSettingsButton(*f.window)->click();
        G& grid = *settings->grid();
        QVERIFY(grid.finishEdit(G::rowOf(2), G::colWarning, "5.04"));  // rounded: a note
        QVERIFY(!settings->noticeLine()->text().isEmpty());
        f.asker.answers = {true};
        readSettingsButton(*f.window)->click();
        QCOMPARE(settings->pendingLine()->text(), message(msg::NoPendingEdits));
        QVERIFY(settings->noticeLine()->text().isEmpty());
        QVERIFY(grid.lastNotice().isEmpty());
    }

    void gasListNamesItsChannelAndRefusesAnEmptyChoice() {
        setLanguage(Language::English);
        AppConfig config;
        FillBuiltInDefaults(config);
        InstrumentModel model;
        ApplyGasToChannel(model, config.gasTable, 3, 0, false);
        GasSelectDialog window(model, config.gasTable, false);
        window.setGasNo(3);
        QCOMPARE(window.gasGroup()->title(), message(msg::GasSelChannelTitle, {"4", "CO(500ppm)"}));
        window.show();
        window.gasButton(0)->click();  // OK with nothing chosen
        QVERIFY(window.isVisible());
        QVERIFY(!window.Flags());
        QVERIFY(window.nothingChosenLabel()->isVisible());
        QCOMPARE(window.nothingChosenLabel()->text(), message(msg::GasSelNothingChosen));
        window.gasOption(0)->setChecked(true);
        QVERIFY(!window.nothingChosenLabel()->isVisible());
        window.gasButton(0)->click();
        QVERIFY(!window.isVisible());
        QVERIFY(window.Flags());
        QCOMPARE(window.SelNum(), std::int16_t(0));
        // A channel that is off: its gas now is dashes.
        QVERIFY(!model.GasEnabled(2));
        window.setGasNo(2);
        QCOMPARE(window.gasGroup()->title(), message(msg::GasSelChannelTitle, {"3", "-----"}));
    }

    // The review is as tall as its list (up to the screen) and no caption is cut, in English
    // and in Japanese.
    void reviewShowsItsWholeListAndWholeCaptions() {
        for (const Language language : {Language::English, Language::Japanese}) {
            setLanguage(language);
            for (const int stations : {0, 200}) {
                InstrumentModel before;
                InstrumentModel after;
                for (int ch = 0; ch < 5; ++ch) {
                    after.setWarning(ch, 10.0f + ch);
                    after.setAlarm(ch, 20.0f + ch);
                }
                for (int i = 0; i < stations; ++i) after.setStationList(i, "S" + std::to_string(i));
                const ReviewSummary summary = SummariseReview(ReviewRows(before, after));
                ReviewDialog dialog(nullptr, "t", "h", summary);
                dialog.show();
                QVERIFY(QTest::qWaitForWindowExposed(&dialog));
                const QTreeWidget* list = dialog.list();
                const int rows =
                    static_cast<int>(summary.changes.size()) + list->topLevelItemCount();
                const int screen = dialog.screen()->availableGeometry().height();
                QVERIFY(dialog.height() <= screen);
                if (stations == 0) {
                    // Everything shown: the last row is inside the list's viewport.
                    const QTreeWidgetItem* group =
                        list->topLevelItem(list->topLevelItemCount() - 1);
                    const QRect last = list->visualItemRect(group->child(group->childCount() - 1));
                    QVERIFY2(last.bottom() <= list->viewport()->height(),
                             qPrintable(QString("%1 rows").arg(rows)));
                } else {
                    QVERIFY(list->height() > screen / 2);  // a screenful, not five rows
                }
                // Every caption fits its column: "注意 (チャンネル 1)" is not cut.
                const QFontMetrics metrics(list->font());
                for (int g = 0; g < list->topLevelItemCount(); ++g)
                    for (int c = 0; c < list->topLevelItem(g)->childCount(); ++c) {
                        const QTreeWidgetItem* item = list->topLevelItem(g)->child(c);
                        QVERIFY2(metrics.horizontalAdvance(item->text(0)) + list->indentation() <=
                                     list->columnWidth(0),
                                 qPrintable(item->text(0)));
                    }
            }
        }
        setLanguage(Language::English);
    }
};

}  // namespace
}  // namespace vq

QTEST_MAIN(vq::MainWindowMarksTest)
#include "main_window_marks_test.moc"
