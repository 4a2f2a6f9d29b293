#pragma once
// uclVqif, the link control: it owns no port and no clock, it is handed them. It frames command
// payloads, cuts reply frames out of the received bytes, hands each reply to the decoder, and runs
// the 100 ms link timer that probes for the instrument, times replies out and resends. Every
// operation above it sends through DataSend and waits with WaitFor.
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

#include "link/dump_listing.h"
#include "link/dump_sink.h"
#include "link/event_host.h"
#include "link/frame_scanner.h"
#include "link/link_events.h"
#include "link/link_status.h"
#include "link/port.h"
#include "link/serial_log.h"
#include "link/transaction.h"
#include "protocol/decoder_host.h"

namespace vq {

class clsInstrument;
class ReplyDecoder;
struct SettingsWriteResult;
namespace test {
struct LinkTestAccess;
}

// The link is the decoder's host: every reply is decoded into the bound model (Instrument) and
// the decoder reports probe answers, calibration results and dump lines back through it.
class uclVqif : private DecoderHost {
  public:
    using Millis = EventHost::Millis;
    // Decides on one reply frame: true = accepted. It may rewrite the frame.
    using ReplyHook = std::function<bool(std::string& frame)>;
    // Takes one communication-log text (without the time stamp).
    using LogWriter = std::function<void(std::string_view text)>;

    static constexpr Millis kTickInterval{100};
    static constexpr int kTimeoutLimit = Transaction::kTimeoutLimit;
    // A probe left unanswered for more ticks than this is given up and the next one sent.
    static constexpr std::int32_t kProbeTicksLimit = 10;
    // Ticks between two socket polls, minus one (a poll every sixth tick).
    static constexpr std::int16_t kPollTicks = 5;
    static constexpr std::size_t kReceiveBufferCap = FrameScanner::kReceiveBufferCap;
    static constexpr std::int32_t kMaxAnswerBlocks = Transaction::kMaxAnswerBlocks;
    static constexpr Millis kAnswerDeadline = Transaction::kAnswerDeadline;

    // `serial` and `socket` are not owned and may be null; the socket is the active transport
    // when SerialComm is false and a socket is present. The link timer starts at once.
    uclVqif(EventHost& host, LinkEvents& events, SerialPort* serial, SocketPort* socket,
            std::string workDir = {});
    ~uclVqif() override;
    uclVqif(const uclVqif&) = delete;
    uclVqif& operator=(const uclVqif&) = delete;

    // ---- properties ----
    bool SerialComm() const { return serialComm_; }
    void setSerialComm(bool serialComm) { serialComm_ = serialComm; }
    std::int16_t Retry() const { return tx_.retry(); }
    void setRetry(std::int16_t retry) { tx_.setRetry(retry); }
    // Seconds, rounded from the ticks held.
    std::int16_t Timeout() const { return tx_.timeoutSeconds(); }
    // Stores seconds × 10 ticks; false (and nothing stored) when |seconds| > kTimeoutLimit.
    bool setTimeout(int seconds) { return tx_.setTimeout(seconds); }
    std::int16_t TimeoutTicks() const { return tx_.timeoutTicks(); }
    bool BinaryRetry() const { return binaryRetry_; }
    void setBinaryRetry(bool binaryRetry) { binaryRetry_ = binaryRetry; }
    bool Cancel() const { return cancel_; }
    void setCancel(bool cancel) { cancel_ = cancel; }
    std::int32_t Status() const { return tx_.status(); }
    bool Connected() const override { return linkMode_ == link_mode::Connected; }
    const std::string& BinDumpPath() const { return dump_.path(); }
    void setBinDumpPath(std::string path) { dump_.setPath(std::move(path)); }
    std::int32_t LinkMode() const { return linkMode_; }
    void setLinkMode(std::int32_t mode) { linkMode_ = mode; }
    // True when the instrument sent anything since the last frame went out.
    bool TrafficFlag() const { return trafficFlag_; }
    void setTrafficFlag(bool flag) { trafficFlag_ = flag; }
    const std::string& WorkDir() const { return log_.workDir(); }
    void setWorkDir(std::string workDir) { log_.setWorkDir(std::move(workDir)); }

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
    bool ProbeAtOnce() const { return probeAtOnce_; }
    void setProbeAtOnce(bool atOnce) { probeAtOnce_ = atOnce; }
    // Serial line settings ("921600,n,8,1"), DTR, RTS, handshaking (0 none, 2 RTS/CTS).
    std::string Settings() const;
    void setSettings(const std::string& settings);
    void setDTREnable(bool on);
    void setRTSEnable(bool on);
    void setHandshaking(int mode);

