#include "model/gas_channel.h"

#include <gtest/gtest.h>

#include "model/instrument.h"

namespace vq {
namespace {

ChannelGas hydrogenSulphide() {
    ChannelGas gas;
    gas.name = "H2S";
    gas.unit = "ppm";
    gas.decimals = 1;
    gas.resolution = 0.5f;
    gas.fullScale = 100;
    gas.warning = 10;
    gas.alarm = 30;
    gas.stel = 15;
    gas.twa = 10;
    gas.autoCalib = 25;
    gas.ratio = 0.7f;
    gas.zero = 3;
    return gas;
}

// A gas put on a channel reads back whole, the channel is on, and every flag a user's edit of
// those values would mark is marked (the writer owes the instrument each of them).
TEST(ChannelGas, PutThenReadGivesTheSameGasAndMarksTheWrites) {
    const ChannelGas gas = hydrogenSulphide();
    for (int ch = 0; ch < InstrumentModel::channelCount; ++ch) {
        InstrumentModel model;
        model.ClearChangeFlags();
        PutGasOnChannel(model, ch, gas);
        EXPECT_EQ(GasOnChannel(model, ch), gas) << ch;
        EXPECT_TRUE(model.GasEnabled(ch));
        for (const SettingId id : {SettingId::GasEnabled, SettingId::GasPoint, SettingId::Warning,
                                   SettingId::Alarm, SettingId::Stel, SettingId::Twa,
                                   SettingId::AutoCalib, SettingId::Ratio, SettingId::Zero})
            EXPECT_TRUE(model.isChanged(id, ch)) << ch;
        // The other channels are untouched.
        const int other = (ch + 1) % InstrumentModel::channelCount;
        EXPECT_FALSE(model.GasEnabled(other));
        EXPECT_FALSE(model.isChanged(SettingId::Warning, other));
    }
}

TEST(ChannelGas, KeepLeavesTheChannelsRatioAndZero) {
    InstrumentModel model;
    model.setRatio(2, 1.25f);
    model.setZero(2, -4);
    model.ClearChangeFlags();
    PutGasOnChannel(model, 2, hydrogenSulphide(), GasRatioAndZero::Keep);
    const ChannelGas read = GasOnChannel(model, 2);
    EXPECT_EQ(read.ratio, 1.25f);
    EXPECT_EQ(read.zero, -4);
    EXPECT_FALSE(model.isChanged(SettingId::Ratio, 2));
    EXPECT_FALSE(model.isChanged(SettingId::Zero, 2));
    ChannelGas expected = hydrogenSulphide();
    expected.ratio = 1.25f;
    expected.zero = -4;
    EXPECT_EQ(read, expected);
}

// A channel outside 0-4 (the levels' sixth record included) is left alone: no throw, no flag.
TEST(ChannelGas, ChannelOutsideTheFiveIsLeftAlone) {
    InstrumentModel model;
    model.ClearChangeFlags();
    const InstrumentModel before = model;
    for (int ch : {-1, 5, 6}) {
        EXPECT_NO_THROW(PutGasOnChannel(model, ch, hydrogenSulphide())) << ch;
    }
    EXPECT_EQ(model.Warning(5), before.Warning(5));
    EXPECT_FALSE(model.isChanged(SettingId::Warning, 5));
    for (int ch = 0; ch < InstrumentModel::channelCount; ++ch) EXPECT_FALSE(model.GasEnabled(ch));
}

}  // namespace
}  // namespace vq
