#include "link/calibration_ops.h"

#include "link/link_status.h"
#include "messages/messages.h"
#include "protocol/frame.h"

namespace vq {

namespace {

constexpr std::size_t kResultLength = 5;  // one character per channel 0 to 4

bool channelPassed(const std::string& result, int channel) {
    if (result.size() != kResultLength || channel < 0 ||
        channel >= static_cast<int>(kResultLength)) {
        return false;
    }
    return result[static_cast<std::size_t>(channel)] == '0';
}

}  // namespace

CalibrationSteps::~CalibrationSteps() {
    if (readingsTimerId_ != 0) link_.host().stopTimer(readingsTimerId_);
}

void CalibrationSteps::logFailure() {
    link_.log(ResMessage(msg::CalibrationFailed, {NowText(link_)}));
}

bool CalibrationSteps::ZeroCal(const std::string& channels) {
    // A result of an earlier run must not pass for this run's.
    zeroResult_.clear();
    if (!WaitForReply(link_, link_status::AwaitWrite, "SZ,W," + channels)) {
        logFailure();
        return false;
    }
    // The instrument answers SUB (no result yet) until the run has finished.
    // The polls are bounded so an instrument that never finishes cannot hold the program; every
    // way out without a result says so in the log.
    for (int poll = 0; poll < kZeroPollLimit; ++poll) {
        link_.restartProbeCount();
        if (!PauseFor(link_, kZeroPollPause)) return false;
        const bool done = WaitForReply(link_, link_status::AwaitWrite, "SZ,C,");
        if (done && zeroResult_.size() == kResultLength) return true;
        if (!done && zeroResult_ != std::string(1, SUB)) break;
    }
    logFailure();
    return false;
}

bool CalibrationSteps::SpanCal(const std::string& channels) {
    spanResult_.clear();
    if (WaitForReply(link_, link_status::AwaitWrite, "S2,W," + channels)) return true;
    logFailure();
    return false;
}

bool CalibrationSteps::OxygenCal(const std::string& channels) {
    o2Result_.clear();
    if (WaitForReply(link_, link_status::AwaitWrite, "SN,W," + channels) && !o2Result_.empty()) {
        return true;
    }
    logFailure();
    return false;
}

bool CalibrationSteps::ZeroStatus(int channel) const {
    return channelPassed(zeroResult_, channel);
}

bool CalibrationSteps::SpanStatus(int channel) const {
    return channelPassed(spanResult_, channel);
}

void CalibrationSteps::setRunReadings(bool on) {
    if (on == RunReadings()) return;
    if (on) {
        readingsTimerId_ = link_.host().startTimer(kReadingsInterval, [this] { onReadingsTick(); });
        link_.restartProbeCount();
        return;
    }
    // A poll in flight is answered or timed out by the poll's own next tick.
    link_.pumpWhile([this] { return link_.status() == link_status::AwaitRead; });
    link_.host().stopTimer(readingsTimerId_);
    readingsTimerId_ = 0;
}

// Polls when nothing is outstanding; a poll still unanswered a second later is timed out here so
// the next tick polls again. A wait of another operation (a write, a block, a dump) is left
// alone. A status left over from a failed transaction counts as nothing outstanding, so the
// readings resume after an instrument that went silent answers again.
void CalibrationSteps::onReadingsTick() {
    if (link_.status() == link_status::AwaitRead) {
        link_.log(ResMessage(msg::ReadingTimeout, {NowText(link_)}));
        link_.setStatus(link_status::Stopped);
        return;
    }
    if (link_status::IsAwaiting(link_.status())) return;
    link_.setStatus(link_status::AwaitRead);
    link_.sendCommand(BuildFrame("DN,R,", EOT));
}

}  // namespace vq
