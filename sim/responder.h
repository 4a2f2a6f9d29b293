#pragma once
// The virtual instrument's answering side: bytes from the program in, reply bytes out. It cuts
// requests from the stream, checks their checksums, dispatches them to the command handlers
// and keeps the state they change. It reads no clock and owns no port: the front ends (the
// pty/TCP program, the in-process port) hand it the bytes and the time.

#include <cstdint>
#include <functional>
#include <random>
#include <string_view>

#include "sim/handler_context.h"
#include "sim/request_framer.h"
#include "sim/sim_state.h"

namespace vq::sim {

class Responder {
  public:
    // Called for every frame seen and sent (raw memory bytes as raw).
    using FrameLog = std::function<void(bool incoming, std::string_view bytes, bool raw)>;

    explicit Responder(SimState state, std::uint64_t seed = 1);

    // Everything to send back for these bytes, in order. Garbage, frames with a wrong checksum
    // and anything while powered off get no answer; an unknown or malformed command gets a NAK.
    Reply receive(std::string_view bytes, SimNow now);

    // The program opened the port: a half received frame and a listing in progress are
    // forgotten. A switched-off instrument stays off: opening a port switches nothing on.
    void portOpened();
    // The power switch: a switched-off instrument answers again, from a clean start.
    void switchOn();
    bool poweredOn() const { return powered_; }

    const SimState& state() const { return state_; }
    SimState& state() { return state_; }

    // True when a write changed the state since the last call.
    bool takeChanged();

    void setFrameLog(FrameLog log) { log_ = std::move(log); }

  private:
    Reply handle(const RequestFrame& frame, SimNow now);
    Reply handleCommand(const std::string& payload, HandlerContext& context);

    HandlerTable table_;
    SimState state_;
    Session session_;
    RequestFramer framer_;
    std::mt19937_64 rng_;
    bool powered_ = true;
    bool changed_ = false;
    FrameLog log_;
};

}  // namespace vq::sim
