#include "link/write_failure_text.h"

#include "messages/messages.h"

namespace vq {

namespace {

// Runs of the padding spaces the fixed-width fields carry say nothing to a reader.
std::string compact(const std::string& values) {
    std::string out;
    for (char c : values) {
        if (c == ' ' && (out.empty() || out.back() == ' ' || out.back() == ',')) continue;
        if (c == ',' && !out.empty() && out.back() == ' ') out.pop_back();
        out += c;
    }
    while (!out.empty() && (out.back() == ' ' || out.back() == ',')) out.pop_back();
    return out;
}

}  // namespace

std::string WriteFailureText(const WriteFailure& failure) {
    const std::string setting = "\"" + failure.code + "\"";
    const std::string sent = compact(failure.sent);
    switch (failure.kind) {
        case WriteFailure::Kind::Differs:
            return ResMessage(msg::WriteDiffersInfo, {setting, sent, compact(failure.answered)});
        case WriteFailure::Kind::Refused:
            return ResMessage(msg::WriteRefusedInfo, {setting, sent});
        case WriteFailure::Kind::NoAnswer:
            return ResMessage(msg::WriteNoAnswerInfo, {setting, sent});
        case WriteFailure::Kind::Unsafe:
            return ResMessage(msg::WriteUnsafeInfo, {setting, sent});
    }
    return {};
}

}  // namespace vq