    // ---- state, read-only ----
    std::int16_t RetryCount() const { return tx_.retryCount(); }
    std::int16_t ReplyCountdown() const { return tx_.replyCountdown(); }
    std::int32_t ProbeTicks() const { return probeTicks_; }
    std::int16_t IrdaPollCountdown() const { return pollCountdown_; }
    std::int16_t FaultCount() const { return faultCount_; }
    const std::string& LastFrame() const override { return tx_.lastFrame(); }
    const std::string& LastReply() const { return lastReply_; }
    std::string_view ReceiveBuffer() const { return scanner_.buffer(); }

    // ---- binary dump ----
    // Where the next raw bytes go in BinDumpPath and how many end the block; received := 0.
    void setBinaryBlock(std::int32_t bytesWritten, std::int32_t expectedLength) {
        dump_.startBlock(bytesWritten, expectedLength);
    }
    std::int32_t BinaryBytesWritten() const { return dump_.bytesWritten(); }
    std::int32_t BinaryBytesReceived() const { return dump_.bytesReceived(); }

    // ---- operations ----
    // Sends one complete frame and makes it the frame resends repeat.
    void DataSend(const std::string& datas, bool initFlag);
    // Ends the transaction from the host's side; always false.
    bool DisConnect();
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
    // write; the reply decoder must be filling this model. True when something was written and
    // every write succeeded; false for a null model (nothing sent, the failure line logged).
    bool SetInstrument(clsInstrument* model);
    // The same, with the run's details (nothing to write, a level list never confirmed).
    SettingsWriteResult WriteSettings(clsInstrument* model);

    // ---- the bound model ----
    // The model the decoder fills. Operations that take a model bind it and leave it bound
    // (ReadOne binds the one before again). Null unbinds: only replies that touch no model are
    // then accepted. A host binds its model before RunDensty, whose readings go into it.
    clsInstrument* Instrument() const { return instrument_; }
    void setInstrument(clsInstrument* model) { instrument_ = model; }
    // A model filled without the instrument (the defaults at start, a settings file) becomes the
    // bound one, and the link stands idle with it as after a finished read (Status Done): the
    // windows then show it and may write it.
    void AdoptLoadedModel(clsInstrument* model);

    // ---- sequencer (link/read_all.cpp) ----
    static constexpr int kCommandCount = 323;
    // The read table: 307 payloads at fixed indices, the others empty (skipped).
    static const std::array<std::string, kCommandCount>& CommandTable();
    // Read-all: clears the model, then reads every table entry in order; stops with false at the
    // first transaction that does not end Done (FailLine may then name the command). False for
    // a null model, with no traffic.
    bool GetInstrument(clsInstrument* model);
    // The identity read: table entries 0 to 4, the model not cleared.
    bool GetRomNo(clsInstrument* model);
    // One step of a write chain: nothing while `chain` is false; otherwise the payload is written
    // (AwaitWrite) and `itemFlag` := true on Done, else `chain` := false.
    void SendAndWait(bool& chain, std::string_view payload, bool& itemFlag);

