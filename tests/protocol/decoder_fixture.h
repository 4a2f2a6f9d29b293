#pragma once
// A link stand-in for the reply decoder (the real link is another module) and helpers that
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
#include "protocol/decoder_host.h"
#include "protocol/frame.h"

namespace vq::testing {

class FakeDecoderHost : public DecoderHost {
  public:
    std::string lastFrame;
    bool connected = false;
    int connectCalls = 0;
    std::vector<std::array<float, 5>> densty;
    std::optional<std::string> zeroCalResult, spanCalResult, o2CalResult;
    std::optional<bool> confirmAcked;
    std::vector<std::pair<std::string, std::uint32_t>> dumpLines;
    std::vector<std::string> log;
    double now = 45658.5;  // 2025-01-01 12:00

    const std::string& LastFrame() const override { return lastFrame; }
    bool Connected() const override { return connected; }
    void connectByProbe() override {
        connected = true;
        ++connectCalls;
    }
    void raiseDensty(std::array<float, 5>& readings) override { densty.push_back(readings); }
    void setZeroCalResult(const std::string& r) override { zeroCalResult = r; }
    void setSpanCalResult(const std::string& r) override { spanCalResult = r; }
    void setConfirmAcked(bool acked) override { confirmAcked = acked; }
    void setO2CalResult(const std::string& r) override { o2CalResult = r; }
    void addDumpLine(const std::string& line, std::uint32_t address) override {
        dumpLines.emplace_back(line, address);
    }
    void AddLog(const std::string& text) override { log.push_back(text); }
    double localDateTime() const override { return now; }
};

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
    clsInstrument model;
    FakeDecoderHost host;
};

inline const std::string kFormatError = "<<< Format error >>>";
inline const std::string kResponseError = "<<< Response error >>>";
inline const std::string kChecksumError = "<<< Checksum error >>>";

}  // namespace vq::testing
