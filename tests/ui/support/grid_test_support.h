#pragma once
// Helpers of the settings grid and write command tests: message boxes answered from a script
// and recorded, and the in-process virtual instrument behind a real link on the virtual clock.

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "link/instrument_link.h"
#include "link/link_events.h"
#include "link/link_status.h"
#include "link/virtual_host.h"
#include "model/instrument.h"
#include "platform/link_write_operations.h"
#include "sim/inproc_port.h"
#include "sim/sim_instrument.h"
#include "tests/ui/support/recording_asker.h"
#include "ui/main/settings_grid.h"
#include "ui/main/user_asker.h"

namespace vq::grid_test {

// The window around a grid: connected, every read complete, no gas chosen; showing the model
// refreshes the grid.
struct ConnectedGridWindow : SettingsGridWindow {
    bool connected() const override { return true; }
    SessionState sessionState() const override { return SessionState::Settled; }
    std::optional<int> chooseGas(int) override { return std::nullopt; }
    void showInstrument() override {
        if (grid) grid->refresh();
    }
    SettingsGrid* grid = nullptr;
};

using ui_test::Box;
using ui_test::RecordingAsker;

// The virtual instrument on an in-process serial port, a link on the virtual clock decoding
// into the model it is given, and the write operations the program uses, all real.
class SimBench {
  public:
    SimBench();
    ~SimBench();

    // Opens the port and waits (on virtual time) until the probe is answered.
    bool connect();
    // The read-all into `model`; false at the first payload that fails.
    bool readAll(InstrumentModel& model);
    // The payloads of the frames the link sent since the last call.
    std::vector<std::string> takeSent();

    VirtualHost host;
    sim::SimInstrument instrument;
    sim::InProcessSerialPort port{instrument};
    LinkEvents events;
    InstrumentLink link;
    LinkWriteOperations operations{link};

  private:
    std::vector<std::string> log_;
};

// An instrument as read from the virtual instrument's factory state (connected, data shown).
InstrumentModel readDefaultInstrument();

}  // namespace vq::grid_test
