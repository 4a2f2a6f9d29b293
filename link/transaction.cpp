#include "link/transaction.h"

#include "link/frame_rules.h"
#include "link/link_status.h"
#include "protocol/frame.h"

namespace vq {

std::int16_t Transaction::timeoutSeconds() const {
    const int ticks = timeoutTicks_;
    return static_cast<std::int16_t>((ticks + (ticks >= 0 ? 5 : -5)) / 10);
}

bool Transaction::setTimeout(int seconds) {
    if (seconds > kTimeoutLimit || seconds < -kTimeoutLimit) return false;
    timeoutTicks_ = static_cast<std::int16_t>(seconds * 10);
    return true;
}

bool Transaction::takeRetry() {
    if (retryCount_ >= retry_) return false;
    ++retryCount_;
    return true;
}

bool Transaction::takeProbe() {
    if (retryCount_ >= retry_ && !(retry_ < 1 && retryCount_ == 0)) return false;
    ++retryCount_;
    return true;
}

void Transaction::sent(const std::string& frame, bool initFlag) {
    lastFrame_ = frame;
    if (!IsHandshakeFrame(frame)) answerBlocks_ = 0;
    replyCountdown_ = timeoutTicks_;
    if (initFlag) retryCount_ = 0;
}

// Only a transaction still waiting is repeated: with nothing outstanding, repeating the last
// frame would run a finished command a second time. The never-resent commands only count.
Transaction::Action Transaction::loneCr() {
    if (!link_status::IsAwaiting(status_)) return Action::None;
    if (!takeRetry()) {
        status_ = link_status::Failed;
        return Action::None;
    }
    return IsNeverResent(lastFrame_) ? Action::None : Action::ResendLast;
}

Transaction::Action Transaction::rejected() {
    if (!takeRetry()) {
        status_ = link_status::Failed;
        return Action::None;
    }
    if (status_ == link_status::AwaitRead || status_ == link_status::AwaitWrite) {
        return IsNeverResent(lastFrame_) ? Action::None : Action::ResendLast;
    }
    return Action::SendNak;
}

// The reply time-out falls due on the tick that takes the countdown to zero, so a reply is
// given exactly Timeout seconds. Without a resend the countdown stays at zero and every further
// tick counts one more retry.
Transaction::Action Transaction::tick() {
    if (replyCountdown_ > 0) {
        --replyCountdown_;
        if (replyCountdown_ > 0) return Action::None;
    }
    if (takeRetry()) {
        switch (status_) {
            case link_status::AwaitBlock:
                return !lastFrame_.empty() && lastFrame_.back() == EOT ? Action::ResendLast
                                                                       : Action::SendNak;
            case link_status::AwaitRead:
            case link_status::AwaitWrite:
                return IsNeverResent(lastFrame_) ? Action::None : Action::ResendLast;
            case link_status::BinaryReceive:
                return Action::BinaryTimedOut;
            default:
                return Action::None;
        }
    }
    switch (status_) {
        case link_status::Stopped:
        case link_status::Done:
            return Action::None;
        case link_status::Cancelled:
            status_ = link_status::Stopped;
            return Action::None;
        default:
            status_ = link_status::Failed;
            return Action::TimedOut;
    }
}

Transaction::Fit Transaction::fit(const std::string& frame, Millis now) {
    const bool block = frame.back() == ETB;
    // A late answer to an earlier request is logged and otherwise ignored: the transaction waits
    // on for its own answer, and no resend is provoked by a reply nobody asked for now.
    const bool awaitingReply =
        status_ == link_status::AwaitRead || status_ == link_status::AwaitWrite;
    if (awaitingReply && !block && !AnswersRequest(frame, lastFrame_)) return Fit::Ignored;
    if (!block) return Fit::Reply;
    // A block is acknowledged only while a transaction waits for it, and only within the
    // answer's limits: an acknowledgement asks for the next block.
    if (!link_status::IsAwaiting(status_)) return Fit::Ignored;
    if (answerBlocks_ == 0) answerStarted_ = now;
    if (answerBlocks_ >= kMaxAnswerBlocks || now - answerStarted_ > kAnswerDeadline) {
        status_ = link_status::Failed;
        return Fit::Overlong;
    }
    ++answerBlocks_;
    return Fit::Block;
}

}  // namespace vq
