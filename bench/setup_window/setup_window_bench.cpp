// The desktop program's start and memory, measured offscreen against an instrument on a serial
// device (vq5100-sim --pty): the time from the access code accepted to the main window shown
// with its configuration read and its port open, then the peak resident memory after a read of
// every setting. Prints one line: "start_ms=... peak_rss_mb=...". Exits 1 when the window did
// not come up with its port open or the read failed, so no figure is printed for a broken start.
//
// Usage: bench_setup_window DEVICE WORKDIR

#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "link/instrument_link.h"
#include "messages/messages.h"
#include "platform/instrument_session.h"
#include "platform/qt_event_host.h"
#include "ui/dialogs/access_code_dialog.h"
#include "ui/main/main_window.h"
#include "ui/main/user_asker.h"
#include "ui/main/write_commands_wiring.h"

namespace {

// Message boxes would wait for a hand offscreen: each one is counted as a failure instead.
class CountingAsker final : public vq::UserAsker {
  public:
    int boxes = 0;
    std::string last;
    void error(QWidget*, const std::string& text, const std::string&) override { note(text); }
    void information(QWidget*, const std::string& text, const std::string&) override { note(text); }
    bool question(QWidget*, const std::string& text, const std::string&) override {
        note(text);
        return false;
    }

  private:
    void note(const std::string& text) {
        ++boxes;
        last = text;
    }
};

bool portOpen(vq::InstrumentSession& session) {
    return session.link().PortOpen();
}

// Runs the event loop until `done` holds or `ms` pass.
template <typename Done>
bool waitFor(Done done, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_setup_window DEVICE WORKDIR\n");
        return 2;
    }
    vq::setLanguage(vq::Language::English);
    const std::string device = argv[1];
    const std::string workDir = argv[2];

    CountingAsker asker;
    std::unique_ptr<vq::InstrumentSession> session;
    std::unique_ptr<vq::MainWindow> window;
    vq::AccessCodeDialog password(vq::kStartupAccessCode, asker);
    QObject::connect(&password, &vq::AccessCodeDialog::accessGranted, [&] {
        vq::PortOptions options;
        options.mode = vq::PortMode::Serial;
        options.device = device;
        session = std::make_unique<vq::InstrumentSession>(options, workDir);
        window =
            std::make_unique<vq::MainWindow>(vq::MainWindowDeps{*session, asker, false, {}, {}});
        new vq::MainWindowSettings(*window);
        window->show();
    });
    password.show();
    if (!QTest::qWaitForWindowExposed(&password)) return 1;
    password.codeBox()->setText(vq::kStartupAccessCode);

    const auto started = std::chrono::steady_clock::now();
    password.okButton()->click();
    const bool up = window && QTest::qWaitForWindowExposed(window.get()) && portOpen(*session);
    const auto shown = std::chrono::steady_clock::now();
    if (!up) {
        std::fprintf(stderr, "the main window did not come up with its port open\n");
        return 1;
    }

    // The read of every setting ("Instrument Information") once the probe has connected.
    if (!waitFor([&] { return session->link().Connected(); }, 20000)) {
        std::fprintf(stderr, "the instrument never answered the probe\n");
        return 1;
    }
    if (!window->ReadInstrument() || asker.boxes != 0) {
        std::fprintf(stderr, "the read failed (%d boxes: %s)\n", asker.boxes, asker.last.c_str());
        return 1;
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double startMs = std::chrono::duration<double, std::milli>(shown - started).count();
    std::printf("start_ms=%.1f peak_rss_mb=%.1f\n", startMs, usage.ru_maxrss / 1024.0);
    window.reset();
    session.reset();
    return 0;
}
