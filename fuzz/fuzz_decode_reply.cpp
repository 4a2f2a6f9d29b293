// Whole reply frames into DecodeReply, with and without a bound model. The first byte picks the
// frame the link believes it sent last (the clock-write echo compares with it) and whether the
// link counts as connected; the rest is the frame. Whatever arrives, decoding must not crash,
// leak or throw, and a frame whose checksum is wrong must never be accepted.

#include <array>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>

#include "model/instrument.h"
#include "protocol/decode_reply.h"
#include "protocol/frame.h"

namespace {

class FuzzHost : public vq::DecoderHost {
  public:
    std::string lastFrame;
    bool connected = false;

    const std::string& LastFrame() const override { return lastFrame; }
    bool Connected() const override { return connected; }
    void connectByProbe() override { connected = true; }
    void raiseReadings(std::array<float, 5>&) override {}
    void setZeroCalResult(const std::string&) override {}
    void setSpanCalResult(const std::string&) override {}
    void setConfirmAcked(bool) override {}
    void setO2CalResult(const std::string&) override {}
    void addDumpLine(const std::string&, std::uint32_t) override {}
    void AddLog(const std::string&) override {}
    double localDateTime() const override { return 46363.0; }
};

// True when the frame runs STX ... ETX, two checksum digits (either case) and a terminator, and
// the digits are the checksum of STX through ETX.
bool checksumHolds(const std::string& frame) {
    if (frame.size() < vq::kShortestReply || frame.front() != vq::STX) return false;
    const std::size_t etx = frame.size() - 4;
    if (frame[etx] != vq::ETX) return false;
    const std::string expected = vq::FrameChecksum(std::string_view(frame).substr(0, etx + 1));
    for (int i = 0; i < 2; ++i) {
        if (std::toupper(static_cast<unsigned char>(frame[etx + 1 + i])) != expected[i])
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    static vq::ReplyDecoder decoder;
    const std::uint8_t mode = data[0];
    const std::string frame(reinterpret_cast<const char*>(data + 1), size - 1);
    FuzzHost host;
    host.connected = (mode & 1) != 0;
    if (mode & 2) host.lastFrame = frame;
    vq::InstrumentModel model;
    const bool accepted = decoder.DecodeReply(frame, (mode & 4) ? nullptr : &model, host);
    if (accepted && !checksumHolds(frame)) __builtin_trap();
    return 0;
}
