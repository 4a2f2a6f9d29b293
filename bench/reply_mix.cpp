#include "bench/reply_mix.h"

#include "link/instrument_link.h"
#include "protocol/frame.h"
#include "sim/responder.h"
#include "sim/sim_state.h"

namespace vq::bench {

std::vector<Exchange> TypicalExchanges() {
    sim::Responder responder(sim::DefaultSimState());
    std::vector<std::string> payloads;
    for (const std::string& payload : ReadAll::CommandTable()) {
        if (!payload.empty()) payloads.push_back(payload);
    }
    // A read-all is usually followed by the readings window: one current reading a second.
    for (int i = 0; i < 30; ++i) payloads.emplace_back("RC,R,");

    std::vector<Exchange> exchanges;
    for (const std::string& payload : payloads) {
        const std::string request = BuildFrame(payload, EOT);
        for (const auto& emission : responder.receive(request, sim::SimNow{})) {
            if (!emission.raw) exchanges.push_back({request, emission.bytes});
        }
    }
    return exchanges;
}

}  // namespace vq::bench
