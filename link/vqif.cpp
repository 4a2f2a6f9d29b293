// uclVqif: construction, properties, sending, the wait, and the receive path with its frame
// scan. The link timer is in vqif_timer.cpp, the port event tables in vqif_events.cpp.

#include "link/vqif.h"

#include <algorithm>
#include <chrono>
#include <string>

#include "app/messages.h"
#include "link/control_chars.h"
#include "link/frame_rules.h"
#include "link/link_texts.h"
#include "model/ole_date.h"
#include "protocol/decode_reply.h"
#include "protocol/frame.h"

namespace vq {

namespace {
// STX "0001" key "," ETX checksum terminator is 14 characters: a reply needs one more.
constexpr std::size_t kShortestReply = 15;
}  // namespace

uclVqif::uclVqif(EventHost& host, LinkEvents& events, SerialPort* serial, SocketPort* socket,
                 std::string workDir)
    : host_(host),
      events_(events),
      serial_(serial),
      socket_(socket),
      log_(std::move(workDir)),
      replyDecoder_(std::make_unique<ReplyDecoder>()) {
    if (serial_) {
        serial_->setEventSink([this](int code) { onSerialEvent(code); });
        // The port keeps the line settings it was made with; the host sets them.
        serial_->setHandshaking(0);
        serial_->setDtr(false);
        serial_->setRts(false);
    }
    if (socket_) socket_->setEventSink([this](int code) { onSocketEvent(code); });
    setTimerEnabled(true);
}

uclVqif::~uclVqif() {
    if (denstyTimerId_ != 0) host_.stopTimer(denstyTimerId_);
    setTimerEnabled(false);
    if (serial_) serial_->setEventSink({});
    if (socket_) socket_->setEventSink({});
}

// ---- properties ----

std::int16_t uclVqif::Timeout() const {
    const int ticks = timeoutTicks_;
    return static_cast<std::int16_t>((ticks + (ticks >= 0 ? 5 : -5)) / 10);
}

bool uclVqif::setTimeout(int seconds) {
    if (seconds > kTimeoutLimit || seconds < -kTimeoutLimit) return false;
    timeoutTicks_ = static_cast<std::int16_t>(seconds * 10);
    return true;
}

Port* uclVqif::activePort() const {
    if (socketActive()) return socket_;
    return serial_;
}

bool uclVqif::PortOpen() const {
    const Port* port = activePort();
    return port != nullptr && port->isOpen();
}

void uclVqif::setPortOpen(bool open) {
    Port* port = activePort();
    if (port == nullptr) return;
    if (open) {
        port->open();  // a failure shows in PortOpen()
    } else {
        port->close();
    }
}

void uclVqif::setTimerEnabled(bool enabled) {
    if (enabled == TimerEnabled()) return;
    if (enabled) {
        timerId_ = host_.startTimer(kTickInterval, [this] { onTick(); });
    } else {
        host_.stopTimer(timerId_);
        timerId_ = 0;
    }
}

std::string uclVqif::Settings() const {
    if (socketActive() || serial_ == nullptr) return {};
    return serial_->settings();
}

void uclVqif::setSettings(const std::string& settings) {
    if (!socketActive() && serial_) serial_->setSettings(settings);
}

void uclVqif::setDTREnable(bool on) {
    if (!socketActive() && serial_) serial_->setDtr(on);
}

void uclVqif::setRTSEnable(bool on) {
    if (!socketActive() && serial_) serial_->setRts(on);
}

void uclVqif::setHandshaking(int mode) {
    if (!socketActive() && serial_) serial_->setHandshaking(mode);
}

std::string uclVqif::now() const {
    return GeneralDate(host_.localDateTime());
}

void uclVqif::countFault() {
    if (faultCount_ < INT16_MAX) ++faultCount_;
}

// ---- operations ----

void uclVqif::DataSend(const std::string& datas, bool initFlag) {
    scanner_.clear();
    if (Port* port = activePort()) port->write(datas);
    events_.StsTransmit();
    trafficFlag_ = false;
    lastFrame_ = datas;
    if (!IsHandshakeFrame(datas)) answerBlocks_ = 0;
    replyCountdown_ = timeoutTicks_;
    if (initFlag) retryCount_ = 0;
    AddLog(ResMessage(link_text::Sent, {RenderControlChars(lastFrame_)}));
}

bool uclVqif::DisConnect() {
    probeTicks_ = 0;
    status_ = link_status::Stopped;
    return false;
}

void uclVqif::AddLog(const std::string& text) {
    if (logWriter_) {
        logWriter_(text);
    } else {
        log_.write(host_.localDateTime(), text);
    }
}

bool uclVqif::WaitFor(std::int32_t waitingStatus, std::string_view payload,
                      const std::function<void()>& eachTurn) {
    // Without the link timer nothing would ever time the reply out.
    if (!TimerEnabled()) {
        status_ = link_status::Failed;
        return false;
    }
    status_ = waitingStatus;
    DataSend(BuildFrame(payload, EOT), true);
    PumpWhile([&] {
        if (status_ != waitingStatus) return false;
        if (eachTurn) eachTurn();
        return status_ == waitingStatus;
    });
    return status_ == link_status::Done;
}

void uclVqif::PumpWhile(const std::function<bool()>& keepWaiting) {
    while (keepWaiting()) host_.pumpOnce();
}

void uclVqif::AdoptLoadedModel(clsInstrument* model) {
    instrument_ = model;
    status_ = link_status::Done;
}

void uclVqif::connectByProbe() {
    linkMode_ = link_mode::Connected;
    events_.OnConnect();
}

// ---- receive path ----

void uclVqif::onDataReceived(Port& port, bool socketPath) {
    events_.StsTransmit();
    trafficFlag_ = true;
    faultCount_ = 0;
    std::string bytes = port.readAll();
    const bool binary = status_ == link_status::BinaryReceive;
    if (!binary) scanner_.append(bytes);
    if (cancel_) {
        status_ = link_status::Cancelled;
        scanner_.clear();
    } else {
        if (binary) writeDumpBytes(bytes);
        FrameScan();
    }
    if (socketPath) events_.StsIdle();
}

void uclVqif::writeDumpBytes(const std::string& bytes) {
    switch (dump_.take(bytes)) {
        case DumpSink::Took::Failed:
            status_ = link_status::Failed;
            break;
        case DumpSink::Took::BlockDone:
            status_ = link_status::Done;
            break;
        case DumpSink::Took::More:
            break;
    }
}

// Hands every complete frame, and every CR outside a frame, to the transaction in order.
// Handling one may send, which empties the buffer.
void uclVqif::FrameScan() {
    for (;;) {
        FrameScanner::Result next = scanner_.next();
        if (next.found == FrameScanner::Found::Frame) {
            handleFrame(std::move(next.frame));
        } else if (next.found == FrameScanner::Found::LoneCr) {
            handleLoneCr();
        } else {
            return;
        }
    }
}

// Only a transaction still waiting is repeated: with nothing outstanding, repeating the last
// frame would run a finished command a second time. The never-resent commands only count.
void uclVqif::handleLoneCr() {
    if (!link_status::IsAwaiting(status_)) return;
    if (retryCount_ < retry_) {
        ++retryCount_;
        if (!IsNeverResent(lastFrame_)) {
            if (retryCount_ > 1) {
                std::int16_t count = retryCount_;
                events_.ConnectRetry(count);
            }
            DataSend(lastFrame_, false);
        }
    } else {
        status_ = link_status::Failed;
    }
}

void uclVqif::handleFrame(std::string frame) {
    lastReply_ = frame;
    AddLog(ResMessage(link_text::Received, {RenderControlChars(frame)}));
    const bool block = frame.back() == ETB;
    // A late answer to an earlier request is logged and otherwise ignored: the transaction waits
    // on for its own answer, and no resend is provoked by a reply nobody asked for now.
    const bool awaitingReply =
        status_ == link_status::AwaitRead || status_ == link_status::AwaitWrite;
    if (awaitingReply && !block && !AnswersRequest(frame, lastFrame_)) return;
    // A block is acknowledged only while a transaction waits for it, and only within the
    // answer's limits: an acknowledgement asks for the next block.
    if (block && (!link_status::IsAwaiting(status_) || !answerBlockAllowed())) return;
    if (!AcceptReply(frame)) {
        rejectFrame();
    } else if (block) {
        DataSend(HandshakeFrame(ACK, lastFrame_), true);
    } else {
        status_ = link_status::Done;
    }
}

bool uclVqif::answerBlockAllowed() {
    const Millis now = host_.now();
    if (answerBlocks_ == 0) answerStarted_ = now;
    const bool tooMany = answerBlocks_ >= kMaxAnswerBlocks;
    const bool tooLong = now - answerStarted_ > kAnswerDeadline;
    if (!tooMany && !tooLong) {
        ++answerBlocks_;
        return true;
    }
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(now - answerStarted_);
    AddLog(ResMessage(link_text::EndlessAnswer,
                      {std::to_string(answerBlocks_), std::to_string(seconds.count())}));
    status_ = link_status::Failed;
    scanner_.clear();  // the rest of the stream is not looked at
    return false;
}

void uclVqif::rejectFrame() {
    if (retryCount_ >= retry_) {
        status_ = link_status::Failed;
        return;
    }
    ++retryCount_;
    if (status_ == link_status::AwaitRead || status_ == link_status::AwaitWrite) {
        if (!IsNeverResent(lastFrame_)) DataSend(lastFrame_, false);
    } else {
        DataSend(HandshakeFrame(NAK, lastFrame_), false);
    }
}

bool uclVqif::AcceptReply(std::string& frame) {
    if (frame.size() >= kShortestReply && !ReplyChecksumValid(frame)) {
        AddLog(ResMessage(link_text::ChecksumError));
        return false;
    }
    if (decoder_) return decoder_(frame);
    return replyDecoder_->DecodeReply(frame, instrument_, *this);
}

void uclVqif::raiseDensty(std::array<float, 5>& readings) {
    events_.Densty(readings);
}

}  // namespace vq
