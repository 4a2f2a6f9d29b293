#pragma once
// Helpers of the virtual-instrument tests: request frames, a responder driven at a chosen
// time, the program's own reply decoder with a recording host, and the read-all command list.

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "model/instrument.h"
#include "protocol/decode_reply.h"
#include "protocol/frame.h"
#include "sim/responder.h"
#include "tests/support/fake_decoder_host.h"

namespace vq::sim::testing {

inline std::string Request(std::string_view payload) {
    return BuildFrame(payload, EOT);
}

inline SimNow At(long long seconds) {
    // 2026-12-07 08:00:00 local as seconds since 1970, plus the given seconds.
    return {std::chrono::milliseconds(seconds * 1000), 1796630400LL + seconds};
}

using test::FakeDecoderHost;

// The responder on one side, the program's decoder and a model on the other.
struct Bench {
    Responder responder{DefaultSimState()};
    ReplyDecoder decoder;
    FakeDecoderHost host;
    InstrumentModel model;
    long long seconds = 0;

    explicit Bench(SimState state = DefaultSimState()) : responder(std::move(state)) {
        host.now = 46363.0;  // 2026-12-07
    }

    // The one frame the responder answers with (empty when it answers nothing; a test that
    // expects one checks the count).
    Reply ask(std::string_view payload, char terminator = EOT) {
        const std::string frame = BuildFrame(payload, terminator);
        host.lastFrame = frame;
        return responder.receive(frame, At(seconds));
    }
    // Sends the payload and decodes the single reply; false when there is not exactly one reply
    // or the decoder refuses it.
    bool exchange(std::string_view payload) {
        const Reply reply = ask(payload);
        if (reply.size() != 1) return false;
        return decoder.DecodeReply(reply[0].bytes, &model, host);
    }
    std::string replyText(std::string_view payload) {
        const Reply reply = ask(payload);
        return reply.size() == 1 ? reply[0].bytes : std::string();
    }
};

// The 307 payloads of a read-all, in order.
inline std::vector<std::string> ReadAllPayloads() {
    std::vector<std::string> payloads = {
        "VP,R,", "XZ,R,", "XS,R,****", "IN,R,", "HN,R,", "HC,R,", "AP,R,", "XP,R,", "SD,R,",
        "SM,R,", "SC,R,", "XB,R,",     "XW,R,", "XT,R,", "HF,R,", "GJ,R,", "A1,R,", "A2,R,",
        "AS,R,", "AW,R,", "HA,R,",     "VS,R,", "SA,R,", "AT,R,", "UJ,R,", "SJ,R,", "SG,R,",
        "LP,R,", "CP,R,", "AM,R,",     "UQ,R,", "BU,R,", "WB,R,", "AF,R,", "BS,R,", "LS,R,"};
    static constexpr char hex[] = "0123456789ABCDEF";
    for (int n = 1; n <= 15; ++n) payloads.push_back(std::string("LI,R,0") + hex[n]);
    for (int n = 0; n < 256; ++n) {
        payloads.push_back(std::string("XS,R,00") + hex[n >> 4] + hex[n & 15]);
    }
    return payloads;
}

}  // namespace vq::sim::testing
