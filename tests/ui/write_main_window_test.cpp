// The settings grid and the write commands inside the real main window, on the virtual clock
// against the in-process virtual instrument: the window's own buttons write what the grid
// edited, and the window cannot be closed while a write runs.

#include <QCloseEvent>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

#include "link/instrument_link.h"
#include "sim/sim_instrument.h"
#include "ui/main/main_window.h"
#include "ui/main/settings_grid.h"
#include "ui/main/write_commands_wiring.h"
#include "ui/support/main_window_controls.h"
#include "ui/support/main_window_fixture.h"

namespace vq {
namespace {

using G = SettingsGrid;

class WriteMainWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void updateButtonWritesTheGridsEditAndCloseWaitsForIt() {
        ui_test::MainFixture f;
        auto* settings = new MainWindowSettings(*f.window);
        f.window->show();
        QVERIFY(f.connect());
        readSettingsButton(*f.window)->click();  // "Instrument Information"
        QCOMPARE(settings->grid()->cellText(G::rowOf(3), G::colGas), QString("CO(500ppm)"));
        QVERIFY(settings->grid()->finishEdit(G::rowOf(3), G::colAlarm, "75"));

        // The window manager asks the window to close in the middle of the write.
        bool closeAccepted = true;
        bool enabledDuringWrite = true;
        f.host.callLater(std::chrono::milliseconds(0), [&] {
            enabledDuringWrite = f.window->isEnabled();
            QCloseEvent close;
            QCoreApplication::sendEvent(f.window.get(), &close);
            closeAccepted = close.isAccepted();
        });
        f.asker.boxes.clear();
        writeButton(*f.window, 0)->click();  // "Update"
        QVERIFY(!closeAccepted);
        QVERIFY(!enabledDuringWrite);
        QVERIFY(f.window->isEnabled());
        QVERIFY(f.window->isVisible());
        QCOMPARE(f.instrument->state().gases[3].alarm, 75.0f);
        QVERIFY(!ui_test::linesStarting(*logBox(*f.window), "VQ-5100 Upload Complete.").empty());
        // Only the "Update Ready?" question and the "Upload Complete." box: no "End ?".
        QCOMPARE(f.asker.boxes.size(), std::size_t(2));
        QCOMPARE(f.asker.boxes[1].text, std::string("Upload Complete."));
    }
};

}  // namespace
}  // namespace vq

QTEST_MAIN(vq::WriteMainWindowTest)
#include "write_main_window_test.moc"
