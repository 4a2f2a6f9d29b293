#pragma once
// DecodeReply: turns one reply frame into values of the instrument model and tells the link
// whether the reply is accepted (the link then acknowledges or finishes the transaction) or not
// (the link resends or sends a NAK).
//
// Pre-processing, in this order: a frame shorter than 15 characters is a format error; the frame
// must run STX ... ETX and carry the right checksum of STX through ETX; AckChar is the 11th
// character; every CR becomes ","; characters below 32 are dropped (bytes above 127 are text); the
// "0001" and the checksum are cut off; the first four characters are the key and the payload starts
// at the sixth. The payload is split at "," (and CR) and the key's rule decides.
//
// No exception leaves DecodeReply. A conversion error, an index the model refuses or a payload of
// more than 256 tokens ends the decoding of that reply: values already stored stay stored and the
// result is what it was at that moment.

#include <string>
#include <vector>

#include "model/line_tokenizer.h"
#include "protocol/decoder_host.h"
#include "protocol/reply_rules.h"

namespace vq {

class InstrumentModel;

class ReplyDecoder {
  public:
    ReplyDecoder();

    // True when the reply is accepted. `model` may be null while no model is bound: then only
    // the replies that do not touch the model (probe, acknowledgements, dumps) can be accepted.
    bool DecodeReply(const std::string& frame, InstrumentModel* model, DecoderHost& host);

    // The rule of a key, or null for a key no table names.
    const KeyRule* findRule(std::string_view key) const;
    // Every rule, sorted by key.
    const std::vector<KeyRule>& rules() const { return rules_; }

  private:
    std::vector<KeyRule> rules_;
    LineTokenizer tokenizer_;
    // Scratch texts reused from reply to reply, so decoding does not allocate in the steady state.
    std::string commaFrame_;
    std::string stripped_;
};

}  // namespace vq
