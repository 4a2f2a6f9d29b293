#pragma once
// The virtual instrument inside the process: the responder, optional line faults and the event
// host's clock, for the program's built-in instrument and for tests on the virtual host. The
// in-process ports (inproc_port.h) carry bytes to and from it.

#include <cstdint>
#include <string_view>
#include <vector>

#include "link/event_host.h"
#include "sim/faults.h"
#include "sim/responder.h"

namespace vq::sim {

class SimInstrument {
  public:
    SimInstrument(EventHost& host, SimState state, std::uint64_t seed = 1,
                  FaultSettings faults = {});

    // The answer to these request bytes as deliveries, with the line faults applied.
    std::vector<Delivery> exchange(std::string_view bytes);

    // The port was opened: a frame half received is forgotten (a switched-off instrument stays
    // off).
    void portOpened() { responder_.portOpened(); }
    // The power switch after a power-off.
    void switchOn() { responder_.switchOn(); }
    bool poweredOn() const { return responder_.poweredOn(); }

    EventHost& host() { return host_; }
    Responder& responder() { return responder_; }
    const SimState& state() const { return responder_.state(); }
    SimState& state() { return responder_.state(); }

  private:
    SimNow now() const;

    EventHost& host_;
    Responder responder_;
    FaultInjector faults_;
};

}  // namespace vq::sim
