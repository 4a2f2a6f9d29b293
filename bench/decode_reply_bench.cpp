// DecodeReply throughput on the replies of one read-all plus current readings, the mix a
// session decodes most.

#include <benchmark/benchmark.h>

#include <array>
#include <string>
#include <vector>

#include "bench/reply_mix.h"
#include "messages/messages.h"
#include "model/instrument.h"
#include "protocol/decode_reply.h"
#include "protocol/decoder_host.h"

namespace {

// The link's side of decoding, doing no more than the link does per reply.
class QuietHost : public vq::DecoderHost {
  public:
    const std::string& LastFrame() const override { return lastFrame_; }
    bool Connected() const override { return true; }
    void connectByProbe() override {}
    void raiseReadings(std::array<float, 5>& readings) override {
        benchmark::DoNotOptimize(readings);
    }
    void setZeroCalResult(const std::string&) override {}
    void setSpanCalResult(const std::string&) override {}
    void setConfirmAcked(bool) override {}
    void setO2CalResult(const std::string&) override {}
    void addDumpLine(const std::string&, std::uint32_t) override {}
    void AddLog(const std::string&) override {}
    double localDateTime() const override { return 45658.5; }

  private:
    std::string lastFrame_;
};

void BM_DecodeReplyMix(benchmark::State& state) {
    vq::setLanguage(vq::Language::English);
    std::vector<std::string> replies;
    for (const auto& exchange : vq::bench::TypicalExchanges()) replies.push_back(exchange.reply);
    if (replies.empty()) {
        state.SkipWithError("the virtual instrument gave no replies");
        return;
    }
    vq::ReplyDecoder decoder;
    vq::InstrumentModel model;
    QuietHost host;
    std::size_t accepted = 0;
    for (auto _ : state) {
        for (const std::string& frame : replies) {
            accepted += decoder.DecodeReply(frame, &model, host) ? 1 : 0;
        }
    }
    // A mix the decoder refuses would measure the refusal path, not decoding.
    if (accepted != replies.size() * static_cast<std::size_t>(state.iterations())) {
        state.SkipWithError("the decoder refused part of the reply mix");
        return;
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(replies.size()));
    state.counters["frames"] = static_cast<double>(replies.size());
}
BENCHMARK(BM_DecodeReplyMix);

}  // namespace
