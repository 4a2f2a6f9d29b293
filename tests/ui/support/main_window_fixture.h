#pragma once
// A main window on the virtual clock, wired to the in-process virtual instrument through a real
// link, in a scratch working folder, with its message boxes answered by a script.

#include <QColor>
#include <QString>
#include <QTemporaryDir>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "link/virtual_host.h"
#include "messages/messages.h"
#include "platform/device_finder.h"
#include "platform/instrument_session.h"
#include "sim/inproc_port.h"
#include "sim/sim_instrument.h"
#include "tests/ui/support/recording_asker.h"
#include "ui/main/main_window.h"
#include "ui/main/user_asker.h"

class QTextEdit;

namespace vq {
class InstrumentLink;
}

namespace vq::ui_test {

// The link under a window's session, for tests that look at what went over it (the window itself
// holds none).
InstrumentLink& linkOf(MainWindow& window);

// One line of logBox and its colour.
struct LogLine {
    QString text;
    QColor colour;
};
std::vector<LogLine> logLines(const QTextEdit& log);
// The lines whose text starts with `text` (the log keeps a text's trailing CR LF as a line break).
std::vector<LogLine> linesStarting(const QTextEdit& log, const std::string& text);

struct MainFixtureOptions {
    PortMode mode = PortMode::Simulator;
    FoundPorts converters;      // what the device finder returns in automatic mode
    sim::FaultSettings faults;  // line faults of the virtual instrument
    bool debugMode = true;
    std::string configText;  // VQ5100Config.ini written before the window starts
    Language language = Language::English;
    std::string workDir;  // empty: a fresh scratch folder
};

class MainFixture {
  public:
    explicit MainFixture(MainFixtureOptions options = {});
    ~MainFixture();

    // Runs the virtual clock until the link is connected (false when it never does).
    bool connect();
    // Runs the virtual clock for a while (events, time-outs).
    void runFor(std::chrono::milliseconds duration) { host.runFor(duration); }
    std::string path(const std::string& name) const;

    QTemporaryDir dir;
    std::string workDir;
    VirtualHost host;
    RecordingAsker asker;
    std::unique_ptr<sim::SimInstrument> instrument;
    std::unique_ptr<sim::InProcessSerialPort> serial;
    std::unique_ptr<sim::InProcessSocketPort> socket;
    std::vector<std::string> devicesChosen;
    std::unique_ptr<InstrumentSession> session;
    std::unique_ptr<MainWindow> window;
};

}  // namespace vq::ui_test
