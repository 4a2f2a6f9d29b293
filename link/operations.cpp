// The instrument operations besides calibration: clock, check data, pump, single reads, the
// clear and default commands with their confirmation polls, and the power-off.

#include <cstdio>
#include <memory>

#include "app/messages.h"
#include "link/link_op_texts.h"
#include "link/vqif.h"
#include "model/instrument.h"
#include "model/ole_date.h"
#include "model/value_codecs.h"

namespace vq {

namespace {

// The gas record of a channel the instrument did not describe.
const std::string kBlankGasRecord(25, '*');

}  // namespace

bool uclVqif::pauseFor(Millis pause) {
    // The flag outlives this wait: the call may come after a cancelled pause has returned.
    auto due = std::make_shared<bool>(false);
    host_.callLater(pause, [due] { *due = true; });
    PumpWhile([&] { return !*due && !cancel_; });
    return !cancel_;
}

bool uclVqif::SetDateTime(double dateTime) {
    const auto parts = OleDateToParts(dateTime);
    if (!parts) return false;  // no date to send
    char digits[16];
    std::snprintf(digits, sizeof digits, "%02d%02d%02d%02d%02d%02d", parts->year % 100,
                  parts->month, parts->day, parts->hour, parts->minute, parts->second);
    probeTicks_ = 0;
    return waitForReply(link_status::AwaitWrite, std::string("HC,W,") + digits);
}

bool uclVqif::SetCheckData() {
    probeTicks_ = 0;
    return waitForReply(link_status::AwaitWrite, "XH,E,");
}

bool uclVqif::SetPump(bool on) {
    return waitForReply(link_status::AwaitWrite, on ? "BP,W,1" : "BP,W,0");
}

bool uclVqif::Dw() {
    return waitForReply(link_status::AwaitWrite, "DW,W,");
}

bool uclVqif::LpR(clsInstrument* model) {
    if (model == nullptr) return false;
    instrument_ = model;
    return waitForReply(link_status::AwaitRead, "LP,R,");
}

bool uclVqif::Lp(clsInstrument* model) {
    if (model == nullptr) return false;
    instrument_ = model;
    return waitForReply(link_status::AwaitWrite, "LP,W," + std::to_string(model->HcMode()));
}

bool uclVqif::GetGasInfo(clsInstrument* model) {
    if (model == nullptr) return false;
    if (ReadOne("GJ,R,", model)) return true;
    tx_.setStatus(link_status::Stopped);
    for (int ch = 0; ch < clsInstrument::channelCount; ++ch) {
        DecodeGasRecord(kBlankGasRecord, *model, ch);
    }
    return false;
}

bool uclVqif::GetAutoCalDensty(clsInstrument* model) {
    if (model == nullptr) return false;
    if (ReadOne("SA,R,", model)) return true;
    tx_.setStatus(link_status::Stopped);
    for (int ch = 0; ch < clsInstrument::channelCount; ++ch) model->setAutoCalib(ch, levelNoValue);
    return false;
}

bool uclVqif::GetLatestHistory(clsInstrument* model) {
    if (model == nullptr) return false;
    instrument_ = model;
    if (waitForReply(link_status::AwaitRead, "SO,R,", true)) return true;
    tx_.setStatus(link_status::Stopped);
    return false;
}

// The command, then its confirmation polled every kConfirmPollPause until the instrument
// acknowledges it. The polls are bounded: an instrument that never finishes does not hold the
// program for ever.
bool uclVqif::clearWithConfirm(std::string_view command, std::string_view confirm,
                               std::int32_t pollStatus) {
    cancel_ = false;
    if (!waitForReply(link_status::AwaitWrite, command)) return false;
    confirmAcked_ = false;
    for (int poll = 0; poll < kConfirmPollLimit; ++poll) {
        if (!pauseFor(kConfirmPollPause)) return false;
        if (!waitForReply(pollStatus, confirm)) return false;
        if (confirmAcked_) return true;
    }
    return false;
}

bool uclVqif::BodyDataClear() {
    AddLog(ResMessage(link_op_text::DataRemoveStarted));
    const bool success = clearWithConfirm("XC,W,", "XC,C,", link_status::AwaitWrite);
    AddLog(ResMessage(success ? link_op_text::DataRemoveFinished : link_op_text::DataRemoveFailed));
    return success;
}

bool uclVqif::PowerDataClear() {
    AddLog(ResMessage(link_op_text::DataRemoveStarted));
    const bool success = clearWithConfirm("XY,W,", "XY,C,", link_status::AwaitWrite);
    AddLog(ResMessage(success ? link_op_text::DataRemoveFinished : link_op_text::DataRemoveFailed));
    return success;
}

bool uclVqif::DefaultInstrument() {
    const bool success = clearWithConfirm("UX,W,", "UX,C,", link_status::AwaitRead);
    AddLog(ResMessage(success ? link_op_text::DefaultFinished : link_op_text::DefaultFailed));
    return success;
}

bool uclVqif::BodyPowerOff() {
    AddLog(ResMessage(link_op_text::PowerOffStarted));
    // With no instrument connected there is nobody to ask; the port is still cycled.
    powerOffAcked_ = Connected() && waitForReply(link_status::AwaitWrite, "RO,W,");
    if (serial_ != nullptr && serial_->isOpen()) serial_->close();
    if (socket_ != nullptr) socket_->close();

    // The instrument needs the time to switch off before the port may be opened again; a host's
    // Cancel does not shorten it.
    probeTicks_ = 0;
    auto due = std::make_shared<bool>(false);
    host_.callLater(kPowerOffPause, [due] { *due = true; });
    PumpWhile([&] { return !*due; });

    linkMode_ = link_mode::Offline;
    tx_.setStatus(link_status::Ready);
    if (!serialComm_ && socket_ != nullptr) socket_->open();
    // The port is back either way, so the operation succeeds; the log says whether the
    // instrument acknowledged the power-off.
    AddLog(
        ResMessage(powerOffAcked_ ? link_op_text::PowerOffFinished : link_op_text::PowerOffFailed));
    return true;
}

}  // namespace vq
