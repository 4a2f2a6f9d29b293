// Closing the main window while a command runs, against the in-process virtual instrument on the
// virtual clock: the close is put off, a read or a dump is cancelled, a write or the calibration
// runs to its end, and then the window closes through its usual "End ?" question.

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <QtTest>

#include "link/instrument_link.h"
#include "messages/messages.h"
#include "sim/sim_instrument.h"
#include "tests/ui/support/main_window_controls.h"
#include "tests/ui/support/main_window_fixture.h"
#include "ui/dialogs/calibration_window.h"
#include "ui/dialogs/progress_window.h"
#include "ui/main/main_window.h"
#include "ui/main/settings_grid.h"
#include "ui/main/write_commands_wiring.h"

namespace vq {
namespace {

using namespace std::chrono_literals;
using ui_test::linkOf;
using ui_test::MainFixture;
using ui_test::RecordingAsker;

int endQuestions(const RecordingAsker& asker) {
    int n = 0;
    for (const auto& box : asker.boxes) n += box.text == ResMessage(msg::EndQuestion) ? 1 : 0;
    return n;
}

bool logHas(const MainWindow& w, int id) {
    return !ui_test::linesStarting(*logBox(w), ResMessage(id)).empty();
}

// What the window looked like when the close was asked for in the middle of a command.
struct CloseDuringCommand {
    bool busy = false;
    bool accepted = true;
    bool visible = false;
};

// Asks the window to close at the next turn of the virtual clock, inside the command's wait.
void closeDuringCommand(MainFixture& f, CloseDuringCommand& seen) {
    f.host.callLater(0ms, [&f, &seen] {
        seen.busy = f.window->busy();
        seen.accepted = f.window->close();
        seen.visible = f.window->isVisible();
    });
}

// The main window with its write commands, shown, connected and holding the instrument's
// settings: where every close-during-a-command case starts. Null when the connection failed.
MainWindowSettings* readInstrument(MainFixture& f) {
    auto* settings = new MainWindowSettings(*f.window);
    f.window->show();
    if (!f.connect()) return nullptr;
    readSettingsButton(*f.window)->click();
    return settings;
}

// Never hang on a modal window that did not close itself: after ten seconds it is closed and the
// test fails.
struct ModalGuard {
    ModalGuard() {
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (auto* dialog = qobject_cast<QDialog*>(top); dialog && dialog->isVisible()) {
                    forced = true;
                    dialog->done(QDialog::Rejected);
                }
        });
        timer.start(10000);
    }
    QTimer timer;
    bool forced = false;
};

class MainWindowCloseTest : public QObject {
    Q_OBJECT
  private slots:
    // Reads and dumps are cancelled; the window closes once they are over.
    void aReadOrADumpIsCancelledAndTheWindowClosesAfterwards() {
        struct Case {
            const char* name;
            std::function<void(MainWindow&)> start;
            std::string endLine;  // the command's own last line, still written
        };
        const Case cases[] = {
            {"read", [](MainWindow& w) { readSettingsButton(w)->click(); },
             ResMessage(msg::CancelledInfo)},  // "Canceled"
            {"FRAM dump", [](MainWindow& w) { memoryDumpButton(w)->click(); },
             ResMessage(msg::DumpListFinishedInfo, {"DumpEF.dat"})},
            {"flash download", [](MainWindow& w) { downloadButton(w)->click(); },
             ResMessage(msg::LogDownloadInfo)},
        };
        for (const Case& c : cases) {
            MainFixture f;
            MainWindow& w = *f.window;
            w.show();
            QVERIFY2(f.connect(), c.name);
            CloseDuringCommand seen;
            closeDuringCommand(f, seen);
            c.start(w);

            QVERIFY2(seen.busy && !seen.accepted && seen.visible, c.name);
            QVERIFY2(!ui_test::linesStarting(*logBox(w), c.endLine).empty(), c.name);
            QVERIFY2(w.model().CommFlags() == 0, c.name);  // nothing was read
            QCOMPARE(endQuestions(f.asker), 0);            // not while the command ran
            QVERIFY(linkOf(w).Cancel());
            QTRY_VERIFY2(!w.isVisible(), c.name);
            QCOMPARE(endQuestions(f.asker), 1);
            QVERIFY(QFile::exists(QString::fromStdString(f.path("VQ5100Config.ini"))));
        }
    }

    // "No" to "End ?" keeps the window, and nothing is left pending.
    void declinedEndKeepsTheWindowWorking() {
        MainFixture f;
        MainWindow& w = *f.window;
        w.show();
        QVERIFY(f.connect());
        CloseDuringCommand seen;
        closeDuringCommand(f, seen);
        f.asker.answers = {false};
        readSettingsButton(w)->click();
        QTRY_COMPARE(endQuestions(f.asker), 1);
        QVERIFY(w.isVisible());
        QVERIFY(!w.closePending());
        readSettingsButton(w)->click();  // the next read runs whole, and nobody asks again
        QVERIFY(logHas(w, 5403));
        QTest::qWait(20);
        QCOMPARE(endQuestions(f.asker), 1);
        QVERIFY(w.isVisible());
    }

