#include "app/gas_table.h"

#include "model/instrument.h"
#include "model/text_rules.h"

namespace vq {

namespace {

constexpr const char* combustibleGases[] = {"CH4",   "i-C4H10", "H2",   "n-C6H14",
                                            "CH3OH", "C2H2",    "C7H8", "MEK"};

GasEntry builtIn(const char* name, const char* unit, int16_t decimals, float warning, float alarm,
                 float stel, float twa, float resolution, float fullScale, float autoCalib) {
    GasEntry e;
    e.enabled = true;
    e.name = name;
    e.unit = unit;
    e.decimals = decimals;
    e.warning = warning;
    e.alarm = alarm;
    e.stel = stel;
    e.twa = twa;
    e.resolution = resolution;
    e.fullScale = fullScale;
    e.autoCalib = autoCalib;
    return e;
}

}  // namespace

void FillBuiltInGasTable(GasTable& table) {
    table = GasTable{};
    constexpr float n = levelNotSet;
    int row = 0;
    for (const char* name : combustibleGases) {
        table.at(row, 0) = builtIn(name, "%LEL", 0, 10, 50, n, n, 1, 100, 50);
        table.at(row, 4) = builtIn(name, "VOL%", 0, n, n, n, n, 1, 100, 50);
        ++row;
    }
    table.at(0, 1) = builtIn("O2", "VOL%", 1, 19.5f, 18, n, n, 0.1f, 40, 12);
    table.at(0, 2) = builtIn("H2S", "ppm", 1, 10, 30, 15, 10, 0.5f, 100, 10);
    table.at(0, 3) = builtIn("CO", "ppm", 0, 25, 50, 200, 25, 1, 500, 100);
}

bool ApplyGasToChannel(InstrumentModel& model, const GasTable& table, int channel, int gasNumber,
                       bool connected) {
    if (channel < 0 || channel >= InstrumentModel::channelCount) return false;
    if (!GasTable::valid(gasNumber, channel)) return false;
    const bool combustible = channel == 0 || channel == 4;
    const bool fromInstrument = combustible && connected;
    constexpr int specialGas = 15;
    if (fromInstrument && gasNumber > specialGas) return false;  // the instrument lists 0-15

    // The identity from the instrument's gas lists or the table, the levels from the table.
    ChannelGas gas;
    int levelRow = gasNumber;
    if (fromInstrument) {
        const LibraryEntry& listed = gasNumber == specialGas
                                         ? model.LS_Entry(channel == 0 ? 0 : 1)
                                         : model.LI_Entry((channel == 4 ? 15 : 0) + gasNumber + 1);
        gas.name = TrimText(listed.Name);
        gas.decimals = listed.Point;
        gas.unit = listed.Unit;
        gas.resolution = listed.Digit;
        gas.fullScale = listed.FullScale;
        gas.ratio = listed.Ratio;
        // The special gas's levels are its own table row; a row that was never filled (no full
        // scale) has none, and the first gas's levels stand in.
        if (gasNumber == specialGas && !(table.at(specialGas, channel).fullScale > 0)) levelRow = 0;
    } else {
        gas = table.at(gasNumber, channel);
    }
    const GasEntry& levels = table.at(levelRow, channel);
    gas.warning = levels.warning;
    gas.alarm = levels.alarm;
    gas.stel = levels.stel;
    gas.twa = levels.twa;
    gas.autoCalib = levels.autoCalib;
    gas.zero = levels.zero;
    PutGasOnChannel(model, channel, gas);
    return true;
}

}  // namespace vq
