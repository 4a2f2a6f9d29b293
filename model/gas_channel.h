#pragma once
// A channel's gas: the identity (name, unit, decimals, resolution, full scale), the alarm levels
// and the calibration values that choosing a gas puts on a channel. One type for every place
// that holds such a gas: the instrument model's channels, the changeable gas table, the
// configuration's channel defaults and the settings grid's memory of a channel switched off.

#include <cstdint>
#include <string>

namespace vq {

class InstrumentModel;

// The instrument measures on five gas channels, 0 to 4.
inline constexpr int gasChannelCount = 5;

struct ChannelGas {
    std::string name;
    std::string unit;
    std::int16_t decimals = 0;  // decimal places of a reading
    float resolution = 0;       // reading step (1, 0.5, 0.1)
    float fullScale = 0;
    float warning = 0;
    float alarm = 0;
    float stel = 0;
    float twa = 0;
    float autoCalib = 0;  // calibration gas concentration
    float ratio = 0;
    std::int16_t zero = 0;
    friend bool operator==(const ChannelGas&, const ChannelGas&) = default;
};

// The gas on channel `ch` (0-4) of the model as the model's getters give it.
ChannelGas GasOnChannel(const InstrumentModel& model, int ch);

enum class GasRatioAndZero {
    Put,   // the gas's ratio and zero replace the channel's
    Keep,  // the channel keeps its own (the configuration's defaults carry none)
};

// Switches channel `ch` (0-4) on and puts `gas` on it through the model's setters, so every
// change flag a user's edit would mark is marked. A channel outside 0-4 is left alone.
void PutGasOnChannel(InstrumentModel& model, int ch, const ChannelGas& gas,
                     GasRatioAndZero ratioAndZero = GasRatioAndZero::Put);

}  // namespace vq
