#pragma once
// The command line of vq5100-sim.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/faults.h"

namespace vq::sim {

struct FrontOptions {
    enum class Mode { Pty, Tcp };
    Mode mode = Mode::Pty;
    std::string host = "127.0.0.1";
    int port = 5100;
    std::string stateFile;  // empty: the default state, not saved
    long paceBaud = 0;      // 0: as fast as the peer reads
    FaultSettings faults;
    std::uint64_t seed = 1;
    bool log = false;
    // Seconds after a power-off ("RO,W") at which the instrument switches itself on again; 0:
    // it stays off until SIGUSR1 (a switched-off instrument answers nothing).
    long powerOnAfter = 0;
    bool help = false;
};

// nullopt with the reason in `error` for an unknown option or a bad value.
std::optional<FrontOptions> ParseFrontOptions(const std::vector<std::string>& args,
                                              std::string* error);

extern const char* const kFrontUsage;

}  // namespace vq::sim
