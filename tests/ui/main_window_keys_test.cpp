// The main window by keyboard alone: every command has its own access key in both languages,
// Tab and Shift+Tab leave the settings grid (from a cell or from an open editor), and a
// technician edits a cell, updates and writes without touching the mouse.

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>
#include <map>

#include "sim/sim_instrument.h"
#include "tests/ui/support/main_window_controls.h"
#include "tests/ui/support/main_window_fixture.h"
#include "ui/dialogs/review_dialog.h"
#include "ui/main/main_window.h"
#include "ui/main/settings_grid.h"
#include "ui/main/write_commands_wiring.h"
#include "ui/widgets/access_keys.h"

namespace vq {
namespace {

using G = SettingsGrid;

bool inside(QWidget* w, QWidget* ancestor) {
    for (; w != nullptr; w = w->parentWidget())
        if (w == ancestor) return true;
    return false;
}

// Keys typed where the focus is (the cell editor once the first key opened it).
void typeKeys(const QString& text) {
    for (const QChar c : text) QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
}

// Arrow keys until the grid's current cell is (row, column); false when it never gets there.
bool arrowTo(G* grid, int row, int column) {
    for (int i = 0; i < 20 && grid->currentRow() != row; ++i)
        QTest::keyClick(grid, grid->currentRow() < row ? Qt::Key_Down : Qt::Key_Up);
    for (int i = 0; i < 20 && grid->currentColumn() != column; ++i)
        QTest::keyClick(grid, grid->currentColumn() < column ? Qt::Key_Right : Qt::Key_Left);
    return grid->currentRow() == row && grid->currentColumn() == column;
}

class MainWindowKeysTest : public QObject {
    Q_OBJECT
  private slots:
    void everyCommandHasItsOwnAccessKeyInBothLanguages() {
        for (const Language language : {Language::English, Language::Japanese}) {
            ui_test::MainFixtureOptions options;
            options.language = language;
            options.debugMode = true;  // every command shown
            ui_test::MainFixture f(options);
            new MainWindowSettings(*f.window);
            std::map<QChar, QString> taken;
            int commands = 0;
            for (QPushButton* button : f.window->findChildren<QPushButton*>()) {
                if (!button->isVisibleTo(f.window.get())) continue;
                ++commands;
                const QString caption = button->text();
                const QChar key = AccessKeyOf(caption);
                QVERIFY2(!key.isNull(), qPrintable(caption));
                QVERIFY2(taken.emplace(key, caption).second,
                         qPrintable(caption + " and " + taken[key]));
                if (language == Language::Japanese)
                    QVERIFY2(caption.contains(QRegularExpression("\\(&[A-Z]\\)(\\.\\.\\.)?$")),
                             qPrintable(caption));
            }
            QVERIFY(commands >= 18);
        }
        setLanguage(Language::English);
    }

    void accessKeyCaptions_data() {
        QTest::addColumn<bool>("japanese");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("shown");
        QTest::newRow("first letter") << false << QString("Update") << QString("&Update");
        QTest::newRow("inside a word") << false << QString("FRAM Dump") << QString("FRA&M Dump");
        QTest::newRow("after &&") << false << QString("Information Get && Save")
                                  << QString("Information &Get && Save");
        QTest::newRow("not in caption") << false << QString("Exit") << QString("Exit(&Z)");
        QTest::newRow("japanese") << true << QString("更新") << QString("更新(&U)");
        QTest::newRow("japanese dots") << true << QString("ポート...") << QString("ポート(&O)...");
    }
    void accessKeyCaptions() {
        QFETCH(bool, japanese);
        QFETCH(QString, caption);
        QFETCH(QString, shown);
        setLanguage(japanese ? Language::Japanese : Language::English);
        const QChar key =
            shown.contains("(&") ? shown[shown.indexOf("(&") + 2] : AccessKeyOf(shown);
        QCOMPARE(WithAccessKey(caption, key), shown);
        QCOMPARE(AccessKeyOf(shown), key);
        setLanguage(Language::English);
    }

