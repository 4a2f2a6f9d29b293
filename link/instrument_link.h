#pragma once
// InstrumentLink, the link control: it owns no port and no clock, it is handed them. It sends
// framed commands, hands received bytes to the frame scanner (or to the dump sink during a binary
// dump), gives each reply to the decoder, and runs the 100 ms link timer that probes for the
// instrument and times replies out; what to resend is the transaction's decision. The operations
// run over the narrow OperationLink view of it and are reached through operations(), calibration(),
// reads() and dumps(); the link itself holds only what is its own.
//
// Single-threaded: port events and timer ticks run inside EventHost::pumpOnce(), also inside a
// WaitFor, so DataSend may be entered from a receive event or a tick while an operation waits.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "link/calibration_ops.h"
#include "link/dump_listing.h"
#include "link/dump_sink.h"
#include "link/event_host.h"
#include "link/frame_scanner.h"
#include "link/link_events.h"
#include "link/link_status.h"
#include "link/memory_dump.h"
#include "link/operation_link.h"
#include "link/operations.h"
#include "link/port.h"
#include "link/read_all.h"
#include "link/serial_log.h"
#include "link/transaction.h"
#include "protocol/decoder_host.h"

namespace vq {

class InstrumentModel;
class ReplyDecoder;
struct SettingsWriteResult;
namespace test {
struct LinkTestAccess;
}

// The link is the decoder's host: every reply is decoded into the bound model (Instrument) and
// the decoder reports probe answers, calibration results and dump lines back through it.
class InstrumentLink : private DecoderHost, private OperationLink {
  public:
    using Millis = EventHost::Millis;
    // Decides on one reply frame: true = accepted. It may rewrite the frame.
    using ReplyHook = std::function<bool(std::string& frame)>;
    // Takes one communication-log text (without the time stamp).
    using LogWriter = std::function<void(std::string_view text)>;

    static constexpr Millis kTickInterval{100};
    // A probe left unanswered for more ticks than this is given up and the next one sent.
    static constexpr std::int32_t kProbeTicksLimit = 10;
    // Ticks between two socket polls, minus one (a poll every sixth tick).
    static constexpr std::int16_t kPollTicks = 5;
    static constexpr Millis kPowerOffPause{5000};

    // `serial` and `socket` are not owned and may be null; the socket is the active transport
    // when SerialComm is false and a socket is present. The link timer starts at once.
    InstrumentLink(EventHost& host, LinkEvents& events, SerialPort* serial, SocketPort* socket,
                   std::string workDir = {});
    ~InstrumentLink() override;
    InstrumentLink(const InstrumentLink&) = delete;
    InstrumentLink& operator=(const InstrumentLink&) = delete;

    // ---- properties ----
    bool SerialComm() const { return serialComm_; }
    void setSerialComm(bool serialComm) { serialComm_ = serialComm; }
    std::int16_t Retry() const { return tx_.retry(); }
    void setRetry(std::int16_t retry) { tx_.setRetry(retry); }
    // Seconds, rounded from the ticks held.
    std::int16_t Timeout() const { return tx_.timeoutSeconds(); }
    // Stores seconds × 10 ticks; false (and nothing stored) when |seconds| > kTimeoutLimit.
    bool setTimeout(int seconds) { return tx_.setTimeout(seconds); }
    bool Cancel() const { return cancel_; }
    void setCancel(bool cancel) { cancel_ = cancel; }
    std::int32_t Status() const { return tx_.status(); }
    bool Connected() const override { return linkMode_ == link_mode::Connected; }
    std::int32_t LinkMode() const { return linkMode_; }
    void setLinkMode(std::int32_t mode) { linkMode_ = mode; }
    // True when the instrument sent anything since the last frame went out.
    bool TrafficFlag() const { return trafficFlag_; }
    const std::string& WorkDir() const { return log_.workDir(); }
    // The communication log on or off (the configuration's "SERIAL LOG FILE"); on by default.
    void setSerialLogOn(bool on) { log_.setEnabled(on); }
    bool SerialLogOn() const { return log_.enabled(); }
    // Told when the communication log starts dropping lines (a full disk, for one).
    void setLogFailureReport(SerialLog::FailureReport report) {
        log_.setFailureReport(std::move(report));
    }

    // The active transport's open state; opening a serial port that cannot be opened raises
    // nothing, the caller reads PortOpen() back.
    bool PortOpen() const;
    void setPortOpen(bool open);
    bool TimerEnabled() const { return timerId_ != 0; }
    void setTimerEnabled(bool enabled);
    // Off (the window's way): probing that starts when the lines come up or the socket connects
    // sends its first probe on the next tick. On: that first probe goes out at once and the timer
    // restarts its period from it, so a short command-line run does not idle a tick before its
    // first frame; later probes keep their tick spacing.
    void setProbeAtOnce(bool atOnce) { probeAtOnce_ = atOnce; }

