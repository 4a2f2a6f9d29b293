#include "protocol/decode_reply.h"

#include <algorithm>

#include "protocol/decoder_log.h"
#include "protocol/frame.h"
#include "protocol/reply_values.h"

namespace vq {

namespace {

constexpr size_t kAckCharIndex = 10;  // the 11th character: the first payload character

// Control characters are framing (STX, ETX, ACK, NAK, the terminator) and never payload. Bytes
// above 127 are kept: an instrument text may hold them (a gas name written in UTF-8), and dropping
// them would make a fixed-width record one or more bytes short and the whole reply unreadable.
bool isPayloadByte(char c) {
    return static_cast<unsigned char>(c) >= 32;
}

// The frame must run STX ... ETX, two checksum characters and the terminator, and the checksum
// must be the one of STX through ETX. Called only on frames of at least 15 characters.
enum class FrameCheck { Good, BadShape, BadChecksum };

FrameCheck checkFrame(std::string_view frame) {
    size_t etx = frame.size() - 4;
    if (frame.front() != STX || frame[etx] != ETX) return FrameCheck::BadShape;
    std::string expected = FrameChecksum(frame.substr(0, etx + 1));
    // The digits are upper case on the wire; lower case is read the same, as the link does.
    auto upper = [](char c) { return c >= 'a' && c <= 'f' ? static_cast<char>(c - 'a' + 'A') : c; };
    bool same = upper(frame[etx + 1]) == expected[0] && upper(frame[etx + 2]) == expected[1];
    return same ? FrameCheck::Good : FrameCheck::BadChecksum;
}

std::vector<KeyRule> buildRules() {
    std::vector<KeyRule> rules;
    rules.reserve(160);
    addSettingsRules(rules);
    addOperationRules(rules);
    addRecordRules(rules);
    addLiveValueRules(rules);
    addDumpRules(rules);
    std::sort(rules.begin(), rules.end(),
              [](const KeyRule& a, const KeyRule& b) { return a.key < b.key; });
    return rules;
}

}  // namespace

int ReplyContext::tokenCount() const {
    return tokens.TokenCount();
}

std::string_view ReplyContext::token(int i) const {
    if (i < 0 || i >= tokens.TokenCount()) return {};
    return tokens.TokenView(i);
}

ReplyDecoder::ReplyDecoder() : rules_(buildRules()) {
    // The payload splits at "," and CR; replies have no quoted strings and no comments.
    tokenizer_.ClearComments();
    tokenizer_.ClearDelimiters();
    tokenizer_.ClearStrings();
    tokenizer_.AddDelimiters(",");
    tokenizer_.AddDelimiters("\r");
}

const KeyRule* ReplyDecoder::findRule(std::string_view key) const {
    auto it =
        std::lower_bound(rules_.begin(), rules_.end(), key,
                         [](const KeyRule& rule, std::string_view k) { return rule.key < k; });
    return it != rules_.end() && it->key == key ? &*it : nullptr;
}

bool ReplyDecoder::DecodeReply(const std::string& frame, InstrumentModel* model,
                               DecoderHost& host) {
    try {
        if (frame.size() < kShortestReply) {
            host.AddLog(DecoderLogText(DecoderLog::FormatError));
            return false;
        }
        switch (checkFrame(frame)) {
            case FrameCheck::Good:
                break;
            case FrameCheck::BadShape:
                host.AddLog(DecoderLogText(DecoderLog::FormatError));
                return false;
            case FrameCheck::BadChecksum:
                host.AddLog(DecoderLogText(DecoderLog::ChecksumError));
                return false;
        }
        char ackChar = frame[kAckCharIndex];

        // One pass: CR becomes ",", then every control character is dropped.
        commaFrame_.assign(frame);
        stripped_.resize(frame.size());
        size_t kept = 0;
        for (char& c : commaFrame_) {
            if (c == CR) c = ',';
            if (isPayloadByte(c)) stripped_[kept++] = c;
        }
        stripped_.resize(kept);

        // Without "0001" in front and the checksum behind: key, comma, payload.
        std::string_view body = stripped_;
        if (body.size() < 6) return false;
        body = body.substr(4, body.size() - 6);
        std::string_view key = body.substr(0, std::min<size_t>(4, body.size()));
        std::string_view payload = body.size() > 5 ? body.substr(5) : std::string_view{};

        const KeyRule* rule = findRule(key);
        if (rule == nullptr) return false;
        if (rule->needsModel && model == nullptr) return false;

        if (!tokenizer_.setSource(payload)) return false;  // more than 256 tokens
        ReplyContext reply{key, tokenizer_, ackChar, frame, commaFrame_, model, host};
        try {
            rule->decode(reply, rule->param);
        } catch (...) {
            // A ConversionError, or an index the model refuses (std::out_of_range), ends the
            // decoding: what was stored stays, the result stays as it stood.
        }
        // A NAK answering a write is the instrument refusing it, whatever the key's own rule
        // makes of the rest of the reply: a refused write must never count as written.
        if (key.size() == 4 && key[3] == 'W' && ackChar == NAK) return false;
        return reply.accepted;
    } catch (...) {
        // Nothing the decoder meets (a failing log write included) may reach the receive path.
        return false;
    }
}

}  // namespace vq