    void tabLeavesTheGridFromACellAndFromAnEditor() {
        ui_test::MainFixture f;
        auto* settings = new MainWindowSettings(*f.window);
        f.window->show();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        QVERIFY(f.connect());
        readSettingsButton(*f.window)->click();
        G* grid = settings->grid();

        intervalBox(*f.window)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), grid);
        QVERIFY(arrowTo(grid, G::rowOf(0), G::colWarning));
        QTest::keyClick(grid, Qt::Key_Tab);
        QVERIFY(!inside(QApplication::focusWidget(), grid));
        QCOMPARE(QApplication::focusWidget(), logBox(*f.window));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), grid);
        QTest::keyClick(grid, Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), intervalBox(*f.window));

        // In an editor, Tab keeps the value and leaves the grid.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(arrowTo(grid, G::rowOf(0), G::colWarning));
        typeKeys("12");
        QVERIFY(grid->editing());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(!grid->editing());
        QCOMPARE(grid->cellText(G::rowOf(0), G::colWarning).trimmed(), QString("12"));
        QVERIFY(!inside(QApplication::focusWidget(), grid));

        // A refused value keeps the editor and the focus: the user reads why and retypes.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), grid);
        typeKeys("abc");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(grid->editing());
        QVERIFY(inside(QApplication::focusWidget(), grid));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    }

    void editUpdateAndWriteByKeysAlone() {
        ui_test::MainFixture f;
        auto* settings = new MainWindowSettings(*f.window);
        f.window->show();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        QVERIFY(f.connect());
        G* grid = settings->grid();

        QTest::keyClick(f.window.get(), Qt::Key_I, Qt::AltModifier);  // Instrument Information
        QTRY_VERIFY(f.window->lastRead() != nullptr);                 // the read is over
        QVERIFY(f.window->isEnabled());
        QCOMPARE(grid->cellText(G::rowOf(3), G::colGas), QString("CO(500ppm)"));
        // The progress window of the read had the focus; the window manager gives it back.
        f.window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));

        identityBox(*f.window, 2)->setFocus();  // where a technician leaves off after the ids
        for (int i = 0; i < 5 && QApplication::focusWidget() != grid; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), grid);
        QVERIFY(arrowTo(grid, G::rowOf(3), G::colAlarm));
        typeKeys("75");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_VERIFY(!grid->editing());  // Enter commits from the event loop
        QVERIFY(grid->pendingMarked(G::rowOf(3), G::colAlarm));
        QTest::keyClick(grid, Qt::Key_Tab);
        QVERIFY(!inside(QApplication::focusWidget(), grid));

        int reviews = 0;
        f.asker.reviewHook = [&](QWidget* parent, const WriteReview& review,
                                 const std::string& title) {
            ++reviews;
            ReviewDialog dialog(parent, title, review.heading, review.summary);
            QTimer::singleShot(0, &dialog, [&dialog] {
                // The offscreen platform leaves the main window the application's active window
                // while the dialog is up; a window manager activates the dialog.
                QApplication::setActiveWindow(&dialog);
                QVERIFY(QTest::qWaitForWindowActive(&dialog));
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_W, Qt::AltModifier);
            });
            // Never left waiting: a key that did nothing shows as the write not made.
            QTimer::singleShot(10000, &dialog, &QDialog::reject);
            return dialog.exec() == QDialog::Accepted;
        };
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_U, Qt::AltModifier);  // Update
        QTRY_COMPARE(f.instrument->state().gases[3].alarm, 75.0f);
        QCOMPARE(reviews, 1);
        QVERIFY(!grid->pendingMarked(G::rowOf(3), G::colAlarm));
    }
};

}  // namespace
}  // namespace vq

QTEST_MAIN(vq::MainWindowKeysTest)
#include "main_window_keys_test.moc"
