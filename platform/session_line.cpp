#include "platform/session_line.h"

#include "link/event_host.h"
#include "link/link_status.h"
#include "link/vqif.h"

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
    link_->setConfirmPollProgress(std::move(progress));
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

void SessionLine::bindModel(clsInstrument& model) {
    link_->setInstrument(&model);
}

void SessionLine::adoptLoadedModel(clsInstrument& model) {
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

}  // namespace vq
