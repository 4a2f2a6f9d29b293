#pragma once
// The calibration window's surroundings in a test: the in-process virtual instrument behind a
// real link on the virtual clock, the main window's shared state fed by the link's current
// readings (as the main window does), the main model read from the instrument, message boxes and
// the result box answered from a script and recorded, and the information log recorded.

#include <QColor>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/instrument_link.h"
#include "link/link_events.h"
#include "link/virtual_host.h"
#include "model/instrument.h"
#include "sim/inproc_port.h"
#include "sim/sim_instrument.h"
#include "sim/sim_state.h"
#include "tests/ui/support/recording_asker.h"
#include "ui/dialogs/calibration_prompts.h"
#include "ui/dialogs/calibration_window.h"
#include "ui/main/main_state.h"
#include "ui/main/user_asker.h"

namespace vq::cal_test {

// The readings go into the shared state, then to whoever listens (the window's refresh).
class ReadingEvents : public LinkEvents {
  public:
    explicit ReadingEvents(MainState& state) : state_(state) {}
    void NewReadings(std::array<float, 5>& readings) override;
    std::function<void()> arrived;
    int count = 0;

  private:
    MainState& state_;
};

using ui_test::Box;
using ui_test::RecordingAsker;

// The result box answered from a script (no report when it is empty), the report saved where
// the test says.
class ScriptedPrompts : public CalibrationPrompts {
  public:
    std::vector<std::string> resultTexts;
    std::vector<std::string> resultTitles;
    std::deque<bool> saveAnswers;
    std::string path;  // the file the user picks; empty: cancelled
    std::vector<std::string> suggested;

    bool resultBox(QWidget*, const std::string& text, const std::string& title) override;
    std::string reportPath(QWidget*, const std::string& suggestedPath) override;
};

struct InfoLine {
    std::string text;
    QColor colour;
};

class CalBench {
  public:
    // The instrument starts from `state` (the factory state unless a test changes it first).
    explicit CalBench(sim::SimState state = sim::DefaultSimState());
    ~CalBench();

    // Connects and reads the main model; true when both worked.
    bool start();
    // The calibration window on this bench, shown, its first activation done.
    std::unique_ptr<CalibrationWindow> openWindow();
    // Payloads the link sent since the last call.
    std::vector<std::string> takeSent();
    // Lines written to the communication log since the bench started.
    const std::vector<std::string>& logLines() const { return log_; }
    bool infoHas(const std::string& text, const QColor& colour) const;

    VirtualHost host;
    sim::SimInstrument instrument;
    sim::InProcessSerialPort port{instrument};
    MainState state;
    ReadingEvents events{state};
    InstrumentLink link;
    InstrumentModel model;
    RecordingAsker asker;
    ScriptedPrompts prompts;
    std::vector<InfoLine> info;

  private:
    std::vector<std::string> log_;
    std::size_t taken_ = 0;
};

}  // namespace vq::cal_test
