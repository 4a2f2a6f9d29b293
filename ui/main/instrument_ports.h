#pragma once
// The ports the main window's link is built over, chosen by the command line:
//   --simulator      the virtual instrument inside this process, on a serial port wired to it;
//   --port DEVICE    that serial device;
//   --socket H:P     the socket to that address;
//   (none)           the device finder decides at every opening: one USB converter with the
//                    instrument's id gives its serial port, none (or several) the socket.
// The window owns this object and the link; the link refers to the two ports, which live as long
// as this object does.

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "link/port.h"
#include "platform/device_finder.h"
#include "platform/qt_socket_port.h"

namespace vq {

class EventHost;
class QtSerialPort;
namespace sim {
class SimInstrument;
class InProcessSerialPort;
}  // namespace sim

enum class PortMode { Auto, Simulator, Serial, Socket };

struct PortOptions {
    PortMode mode = PortMode::Auto;
    std::string device;     // --port
    SocketAddress address;  // --socket
};

class InstrumentPorts {
  public:
    using Finder = std::function<FoundPorts(std::string_view hardwareId)>;

    // The program's ports (Qt serial and socket, or the built-in instrument on `host`).
    InstrumentPorts(EventHost& host, const PortOptions& options, Finder finder = FindUsbSerialPort);
    // Ports made by the caller (tests); `selectDevice` is told the device the finder chose.
    InstrumentPorts(SerialPort* serial, SocketPort* socket, PortMode mode, Finder finder,
                    std::function<void(const std::string&)> selectDevice = {});
    ~InstrumentPorts();
    InstrumentPorts(const InstrumentPorts&) = delete;
    InstrumentPorts& operator=(const InstrumentPorts&) = delete;

    SerialPort* serial() const { return serial_; }
    SocketPort* socket() const { return socket_; }
    PortMode mode() const { return mode_; }

    // The serial ports the device finder sees for the hardware id: the converters present in
    // automatic mode, the one chosen port with --port or --simulator, none with --socket.
    FoundPorts findConverters(std::string_view hardwareId) const;
    // Points the serial port at a device the finder returned.
    void useSerialDevice(const std::string& device);
    // What is connected to, for the information log: "serial /dev/ttyUSB0", "socket ...".
    std::string describe(bool serialComm) const;
    // The built-in instrument (--simulator), else null.
    sim::SimInstrument* simulator() const { return simulator_.get(); }

  private:
    PortMode mode_;
    Finder finder_;
    std::string device_;
    SocketAddress address_;
    std::function<void(const std::string&)> selectDevice_;
    std::unique_ptr<sim::SimInstrument> simulator_;
    std::unique_ptr<sim::InProcessSerialPort> simSerial_;
    std::unique_ptr<QtSerialPort> qtSerial_;
    std::unique_ptr<QtSocketPort> qtSocket_;
    SerialPort* serial_ = nullptr;
    SocketPort* socket_ = nullptr;
};

}  // namespace vq
