#pragma once
// The reply decoder with a stand-in link (tests/support/fake_decoder_host.h) and helpers that
// build reply frames the way the instrument sends them: STX "0001" key "," payload ETX checksum
// terminator, with a real checksum.

#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "messages/messages.h"
#include "model/instrument.h"
#include "protocol/decode_reply.h"
#include "protocol/frame.h"
#include "tests/support/fake_decoder_host.h"

namespace vq::testing {

using test::FakeDecoderHost;

// A reply as the instrument frames it: `body` is key, comma and payload ("LP,R,2").
inline std::string Reply(std::string_view body, char terminator = EOT) {
    return BuildFrame(body, terminator);
}

// An acknowledgement reply: key, comma, the control character.
inline std::string AckReply(std::string_view key, char control) {
    std::string body(key);
    body += ',';
    body += control;
    return BuildFrame(body, EOT);
}

class DecoderTest : public ::testing::Test {
  protected:
    void SetUp() override { setLanguage(Language::English); }

    // A whole frame, as the link hands it over.
    bool decodeFrame(const std::string& frame) { return decoder.DecodeReply(frame, &model, host); }
    // A reply framed with a good checksum from its key, comma and payload.
    bool decode(std::string_view body) { return decodeFrame(Reply(body)); }

    ReplyDecoder decoder;
    InstrumentModel model;
    FakeDecoderHost host;
};

inline const std::string kFormatError = "<<< Format error >>>";
inline const std::string kResponseError = "<<< Response error >>>";
inline const std::string kChecksumError = "<<< Checksum error >>>";

}  // namespace vq::testing
