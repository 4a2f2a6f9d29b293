// Calibration steps (zero, span, oxygen) and the current-reading poll.

#include "app/messages.h"
#include "link/link_op_texts.h"
#include "link/vqif.h"
#include "model/ole_date.h"
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

bool uclVqif::ZeroCal(const std::string& channels) {
    // A result of an earlier run must not pass for this run's.
    zeroCalResult_.clear();
    if (!waitForReply(link_status::AwaitWrite, "SZ,W," + channels)) {
        AddLog(ResMessage(link_op_text::CalibrationFailed, {GeneralDate(host_.localDateTime())}));
        return false;
    }
    // The instrument answers SUB (no result yet) until the run has finished.
    // The polls are bounded so an instrument that never finishes cannot hold the program; every
    // way out without a result says so in the log.
    for (int poll = 0; poll < kZeroPollLimit; ++poll) {
        probeTicks_ = 0;
        if (!pauseFor(kZeroPollPause)) return false;
        const bool done = waitForReply(link_status::AwaitWrite, "SZ,C,");
        if (done && zeroCalResult_.size() == kResultLength) return true;
        if (!done && zeroCalResult_ != std::string(1, SUB)) break;
    }
    AddLog(ResMessage(link_op_text::CalibrationFailed, {GeneralDate(host_.localDateTime())}));
    return false;
}

bool uclVqif::SpanCal(const std::string& channels) {
    spanCalResult_.clear();
    if (waitForReply(link_status::AwaitWrite, "S2,W," + channels)) return true;
    AddLog(ResMessage(link_op_text::CalibrationFailed, {GeneralDate(host_.localDateTime())}));
    return false;
}

bool uclVqif::zCal(const std::string& channels) {
    o2CalResult_.clear();
    if (waitForReply(link_status::AwaitWrite, "SN,W," + channels) && !o2CalResult_.empty()) {
        return true;
    }
    AddLog(ResMessage(link_op_text::CalibrationFailed, {GeneralDate(host_.localDateTime())}));
    return false;
}

bool uclVqif::ZeroStatus(int channel) const {
    return channelPassed(zeroCalResult_, channel);
}

bool uclVqif::SpanStatus(int channel) const {
    return channelPassed(spanCalResult_, channel);
}

void uclVqif::setRunDensty(bool on) {
    if (on == RunDensty()) return;
    if (on) {
        denstyTimerId_ = host_.startTimer(kDenstyInterval, [this] { onDenstyTick(); });
        probeTicks_ = 0;
        return;
    }
    // A poll in flight is answered or timed out by the poll's own next tick.
    PumpWhile([this] { return tx_.status() == link_status::AwaitRead; });
    host_.stopTimer(denstyTimerId_);
    denstyTimerId_ = 0;
}

// Polls when nothing is outstanding; a poll still unanswered a second later is timed out here so
// the next tick polls again. A wait of another operation (a write, a block, a dump) is left
// alone. A status left over from a failed transaction counts as nothing outstanding, so the
// readings resume after an instrument that went silent answers again.
void uclVqif::onDenstyTick() {
    if (tx_.status() == link_status::AwaitRead) {
        AddLog(ResMessage(link_op_text::ReadingTimeout, {GeneralDate(host_.localDateTime())}));
        tx_.setStatus(link_status::Stopped);
        return;
    }
    if (link_status::IsAwaiting(tx_.status())) return;
    tx_.setStatus(link_status::AwaitRead);
    DataSend(BuildFrame("DN,R,", EOT), true);
}

}  // namespace vq
