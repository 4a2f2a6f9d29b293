#pragma once
// One connection of vq5100ctl to an instrument: the instrument session the port options chose,
// made once the working folder is known, with the communication log in that folder. Commands that
// need the instrument call connect() first.

#include <array>
#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "cli/options.h"
#include "platform/instrument_reads.h"
#include "platform/instrument_session.h"
#include "platform/session_line.h"

namespace vq::cli {

class Output;

// What the link reported while a command ran.
struct SessionEvents {
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
    // Opens the instrument records alone (the records commands need no instrument). The exit
    // status; on success `store` stays valid as long as the session.
    // `readOnly`: nothing is created or written (listing, showing, exporting); no store there is
    // a usage error (kExitUsage).
    int openRecords(Output& out, RecordsStore*& store, bool readOnly = false);
    // The recorder of the working folder's records, opening nothing yet (records sync, check).
    int openRecorder(Output& out, RecordsRecorder*& recorder);

    // These need connect() to have got as far as choosing the port.
    // The line: its tuning, the probe wait, the log and the clock (platform/session_line.h).
    SessionLine line() { return instrument_->line(); }
    // The reads, the readings poll and the dumps (platform/instrument_reads.h).
    InstrumentReads reads() { return instrument_->reads(); }
    RecordsRecorder& records() { return instrument_->records(); }
    // The writes on the link, for the flows shared with the window (platform/settings_update.h).
    WriteOperations& writes() { return instrument_->writes(); }
    bool powerOff() { return instrument_->powerOff(); }
    SessionEvents& events() { return events_; }
    // A zero or span run on the instrument session (platform/calibration_run.h).
    CalibrationRun calibrationRun(const CalibrationRunStyle& style);
    const std::string& workDir() const { return workDir_; }
    // What was connected to: "serial /dev/ttyUSB0" or "socket 127.0.0.1:5100".
    const std::string& portDescription() const { return portDescription_; }

  private:
    int findWorkDir(Output& out);
    void listen();
    static std::optional<std::chrono::milliseconds> testPauses();
    int openPort(Output& out);
    int waitForProbe(Output& out);

    GlobalOptions options_;
    std::string workDir_;
    std::string portDescription_;
    SessionEvents events_;
    std::unique_ptr<InstrumentSession> instrument_;
    std::unique_ptr<RecordsRecorder> records_;
};

}  // namespace vq::cli
