#include "app/app_config.h"

#include "messages/messages.h"

namespace vq {

namespace {

struct ChannelDefault {
    const char* name;
    const char* unit;
    int16_t points;
    float warning, alarm, stel, twa, digit, fullScale, autoCalib, factoryAutoCal;
};

// STEL and TWA "not used" are stored as -101 from the start: the file reader turns a -1 into
// -101 anyway, so storing -1 here would make the first saved file differ from every later one.
constexpr float n = levelNotSet;
constexpr ChannelDefault channelDefaults[configChannels] = {
    {"CH4", "%LEL", 0, 10, 50, n, n, 1, 100, 50, 50},
    {"O2", "VOL%", 1, 19.5f, 23.5f, n, n, 0.1f, 40, 12, 12},
    {"H2S", "ppm", 1, 10, 30, 15, 10, 0.5f, 100, 10, 10},
    {"CO", "ppm", 0, 25, 50, 200, 25, 1, 500, 100, 100},
    {"CH4", "vol%", 0, 0, 0, 0, 0, 1, 100, 50, 50},
};

void fillChannelDefaults(AppConfig& config) {
    clsInstrument& model = config.ConfigDefaults;
    for (int ch = 0; ch < configChannels; ++ch) {
        const ChannelDefault& d = channelDefaults[ch];
        model.setGasName(ch, d.name);
        model.setGasEnabled(ch, true);
        model.setGasPoint(ch, d.points);
        model.setGasUnit(ch, d.unit);
        model.setWarning(ch, d.warning);
        model.setAlarm(ch, d.alarm);
        model.setStel(ch, d.stel);
        model.setTwa(ch, d.twa);
        model.setGasDesit(ch, d.digit);
        model.setGasFullScale(ch, d.fullScale);
        model.setAutoCalib(ch, d.autoCalib);
        config.factoryAutoCal[ch] = d.factoryAutoCal;
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
