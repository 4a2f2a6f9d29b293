#pragma once
// One instrument session, the same for the window and for vq5100ctl: the event host, the ports
// the port options chose, the link over them and, with --simulator, the virtual instrument in this
// process. The link's events come out as Qt signals, in the order the link raises them.
//
// Which port an opening uses (choosePort): --port and --simulator the serial port, --socket the
// socket; without a port option the device finder decides at every opening: one USB converter
// with the instrument's id gives its serial port, none the socket. Several: the socket too, and
// the program says so (the window in a box, vq5100ctl refuses to guess).

#include <QObject>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "link/port.h"
#include "platform/device_finder.h"
#include "platform/port_options.h"
#include "platform/records_recorder.h"
#include "platform/session_state.h"

namespace vq {

class CalibrationAccess;
class CalibrationRun;
class EventHost;
class InstrumentReads;
class QtEventHost;
class QtSerialPort;
class QtSocketPort;
class SessionLine;
class InstrumentLink;
class WriteOperations;
class LinkWriteOperations;
struct CalibrationRunStyle;
namespace sim {
class SimInstrument;
class InProcessSerialPort;
}  // namespace sim

class InstrumentSession : public QObject {
    Q_OBJECT
  public:
    using Finder = std::function<FoundPorts(std::string_view hardwareId)>;

    // Host and ports made by the caller (tests); `selectDevice` hears every device the finder
    // chooses.
    struct Parts {
        EventHost& host;
        SerialPort* serial = nullptr;
        SocketPort* socket = nullptr;
        std::function<void(const std::string&)> selectDevice;
        // The virtual instrument the ports are wired to, if any: the built-in one of the session.
        sim::SimInstrument* simulator = nullptr;
    };

    // The programs': the Qt event host, the Qt serial port and socket, or (--simulator) the
    // virtual instrument on a serial port wired to it. A QCoreApplication must exist.
    InstrumentSession(const PortOptions& options, const std::string& workDir,
                      Finder finder = FindUsbSerialPort);
    InstrumentSession(Parts parts, const PortOptions& options, const std::string& workDir,
                      Finder finder);
    ~InstrumentSession() override;
    InstrumentSession(const InstrumentSession&) = delete;
    InstrumentSession& operator=(const InstrumentSession&) = delete;

    EventHost& host() { return *host_; }
    InstrumentLink& link() { return *link_; }
    const InstrumentLink& link() const { return *link_; }
    const PortOptions& options() const { return options_; }
    const std::string& workDir() const { return workDir_; }
    // The built-in instrument (--simulator), else null.
    sim::SimInstrument* simulator() const { return builtIn_; }
    // The built-in instrument is switched off (a power-off): it answers nothing until
    // switchOnBuiltIn, whatever happens to the port.
    bool builtInSwitchedOff() const;
    // Its power switch, for the user's own "connect again"; false without a built-in one.
    bool switchOnBuiltIn();
    // What the windows and vq5100ctl show about the instrument (platform/session_state.h).
    SessionState state() const;

    struct PortChoice {
        bool serial = false;
        std::string device;
        // The converters found when there were several (the choice is then the socket).
        std::vector<std::string> several;
    };
    PortChoice choosePort() const;
    // Sets the link up for the port chosen (a serial line with RTS, DTR, handshaking and the
    // settings of the options) and opens it; PortOpen() tells whether that worked.
    void openPort(const PortChoice& choice);
    // The port the user chose (the window's "Port..."), used from the next opening on: that
    // serial device, or the socket of the options. Not with the built-in instrument.
    bool canChoosePort() const { return simulator_ == nullptr; }
    // The serial device of the last opening (or the one chosen).
    const std::string& device() const { return device_; }
    void useSerialDevice(const std::string& device);
    void useSocket();
    // Port errors of the Qt ports go to the communication log as well.
    void logPortMessages();
    // What is connected to: "serial /dev/ttyUSB0", "socket 127.0.0.1:5100", "simulator".
    std::string describe() const;
    // The instrument records: both programs add their reads, writes, calibration runs and dumps
    // here (VQ5100Records.sqlite in the working folder unless told otherwise).
    RecordsRecorder& records() { return records_; }
    // The writes on its link, for the "Update", "Update ID" and clock flows both programs run
    // (platform/settings_update.h, app/clock_set.h) and the clears.
    WriteOperations& writes();
    // Switches the instrument off ("RO,W,"): the port is closed and opened again a few seconds
    // later whatever it said; true when the instrument acknowledged.
    bool powerOff();

    // ---- calibration ----
    // A zero or span run on this session's link, made the way `style` names (the window's or
    // vq5100ctl's).
    // (platform/calibration_run.h)
    CalibrationRun calibrationRun(const CalibrationRunStyle& style);
    // What the calibration window does on the instrument (platform/calibration_access.h).
    CalibrationAccess calibration();

    // ---- the line and the reads, for both programs ----
    // The line as the window drives it: connection, Cancel, settings, log, clock
    // (platform/session_line.h).
    SessionLine line();
    // The read-all, its parts and the dumps (platform/instrument_reads.h).
    InstrumentReads reads();

  signals:
    void connected();
    void readings(const std::array<float, 5>& values);
    void connectRetry(std::int16_t count);
    void instMessage(const std::string& text);
    void interMessage(const std::string& text);
    void alarmMessage(const std::string& text);
    void dumpMessage(const std::string& text);
    void lineDropped();
    void socketError(std::int16_t errorNumber);
    void transmitted();
    void idle();

  private:
    class Relay;

    void makeLink();
    FoundPorts findConverters() const;

    PortOptions options_;
    std::string workDir_;
    RecordsRecorder records_{std::string(), workDir_};
    Finder finder_;
    std::function<void(const std::string&)> selectDevice_;
    std::string device_;
    // Declared first, gone last: everything below uses the host.
    std::unique_ptr<QtEventHost> ownHost_;
    EventHost* host_ = nullptr;
    std::unique_ptr<sim::SimInstrument> simulator_;
    sim::SimInstrument* builtIn_ = nullptr;  // simulator_, or the one of the parts
    std::unique_ptr<sim::InProcessSerialPort> simSerial_;
    std::unique_ptr<QtSerialPort> qtSerial_;
    std::unique_ptr<QtSocketPort> qtSocket_;
    SerialPort* serial_ = nullptr;
    SocketPort* socket_ = nullptr;
    std::unique_ptr<Relay> relay_;
    std::unique_ptr<InstrumentLink> link_;
    std::unique_ptr<LinkWriteOperations> writes_;
};

}  // namespace vq