    // ---- state, read-only ----
    // Frames sent again (a resend after a time-out or a request to repeat, a NAK of a damaged
    // block) since the link was made: a progress window shows how many a command needed.
    std::int32_t ResendCount() const { return resendCount_; }
    // Port faults counted since the link was made (a serial line that stops, a socket error).
    std::int16_t FaultCount() const { return faultCount_; }
    const std::string& LastFrame() const override { return tx_.lastFrame(); }
    const std::string& LastReply() const { return lastReply_; }
    std::string_view ReceiveBuffer() const { return scanner_.buffer(); }
    // The transaction's counters (retries, the reply countdown, the time-out in ticks).
    const Transaction& transaction() const { return tx_; }

    // ---- the parts ----
    // The instrument operations: the clock, check data, the pump, the clears and defaults, the
    // channel-4 steps, the gases and the history, with their confirmation polls.
    LinkOperations& operations() { return ops_; }
    // Zero, span and O2 runs with their results, and the current-reading poll: "SZ,W," +
    // channels then "SZ,C," every second until the five results arrive (ZeroStatus reads them);
    // "S2,W," + channels (SpanStatus); "SN,W," + channels for O2; "DN,R," every second while the
    // poll is on, its readings decoded into the bound model.
    CalibrationSteps& calibration() { return calibration_; }
    // The read sequencer: read-all, the identity read and the write chains.
    ReadAll& reads() { return reads_; }
    // The flash image and the memory listing, and the listing lines the decoder fills.
    MemoryDumps& dumps() { return dumps_; }
    // Where the raw bytes of a binary dump block go.
    DumpSink& binaryDump() { return dump_; }

    // ---- operations ----
    // Sends one complete frame and makes it the frame resends repeat.
    void DataSend(const std::string& datas, bool initFlag);
    // One line in the communication log.
    void AddLog(const std::string& text) override;
    // The wait every operation is built on: Status := waitingStatus, the payload goes out as a
    // new command (EOT), and the event loop runs until Status moves. True when it became Done.
    // `eachTurn` runs before every turn of the loop (an operation forwards progress texts there).
    // Every wait ends: the link timer times the reply out in any LinkMode; with the timer off
    // nothing could, so the wait fails at once without sending.
    bool WaitFor(std::int32_t waitingStatus, std::string_view payload,
                 const std::function<void()>& eachTurn = {});
    // Runs the event loop while `keepWaiting` holds.
    void PumpWhile(const std::function<bool()>& keepWaiting);

    // ---- for the reply decoder and the host ----
    // Replaces the built-in decision (DecodeReply into the bound model); the checksum is verified
    // before it. An empty hook restores the decoder.
    void setReplyDecoder(ReplyHook decoder) { decoder_ = std::move(decoder); }
    // Replaces the file SerialLog.log (an empty writer restores it).
    void setLogWriter(LogWriter writer) { logWriter_ = std::move(writer); }
    // The probe was answered: LinkMode := Connected, then OnConnect. The caller writes the
    // connect log line. Only while not Connected.
    void connectByProbe() override;
    LinkEvents& Events() { return events_; }
    EventHost& Host() { return host_; }

    // ---- the settings write (link/set_instrument.cpp, protocol/settings_write.h) ----
    // Writes every flagged setting of the model in the fixed order, stopping at the first failed
    // write; the reply decoder must be filling this model. succeeded() when something was written
    // and every write succeeded; not for a null model (nothing sent, the failure line logged). The
    // run's details tell why not (nothing to write, a level list never confirmed).
    SettingsWriteResult WriteSettings(InstrumentModel* model);

    // ---- the bound model ----
    // The model the decoder fills. Operations that take a model bind it and leave it bound
    // (ReadOne binds the one before again). Null unbinds: only replies that touch no model are
    // then accepted. A host binds its model before RunReadings, whose readings go into it.
    InstrumentModel* Instrument() const { return instrument_; }
    void setInstrument(InstrumentModel* model) { instrument_ = model; }
    // A model filled without the instrument (the defaults at start, a settings file) becomes the
    // bound one, and the link stands idle with it as after a finished read (Status Done): the
    // windows then show it and may write it.
    void AdoptLoadedModel(InstrumentModel* model);

