#pragma once
// One reply as the key rules see it: the command key, the payload tokens, the acknowledgement
// character, the frame, the bound model and the link, and the result so far.

#include <string_view>

#include "model/line_tokenizer.h"
#include "protocol/decoder_host.h"

namespace vq {

class InstrumentModel;

struct ReplyContext {
    std::string_view key;         // "XS,R"
    const LineTokenizer& tokens;  // the payload, split at "," and CR
    char AckChar;                 // the first payload character of the raw frame
    std::string_view rawFrame;    // as received, terminator included
    std::string_view commaFrame;  // the raw frame with every CR turned into ","
    InstrumentModel* model;       // never null for rules that need a model
    DecoderHost& host;
    bool accepted = false;

    int tokenCount() const;
    // Token i, or an empty text past the last token.
    std::string_view token(int i) const;
};

}  // namespace vq
