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

std::vector<std::string> WriteRunFailureLines(const SettingsWriteResult& result) {
    std::vector<std::string> lines;
    if (result.succeeded()) return lines;
    const auto same = [](const WriteFailure& a, const WriteFailure& b) {
        return a.kind == b.kind && a.code == b.code && a.sent == b.sent;
    };
    if (result.failure) lines.push_back(WriteFailureText(*result.failure));
    for (const WriteFailure& notHeld : result.notHeld) {
        if (result.failure && same(*result.failure, notHeld)) continue;
        lines.push_back(WriteFailureText(notHeld));
    }
    if (!result.unreadBack.empty()) {
        lines.push_back(ResMessage(msg::ReadBackFailedInfo, {"\"" + result.unreadBack + "\""}));
    }
    if (!result.unverified.empty()) {
        std::string codes;
        for (const std::string& code : result.unverified) {
            if (!codes.empty()) codes += ", ";
            codes += code;
        }
        lines.push_back(ResMessage(msg::AcknowledgedNotReadBackInfo, {codes}));
    }
    return lines;
}

}  // namespace vq
