#include "link/operation_link.h"

#include <memory>

#include "link/link_status.h"
#include "model/instrument.h"
#include "model/ole_date.h"

namespace vq {

namespace {

void forwardProgress(OperationLink& link, bool history) {
    InstrumentModel* const model = link.boundModel();
    if (model == nullptr || model->MessageString().empty()) return;
    std::string text = model->MessageString();
    model->setMessageString({});
    if (history) {
        link.events().InterMessage(text);
    } else {
        link.events().InstMessage(text);
    }
}

}  // namespace

bool WaitForReply(OperationLink& link, std::int32_t waitingStatus, std::string_view payload,
                  bool history) {
    return link.waitFor(waitingStatus, payload,
                        [&link, history] { forwardProgress(link, history); });
}

bool WaitForReplyOrCancel(OperationLink& link, std::int32_t waitingStatus,
                          std::string_view payload) {
    return link.waitFor(waitingStatus, payload, [&link] {
        forwardProgress(link, false);
        if (link.cancelled()) link.setStatus(link_status::Cancelled);
    });
}

bool ReadOne(OperationLink& link, std::string_view payload, InstrumentModel* model) {
    InstrumentModel* const bound = link.boundModel();
    link.setCancelled(false);
    link.bind(model);
    model->setFailLine({});
    const bool done = WaitForReply(link, link_status::AwaitRead, payload);
    link.bind(bound);
    return done;
}

bool PauseFor(OperationLink& link, OperationLink::Millis pause) {
    // The flag outlives this wait: the call may come after a cancelled pause has returned.
    auto due = std::make_shared<bool>(false);
    link.host().callLater(pause, [due] { *due = true; });
    link.pumpWhile([&] { return !*due && !link.cancelled(); });
    return !link.cancelled();
}

std::string NowText(OperationLink& link) {
    return GeneralDate(link.host().localDateTime());
}

}  // namespace vq
