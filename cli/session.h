#pragma once
// One connection of vq5100ctl to an instrument: the Qt event host, the port the options chose
// and the link over it, with the communication log in the working folder. Commands that need
// the instrument call connect() first.

#include <array>
#include <memory>
#include <string>

#include "cli/options.h"
#include "link/link_events.h"
#include "link/vqif.h"
#include "platform/qt_event_host.h"
#include "platform/qt_serial_port.h"
#include "platform/qt_socket_port.h"
#include "sim/inproc_port.h"
#include "sim/sim_instrument.h"

namespace vq::cli {

class Output;

// What the link reported while a command ran.
class SessionEvents : public LinkEvents {
  public:
    void OnConnect() override { connected = true; }
    void AlarmMessage(std::string& text) override { alarm = text; }
    void LineDropped() override { lineDropped = true; }
    void IrDAError(std::int16_t& errorNumber) override { socketError = errorNumber; }
    void Densty(std::array<float, 5>& values) override {
        readings = values;
        ++readingCount;
    }

    bool connected = false;
    bool lineDropped = false;
    std::string alarm;  // probing gave up with this text
    int socketError = 0;
    std::array<float, 5> readings{};  // the latest current readings
    long readingCount = 0;
};

class Session {
  public:
    explicit Session(const GlobalOptions& options);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Checks the working folder, picks and opens the port, and waits until the instrument
    // answers the probe or the probe gives up. kExitSuccess, or the exit status of the failure
    // (which is also reported to `out`).
    int connect(Output& out);

    uclVqif& link() { return *link_; }
    EventHost& host() { return host_; }
    SessionEvents& events() { return events_; }
    const std::string& workDir() const { return workDir_; }
    // What was connected to: "serial /dev/ttyUSB0" or "socket 127.0.0.1:5100".
    const std::string& portDescription() const { return portDescription_; }

  private:
    int choosePort(Output& out);
    void useSerial(const std::string& device);
    void useSocket();
    void useSimulator();
    int openPort(Output& out);
    int waitForProbe(Output& out);

    GlobalOptions options_;
    std::string workDir_;
    std::string portDescription_;
    QtEventHost host_;
    SessionEvents events_;
    // --simulator: the virtual instrument in this process, on a serial port wired to it.
    std::unique_ptr<sim::SimInstrument> simulator_;
    std::unique_ptr<sim::InProcessSerialPort> simSerial_;
    std::unique_ptr<QtSerialPort> serial_;
    std::unique_ptr<QtSocketPort> socket_;
    std::unique_ptr<uclVqif> link_;
};

}  // namespace vq::cli
