#include "cli/session.h"

#include <QDir>
#include <QFileInfo>
#include <chrono>
#include <cstdlib>
#include <string_view>

#include "cli/exit_codes.h"
#include "cli/link_settings.h"
#include "cli/output.h"
#include "cli/serial_log_rotation.h"
#include "messages/messages.h"
#include "platform/calibration_run.h"

namespace vq::cli {

Session::Session(const GlobalOptions& options) : options_(options) {}

Session::~Session() = default;

int Session::findWorkDir(Output& out) {
    const QString dir =
        options_.workDir.empty() ? QDir::currentPath() : QString::fromStdString(options_.workDir);
    const QFileInfo info(dir);
    if (!info.isDir()) {
        out.error("working folder \"" + dir.toStdString() + "\" does not exist");
        return kExitUsage;
    }
    workDir_ = QDir(dir).absolutePath().toStdString();
    return kExitSuccess;
}

int Session::openRecorder(Output& out, RecordsRecorder*& recorder) {
    recorder = nullptr;
    if (const int status = findWorkDir(out); status != kExitSuccess) return status;
    const LinkSettings settings = loadLinkSettings(options_, workDir_);
    for (const auto& warning : settings.warnings) out.warning(warning);
    records_ = std::make_unique<RecordsRecorder>(settings.records, workDir_);
    recorder = records_.get();
    return kExitSuccess;
}

int Session::openRecords(Output& out, RecordsStore*& store, bool readOnly) {
    store = nullptr;
    RecordsRecorder* recorder = nullptr;
    if (const int status = openRecorder(out, recorder); status != kExitSuccess) return status;
    StoreStatus status;
    RecordsProblem problem = RecordsProblem::None;
    store = readOnly ? recorder->readOnlyStore(status, &problem) : recorder->store(status);
    if (!store) {
        out.error(status.error);
        // A reader that finds no records says so and creates none.
        return problem == RecordsProblem::Missing ? kExitUsage : kExitFailed;
    }
    return kExitSuccess;
}

int Session::connect(Output& out) {
    if (const int status = findWorkDir(out); status != kExitSuccess) return status;
    const LinkSettings settings = loadLinkSettings(options_, workDir_);
    for (const auto& warning : settings.warnings) out.warning(warning);
    if (settings.serialLog) {
        // The previous run's log becomes SerialLog1.log, as the window keeps it.
        std::string error;
        if (!RotateSerialLogs(workDir_, &error)) out.warning("older logs not kept: " + error);
    }

    instrument_ = std::make_unique<InstrumentSession>(options_.ports, workDir_);
    LinkTuning tuning;
    // "SERIAL LOG FILE OFF": no communication log at all, so repeated runs grow no file.
    tuning.serialLog = settings.serialLog;
    tuning.logFailure = [&out](const std::string& reason) {
        out.warning(ResMessage(msg::SerialLogNotWritten, {reason}));
    };
    // A command-line run is short: its first probe goes out when the line comes up, not a tick
    // later.
    tuning.probeAtOnce = true;
    tuning.retry = settings.retry;
    tuning.timeoutSeconds = settings.timeoutSeconds;
    tuning.pauses = testPauses();
    instrument_->line().tune(tuning);
    // The records never stop a command: an event not recorded is one line on stderr.
    instrument_->records().setLocation(settings.records);
    instrument_->records().setReport([&out](const std::string& line) { out.warning(line); });
    // Events earlier runs could not send to a shared store go now.
    instrument_->records().sendQueuedAtStart();
    listen();
    if (const int status = openPort(out); status != kExitSuccess) return status;
    return waitForProbe(out);
}

// The end-to-end tests run the confirmation polls and the power-off against a virtual
// instrument that needs no real settling time; VQ5100CTL_PAUSE_MS shortens both waits for them.
// Anything but a whole number of milliseconds leaves the instrument's own timing.
std::optional<std::chrono::milliseconds> Session::testPauses() {
    const char* text = std::getenv("VQ5100CTL_PAUSE_MS");
    if (text == nullptr) return std::nullopt;
    const std::string_view digits(text);
    if (digits.empty() || digits.size() > 6 ||
        digits.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    return std::chrono::milliseconds{std::atoi(text)};
}

void Session::listen() {
    InstrumentSession& s = *instrument_;
    QObject::connect(&s, &InstrumentSession::connected, [this] { events_.connected = true; });
    QObject::connect(&s, &InstrumentSession::alarmMessage,
                     [this](const std::string& text) { events_.alarm = text; });
    QObject::connect(&s, &InstrumentSession::lineDropped, [this] { events_.lineDropped = true; });
    QObject::connect(&s, &InstrumentSession::socketError,
                     [this](std::int16_t number) { events_.socketError = number; });
    QObject::connect(&s, &InstrumentSession::readings, [this](const std::array<float, 5>& values) {
        events_.readings = values;
        ++events_.readingCount;
    });
}

int Session::openPort(Output& out) {
    const InstrumentSession::PortChoice choice = instrument_->choosePort();
    if (!choice.several.empty()) {
        // Unlike the window, which then takes the socket, a script is told to choose.
        std::string names;
        for (const auto& name : choice.several) names += " " + name;
        out.error("More than one USB Serial Converter is connected. Choose one with --port:" +
                  names);
        return kExitUsage;
    }
    instrument_->logPortMessages();
    instrument_->openPort(choice);
    portDescription_ = instrument_->describe();
    if (!line().portOpen()) {
        out.error("cannot open " + portDescription_);
        return kExitNoInstrument;
    }
    return kExitSuccess;
}

int Session::waitForProbe(Output& out) {
    // Probing gives up by itself after Retry probes; the limit covers what it cannot see: a
    // serial line that never comes up, a socket that never connects.
    SessionLine ops = line();
    const auto limit = ops.now() + ops.probeLimit();
    ops.pumpWhile([&] {
        return !ops.instrumentConnected() && events_.alarm.empty() && !events_.lineDropped &&
               ops.now() < limit;
    });
    if (ops.instrumentConnected()) return kExitSuccess;
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

CalibrationRun Session::calibrationRun(const CalibrationRunStyle& style) {
    return instrument_->calibrationRun(style);
}

}  // namespace vq::cli
