// Replies to writes, confirmations and executions whose payload is an acknowledgement or a
// calibration result, and the keys that are accepted without looking at the payload.

#include <string>

#include "protocol/decoder_log.h"
#include "protocol/frame.h"
#include "protocol/reply_rules.h"
#include "protocol/reply_values.h"

namespace vq {

namespace {

constexpr size_t kResultLength = 5;  // one status character per gas 0 to 4

void acceptRule(ReplyContext& reply, int) {
    reply.accepted = true;
}

// Writes whose reply carries nothing to compare: any answer is taken, except a NAK, which is the
// instrument refusing the write and must never pass as success.
void writeAcceptRule(ReplyContext& reply, int) {
    if (reply.AckChar == NAK) {
        reply.host.AddLog(DecoderLogText(DecoderLog::ResponseError));
        return;
    }
    reply.accepted = true;
}

// The instrument acknowledges the command with ACK as the first payload character.
void ackRule(ReplyContext& reply, int) {
    if (reply.AckChar != ACK) {
        reply.host.AddLog(DecoderLogText(DecoderLog::ResponseError));
        return;
    }
    reply.accepted = true;
}

// A confirmation poll: the reply always ends the transaction; the operation reads whether the
// instrument has finished from ConfirmAcked.
void confirmRule(ReplyContext& reply, int) {
    reply.accepted = true;
    reply.host.setConfirmAcked(reply.AckChar == ACK);
}

// "SZ,R", "S1,R": four tokens, nothing stored.
void fourTokensRule(ReplyContext& reply, int) {
    if (reply.tokenCount() != 4) {
        reply.host.AddLog(DecoderLogText(DecoderLog::FormatError));
        return;
    }
    reply.accepted = true;
}

// "SZ,C": five status characters when the zero run has finished; SUB while it still runs.
void zeroConfirmRule(ReplyContext& reply, int) {
    std::string_view result = TrimSpaces(reply.token(0));
    if (result.size() == kResultLength) {
        reply.host.setZeroCalResult(std::string(result));
        reply.accepted = true;
    } else if (reply.AckChar == SUB) {
        reply.host.setZeroCalResult({});
        reply.accepted = true;
    } else {
        reply.host.AddLog(DecoderLogText(DecoderLog::ResponseError));
    }
}

// "S1,W", "S2,W", "S2,C".
void spanResultRule(ReplyContext& reply, int) {
    reply.accepted = true;
    std::string_view result = TrimSpaces(reply.token(0));
    reply.host.setSpanCalResult(result.size() == kResultLength ? std::string(result)
                                                               : std::string());
}

// "SN,W": NAK refuses the oxygen calibration; anything else carries its result.
void oxygenCalRule(ReplyContext& reply, int) {
    if (reply.AckChar == NAK) {
        reply.host.setO2CalResult({});
        return;
    }
    reply.host.setO2CalResult(std::string(reply.token(0)));
    reply.accepted = true;
}

// "HC,W": the instrument echoes the clock frame it was sent, byte for byte.
void clockWriteRule(ReplyContext& reply, int) {
    if (reply.commaFrame != reply.host.LastFrame()) {
        reply.host.AddLog(DecoderLogText(DecoderLog::ResponseError));
        return;
    }
    reply.accepted = true;
}

// "UZ,W": the four zero flags.
void zeroFlagsWriteRule(ReplyContext& reply, int) {
    if (reply.token(0).size() != 4) {
        reply.host.AddLog(DecoderLogText(DecoderLog::ResponseError));
        return;
    }
    reply.accepted = true;
}

constexpr std::string_view kAckKeys[] = {"XC,W", "XY,W", "RO,W", "UX,W", "UD,W",
                                         "UP,W", "DW,W", "XH,E", "SZ,W"};
constexpr std::string_view kConfirmKeys[] = {"XC,C", "XY,C", "UX,C"};
constexpr std::string_view kSpanKeys[] = {"S1,W", "S2,W", "S2,C"};
constexpr std::string_view kAcceptKeys[] = {"UG,R", "BP,R"};
constexpr std::string_view kWriteAcceptKeys[] = {"LS,W", "UG,W", "BP,W"};
// "YA,R" to "YV,R": recognised and accepted, nothing in the program uses them.
constexpr std::string_view kYKeys[] = {
    "YA,R", "YB,R", "YC,R", "YD,R", "YE,R", "YF,R", "YG,R", "YH,R", "YI,R", "YJ,R", "YK,R",
    "YL,R", "YM,R", "YN,R", "YO,R", "YP,R", "YQ,R", "YR,R", "YS,R", "YT,R", "YU,R", "YV,R"};

}  // namespace

void addOperationRules(std::vector<KeyRule>& rules) {
    for (auto key : kAckKeys) rules.push_back({key, ackRule, 0, false});
    for (auto key : kConfirmKeys) rules.push_back({key, confirmRule, 0, false});
    for (auto key : kSpanKeys) rules.push_back({key, spanResultRule, 0, false});
    for (auto key : kAcceptKeys) rules.push_back({key, acceptRule, 0, false});
    for (auto key : kWriteAcceptKeys) rules.push_back({key, writeAcceptRule, 0, false});
    for (auto key : kYKeys) rules.push_back({key, acceptRule, 0, false});
    rules.push_back({"SZ,R", fourTokensRule, 0, false});
    rules.push_back({"S1,R", fourTokensRule, 0, false});
    rules.push_back({"SZ,C", zeroConfirmRule, 0, false});
    rules.push_back({"SN,W", oxygenCalRule, 0, false});
    rules.push_back({"HC,W", clockWriteRule, 0, false});
    rules.push_back({"UZ,W", zeroFlagsWriteRule, 0, false});
}

}  // namespace vq
