// InstrumentLink's 100 ms link timer: reopening, the connection probe, reply time-outs and resends,
// and the socket poll.

#include "link/instrument_link.h"
#include "messages/messages.h"
#include "protocol/frame.h"

namespace vq {

void InstrumentLink::onTick() {
    if (probeTicks_ < INT32_MAX) ++probeTicks_;
    if (Port* port = activePort()) port->tick();

    switch (linkMode_) {
        case link_mode::Reopening:
            if (Port* port = activePort(); port && !port->isOpen()) port->open();
            tx_.setStatus(link_status::Ready);
            linkMode_ = link_mode::Probing;
            probeTicks_ = 0;  // the first probe goes out on the next tick
            break;
        case link_mode::Probing:
            probeTick();
            break;
        case link_mode::Connected:
            replyTimeoutTick();
            break;
        default:
            // Offline: nothing answers, but an operation started now must still end.
            if (link_status::IsAwaiting(tx_.status())) replyTimeoutTick();
            break;
    }

    if (pollCountdown_ < 1) {
        if (socketActive()) socket_->poll();
        pollCountdown_ = kPollTicks;
    } else {
        --pollCountdown_;
    }
}

void InstrumentLink::startProbing() {
    linkMode_ = link_mode::Probing;
    if (!probeAtOnce_ || !TimerEnabled() || tx_.status() == link_status::AwaitRead) return;
    setTimerEnabled(false);
    setTimerEnabled(true);
    probeTick();
}

void InstrumentLink::probeTick() {
    if (tx_.status() != link_status::AwaitRead) {
        AddLog(ResMessage(msg::ConnectStarted));
        if (tx_.takeProbe()) {
            const std::int16_t count = tx_.retryCount();
            if (count > 1 && count % 5 == 0) {
                std::int16_t fifths = static_cast<std::int16_t>(count / 5);
                events_.ConnectRetry(fifths);
            }
            tx_.setStatus(link_status::AwaitRead);
            DataSend(BuildFrame("RC,R,", EOT), false);
        } else {
            tx_.setStatus(link_status::Ready);
            linkMode_ = link_mode::Offline;
            faultCount_ = 0;
            std::string text = ResMessage(msg::NoResponse);
            events_.AlarmMessage(text);
        }
        probeTicks_ = 0;
    } else if (probeTicks_ > kProbeTicksLimit) {
        // The probe went unanswered: the next tick sends the next one.
        tx_.setStatus(link_status::Ready);
        faultCount_ = 0;
        probeTicks_ = 0;
    }
}

void InstrumentLink::replyTimeoutTick() {
    carryOut(tx_.tick());
}

}  // namespace vq
