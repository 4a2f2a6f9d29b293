#pragma once
// A stand-in for the link as the reply decoder sees it: it records what the decoder hands over
// (readings, calibration results, confirmations, dump lines, log texts) for the tests to check.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "protocol/decoder_host.h"

namespace vq::test {

class FakeDecoderHost : public DecoderHost {
  public:
    std::string lastFrame;
    bool connected = false;
    int connectCalls = 0;
    std::vector<std::array<float, 5>> readingsRaised;
    std::optional<std::string> zeroCalResult, spanCalResult, o2CalResult;
    std::optional<bool> confirmAcked;
    std::vector<std::pair<std::string, std::uint32_t>> dumpLines;
    std::vector<std::string> log;
    double now = 45658.5;  // 2025-01-01 12:00

    // The latest current readings; all zero before the first.
    std::array<float, 5> readings() const {
        return readingsRaised.empty() ? std::array<float, 5>{} : readingsRaised.back();
    }

    const std::string& LastFrame() const override { return lastFrame; }
    bool Connected() const override { return connected; }
    void connectByProbe() override {
        connected = true;
        ++connectCalls;
    }
    void raiseReadings(std::array<float, 5>& values) override { readingsRaised.push_back(values); }
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

}  // namespace vq::test
