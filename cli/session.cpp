#include "cli/session.h"

#include <QDir>
#include <QFileInfo>

#include "cli/exit_codes.h"
#include "cli/link_settings.h"
#include "cli/output.h"
#include "cli/serial_log_rotation.h"
#include "platform/device_finder.h"

namespace vq::cli {

Session::Session(const GlobalOptions& options) : options_(options) {}

Session::~Session() {
    // The link refers to the ports and the host, the in-process port to its instrument: each goes
    // before what it refers to.
    if (link_) link_->setPortOpen(false);
    link_.reset();
    simSerial_.reset();
    simulator_.reset();
}

int Session::connect(Output& out) {
    const QString dir =
        options_.workDir.empty() ? QDir::currentPath() : QString::fromStdString(options_.workDir);
    const QFileInfo info(dir);
    if (!info.isDir()) {
        out.error("working folder \"" + dir.toStdString() + "\" does not exist");
        return kExitUsage;
    }
    workDir_ = QDir(dir).absolutePath().toStdString();
    const LinkSettings settings = loadLinkSettings(options_, workDir_);
    for (const auto& warning : settings.warnings) out.warning(warning);
    if (settings.keepOldLogs) {
        // The previous run's log becomes SerialLog1.log, as the window keeps it.
        std::string error;
        if (!RotateSerialLogs(workDir_, &error)) out.warning("older logs not kept: " + error);
    }

    if (const int status = choosePort(out); status != kExitSuccess) return status;
    SerialPort* serial = simSerial_ ? static_cast<SerialPort*>(simSerial_.get()) : serial_.get();
    link_ = std::make_unique<uclVqif>(host_, events_, serial, socket_.get(), workDir_);
    // A command-line run is short: its first probe goes out when the line comes up, not a tick
    // later.
    link_->setProbeAtOnce(true);
    link_->setRetry(static_cast<std::int16_t>(settings.retry));
    link_->setTimeout(settings.timeoutSeconds);
    if (const int status = openPort(out); status != kExitSuccess) return status;
    return waitForProbe(out);
}

int Session::choosePort(Output& out) {
    switch (options_.transport) {
        case Transport::Simulator:
            useSimulator();
            return kExitSuccess;
        case Transport::Serial:
            useSerial(options_.port);
            return kExitSuccess;
        case Transport::Socket:
            useSocket();
            return kExitSuccess;
        case Transport::Auto:
            break;
    }
    // As the window does: the one converter with the instrument's id, else the socket.
    const FoundPorts found = FindUsbSerialPort(kConverterHardwareId);
    if (found.count > 1) {
        std::string names;
        for (const auto& name : found.names) names += " " + name;
        out.error("More than one USB Serial Converter is connected. Choose one with --port:" +
                  names);
        return kExitUsage;
    }
    if (found.count == 1)
        useSerial(found.names.front());
    else
        useSocket();
    return kExitSuccess;
}

void Session::useSerial(const std::string& device) {
    serial_ = std::make_unique<QtSerialPort>(device);
    portDescription_ = "serial " + device;
}

void Session::useSimulator() {
    simulator_ = std::make_unique<sim::SimInstrument>(host_, sim::DefaultSimState());
    simSerial_ = std::make_unique<sim::InProcessSerialPort>(*simulator_);
    portDescription_ = "simulator";
}

void Session::useSocket() {
    const auto address = parseSocketAddress(options_.socket).value_or(SocketAddress{});
    socket_ = std::make_unique<QtSocketPort>(address);
    portDescription_ = "socket " + address.host + ":" + std::to_string(address.port);
}

int Session::openPort(Output& out) {
    auto toLog = [this](const std::string& line) { link_->AddLog(line); };
    if (serial_ || simSerial_) {
        if (serial_) serial_->setLogSink(toLog);
        link_->setSerialComm(true);
        link_->setSettings(options_.settings);
        link_->setRTSEnable(true);
        link_->setDTREnable(true);
        link_->setHandshaking(2);
    } else {
        socket_->setLogSink(toLog);
        link_->setSerialComm(false);
    }
    link_->setPortOpen(true);
    if (!link_->PortOpen()) {
        out.error("cannot open " + portDescription_);
        return kExitNoInstrument;
    }
    return kExitSuccess;
}

int Session::waitForProbe(Output& out) {
    // Probing gives up by itself after Retry probes; the limit covers what it cannot see: a
    // serial line that never comes up, a socket that never connects.
    const auto probeRound = uclVqif::kTickInterval * (uclVqif::kProbeTicksLimit + 2);
    const auto limit =
        host_.now() + probeRound * (link_->Retry() + 1) + std::chrono::seconds(link_->Timeout());
    link_->PumpWhile([&] {
        return !link_->Connected() && events_.alarm.empty() && !events_.lineDropped &&
               host_.now() < limit;
    });
    if (link_->Connected()) return kExitSuccess;
    if (events_.lineDropped) {
        out.error("the line to " + portDescription_ + " dropped");
    } else if (!events_.alarm.empty()) {
        std::string text = events_.alarm;
        while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
        out.error(text);
    } else if (events_.socketError != 0) {
        out.error("no connection to " + portDescription_ + " (socket error " +
                  std::to_string(events_.socketError) + ")");
    } else {
        out.error("no instrument answered on " + portDescription_);
    }
    return kExitNoInstrument;
}

}  // namespace vq::cli
