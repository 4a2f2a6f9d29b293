// The windows that plug into the main window reach it only through their narrow hosts
// (SettingsHost, CalibrationHost): the settings wiring and the calibration window run on a host
// that is not the main window, and the main window's side of the hosts passes each notice to its
// own receivers only, and only while they live.

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <string>
#include <vector>

#include "sim/sim_instrument.h"
#include "tests/ui/support/main_window_fixture.h"
#include "ui/dialogs/calibration_open.h"
#include "ui/dialogs/calibration_window.h"
#include "ui/main/main_state.h"
#include "ui/main/main_window.h"
#include "ui/main/settings_grid.h"
#include "ui/main/settings_host.h"
#include "ui/main/write_commands_wiring.h"

namespace vq {
namespace {

using ui_test::MainFixture;

enum class Notice { Readings, CloseDeferred, InstrumentShown, SettingsReplaced };

// A host that is not the main window: the session, model, state, asker and configuration are a
// main window's, but the window, the controls and the grid area are its own, and it keeps what it
// is asked: the commands to run to their end and the receivers of its notices.
class RecordingHost : public SettingsHost {
  public:
    explicit RecordingHost(SettingsHost& main) : main_(main) {
        for (auto*& box : controls_.identityBoxes) box = new QLineEdit(&window);
        controls_.station = new QComboBox(&window);
        controls_.interval = new QComboBox(&window);
        for (auto*& command : controls_.writeCommands) command = new QPushButton(&window);
        controls_.exportSettings = new QPushButton(&window);
        controls_.importSettings = new QPushButton(&window);
    }

    struct Listener {
        Notice notice;
        QPointer<QObject> receiver;
        QObject* parentWhenAsked;
        std::function<void()> slot;
    };

    // Calls the living receivers of the notice.
    void fire(Notice notice) {
        for (const auto& l : listeners)
            if (l.notice == notice && l.receiver) l.slot();
    }
    const Listener* listenerOf(Notice notice) const {
        for (const auto& l : listeners)
            if (l.notice == notice) return &l;
        return nullptr;
    }

    InstrumentSession& session() override { return main_.session(); }
    InstrumentModel& model() override { return main_.model(); }
    MainState& state() override { return main_.state(); }
    UserAsker& asker() override { return main_.asker(); }
    AppConfig& config() override { return main_.config(); }
    void AddInfo(const std::string& text, const QColor&) override { info.push_back(text); }
    QWidget& widget() override { return window; }
    bool closePending() const override { return pending; }
    SettingsControls settingsControls() const override { return controls_; }
    void setSettingsGrid(QWidget* grid) override {
        gridArea = grid;
        grid->setParent(&window);
    }
    const InstrumentModel* lastRead() const override { return nullptr; }
    void setLastRead(const InstrumentModel&) override {}
    int pendingEdits() const override { return 0; }
    bool confirmDiscardEdits() override { return true; }
    void markPendingBoxes() override {}
    void settingsLoaded() override {}
    void ShowInstrument() override {}
    bool ReadInstrument() override { return false; }
    ProgressWindow* showProgress(std::int16_t, int) override { return nullptr; }
    void closeProgress() override {}
    void runToEnd(const std::function<void()>&) override { ++commandsToEnd; }
    QMetaObject::Connection whenReadingsArrive(QObject* r, std::function<void()> s) override {
        return keep(Notice::Readings, r, std::move(s));
    }
    QMetaObject::Connection whenCloseDeferred(QObject* r, std::function<void()> s) override {
        return keep(Notice::CloseDeferred, r, std::move(s));
    }
    QMetaObject::Connection whenInstrumentShown(QObject* r, std::function<void()> s) override {
        return keep(Notice::InstrumentShown, r, std::move(s));
    }
    QMetaObject::Connection whenSettingsReplaced(QObject* r, std::function<void()> s) override {
        return keep(Notice::SettingsReplaced, r, std::move(s));
    }

    QWidget window;
    QWidget* gridArea = nullptr;
    bool pending = false;
    int commandsToEnd = 0;
    std::vector<std::string> info;
    std::vector<Listener> listeners;

  private:
    QMetaObject::Connection keep(Notice notice, QObject* receiver, std::function<void()> slot) {
        listeners.push_back({notice, receiver, receiver->parent(), std::move(slot)});
        return {};
    }

