#include "app/app_config.h"

#include "messages/messages.h"
#include "model/gas_channel.h"

namespace vq {

namespace {

struct ChannelDefault {
    ChannelGas gas;
    float factoryAutoCal;
};

// STEL and TWA "not used" are stored as -101 from the start: the file reader turns a -1 into
// -101 anyway, so storing -1 here would make the first saved file differ from every later one.
// Columns: name, unit, decimals, resolution, full scale, warning, alarm, STEL, TWA, auto
// calibration; then the factory auto calibration.
constexpr float n = levelNotSet;
const ChannelDefault channelDefaults[configChannels] = {
    {{"CH4", "%LEL", 0, 1, 100, 10, 50, n, n, 50}, 50},
    {{"O2", "VOL%", 1, 0.1f, 40, 19.5f, 23.5f, n, n, 12}, 12},
    {{"H2S", "ppm", 1, 0.5f, 100, 10, 30, 15, 10, 10}, 10},
    {{"CO", "ppm", 0, 1, 500, 25, 50, 200, 25, 100}, 100},
    {{"CH4", "vol%", 0, 1, 100, 0, 0, 0, 0, 50}, 50},
};

void fillChannelDefaults(AppConfig& config) {
    for (int ch = 0; ch < configChannels; ++ch) {
        // The defaults carry no ratio and no zero: the channel keeps its own.
        PutGasOnChannel(config.ConfigDefaults, ch, channelDefaults[ch].gas, GasRatioAndZero::Keep);
        config.factoryAutoCal[ch] = channelDefaults[ch].factoryAutoCal;
    }
    config.gasLocked.fill(false);
}

}  // namespace

std::string DefaultPasswordWord(std::string_view languageTag) {
    return languageTag == "EN" ? "SENSOR" : "KENCHI";
}

void FillBuiltInDefaults(AppConfig& config) {
    for (int ch = 0; ch < 4; ++ch) config.factoryAutoCal[ch] = levelNotSet;
    FillBuiltInGasTable(config.gasTable);

    constexpr float calibRangeDefaults[4] = {50, 12, 25, 50};
    for (int i = 0; i < 4; ++i) {
        if (config.calibRange[i] == 0) config.calibRange[i] = calibRangeDefaults[i];
    }
    if (config.calUnitOnWait == 0) config.calUnitOnWait = 45;
    if (config.calSpanOnWait == 0) config.calSpanOnWait = 90;
    if (config.calSpanOffWait == 0) config.calSpanOffWait = 45;
    for (float& width : config.printWidth) {
        if (!(width >= 1 && width <= 100)) width = 1;
    }
    if (config.userPassword.empty()) config.userPassword = DefaultPasswordWord(LanguageTag());

    if (!config.builtInsFilled) {
        fillChannelDefaults(config);
        config.builtInsFilled = true;
    }
}

}  // namespace vq
