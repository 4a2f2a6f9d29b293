#pragma once
// The transaction in flight: its status, the frame that resends repeat, the retries left, the
// reply countdown and the limits of a multi-block answer. It decides; the link sends what it
// decides, so nothing here touches a port, the log or the events.

#include <chrono>
#include <cstdint>
#include <string>

namespace vq {

class Transaction {
  public:
    using Millis = std::chrono::milliseconds;

    // Timeout is held in ticks in 16 bits: seconds beyond this overflow.
    static constexpr int kTimeoutLimit = 3276;
    // A multi-block answer (ETB blocks until an EOT block) ends within these or fails: each
    // block's acknowledgement starts a fresh reply time-out, so an instrument that never sends
    // the last block would otherwise hold the transaction for ever. The largest real answer,
    // the memory listing, is 64 blocks and takes seconds.
    static constexpr std::int32_t kMaxAnswerBlocks = 4096;
    static constexpr Millis kAnswerDeadline{10 * 60 * 1000};

    // What the link sends next.
    enum class Action {
        None,
        ResendLast,      // the last frame again
        SendNak,         // a negative acknowledgement of the last frame
        BinaryTimedOut,  // a dump block stopped coming: the dump is cancelled for a retry
        TimedOut,        // no retries left: the transaction failed
    };
    // Where a received frame stands in this transaction.
    enum class Fit {
        Ignored,   // logged only: a late answer, or a block nobody waits for
        Reply,     // the last frame of an answer
        Block,     // a block to acknowledge
        Overlong,  // a block beyond the answer's limits: the transaction failed
    };

    std::int32_t status() const { return status_; }
    void setStatus(std::int32_t status) { status_ = status; }
    std::int16_t retry() const { return retry_; }
    void setRetry(std::int16_t retry) { retry_ = retry; }
    // Seconds, rounded from the ticks held.
    std::int16_t timeoutSeconds() const;
    // Stores seconds × 10 ticks; false (and nothing stored) when |seconds| > kTimeoutLimit.
    bool setTimeout(int seconds);
    std::int16_t timeoutTicks() const { return timeoutTicks_; }

    std::int16_t retryCount() const { return retryCount_; }
    void resetRetries() { retryCount_ = 0; }
    // One more retry if any is left.
    bool takeRetry();
    // One more connection probe if any is left: Retry probes, and one even with Retry 0 (one
    // try, no resend), so that a link set to no resends still asks once and waits.
    bool takeProbe();
    std::int16_t replyCountdown() const { return replyCountdown_; }
    const std::string& lastFrame() const { return lastFrame_; }

    // A frame went out: it is what resends repeat, and the reply countdown starts again. A new
    // command (not a handshake) starts a new answer; `initFlag` a new count of retries.
    void sent(const std::string& frame, bool initFlag);

    // The instrument asked for the last frame again (a CR outside a frame).
    Action loneCr();
    // A frame of this transaction that the checksum or the decoder refused.
    Action rejected();
    // One link-timer tick while connected (or while an operation waits offline).
    Action tick();
    // Classifies a received frame, counting it when it is a block within the answer's limits.
    Fit fit(const std::string& frame, Millis now);
    // The blocks of the answer so far and how long it has run, for the log of an Overlong one.
    std::int32_t answerBlocks() const { return answerBlocks_; }
    Millis answerAge(Millis now) const { return now - answerStarted_; }

  private:
    std::int32_t status_ = 0;  // link_status::Ready
    std::int16_t retry_ = 0;
    std::int16_t timeoutTicks_ = 0;
    std::int16_t retryCount_ = 0;
    std::int16_t replyCountdown_ = 0;
    std::string lastFrame_;
    // Blocks of the answer to the last command sent (handshakes do not start a new answer),
    // and when its first block came.
    std::int32_t answerBlocks_ = 0;
    Millis answerStarted_{0};
};

}  // namespace vq