    // ---- instrument operations (link/operations.cpp, link/calibration_ops.cpp) ----
    // Each sends one command and waits; true when the transaction ends Done.
    bool SetDateTime(double dateTime);  // an OLE date; "HC,W,YYMMDDhhnnss"
    bool SetCheckData();                // "XH,E,"
    bool SetPump(bool on);              // "BP,W,1" / "BP,W,0"
    bool Dw();                          // "DW,W,"
    bool LpR(clsInstrument* model);     // "LP,R," into the model (bound)
    bool Lp(clsInstrument* model);      // "LP,W," + the model's HcMode
    // "GJ,R," / "SA,R,"; on failure Status := Stopped and the channels get the blank gas record
    // (GetGasInfo) or AutoCalib -101 (GetAutoCalDensty).
    bool GetGasInfo(clsInstrument* model);
    bool GetAutoCalDensty(clsInstrument* model);
    // "SO,R," into the model (bound), progress texts raised as InterMessage.
    bool GetLatestHistory(clsInstrument* model);
    // The command, then its confirmation polled every 5 s until the instrument acknowledges it.
    // A poll that does not end Done, Cancel, or kConfirmPollLimit polls without the
    // acknowledgement end it with false.
    bool BodyDataClear();      // "XC,W," then "XC,C,"
    bool PowerDataClear();     // "XY,W," then "XY,C,"
    bool DefaultInstrument();  // "UX,W," then "UX,C," (polled as reads)
    // "RO,W,", the port closed, 5 s later opened again (Offline, Ready). Always true: the port is
    // reopened whatever the instrument said. PowerOffAcked() tells whether it acknowledged.
    bool BodyPowerOff();
    bool PowerOffAcked() const { return powerOffAcked_; }
    // "SZ,W," + channels, then "SZ,C," every second until the five results arrive (at most
    // kZeroPollLimit polls); ZeroStatus reads them.
    bool ZeroCal(const std::string& channels);
    bool SpanCal(const std::string& channels);  // "S2,W," + channels; SpanStatus reads the result
    bool zCal(const std::string& channels);     // "SN,W," + channels; true when a result came
    // True when the result holds five characters and channel's (0..4) is "0".
    bool ZeroStatus(int channel) const;
    bool SpanStatus(int channel) const;
    // The current-reading poll: "DN,R," every second while on. Turning it off waits for a poll in
    // flight.
    bool RunDensty() const { return denstyTimerId_ != 0; }
    void setRunDensty(bool on);

    static constexpr int kConfirmPollLimit = 120;  // 10 minutes of 5 s polls
    static constexpr int kZeroPollLimit = 600;     // 10 minutes of 1 s polls
    static constexpr Millis kConfirmPollPause{5000};
    static constexpr Millis kZeroPollPause{1000};
    static constexpr Millis kPowerOffPause{5000};
    static constexpr Millis kDenstyInterval{1000};

    // What the decoder left for the operations.
    bool ConfirmAcked() const { return confirmAcked_; }
    const std::string& ZeroCalResult() const { return zeroCalResult_; }
    const std::string& SpanCalResult() const { return spanCalResult_; }
    const std::string& O2CalResult() const { return o2CalResult_; }

    // ---- memory dumps (link/memory_dump.cpp) ----
    static constexpr std::int32_t kBinBlockLength = 512;
    static constexpr std::int32_t kImageSize = 524288;
    static constexpr std::int16_t kLastImageBlock = kImageSize / kBinBlockLength - 1;
    // The flash image, blocks sb..eb (0..1023) of 512 raw bytes each, written at their place in
    // the image file. The file is filled with 0xFF first when missing or when the whole range is
    // asked for; otherwise it is never truncated. False at the first block that fails or times
    // out (BinaryRetry then set); blocks already written stay.
    bool GetBinDump(const std::string& path, std::int16_t sb, std::int16_t eb);
    // The memory listing ("EF,R") into a text file, 16-line groups with an ASCII column.
    bool GetRomDump2(const std::string& fileName);
    // A listing that runs beyond this many lines is stopped (an answer that never ends).
    static constexpr std::int32_t kMaxDumpLines = 65536;
    // The listing line buffer the decoder fills.
    const std::array<std::string, kDumpGroupLines>& DumpLines() const { return dumpLines_; }
    const std::array<std::uint32_t, kDumpGroupLines>& DumpLineAddress() const {
        return dumpLineAddress_;
    }
    int DumpLineCount() const { return dumpLineCount_; }