    // A write is not broken off: it ends, is reported, and then the window closes. The progress
    // window stays live over the disabled main window.
    void aWriteRunsToItsEndThenTheWindowCloses() {
        MainFixture f;
        MainWindowSettings* settings = readInstrument(f);
        QVERIFY(settings);
        MainWindow& w = *f.window;
        QVERIFY(settings->grid()->finishEdit(SettingsGrid::rowOf(3), SettingsGrid::colAlarm, "75"));
        bool mainEnabled = true;
        bool progressEnabled = false;
        f.host.callLater(0ms, [&] {
            mainEnabled = w.isEnabled();
            progressEnabled = w.progress() && w.progress()->isEnabled() &&
                              w.progress()->progressLabel()->isEnabled();
        });
        CloseDuringCommand seen;
        closeDuringCommand(f, seen);
        f.asker.boxes.clear();
        writeButton(w, 0)->click();  // "Update"

        QVERIFY(!mainEnabled);
        QVERIFY(progressEnabled);
        QVERIFY(seen.busy && !seen.accepted);
        QCOMPARE(f.instrument->state().gases[3].alarm, 75.0f);
        QCOMPARE(f.asker.boxes.size(), std::size_t(2));  // "Update Ready?", "Upload Complete."
        QCOMPARE(f.asker.boxes[1].text, std::string("Upload Complete."));
        QTRY_VERIFY(!w.isVisible());
        QCOMPARE(f.asker.boxes.back().text, ResMessage(msg::EndQuestion));
    }

    // A close asked for while the pump is switched on: the calibration window leaves as soon as
    // it opens, the pump goes off, and the main window closes.
    void aCloseBeforeTheCalibrationWindowOpensEndsTheCommand() {
        MainFixture f;
        QVERIFY(readInstrument(f));
        MainWindow& w = *f.window;
        CloseDuringCommand seen;
        closeDuringCommand(f, seen);
        ModalGuard guard;
        writeButton(w, 2)->click();  // "Calibration"

        QVERIFY(!guard.forced);
        QVERIFY(seen.busy && !seen.accepted);
        QVERIFY(!linkOf(w).Cancel());  // the calibration command is not cancelled
        QVERIFY(!f.instrument->state().pumpOn);
        QVERIFY(!w.state().CalibrationOpen);
        QTRY_VERIFY(!w.isVisible());
        QCOMPARE(endQuestions(f.asker), 1);
    }

    // A close asked for during a range step: the step runs to its end, the window stays in range
    // mode until the mode is back, and the main window closes when the user leaves calibration.
    void aCloseDuringARangeStepWaitsForTheModeToComeBack() {
        MainFixture f;
        QVERIFY(readInstrument(f));
        MainWindow& w = *f.window;
        const int modeBefore = f.instrument->state().settings.hcMode;
        bool stayedInRangeMode = false;
        bool visibleAfterRestore = false;
        QTimer user;
        user.setInterval(5);
        QObject::connect(&user, &QTimer::timeout, [&] {
            CalibrationWindow* cal = w.findChild<CalibrationWindow*>();
            if (!cal || !cal->isVisible() || cal->firstActivation()) return;
            user.stop();
            CloseDuringCommand seen;
            closeDuringCommand(f, seen);
            cal->calibrationButtonClicked(CalibrationWindow::rangeButton);  // "Set range"
            stayedInRangeMode = seen.busy && cal->rangeMode() && cal->isVisible();
            cal->calibrationButtonClicked(CalibrationWindow::exitButton);  // "N2 Cal END"
            visibleAfterRestore = !cal->rangeMode() && cal->isVisible();
            cal->calibrationButtonClicked(CalibrationWindow::exitButton);  // "Exit Calibration"
        });
        user.start();
        ModalGuard guard;
        writeButton(w, 2)->click();  // "Calibration"

        QVERIFY(!guard.forced);
        QVERIFY(stayedInRangeMode);
        QVERIFY(visibleAfterRestore);
        QCOMPARE(f.instrument->state().settings.hcMode, modeBefore);
        QVERIFY(!f.instrument->state().pumpOn);
        QTRY_VERIFY(!w.isVisible());
        QCOMPARE(endQuestions(f.asker), 1);
    }

    // The Cancel of the progress window is live over the main window, whatever disabled it.
    void progressCancelWorksOverADisabledWindow() {
        MainFixture f;
        MainWindow& w = *f.window;
        w.show();
        QVERIFY(f.connect());
        ProgressWindow* progress = w.showProgress(1, 6008);
        w.setEnabled(false);
        QVERIFY(progress->isEnabled());
        QVERIFY(progress->progressButton()->isEnabled());
        progress->progressButton()->click();
        QVERIFY(linkOf(w).Cancel());
        QVERIFY(progress->Canceled());
        QVERIFY(!progress->progressButton()->isEnabled());  // once only
        w.setEnabled(true);
        // A window disabled on purpose stays disabled.
        progress->setEnabled(false);
        w.setEnabled(false);
        w.setEnabled(true);
        QVERIFY(!progress->isEnabled());
        w.closeProgress();
    }
};

}  // namespace
}  // namespace vq

QTEST_MAIN(vq::MainWindowCloseTest)
#include "main_window_close_test.moc"
