#include "sim/sim_instrument.h"

#include <cmath>

#include "model/ole_date.h"

namespace vq::sim {

namespace {
constexpr double kUnixEpochOleDate = 25569.0;  // 1970-01-01 as an OLE date
}

SimInstrument::SimInstrument(EventHost& host, SimState state, std::uint64_t seed,
                             FaultSettings faults)
    : host_(host), responder_(std::move(state), seed), faults_(faults, seed ^ 0x5EEDFA17u) {}

SimNow SimInstrument::now() const {
    const double days = OleDateToLinear(host_.localDateTime()) - kUnixEpochOleDate;
    return {host_.now(), static_cast<std::int64_t>(std::floor(days * 86400.0 + 0.5))};
}

std::vector<Delivery> SimInstrument::exchange(std::string_view bytes) {
    std::vector<Delivery> deliveries;
    for (const Emission& emission : responder_.receive(bytes, now())) {
        for (Delivery& d : faults_.apply(emission)) deliveries.push_back(std::move(d));
    }
    return deliveries;
}

}  // namespace vq::sim
