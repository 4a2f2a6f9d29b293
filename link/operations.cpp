#include "link/operations.h"

#include <cstdio>
#include <string>

#include "link/link_status.h"
#include "messages/messages.h"
#include "model/instrument.h"
#include "model/ole_date.h"
#include "model/value_codecs.h"

namespace vq {

namespace {

// The gas record of a channel the instrument did not describe.
const std::string kBlankGasRecord(25, '*');

}  // namespace

bool LinkOperations::SetDateTime(double dateTime) {
    const auto parts = OleDateToParts(dateTime);
    if (!parts) return false;  // no date to send
    char digits[16];
    std::snprintf(digits, sizeof digits, "%02d%02d%02d%02d%02d%02d", parts->year % 100,
                  parts->month, parts->day, parts->hour, parts->minute, parts->second);
    link_.restartProbeCount();
    return WaitForReply(link_, link_status::AwaitWrite, std::string("HC,W,") + digits);
}

bool LinkOperations::SetCheckData() {
    link_.restartProbeCount();
    return WaitForReply(link_, link_status::AwaitWrite, "XH,E,");
}

bool LinkOperations::SetPump(bool on) {
    return WaitForReply(link_, link_status::AwaitWrite, on ? "BP,W,1" : "BP,W,0");
}

bool LinkOperations::EndSettingsWrite() {
    return WaitForReply(link_, link_status::AwaitWrite, "DW,W,");
}

bool LinkOperations::ReadHcMode(InstrumentModel* model) {
    if (model == nullptr) return false;
    link_.bind(model);
    return WaitForReply(link_, link_status::AwaitRead, "LP,R,");
}

bool LinkOperations::WriteHcMode(InstrumentModel* model) {
    if (model == nullptr) return false;
    link_.bind(model);
    return WaitForReply(link_, link_status::AwaitWrite, "LP,W," + std::to_string(model->HcMode()));
}

bool LinkOperations::GetGasInfo(InstrumentModel* model) {
    if (model == nullptr) return false;
    if (ReadOne(link_, "GJ,R,", model)) return true;
    link_.setStatus(link_status::Stopped);
    for (int ch = 0; ch < InstrumentModel::channelCount; ++ch) {
        DecodeGasRecord(kBlankGasRecord, *model, ch);
    }
    return false;
}

bool LinkOperations::GetAutoCalReadings(InstrumentModel* model) {
    if (model == nullptr) return false;
    if (ReadOne(link_, "SA,R,", model)) return true;
    link_.setStatus(link_status::Stopped);
    for (int ch = 0; ch < InstrumentModel::channelCount; ++ch)
        model->setAutoCalib(ch, levelNoValue);
    return false;
}

bool LinkOperations::GetLatestHistory(InstrumentModel* model) {
    if (model == nullptr) return false;
    link_.bind(model);
    if (WaitForReply(link_, link_status::AwaitRead, "SO,R,", true)) return true;
    link_.setStatus(link_status::Stopped);
    return false;
}

// The command, then its confirmation polled every confirmPollPause() until the instrument
// acknowledges it. The polls are bounded: an instrument that never finishes does not hold the
// program for ever.
bool LinkOperations::clearWithConfirm(std::string_view command, std::string_view confirm,
                                      std::int32_t pollStatus) {
    link_.setCancelled(false);
    if (!WaitForReply(link_, link_status::AwaitWrite, command)) return false;
    confirmAcked_ = false;
    if (pollProgress_) pollProgress_(0, kConfirmPollLimit, confirmPollPause_);
    for (int poll = 0; poll < kConfirmPollLimit; ++poll) {
        if (!PauseFor(link_, confirmPollPause_)) return false;
        if (!WaitForReply(link_, pollStatus, confirm)) return false;
        if (confirmAcked_) return true;
        if (pollProgress_) pollProgress_(poll + 1, kConfirmPollLimit, confirmPollPause_);
    }
    return false;
}

bool LinkOperations::BodyDataClear() {
    link_.log(ResMessage(msg::DataRemoveStarted));
    const bool success = clearWithConfirm("XC,W,", "XC,C,", link_status::AwaitWrite);
    link_.log(ResMessage(success ? msg::DataRemoveFinished : msg::DataRemoveFailed));
    return success;
}

bool LinkOperations::PowerDataClear() {
    link_.log(ResMessage(msg::DataRemoveStarted));
    const bool success = clearWithConfirm("XY,W,", "XY,C,", link_status::AwaitWrite);
    link_.log(ResMessage(success ? msg::DataRemoveFinished : msg::DataRemoveFailed));
    return success;
}

bool LinkOperations::DefaultInstrument() {
    const bool success = clearWithConfirm("UX,W,", "UX,C,", link_status::AwaitRead);
    link_.log(ResMessage(success ? msg::DefaultFinished : msg::DefaultFailed));
    return success;
}

}  // namespace vq