  private:
    friend struct test::LinkTestAccess;

    // ---- DecoderHost ----
    void raiseDensty(std::array<float, 5>& readings) override;
    void setZeroCalResult(const std::string& result) override { zeroCalResult_ = result; }
    void setSpanCalResult(const std::string& result) override { spanCalResult_ = result; }
    void setConfirmAcked(bool acked) override { confirmAcked_ = acked; }
    void setO2CalResult(const std::string& result) override { o2CalResult_ = result; }
    void addDumpLine(const std::string& line, std::uint32_t address) override;
    double localDateTime() const override { return host_.localDateTime(); }

    // sequencer and operations
    // The wait pattern with the bound model's progress texts forwarded (InterMessage when
    // `history`, else InstMessage) and cleared.
    bool waitForReply(std::int32_t waitingStatus, std::string_view payload, bool history = false);
    bool ReadOne(std::string_view payload, clsInstrument* model);
    bool readTable(clsInstrument* model, int lastIndex);
    // Runs the event loop for `pause` of the host's clock; false when Cancel was set meanwhile.
    bool pauseFor(Millis pause);
    bool clearWithConfirm(std::string_view command, std::string_view confirm,
                          std::int32_t pollStatus);
    void onDenstyTick();

    // dumps
    bool getBinBlock(std::int16_t block, Millis started);
    void FlushDumpLines();
    void resetDumpLines();

    Port* activePort() const;
    bool socketActive() const { return !serialComm_ && socket_ != nullptr; }
    std::string now() const;
    void countFault();

    // link timer (vqif_timer.cpp)
    void onTick();
    void probeTick();
    // LinkMode := Probing; with ProbeAtOnce the first probe goes out now and the timer restarts
    // its period from it (the callers reset the counters they own).
    void startProbing();
    void replyTimeoutTick();

    // port events (vqif_events.cpp)
    void onSerialEvent(int code);
    void onSocketEvent(int code);
    void lineFault(int messageId, std::int32_t newStatus);
    void modemLinesChanged();

    // receive path (vqif.cpp)
    void onDataReceived(Port& port, bool socketPath);
    // Hands raw bytes to the dump sink; its answer ends the block.
    void writeDumpBytes(const std::string& bytes);
    void FrameScan();
    void handleLoneCr();
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
    clsInstrument* instrument_ = nullptr;
    EventHost::TimerId timerId_ = 0;
    EventHost::TimerId denstyTimerId_ = 0;

    bool serialComm_ = false;
    bool binaryRetry_ = false;
    bool cancel_ = false;
    bool probeAtOnce_ = false;
    std::int32_t linkMode_ = link_mode::Offline;
    bool trafficFlag_ = false;

    std::int32_t probeTicks_ = 0;
    std::int16_t pollCountdown_ = kPollTicks;
    std::int16_t faultCount_ = 0;
    std::string lastReply_;
    Transaction tx_;

    FrameScanner scanner_;

    DumpSink dump_;

    bool confirmAcked_ = false;
    std::string zeroCalResult_;
    std::string spanCalResult_;
    std::string o2CalResult_;
    bool powerOffAcked_ = false;

    std::array<std::string, kDumpGroupLines> dumpLines_{};
    std::array<std::uint32_t, kDumpGroupLines> dumpLineAddress_{};
    int dumpLineCount_ = 0;
    std::int32_t dumpLinesTotal_ = 0;
    DumpListing listing_;
};

}  // namespace vq
