// uclVqif's 100 ms link timer: reopening, the connection probe, reply time-outs and resends,
// and the socket poll.

#include "link/frame_rules.h"
#include "link/vqif.h"
#include "messages/messages.h"
#include "protocol/frame.h"

namespace vq {

void uclVqif::onTick() {
    if (probeTicks_ < INT32_MAX) ++probeTicks_;
    if (Port* port = activePort()) port->tick();

    switch (linkMode_) {
        case link_mode::Reopening:
            if (Port* port = activePort(); port && !port->isOpen()) port->open();
            status_ = link_status::Ready;
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
            if (link_status::IsAwaiting(status_)) replyTimeoutTick();
            break;
    }

    if (pollCountdown_ < 1) {
        if (socketActive()) socket_->poll();
        pollCountdown_ = kPollTicks;
    } else {
        --pollCountdown_;
    }
}

void uclVqif::startProbing() {
    linkMode_ = link_mode::Probing;
    if (!probeAtOnce_ || !TimerEnabled() || status_ == link_status::AwaitRead) return;
    setTimerEnabled(false);
    setTimerEnabled(true);
    probeTick();
}

void uclVqif::probeTick() {
    if (status_ != link_status::AwaitRead) {
        AddLog(ResMessage(msg::ConnectStarted));
        if (retryCount_ < retry_) {
            ++retryCount_;
            if (retryCount_ > 1 && retryCount_ % 5 == 0) {
                std::int16_t fifths = static_cast<std::int16_t>(retryCount_ / 5);
                events_.ConnectRetry(fifths);
            }
            status_ = link_status::AwaitRead;
            DataSend(BuildFrame("RC,R,", EOT), false);
        } else {
            status_ = link_status::Ready;
            linkMode_ = link_mode::Offline;
            faultCount_ = 0;
            std::string text = ResMessage(msg::NoResponse);
            events_.AlarmMessage(text);
        }
        probeTicks_ = 0;
    } else if (probeTicks_ > kProbeTicksLimit) {
        // The probe went unanswered: the next tick sends the next one.
        status_ = link_status::Ready;
        faultCount_ = 0;
        probeTicks_ = 0;
    }
}

// The reply time-out falls due on the tick that takes the countdown to zero, so a reply is
// given exactly Timeout seconds. Without a resend the countdown stays at zero and every further
// tick counts one more retry.
void uclVqif::replyTimeoutTick() {
    if (replyCountdown_ > 0) {
        --replyCountdown_;
        if (replyCountdown_ > 0) return;
    }
    if (retryCount_ < retry_) {
        ++retryCount_;
        switch (status_) {
            case link_status::AwaitBlock:
                if (!lastFrame_.empty() && lastFrame_.back() == EOT) {
                    DataSend(lastFrame_, false);
                } else {
                    DataSend(HandshakeFrame(NAK, lastFrame_), false);
                }
                break;
            case link_status::AwaitRead:
            case link_status::AwaitWrite:
                if (!IsNeverResent(lastFrame_)) DataSend(lastFrame_, false);
                break;
            case link_status::BinaryReceive:
                AddLog(ResMessage(msg::TimeoutMark));
                binaryRetry_ = true;
                cancel_ = true;
                break;
            default:
                break;
        }
        return;
    }
    switch (status_) {
        case link_status::Stopped:
        case link_status::Done:
            break;
        case link_status::Cancelled:
            status_ = link_status::Stopped;
            break;
        default:
            status_ = link_status::Failed;
            trafficFlag_ = false;
            break;
    }
}

}  // namespace vq
