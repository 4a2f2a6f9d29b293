#include "platform/instrument_session.h"

#include "messages/messages.h"

#include "link/instrument_link.h"
#include "link/link_events.h"
#include "platform/calibration_access.h"
#include "platform/calibration_run.h"
#include "platform/instrument_reads.h"
#include "platform/link_write_operations.h"
#include "platform/qt_event_host.h"
#include "platform/qt_serial_port.h"
#include "platform/qt_socket_port.h"
#include "platform/session_line.h"
#include "sim/inproc_port.h"
#include "sim/sim_instrument.h"

namespace vq {

class InstrumentSession::Relay final : public LinkEvents {
  public:
    explicit Relay(InstrumentSession& session) : s_(session) {}

    void OnConnect() override { emit s_.connected(); }
    void NewReadings(std::array<float, 5>& values) override { emit s_.readings(values); }
    void ConnectRetry(std::int16_t& count) override { emit s_.connectRetry(count); }
    void InstMessage(std::string& text) override { emit s_.instMessage(text); }
    void InterMessage(std::string& text) override { emit s_.interMessage(text); }
    void AlarmMessage(std::string& text) override { emit s_.alarmMessage(text); }
    void DumpMessage(std::string& text) override { emit s_.dumpMessage(text); }
    void LineDropped() override { emit s_.lineDropped(); }
    void OnSocketError(std::int16_t& errorNumber) override { emit s_.socketError(errorNumber); }
    void StsTransmit() override { emit s_.transmitted(); }
    void StsIdle() override { emit s_.idle(); }

  private:
    InstrumentSession& s_;
};

InstrumentSession::InstrumentSession(const PortOptions& options, const std::string& workDir,
                                     Finder finder)
    : options_(options),
      workDir_(workDir),
      finder_(std::move(finder)),
      device_(options.device),
      ownHost_(std::make_unique<QtEventHost>()),
      host_(ownHost_.get()) {
    if (options_.mode == PortMode::Simulator) {
        simulator_ = std::make_unique<sim::SimInstrument>(*host_, sim::DefaultSimState());
        builtIn_ = simulator_.get();
        simSerial_ = std::make_unique<sim::InProcessSerialPort>(*simulator_);
        serial_ = simSerial_.get();
        device_ = "simulator";
    } else {
        // Both, whatever the options: without them the finder picks one at every opening.
        qtSerial_ = std::make_unique<QtSerialPort>(device_);
        qtSocket_ = std::make_unique<QtSocketPort>(options_.address);
        serial_ = qtSerial_.get();
        socket_ = qtSocket_.get();
    }
    makeLink();
}

InstrumentSession::InstrumentSession(Parts parts, const PortOptions& options,
                                     const std::string& workDir, Finder finder)
    : options_(options),
      workDir_(workDir),
      finder_(std::move(finder)),
      selectDevice_(std::move(parts.selectDevice)),
      device_(options.device),
      host_(&parts.host),
      builtIn_(parts.simulator),
      serial_(parts.serial),
      socket_(parts.socket) {
    makeLink();
}

bool InstrumentSession::builtInSwitchedOff() const {
    return builtIn_ != nullptr && !builtIn_->poweredOn();
}

bool InstrumentSession::switchOnBuiltIn() {
    if (builtIn_ == nullptr) return false;
    builtIn_->switchOn();
    return true;
}

WriteOperations& InstrumentSession::writes() {
    return *writes_;
}

bool InstrumentSession::powerOff() {
    return link_->BodyPowerOff() && link_->PowerOffAcked();
}

SessionState InstrumentSession::state() const {
    return SessionStateOf(link_->Status(), link_->LinkMode(), builtInSwitchedOff());
}

InstrumentSession::~InstrumentSession() {
    // The link refers to the ports and the host, the in-process port to its instrument: each goes
    // before what it refers to.
    if (link_) link_->setPortOpen(false);
    writes_.reset();
    link_.reset();
    relay_.reset();
    simSerial_.reset();
    simulator_.reset();
    qtSerial_.reset();
    qtSocket_.reset();
}

void InstrumentSession::makeLink() {
    // Runs against the built-in instrument are recorded apart from real instruments.
    records_.setSimulated(builtIn_ != nullptr);
    relay_ = std::make_unique<Relay>(*this);
    link_ = std::make_unique<InstrumentLink>(*host_, *relay_, serial_, socket_, workDir_);
    writes_ = std::make_unique<LinkWriteOperations>(*link_);
}

FoundPorts InstrumentSession::findConverters() const {
    switch (options_.mode) {
        case PortMode::Simulator:
        case PortMode::Serial:
            return FoundPorts{1, {device_}};
        case PortMode::Socket:
            return {};
        case PortMode::Auto:
            break;
    }
    return finder_ ? finder_(kConverterHardwareId) : FoundPorts{};
}

InstrumentSession::PortChoice InstrumentSession::choosePort() const {
    const FoundPorts found = findConverters();
    PortChoice choice;
    if (found.count > 1) {
        choice.several = found.names;
        return choice;
    }
    choice.serial = found.count == 1 && !found.names.empty();
    if (choice.serial) choice.device = found.names.front();
    return choice;
}

void InstrumentSession::openPort(const PortChoice& choice) {
    if (choice.serial) {
        device_ = choice.device;
        if (qtSerial_) qtSerial_->setPortName(device_);
        if (selectDevice_) selectDevice_(device_);
        link_->setSerialComm(true);
        // The line itself is the port's: RTS, DTR, RTS/CTS handshaking and the options' settings.
        if (serial_) {
            serial_->setRts(true);
            serial_->setDtr(true);
            serial_->setHandshaking(2);
            serial_->setSettings(options_.settings);
        }
    } else {
        link_->setSerialComm(false);
    }
    link_->setPortOpen(true);
}

void InstrumentSession::useSerialDevice(const std::string& device) {
    options_.mode = PortMode::Serial;
    options_.device = device;
    device_ = device;
}

void InstrumentSession::useSocket() {
    options_.mode = PortMode::Socket;
}

void InstrumentSession::logPortMessages() {
    auto toLog = [this](const std::string& line) { link_->AddLog(line); };
    if (qtSerial_) qtSerial_->setLogSink(toLog);
    if (qtSocket_) qtSocket_->setLogSink(toLog);
}

std::string InstrumentSession::describe() const {
    // In the user's language: the window logs it in its lines.
    if (options_.mode == PortMode::Simulator) return ResMessage(msg::PortSimulatorText);
    if (link_->SerialComm()) return ResMessage(msg::PortSerialText, {device_});
    return ResMessage(msg::PortSocketText,
                      {options_.address.host + ":" + std::to_string(options_.address.port)});
}

CalibrationRun InstrumentSession::calibrationRun(const CalibrationRunStyle& style) {
    return CalibrationRun(*link_, style);
}

CalibrationAccess InstrumentSession::calibration() {
    return CalibrationAccess(*link_);
}

SessionLine InstrumentSession::line() {
    return SessionLine(*link_, *host_);
}

InstrumentReads InstrumentSession::reads() {
    return InstrumentReads(*link_);
}

}  // namespace vq
