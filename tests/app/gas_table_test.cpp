#include "app/gas_table.h"

#include <gtest/gtest.h>

#include "app/app_config.h"
#include "app/config_file.h"
#include "model/instrument.h"

namespace vq {
namespace {

GasTable builtInTable() {
    GasTable t;
    FillBuiltInGasTable(t);
    return t;
}

TEST(ApplyGasToChannel, OfflineTakesEverythingFromTheTable) {
    GasTable table = builtInTable();
    table.at(0, 1).ratio = 0.7f;
    table.at(0, 1).zero = 3;
    InstrumentModel model;
    ASSERT_TRUE(ApplyGasToChannel(model, table, 1, 0, false));
    EXPECT_TRUE(model.GasEnabled(1));
    EXPECT_EQ(model.GasName(1), "O2");
    EXPECT_EQ(model.GasUnit(1), "VOL%");
    EXPECT_EQ(model.GasPoint(1), 1);
    EXPECT_FLOAT_EQ(model.Resolution(1), 0.1f);
    EXPECT_EQ(model.GasFullScale(1), 40.0f);
    EXPECT_EQ(model.Ratio(1), 0.7f);
    EXPECT_EQ(model.Warning(1), 19.5f);
    EXPECT_EQ(model.Alarm(1), 18.0f);
    EXPECT_EQ(model.Stel(1), -101.0f);
    EXPECT_EQ(model.AutoCalib(1), 12.0f);
    EXPECT_EQ(model.Zero(1), 3);
    EXPECT_TRUE(model.isChanged(SettingId::GasEnabled, 1));
    EXPECT_TRUE(model.isChanged(SettingId::Warning, 1));

    // A combustible channel is offline too: the table's row, not the instrument's list.
    ASSERT_TRUE(ApplyGasToChannel(model, table, 4, 3, false));
    EXPECT_EQ(model.GasName(4), "n-C6H14");
    EXPECT_EQ(model.GasUnit(4), "VOL%");
}

TEST(ApplyGasToChannel, ConnectedCombustibleChannelsTakeTheInstrumentsGasList) {
    GasTable table = builtInTable();
    table.at(0, 4).warning = 7;  // levels of the special gas come from row 0
    table.at(3, 4).warning = 4;
    InstrumentModel model;
    LibraryEntry listed;
    listed.Name = "  C3H8    ";
    listed.Unit = "%LEL";
    listed.FullScale = 50;
    listed.Digit = 0.5f;
    listed.Point = 1;
    listed.Ratio = 1.25f;
    model.setLI_Entry(15 + 3 + 1, listed);  // channel 4, gas 3
    LibraryEntry special = listed;
    special.Name = "USER";
    model.setLS_Entry(1, special);

    ASSERT_TRUE(ApplyGasToChannel(model, table, 4, 3, true));
    EXPECT_EQ(model.GasName(4), "C3H8");  // trimmed
    EXPECT_EQ(model.GasFullScale(4), 50.0f);
    EXPECT_EQ(model.GasPoint(4), 1);
    EXPECT_EQ(model.Ratio(4), 1.25f);
    EXPECT_EQ(model.Warning(4), 4.0f);

    ASSERT_TRUE(ApplyGasToChannel(model, table, 4, 15, true));
    EXPECT_EQ(model.GasName(4), "USER");
    EXPECT_EQ(model.Warning(4), 7.0f);

    // A connected non-combustible channel still uses the table.
    ASSERT_TRUE(ApplyGasToChannel(model, table, 3, 0, true));
    EXPECT_EQ(model.GasName(3), "CO");
}

// The special gas on a connected combustible channel: its levels come from the configuration's
// row for gas 16 when that row was filled, from the first gas's row when it is empty.
TEST(ApplyGasToChannel, TheSpecialGasTakesItsOwnRowOfTheConfiguration) {
    struct Case {
        const char* config;
        int channel;
        float warning, alarm, autoCalib;
    };
    const Case cases[] = {
        {"ChgGas\t1\t16\t'USER'\tTRUE\tFalse\t0\t'%LEL'\t12\t40\t-101\t-101\t1\t100\t33\r\n", 0, 12,
         40, 33},
        {"ChgGas\t5\t16\t'USER'\tTRUE\tFalse\t0\t'VOL%'\t6\t9\t-101\t-101\t1\t100\t45\r\n", 4, 6, 9,
         45},
        // Only the other channel's row is filled: this one's is empty, row 0 stands in.
        {"ChgGas\t5\t16\t'USER'\tTRUE\tFalse\t0\t'VOL%'\t6\t9\t-101\t-101\t1\t100\t45\r\n", 0, 10,
         50, 50},
        {"", 4, -101, -101, 50},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "channel " << c.channel << ": " << c.config);
        AppConfig config;
        FillBuiltInDefaults(config);
        ASSERT_TRUE(ReadConfigText(config, c.config).complete);
        InstrumentModel model;
        LibraryEntry special;
        special.Name = "USER";
        special.FullScale = 100;
        special.Digit = 1;
        model.setLS_Entry(c.channel == 0 ? 0 : 1, special);
        ASSERT_TRUE(ApplyGasToChannel(model, config.gasTable, c.channel, 15, true));
        EXPECT_EQ(model.GasName(c.channel), "USER");
        EXPECT_EQ(model.Warning(c.channel), c.warning);
        EXPECT_EQ(model.Alarm(c.channel), c.alarm);
        EXPECT_EQ(model.AutoCalib(c.channel), c.autoCalib);
    }
}

TEST(ApplyGasToChannel, OutOfRangeSelectionsChangeNothing) {
    GasTable table = builtInTable();
    InstrumentModel model;
    model.ClearChangeFlags();
    EXPECT_FALSE(ApplyGasToChannel(model, table, 2, -1, false));  // nothing was chosen
    EXPECT_FALSE(ApplyGasToChannel(model, table, 5, 0, false));
    EXPECT_FALSE(ApplyGasToChannel(model, table, 0, 17, false));
    EXPECT_FALSE(ApplyGasToChannel(model, table, 4, 16, true));  // beyond the instrument's list
    EXPECT_FALSE(model.GasEnabled(2));
    EXPECT_FALSE(model.isChanged(SettingId::GasEnabled, 0));
    EXPECT_FALSE(model.isChanged(SettingId::GasEnabled, 4));
}

}  // namespace
}  // namespace vq
