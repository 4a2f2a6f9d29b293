#pragma once
// The changeable gas table: 17 gas rows (gas numbers 0-16) by 6 channels (0-5) of gas
// definitions that the gas selection offers and that ApplyGasToChannel copies onto a channel of
// the instrument model. Built-in contents come from FillBuiltInGasTable; the configuration file
// may replace any entry ("ChgGas" lines).

#include <array>
#include <cstdint>
#include <string>

#include "model/gas_channel.h"

namespace vq {

class InstrumentModel;

inline constexpr int gasTableRows = 17;
inline constexpr int gasTableChannels = 6;
inline constexpr float levelNotSet = -101.0f;

// A gas of the table: a channel's gas, offered by the gas selection only when enabled; a locked
// entry is kept as it is by the configuration file. Ratio and zero are not in the file.
struct GasEntry : ChannelGas {
    bool enabled = false;
    bool locked = false;
    friend bool operator==(const GasEntry&, const GasEntry&) = default;
};

class GasTable {
  public:
    // The entry of gas row `row` (0-16) and channel `channel` (0-5). Out-of-range indices are a
    // caller error; use valid() first when the indices come from outside.
    GasEntry& at(int row, int channel) { return entries_.at(row).at(channel); }
    const GasEntry& at(int row, int channel) const { return entries_.at(row).at(channel); }
    static bool valid(int row, int channel) {
        return row >= 0 && row < gasTableRows && channel >= 0 && channel < gasTableChannels;
    }
    friend bool operator==(const GasTable&, const GasTable&) = default;

  private:
    std::array<std::array<GasEntry, gasTableChannels>, gasTableRows> entries_{};
};

// Every entry empty and disabled, then the built-in gases: eight combustible gases on channels
// 0 and 4, O2 on channel 1, H2S on channel 2, CO on channel 3.
void FillBuiltInGasTable(GasTable& table);

// Copies gas `gasNumber` onto channel `channel` (0-4) of the model and enables the channel. On a
// connected combustible channel (0 or 4) the gas identity (name, points, unit, digit, full
// scale, ratio) comes from the gas lists the instrument reported (gas 15: the special-gas entry
// 0 for channel 0, 1 for channel 4; gas n: list entry 15 * (channel is 4) + n + 1); otherwise
// from the table. The levels (warning, alarm, STEL, TWA, auto calibration, zero) always come from
// the table row of the gas number; for gas 15 on a connected combustible channel, row 0 stands
// in while row 15 is empty (full scale 0).
// Returns false and changes nothing when the channel or gas number is out of range (a selection
// window closed with nothing chosen passes -1).
bool ApplyGasToChannel(InstrumentModel& model, const GasTable& table, int channel, int gasNumber,
                       bool connected);

}  // namespace vq
