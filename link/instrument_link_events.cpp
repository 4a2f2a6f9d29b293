// InstrumentLink's port events: the serial port's receive, modem-line and line-error events, the
// socket's receive, connect and error events, and the receive path that hands the bytes to the
// frame scanner (or, during a binary dump, to the dump sink) and acts on what the transaction
// makes of each frame.

#include <chrono>
#include <string>

#include "link/control_chars.h"
#include "link/frame_rules.h"
#include "link/instrument_link.h"
#include "messages/messages.h"
#include "protocol/decode_reply.h"
#include "protocol/frame.h"

namespace vq {

namespace {
// A line fault that ends a transaction: an operation still waiting has no reply and fails;
// otherwise the transaction is closed as before.
std::int32_t endedByFault(std::int32_t status) {
    return link_status::IsAwaiting(status) ? link_status::Failed : link_status::Done;
}
}  // namespace

void InstrumentLink::onSerialEvent(int code) {
    if (serial_ == nullptr || !serial_->isOpen()) return;
    switch (code) {
        case port_event::Receive:
            onDataReceived(*serial_, false);
            break;
        case port_event::Cts:
        case port_event::Dsr:
            modemLinesChanged();
            break;
        case port_event::Break:
            lineFault(msg::BreakFound, tx_.status());
            break;
        case port_event::Framing:
            lineFault(msg::FramingError, link_status::Failed);
            break;
        case port_event::Overrun:
            lineFault(msg::PortOverrun, link_status::Failed);
            break;
        case port_event::RxOverflow:
            lineFault(msg::ReceiveOverflow, link_status::Failed);
            break;
        case port_event::Parity:
            lineFault(msg::ParityError, link_status::Failed);
            break;
        case port_event::TxFull:
            // The probe is sent again anyway.
            if (linkMode_ != link_mode::Probing) {
                lineFault(msg::SendOverflow, endedByFault(tx_.status()));
            }
            break;
        case port_event::DeviceControl:
            lineFault(msg::DeviceControlError, endedByFault(tx_.status()));
            break;
        default:
            break;
    }
}

void InstrumentLink::lineFault(int messageId, std::int32_t newStatus) {
    countFault();
    AddLog(ResMessage(messageId, {now()}));
    tx_.setStatus(newStatus);
}

void InstrumentLink::modemLinesChanged() {
    const int lines = serial_->modemStatus();
    tx_.resetRetries();
    if (lines & (kModemCts | kModemDsr)) {
        startProbing();
        return;
    }
    linkMode_ = link_mode::Offline;
    tx_.setStatus(endedByFault(tx_.status()));
    events_.LineDropped();
}

void InstrumentLink::onSocketEvent(int code) {
    if (!socketActive()) return;
    switch (code) {
        case port_event::Receive:
            onDataReceived(*socket_, true);
            break;
        case port_event::LinkEstablished:
            if (linkMode_ == link_mode::Offline) {
                AddLog(ResMessage(msg::SocketConnected, {now()}));
                tx_.resetRetries();
                scanner_.clear();
                probeTicks_ = 0;
                startProbing();
            }
            break;
        case port_event::SocketError: {
            countFault();
            tx_.setStatus(link_status::Failed);
            const int error = socket_->lastError();
            AddLog(ResMessage(msg::SocketError, {now(), std::to_string(error)}));
            std::int16_t number = static_cast<std::int16_t>(error);
            events_.OnSocketError(number);
            break;
        }
        default:
            countFault();
            tx_.setStatus(link_status::Failed);
            AddLog(ResMessage(msg::OtherSocketEvent,
                              {now(), std::to_string(code), std::to_string(socket_->lastError())}));
            break;
    }
}

void InstrumentLink::onDataReceived(Port& port, bool socketPath) {
    events_.StsTransmit();
    trafficFlag_ = true;
    faultCount_ = 0;
    std::string bytes = port.readAll();
    const bool binary = tx_.status() == link_status::BinaryReceive;
    if (!binary) scanner_.append(bytes);
    if (cancel_) {
        tx_.setStatus(link_status::Cancelled);
        scanner_.clear();
    } else {
        if (binary) writeDumpBytes(bytes);
        FrameScan();
    }
    if (socketPath) events_.StsIdle();
}

void InstrumentLink::writeDumpBytes(const std::string& bytes) {
    switch (dump_.take(bytes)) {
        case DumpSink::Took::Failed:
            tx_.setStatus(link_status::Failed);
            break;
        case DumpSink::Took::BlockDone:
            tx_.setStatus(link_status::Done);
            break;
        case DumpSink::Took::More:
            break;
    }
}

// Hands every complete frame, and every CR outside a frame, to the transaction in order.
// Acting on one may send, which empties the buffer.
void InstrumentLink::FrameScan() {
    for (;;) {
        FrameScanner::Result next = scanner_.next();
        if (next.found == FrameScanner::Found::Frame) {
            handleFrame(std::move(next.frame));
        } else if (next.found == FrameScanner::Found::LoneCr) {
            const Transaction::Action action = tx_.loneCr();
            if (action == Transaction::Action::ResendLast && tx_.retryCount() > 1) {
                std::int16_t count = tx_.retryCount();
                events_.ConnectRetry(count);
            }
            carryOut(action);
        } else {
            return;
        }
    }
}

void InstrumentLink::handleFrame(std::string frame) {
    lastReply_ = frame;
    AddLog(ResMessage(msg::Received, {RenderControlChars(frame)}));
    const Transaction::Fit fit = tx_.fit(frame, host_.now());
    if (fit == Transaction::Fit::Ignored) return;
    if (fit == Transaction::Fit::Overlong) {
        endlessAnswer();
        return;
    }
    if (!AcceptReply(frame)) {
        carryOut(tx_.rejected());
    } else if (fit == Transaction::Fit::Block) {
        DataSend(HandshakeFrame(ACK, tx_.lastFrame()), true);
    } else {
        tx_.setStatus(link_status::Done);
    }
}

void InstrumentLink::endlessAnswer() {
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(tx_.answerAge(host_.now()));
    AddLog(ResMessage(msg::EndlessAnswer,
                      {std::to_string(tx_.answerBlocks()), std::to_string(seconds.count())}));
    scanner_.clear();  // the rest of the stream is not looked at
}

void InstrumentLink::carryOut(Transaction::Action action) {
    switch (action) {
        case Transaction::Action::ResendLast:
            if (resendCount_ < INT32_MAX) ++resendCount_;
            DataSend(tx_.lastFrame(), false);
            break;
        case Transaction::Action::SendNak:
            if (resendCount_ < INT32_MAX) ++resendCount_;
            DataSend(HandshakeFrame(NAK, tx_.lastFrame()), false);
            break;
        case Transaction::Action::BinaryTimedOut:
            AddLog(ResMessage(msg::TimeoutMark));
            dump_.setRetry(true);
            cancel_ = true;
            break;
        case Transaction::Action::TimedOut:
            trafficFlag_ = false;
            break;
        case Transaction::Action::None:
            break;
    }
}

bool InstrumentLink::AcceptReply(std::string& frame) {
    if (frame.size() >= kShortestReply && !ReplyChecksumValid(frame)) {
        AddLog(ResMessage(msg::ChecksumErrorLog));
        return false;
    }
    if (decoder_) return decoder_(frame);
    return replyDecoder_->DecodeReply(frame, instrument_, *this);
}

}  // namespace vq
