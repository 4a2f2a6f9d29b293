#include "link/read_failure_text.h"

#include "messages/messages.h"
#include "model/setting_rules.h"
#include "model/settings_table.h"
#include "protocol/frame.h"

namespace vq {

namespace {

// The payload between STX "0001" and ETX or EOT.
std::string_view payloadOf(std::string_view frame) {
    if (frame.size() < 5 || frame[0] != STX) return {};
    std::string_view body = frame.substr(5);
    const std::size_t end = body.find_first_of(std::string_view("\x03\x04", 2));
    return end == std::string_view::npos ? body : body.substr(0, end);
}

std::string reason(const ReadFailure& failure, std::string_view request) {
    if (failure.cancelled) return ResMessage(msg::ReadCancelledReason);
    if (failure.lineDropped) return ResMessage(msg::ReadLineDroppedReason);
    const std::string_view reply = payloadOf(failure.lastReply);
    // An answer to this read carries its key ("WB,R").
    if (request.size() >= 4 && reply.substr(0, 4) == request.substr(0, 4)) {
        if (reply.size() > 5 && reply[5] == NAK) return ResMessage(msg::ReadRefusedReason);
        return ResMessage(msg::ReadUnreadableReason, {ShownText(reply)});
    }
    return ResMessage(msg::ReadNoAnswerReason, {std::to_string(failure.tries)});
}

}  // namespace

std::string ReadFailureText(const ReadFailure& failure) {
    const std::string_view request = payloadOf(failure.sentFrame);
    std::string what = "\"" + ShownText(request) + "\"";
    if (const Setting* setting = FindSetting(request.substr(0, 2)); setting != nullptr) {
        // A command carrying several settings is named by its first.
        what += " (" + ResMessage(setting->caption) + ")";
    }
    return ResMessage(msg::ReadSettingsFailed, {what, reason(failure, request)});
}

}  // namespace vq
