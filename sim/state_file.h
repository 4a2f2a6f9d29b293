#pragma once
// The virtual instrument's state as a readable text file, one "name = value" per line:
//
//   serial_no = "VQ51-000123         "
//   settings.hc_mode = 0
//   gas.2.span_fails = 1
//   library.3.linear = 0 1.62 0.00243 -2e-05 0 1 0.0005 0
//   flash.001000 = A5070E15...   (64 bytes per line; lines of erased memory are left out)
//
// Texts are in double quotes (\" \\ and \xHH escapes); numbers are written so they read back
// exactly; -101 is "no value"; times are "yyyy/mm/dd hh:nn:ss" or none. A file may name only
// some values: the rest keep the defaults, so a test can set up one failing channel with a
// one-line file. Memory is taken from the file when it has any line of that area (the others
// then read as erased), else the default contents stay.

#include <optional>
#include <string>
#include <string_view>

#include "sim/sim_state.h"

namespace vq::sim {

std::string StateToText(const SimState& state);

// nullopt with "line N: reason" in `error` for an unknown name or a value that does not fit.
std::optional<SimState> StateFromText(std::string_view text, std::string* error = nullptr);

// Written to a temporary file beside the target and renamed over it, so a crash never leaves a
// half-written state.
bool SaveStateFile(const std::string& path, const SimState& state, std::string* error = nullptr);
std::optional<SimState> LoadStateFile(const std::string& path, std::string* error = nullptr);

}  // namespace vq::sim
