// Every answer of a read-all is taken by the program's own decoder, and the model it fills
// holds what the virtual instrument holds.

#include <gtest/gtest.h>

#include "model/ole_date.h"
#include "model/value_codecs.h"
#include "sim_test_support.h"

namespace vq::sim::testing {
namespace {

TEST(SimReadAll, EveryAnswerIsAcceptedAndFillsTheModel) {
    Bench bench;
    const auto payloads = ReadAllPayloads();
    ASSERT_EQ(payloads.size(), 307u);
    for (const std::string& payload : payloads) {
        EXPECT_TRUE(bench.exchange(payload)) << payload << " -> " << bench.replyText(payload);
    }
    EXPECT_TRUE(bench.host.log.empty()) << bench.host.log.front();

    const SimState& s = bench.responder.state();
    const InstrumentModel& m = bench.model;
    EXPECT_EQ(m.RomNumber(), s.romNumber);
    EXPECT_EQ(m.SUM(), s.sum);
    EXPECT_EQ(m.SerialNo(), "VQ51-000123");
    EXPECT_EQ(m.UserID(), "SERVICE");
    EXPECT_EQ(m.StationID(), "STATION-A");
    EXPECT_EQ(m.StationList(255), s.stations[255]);  // kept at full width
    EXPECT_EQ(m.SpecType(), "0");
    EXPECT_EQ(m.Intervals(), 60);
    EXPECT_EQ(m.CalLimit(), 180);
    EXPECT_EQ(m.LcdBackLight(), 30);
    EXPECT_EQ(m.FlowLevel(), 0x200);
    EXPECT_EQ(m.BumpTime(), 2);
    EXPECT_EQ(m.BumpFailAfter(), 1);

    const char* names[] = {"CH4", "O2", "H2S", "CO", "CH4"};
    const char* units[] = {"%LEL", "VOL%", "ppm", "ppm", "VOL%"};
    for (int g = 0; g < kGasCount; ++g) {
        SCOPED_TRACE(g);
        EXPECT_TRUE(m.GasEnabled(g));
        EXPECT_EQ(m.GasName(g), names[g]);
        EXPECT_EQ(m.GasUnit(g), units[g]);
        EXPECT_FLOAT_EQ(m.GasFullScale(g), s.gases[g].fullScale);
        EXPECT_FLOAT_EQ(m.Resolution(g), s.gases[g].resolution);
        EXPECT_EQ(m.GasPoint(g), s.gases[g].decimals);
        EXPECT_FLOAT_EQ(m.Warning(g), s.gases[g].warning);
        EXPECT_FLOAT_EQ(m.Alarm(g), s.gases[g].alarm);
        EXPECT_FLOAT_EQ(m.Stel(g), s.gases[g].stel);
        EXPECT_FLOAT_EQ(m.AutoCalib(g), s.gases[g].autoCal);
    }
    EXPECT_EQ(m.GasPoint(1), 1);  // O2 in tenths

    // Library coefficients cross the wire as hexadecimal floats: bit for bit.
    for (int i = 1; i <= 30; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(m.LI_Name(i), FixedWidth(s.library[i].name, 10));  // as received
        EXPECT_EQ(m.LI_Ratio(i), s.library[i].ratio);
        EXPECT_EQ(m.LI_Linear1_c(i), static_cast<double>(s.library[i].linear[2]));
        EXPECT_EQ(m.LI_elem_vol(i), s.library[i].elemVol);
    }
    EXPECT_EQ(m.LS_Name(1), "SPECIAL-2 ");
    EXPECT_EQ(m.LS_Point(1), 1);
    EXPECT_FLOAT_EQ(m.LS_Digit(1), 0.5f);

    for (int i = 0; i < 8; ++i) EXPECT_EQ(m.AnalogValue(i), s.analog[i]);
    EXPECT_EQ(m.AdrealValue(), s.adReal);
    EXPECT_EQ(GeneralDate(m.SysDate()), "2026/12/07 08:00:00");
}

TEST(SimReadAll, ProbeNamesTheModelAndConnects) {
    Bench bench;
    EXPECT_TRUE(bench.exchange("RC,R,"));
    EXPECT_TRUE(bench.host.connected);
    EXPECT_NE(bench.replyText("RC,R,").find("VQ-5100"), std::string::npos);
}

TEST(SimReadAll, HistoryReadingsAndFlagsDecode) {
    Bench bench;
    EXPECT_TRUE(bench.exchange("SO,R,"));  // no calibration yet: every channel without a date
    EXPECT_FLOAT_EQ(bench.model.CalibBefore(0), kNoValue);

    EXPECT_TRUE(bench.exchange("DN,R,"));
    EXPECT_NEAR(bench.host.readings()[1], 20.9f, 0.15f);  // O2 in fresh air, a little noise
    EXPECT_NEAR(bench.host.readings()[0], 2.0f, 1.01f);

    EXPECT_TRUE(bench.exchange("UZ,W,1010"));
    EXPECT_TRUE(bench.exchange("UZ,R,"));
    EXPECT_EQ(bench.model.Zero(0), 1);
    EXPECT_EQ(bench.model.Zero(1), 0);
    EXPECT_EQ(bench.model.Zero(2), 1);
    EXPECT_TRUE(bench.exchange("AO,R,"));
    EXPECT_TRUE(bench.exchange("BP,W,1"));
    EXPECT_TRUE(bench.responder.state().pumpOn);
    EXPECT_EQ(bench.replyText("BP,R,"), Request("BP,R,1,"));
}

TEST(SimReadAll, DisabledChannelReadsAsNoGas) {
    SimState state = DefaultSimState();
    state.gases[4].enabled = false;
    Bench bench(state);
    EXPECT_TRUE(bench.exchange("GJ,R,"));
    EXPECT_FALSE(bench.model.GasEnabled(4));
    EXPECT_TRUE(bench.exchange("DN,R,"));
    EXPECT_FLOAT_EQ(bench.host.readings()[4], kNoValue);
    EXPECT_TRUE(bench.exchange("A1,R,"));
}

}  // namespace
}  // namespace vq::sim::testing
