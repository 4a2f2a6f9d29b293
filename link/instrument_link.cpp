// InstrumentLink, the front: construction, properties, sending and the wait. The link timer is in
// instrument_link_timer.cpp, the port events and the receive path in instrument_link_events.cpp.

#include "link/instrument_link.h"

#include <memory>
#include <string>

#include "link/control_chars.h"
#include "link/frame_rules.h"
#include "messages/messages.h"
#include "model/ole_date.h"
#include "protocol/decode_reply.h"
#include "protocol/frame.h"

namespace vq {

InstrumentLink::InstrumentLink(EventHost& host, LinkEvents& events, SerialPort* serial,
                               SocketPort* socket, std::string workDir)
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

InstrumentLink::~InstrumentLink() {
    setTimerEnabled(false);
    if (serial_) serial_->setEventSink({});
    if (socket_) socket_->setEventSink({});
}

// ---- properties ----

Port* InstrumentLink::activePort() const {
    if (socketActive()) return socket_;
    return serial_;
}

bool InstrumentLink::PortOpen() const {
    const Port* port = activePort();
    return port != nullptr && port->isOpen();
}

void InstrumentLink::setPortOpen(bool open) {
    Port* port = activePort();
    if (port == nullptr) return;
    if (open) {
        port->open();  // a failure shows in PortOpen()
    } else {
        port->close();
    }
}

void InstrumentLink::setTimerEnabled(bool enabled) {
    if (enabled == TimerEnabled()) return;
    if (enabled) {
        timerId_ = host_.startTimer(kTickInterval, [this] { onTick(); });
    } else {
        host_.stopTimer(timerId_);
        timerId_ = 0;
    }
}

std::string InstrumentLink::now() const {
    return GeneralDate(host_.localDateTime());
}

void InstrumentLink::countFault() {
    if (faultCount_ < INT16_MAX) ++faultCount_;
}

// ---- operations ----

void InstrumentLink::DataSend(const std::string& datas, bool initFlag) {
    scanner_.clear();
    if (Port* port = activePort()) port->write(datas);
    events_.StsTransmit();
    trafficFlag_ = false;
    tx_.sent(datas, initFlag);
    AddLog(ResMessage(msg::Sent, {RenderControlChars(datas)}));
}

void InstrumentLink::AddLog(const std::string& text) {
    if (logWriter_) {
        logWriter_(text);
    } else {
        log_.write(host_.localDateTime(), text);
    }
}

bool InstrumentLink::WaitFor(std::int32_t waitingStatus, std::string_view payload,
                             const std::function<void()>& eachTurn) {
    // Without the link timer nothing would ever time the reply out.
    if (!TimerEnabled()) {
        tx_.setStatus(link_status::Failed);
        return false;
    }
    tx_.setStatus(waitingStatus);
    DataSend(BuildFrame(payload, EOT), true);
    PumpWhile([&] {
        if (tx_.status() != waitingStatus) return false;
        if (eachTurn) eachTurn();
        return tx_.status() == waitingStatus;
    });
    return tx_.status() == link_status::Done;
}

void InstrumentLink::PumpWhile(const std::function<bool()>& keepWaiting) {
    while (keepWaiting()) host_.pumpOnce();
}

void InstrumentLink::AdoptLoadedModel(InstrumentModel* model) {
    instrument_ = model;
    tx_.setStatus(link_status::Done);
}

void InstrumentLink::connectByProbe() {
    linkMode_ = link_mode::Connected;
    events_.OnConnect();
}

// The power-off cycles the port the link owns, so it lives here rather than with the
// operations.
bool InstrumentLink::BodyPowerOff() {
    AddLog(ResMessage(msg::PowerOffStarted));
    // With no instrument connected there is nobody to ask; the port is still cycled.
    powerOffAcked_ = Connected() && WaitForReply(*this, link_status::AwaitWrite, "RO,W,");
    if (serial_ != nullptr && serial_->isOpen()) serial_->close();
    if (socket_ != nullptr) socket_->close();

    // The instrument needs the time to switch off before the port may be opened again; a host's
    // Cancel does not shorten it.
    probeTicks_ = 0;
    auto due = std::make_shared<bool>(false);
    host_.callLater(powerOffPause_, [due] { *due = true; });
    PumpWhile([&] { return !*due; });

    linkMode_ = link_mode::Offline;
    tx_.setStatus(link_status::Ready);
    if (!serialComm_ && socket_ != nullptr) socket_->open();
    // The port is back either way, so the operation succeeds; the log says whether the
    // instrument acknowledged the power-off.
    AddLog(ResMessage(powerOffAcked_ ? msg::PowerOffFinished : msg::PowerOffFailedLog));
    return true;
}

void InstrumentLink::raiseReadings(std::array<float, 5>& readings) {
    events_.NewReadings(readings);
}

}  // namespace vq
