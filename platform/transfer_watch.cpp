#include "platform/transfer_watch.h"

#include "link/instrument_link.h"

namespace vq {

TransferWatch::TransferWatch(InstrumentLink* link)
    : link_(link), resendsAtStart_(link != nullptr ? link->ResendCount() : 0) {}

std::int32_t TransferWatch::resendsSinceStart() const {
    return link_ != nullptr ? link_->ResendCount() - resendsAtStart_ : 0;
}

void TransferWatch::stop(const std::string& logLine) {
    if (link_ == nullptr) return;
    link_->setCancel(true);
    link_->AddLog(logLine);
}

}  // namespace vq