    SettingsHost& main_;
    SettingsControls controls_;
};

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

class WindowHostsTest : public QObject {
    Q_OBJECT
  private slots:
    // Each notice of the main window follows its own signal only, and stops with its receiver.
    void theMainWindowsNoticesFollowTheirSignalAndReceiver() {
        using When = QMetaObject::Connection (SettingsHost::*)(QObject*, std::function<void()>);
        struct Case {
            const char* name;
            When when;
            void (MainWindow::*signal)();
        };
        const Case cases[] = {
            {"readings", &SettingsHost::whenReadingsArrive, &MainWindow::readingsArrived},
            {"close deferred", &SettingsHost::whenCloseDeferred, &MainWindow::closeDeferred},
            {"instrument shown", &SettingsHost::whenInstrumentShown, &MainWindow::instrumentShown},
            {"settings replaced", &SettingsHost::whenSettingsReplaced,
             &MainWindow::settingsReplaced},
        };
        MainFixture f;
        MainWindow& w = *f.window;
        SettingsHost& host = w;
        for (const auto& c : cases) {
            auto* receiver = new QObject;
            int calls = 0;
            const QMetaObject::Connection connection =
                (host.*c.when)(receiver, [&calls] { ++calls; });
            QVERIFY2(connection, c.name);
            for (const auto& other : cases)
                if (other.signal != c.signal) (w.*other.signal)();
            QVERIFY2(calls == 0, c.name);
            (w.*c.signal)();
            QVERIFY2(calls == 1, c.name);
            delete receiver;
            (w.*c.signal)();
            QVERIFY2(calls == 1, c.name);
        }
    }

    // The settings wiring on a host of its own: its grid goes into that host's grid area, it hears
    // the host's notices, and every write command runs through the host, to its end.
    void theSettingsWiringWorksOnAnyHost() {
        MainFixture f;
        RecordingHost host(*f.window);
        auto* settings = new MainWindowSettings(host);
        QCOMPARE(settings->parent(), &host.window);
        QVERIFY(host.gridArea != nullptr);
        QVERIFY(host.gridArea->isAncestorOf(settings->grid()));
        for (Notice notice : {Notice::InstrumentShown, Notice::SettingsReplaced}) {
            const RecordingHost::Listener* listener = host.listenerOf(notice);
            QVERIFY(listener != nullptr);
            QCOMPARE(listener->receiver.data(), settings->grid());
            host.fire(notice);
        }
        const SettingsControls controls = host.settingsControls();
        for (int i = 0; i < 8; ++i) {
            controls.writeCommands[static_cast<std::size_t>(i)]->click();
            QCOMPARE(host.commandsToEnd, i + 1);
        }
        // The host kept the commands: none ran around it.
        QVERIFY(f.asker.boxes.empty());
        QVERIFY(f.window->settingsGrid() == nullptr);
    }

    // The calibration window on a host of its own: modal over that host's window, listening to
    // its notices, leaving at once when a close is already pending, and when the host says a close
    // was put off.
    void theCalibrationWindowWorksOnAnyHost() {
        MainFixture f;
        f.window->show();
        QVERIFY(f.connect());
        RecordingHost host(*f.window);
        host.window.show();

        host.pending = true;
        {
            ModalGuard guard;
            OpenCalibrationWindow(host);
            QVERIFY(!guard.forced);
        }
        for (Notice notice : {Notice::Readings, Notice::CloseDeferred}) {
            const RecordingHost::Listener* listener = host.listenerOf(notice);
            QVERIFY(listener != nullptr);
            QVERIFY(listener->receiver.isNull());  // the window is gone with its return
            QCOMPARE(listener->parentWhenAsked, &host.window);
        }
        QVERIFY(!f.window->state().CalibrationOpen);

        host.pending = false;
        host.listeners.clear();
        bool openWhenTold = false;
        QTimer user;
        user.setInterval(5);
        QObject::connect(&user, &QTimer::timeout, [&] {
            auto* cal = host.window.findChild<CalibrationWindow*>();
            if (!cal || !cal->isVisible() || cal->firstActivation()) return;
            user.stop();
            openWhenTold = f.window->state().CalibrationOpen;
            host.fire(Notice::Readings);
            host.fire(Notice::CloseDeferred);
        });
        user.start();
        ModalGuard guard;
        OpenCalibrationWindow(host);
        QVERIFY(!guard.forced);
        QVERIFY(openWhenTold);
        QVERIFY(!f.window->state().CalibrationOpen);
        QVERIFY(!f.instrument->state().pumpOn);
    }
};

}  // namespace
}  // namespace vq

QTEST_MAIN(vq::WindowHostsTest)
#include "window_hosts_test.moc"
