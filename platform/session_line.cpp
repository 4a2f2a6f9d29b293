#include "platform/session_line.h"

#include "link/event_host.h"
#include "link/instrument_link.h"
#include "link/link_status.h"

namespace vq {

bool SessionLine::instrumentConnected() const {
    return link_->Connected();
}

bool SessionLine::lastCommandUnanswered() const {
    return link_->Status() == link_status::Failed && !link_->TrafficFlag() && !link_->Cancel();
}

bool SessionLine::instrumentAnswered() const {
    return link_->TrafficFlag();
}

const std::string& SessionLine::lastFrame() const {
    return link_->LastFrame();
}

bool SessionLine::serialInUse() const {
    return link_->SerialComm();
}

bool SessionLine::cancelRequested() const {
    return link_->Cancel();
}

void SessionLine::requestCancel() {
    link_->setCancel(true);
}

void SessionLine::setRetries(std::int16_t retry, int timeoutSeconds) {
    link_->setRetry(retry);
    link_->setTimeout(timeoutSeconds);
}

void SessionLine::startOnSocket() {
    link_->setSerialComm(false);
}

void SessionLine::setSerialLog(bool on, std::function<void(const std::string& reason)> report) {
    link_->setSerialLogOn(on);
    link_->setLogFailureReport(std::move(report));
}

void SessionLine::onConfirmPoll(std::function<void(int polls, int limit, Millis pause)> progress) {
    link_->operations().setPollProgress(std::move(progress));
}

void SessionLine::closePort() {
    link_->setPortOpen(false);
}

void SessionLine::stop() {
    link_->setTimerEnabled(false);
    link_->setPortOpen(false);
}

void SessionLine::stopTimer() {
    link_->setTimerEnabled(false);
}

void SessionLine::bindModel(InstrumentModel& model) {
    link_->setInstrument(&model);
}

void SessionLine::adoptLoadedModel(InstrumentModel& model) {
    link_->AdoptLoadedModel(&model);
}

void SessionLine::log(const std::string& text) {
    link_->AddLog(text);
}

SessionLine::Millis SessionLine::now() const {
    return host_->now();
}

double SessionLine::localDateTime() const {
    return host_->localDateTime();
}

void SessionLine::tune(const LinkTuning& tuning) {
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

bool SessionLine::portOpen() const {
    return link_->PortOpen();
}

SessionLine::Millis SessionLine::probeLimit() const {
    const auto probeRound = InstrumentLink::kTickInterval * (InstrumentLink::kProbeTicksLimit + 2);
    return probeRound * (link_->Retry() + 1) + std::chrono::seconds(link_->Timeout());
}

SessionLine::Millis SessionLine::replyLimit() const {
    return std::chrono::seconds(link_->Timeout()) * (link_->Retry() + 1);
}

void SessionLine::pumpWhile(const std::function<bool()>& keepWaiting) {
    link_->PumpWhile(keepWaiting);
}

const std::string& SessionLine::lastReply() const {
    return link_->LastReply();
}

}  // namespace vq