    // "RO,W,", the port closed, 5 s later opened again (Offline, Ready). Always true: the port is
    // reopened whatever the instrument said. PowerOffAcked() tells whether it acknowledged.
    bool BodyPowerOff();
    bool PowerOffAcked() const { return powerOffAcked_; }
    // The power-off wait defaults to kPowerOffPause; a test run shortens it.
    void setPowerOffPause(Millis pause) { powerOffPause_ = pause; }

  private:
    friend struct test::LinkTestAccess;

    // ---- DecoderHost ----
    void raiseReadings(std::array<float, 5>& readings) override;
    void setZeroCalResult(const std::string& result) override {
        calibration_.setZeroResult(result);
    }
    void setSpanCalResult(const std::string& result) override {
        calibration_.setSpanResult(result);
    }
    void setConfirmAcked(bool acked) override { ops_.setConfirmAcked(acked); }
    void setO2CalResult(const std::string& result) override { calibration_.setO2Result(result); }
    void addDumpLine(const std::string& line, std::uint32_t address) override {
        dumps_.addDumpLine(line, address);
    }

    // ---- OperationLink: what the operations see of the link ----
    bool waitFor(std::int32_t waitingStatus, std::string_view payload,
                 const std::function<void()>& eachTurn) override {
        return WaitFor(waitingStatus, payload, eachTurn);
    }
    void sendCommand(const std::string& frame) override { DataSend(frame, true); }
    void pumpWhile(const std::function<bool()>& keepWaiting) override { PumpWhile(keepWaiting); }
    std::int32_t status() const override { return tx_.status(); }
    void setStatus(std::int32_t status) override { tx_.setStatus(status); }
    bool cancelled() const override { return cancel_; }
    void setCancelled(bool cancel) override { cancel_ = cancel; }
    bool timerRunning() const override { return TimerEnabled(); }
    void restartProbeCount() override { probeTicks_ = 0; }
    void log(const std::string& text) override { AddLog(text); }
    const std::string& lastReply() const override { return lastReply_; }
    InstrumentModel* boundModel() const override { return instrument_; }
    void bind(InstrumentModel* model) override { instrument_ = model; }
    LinkEvents& events() override { return events_; }
    EventHost& host() override { return host_; }
    double localDateTime() const override { return host_.localDateTime(); }

    Port* activePort() const;
    bool socketActive() const { return !serialComm_ && socket_ != nullptr; }
    std::string now() const;
    void countFault();

    // link timer (instrument_link_timer.cpp)
    void onTick();
    void probeTick();
    // LinkMode := Probing; with ProbeAtOnce the first probe goes out now and the timer restarts
    // its period from it (the callers reset the counters they own).
    void startProbing();
    void replyTimeoutTick();

    // port events (instrument_link_events.cpp)
    void onSerialEvent(int code);
    void onSocketEvent(int code);
    void lineFault(int messageId, std::int32_t newStatus);
    void modemLinesChanged();

    // receive path (instrument_link_events.cpp)
    void onDataReceived(Port& port, bool socketPath);
    // Hands raw bytes to the dump sink; its answer ends the block.
    void writeDumpBytes(const std::string& bytes);
    void FrameScan();
    void handleFrame(std::string frame);
    // Logs a block beyond the answer's limits; the rest of the stream is not looked at.
    void endlessAnswer();
    // Sends what the transaction decided.
    void carryOut(Transaction::Action action);
    bool AcceptReply(std::string& frame);

    EventHost& host_;
    LinkEvents& events_;
    SerialPort* serial_;
    SocketPort* socket_;
    SerialLog log_;
    LogWriter logWriter_;
    ReplyHook decoder_;
    std::unique_ptr<ReplyDecoder> replyDecoder_;
    InstrumentModel* instrument_ = nullptr;
    EventHost::TimerId timerId_ = 0;

    bool serialComm_ = false;
    bool cancel_ = false;
    bool probeAtOnce_ = false;
    std::int32_t linkMode_ = link_mode::Offline;
    bool trafficFlag_ = false;

    std::int32_t probeTicks_ = 0;
    std::int16_t pollCountdown_ = kPollTicks;
    std::int16_t faultCount_ = 0;
    std::int32_t resendCount_ = 0;
    std::string lastReply_;
    Transaction tx_;

    FrameScanner scanner_;

    DumpSink dump_;

    bool powerOffAcked_ = false;
    Millis powerOffPause_ = kPowerOffPause;

    // The operations, each over the narrow OperationLink view of this link.
    LinkOperations ops_{*this};
    CalibrationSteps calibration_{*this};
    ReadAll reads_{*this};
    MemoryDumps dumps_{*this, dump_};
};

}  // namespace vq
