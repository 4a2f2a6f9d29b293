#include "ui/main/instrument_ports.h"

#include "platform/qt_serial_port.h"
#include "sim/inproc_port.h"
#include "sim/sim_instrument.h"

namespace vq {

InstrumentPorts::InstrumentPorts(EventHost& host, const PortOptions& options, Finder finder)
    : mode_(options.mode),
      finder_(std::move(finder)),
      device_(options.device),
      address_(options.address) {
    if (mode_ == PortMode::Simulator) {
        simulator_ = std::make_unique<sim::SimInstrument>(host, sim::DefaultSimState());
        simSerial_ = std::make_unique<sim::InProcessSerialPort>(*simulator_);
        serial_ = simSerial_.get();
        device_ = "simulator";
        return;
    }
    qtSerial_ = std::make_unique<QtSerialPort>(device_);
    qtSocket_ = std::make_unique<QtSocketPort>(address_);
    serial_ = qtSerial_.get();
    socket_ = qtSocket_.get();
}

InstrumentPorts::InstrumentPorts(SerialPort* serial, SocketPort* socket, PortMode mode,
                                 Finder finder,
                                 std::function<void(const std::string&)> selectDevice)
    : mode_(mode),
      finder_(std::move(finder)),
      selectDevice_(std::move(selectDevice)),
      serial_(serial),
      socket_(socket) {}

InstrumentPorts::~InstrumentPorts() {
    // The in-process port refers to its instrument: it goes first.
    simSerial_.reset();
    simulator_.reset();
}

FoundPorts InstrumentPorts::findConverters(std::string_view hardwareId) const {
    switch (mode_) {
        case PortMode::Simulator:
        case PortMode::Serial:
            return FoundPorts{1, {device_}};
        case PortMode::Socket:
            return {};
        case PortMode::Auto:
            break;
    }
    return finder_ ? finder_(hardwareId) : FoundPorts{};
}

void InstrumentPorts::useSerialDevice(const std::string& device) {
    device_ = device;
    if (qtSerial_) qtSerial_->setPortName(device);
    if (selectDevice_) selectDevice_(device);
}

std::string InstrumentPorts::describe(bool serialComm) const {
    if (mode_ == PortMode::Simulator) return "simulator";
    if (serialComm) return "serial " + device_;
    return "socket " + address_.host + ":" + std::to_string(address_.port);
}

}  // namespace vq
