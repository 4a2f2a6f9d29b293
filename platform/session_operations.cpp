#include "platform/session_operations.h"

#include "link/event_host.h"
#include "link/read_failure_text.h"
#include "link/vqif.h"

namespace vq {

void SessionOperations::tune(const LinkTuning& tuning) {
    link_->setSerialLogOn(tuning.serialLog);
    if (tuning.logFailure) link_->setLogFailureReport(tuning.logFailure);
    link_->setProbeAtOnce(tuning.probeAtOnce);
    link_->setRetry(static_cast<std::int16_t>(tuning.retry));
    link_->setTimeout(tuning.timeoutSeconds);
    if (tuning.pauses) {
        link_->operations().setConfirmPollPause(*tuning.pauses);
        link_->setPowerOffPause(*tuning.pauses);
    }
}

bool SessionOperations::portOpen() const {
    return link_->PortOpen();
}

bool SessionOperations::connected() const {
    return link_->Connected();
}

std::chrono::milliseconds SessionOperations::probeLimit() const {
    const auto probeRound = uclVqif::kTickInterval * (uclVqif::kProbeTicksLimit + 2);
    return probeRound * (link_->Retry() + 1) + std::chrono::seconds(link_->Timeout());
}

std::chrono::milliseconds SessionOperations::replyLimit() const {
    return std::chrono::seconds(link_->Timeout()) * (link_->Retry() + 1);
}

void SessionOperations::pumpWhile(const std::function<bool()>& keepWaiting) {
    link_->PumpWhile(keepWaiting);
}

std::chrono::milliseconds SessionOperations::now() const {
    return host_->now();
}

double SessionOperations::localDateTime() const {
    return host_->localDateTime();
}

const std::string& SessionOperations::lastReply() const {
    return link_->LastReply();
}

void SessionOperations::log(const std::string& text) {
    link_->AddLog(text);
}

bool SessionOperations::readAll(clsInstrument& model) {
    return link_->GetInstrument(&model);
}

std::string SessionOperations::readFailureText(bool lineDropped) const {
    return ReadFailureText(
        {link_->LastFrame(), link_->LastReply(), link_->Retry() + 1, lineDropped, link_->Cancel()});
}

bool SessionOperations::readHistory(clsInstrument& model) {
    return link_->GetLatestHistory(&model);
}

bool SessionOperations::readIdentity(clsInstrument& model) {
    return link_->GetRomNo(&model);
}

bool SessionOperations::readGases(clsInstrument& model) {
    return link_->operations().GetGasInfo(&model);
}

void SessionOperations::startReadings(clsInstrument& model) {
    link_->setInstrument(&model);
    link_->setRunDensty(true);
}

void SessionOperations::stopReadings() {
    link_->setRunDensty(false);
    link_->setInstrument(nullptr);
}

int SessionOperations::lastFlashBlock() {
    return MemoryDumps::kLastImageBlock;
}

bool SessionOperations::dumpFlash(const std::string& path, int firstBlock, int lastBlock) {
    return link_->GetBinDump(path, static_cast<std::int16_t>(firstBlock),
                             static_cast<std::int16_t>(lastBlock));
}

bool SessionOperations::dumpFram(const std::string& path) {
    return link_->GetRomDump2(path);
}

std::string SessionOperations::dumpFileError() const {
    return link_->DumpFileError();
}

}  // namespace vq
