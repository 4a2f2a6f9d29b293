#include "sim/sim_state.h"

#include <algorithm>
#include <cstring>

namespace vq::sim {

namespace {

GasChannel makeGas(std::string name, float fullScale, float resolution, int decimals,
                   std::string unit) {
    GasChannel gas;
    gas.name = std::move(name);
    gas.fullScale = fullScale;
    gas.resolution = resolution;
    gas.decimals = decimals;
    gas.unit = std::move(unit);
    return gas;
}

void setLevels(GasChannel& gas, float warning, float alarm, float stel, float twa, float autoCal) {
    gas.warning = warning;
    gas.alarm = alarm;
    gas.stel = stel;
    gas.twa = twa;
    gas.autoCal = autoCal;
}

LibraryEntry makeEntry(std::string name, float fullScale, float digit, int point, std::string unit,
                       int elemVol, float ratio) {
    LibraryEntry entry;
    entry.name = std::move(name);
    entry.fullScale = fullScale;
    entry.digit = digit;
    entry.point = point;
    entry.unit = std::move(unit);
    entry.elemVol = elemVol;
    entry.ratio = ratio;
    // A gentle second-order correction; the exact figures only have to survive the wire.
    entry.linear = {0.0f, ratio, 0.0015f * ratio, -0.00002f, 0.0f, 1.0f, 0.0005f, 0.0f};
    return entry;
}

void fillLibrary(SimState& state) {
    struct Gas {
        const char* name;
        float ratio;
    };
    static constexpr Gas gases[] = {
        {"METHANE", 1.00f},   {"ETHANE", 1.45f},    {"PROPANE", 1.62f},   {"BUTANE", 1.80f},
        {"PENTANE", 2.02f},   {"HEXANE", 2.24f},    {"HEPTANE", 2.41f},   {"OCTANE", 2.63f},
        {"ETHYLENE", 1.38f},  {"PROPYLENE", 1.55f}, {"ACETYLENE", 1.20f}, {"BENZENE", 2.30f},
        {"TOLUENE", 2.52f},   {"XYLENE", 2.75f},    {"METHANOL", 1.30f},  {"ETHANOL", 1.66f},
        {"ACETONE", 1.90f},   {"HYDROGEN", 0.85f},  {"IPA", 1.95f},       {"MEK", 2.10f},
        {"CYCLOHEX", 2.20f},  {"NONANE", 2.85f},    {"DECANE", 3.05f},    {"ISOBUTANE", 1.78f},
        {"BUTADIENE", 1.70f}, {"DIMETHYLE", 1.60f}, {"ETH.ACET", 2.05f},  {"STYRENE", 2.60f},
        {"GASOLINE", 2.40f},  {"KEROSENE", 3.10f},
    };
    for (int i = 1; i < kLibraryCount; ++i) {
        const Gas& gas = gases[i - 1];
        state.library[i] = makeEntry(gas.name, 100, 1, 0, "%LEL", 0x0100 + i, gas.ratio);
    }
    state.special[0] = makeEntry("SPECIAL-1", 100, 1, 0, "%LEL", 0x0140, 1.25f);
    state.special[1] = makeEntry("SPECIAL-2", 50.0f, 0.5f, 1, "%LEL", 0x0141, 0.75f);
}

void put(std::vector<std::uint8_t>& memory, std::size_t at, std::string_view text) {
    std::copy(text.begin(), text.end(), memory.begin() + static_cast<std::ptrdiff_t>(at));
}

// A header page and 512 logger records of 32 bytes; the rest is erased flash.
void fillFlash(std::vector<std::uint8_t>& flash) {
    flash.assign(kFlashSize, 0xFF);
    put(flash, 0, "VQ-5100 BODY LOG");
    for (std::size_t record = 0; record < 512; ++record) {
        const std::size_t at = kLoggerStart + record * 32;
        for (std::size_t i = 0; i < 32; ++i) {
            flash[at + i] = static_cast<std::uint8_t>((record * 31 + i * 7) & 0xFF);
        }
        flash[at] = 0xA5;
    }
}

void fillFram(std::vector<std::uint8_t>& fram) {
    fram.assign(kFramSize, 0x00);
    put(fram, 0, "VQ5100 FRAM AREA");
    for (std::size_t i = 0x20; i < kCheckDataAddress; ++i) {
        fram[i] = static_cast<std::uint8_t>((i * 13) & 0xFF);
    }
    for (std::size_t i = kPowerLogStart; i < kPowerLogStart + 0x400; ++i) {
        fram[i] = static_cast<std::uint8_t>(0x40 + i % 26);
    }
}

}  // namespace

std::string FixedWidth(std::string_view text, std::size_t width) {
    std::string out(text.substr(0, width));
    out.resize(width, ' ');
    return out;
}

void RestoreDefaultSettings(SimState& state) {
    state.settings = Settings{};
    setLevels(state.gases[0], 10, 50, kNoValue, kNoValue, 50);
    setLevels(state.gases[1], 19.5f, 18.0f, kNoValue, kNoValue, 12.0f);
    setLevels(state.gases[2], 5.0f, 10.0f, 5.0f, 1.0f, 25.0f);
    setLevels(state.gases[3], 25, 50, 200, 25, 50);
    setLevels(state.gases[4], 50, 80, kNoValue, kNoValue, 50);
}

SimState DefaultSimState() {
    SimState state;
    state.serialNo = FixedWidth("VQ51-000123", kSerialWidth);
    state.dummySerial = FixedWidth("VQ51-000123", kSerialWidth);
    state.userId = FixedWidth("SERVICE", kUserIdWidth);
    state.stationId = FixedWidth("STATION-A", kStationWidth);
    state.specNo = FixedWidth("STD-01", kSpecNoWidth);
    for (int n = 0; n < kStationCount; ++n) {
        state.stations[n] = FixedWidth("STATION " + std::to_string(n), kStationWidth);
    }
    state.gases[0] = makeGas("CH4", 100, 1, 0, "%LEL");
    state.gases[1] = makeGas("O2", 25.0f, 0.1f, 1, "VOL%");
    state.gases[2] = makeGas("H2S", 30.0f, 0.1f, 1, "ppm");
    state.gases[3] = makeGas("CO", 500, 1, 0, "ppm");
    state.gases[4] = makeGas("CH4", 100, 1, 0, "VOL%");
    // Fresh air with a little sensor drift, so a zero visibly does something.
    const float readings[kGasCount] = {2, 20.9f, 0.3f, 3, 1};
    for (int g = 0; g < kGasCount; ++g) state.gases[g].reading = readings[g];
    RestoreDefaultSettings(state);
    fillLibrary(state);
    state.analog = {1210, 2480, 845, 312, 296, 1530, 3710, 0};
    state.adReal = 1.2345f;
    fillFlash(state.flash);
    fillFram(state.fram);
    return state;
}

}  // namespace vq::sim
