// The state file: everything survives a save and a load, a partial file changes only what it
// names, and a bad line is reported by number.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "model/ole_date.h"
#include "sim/state_file.h"
#include "sim_test_support.h"

namespace vq::sim::testing {
namespace {

TEST(SimStateFile, EverythingSurvivesSaveAndLoad) {
    // A state changed through the wire, so the awkward values are in it.
    Bench bench;
    bench.ask("XS,W,0007,QUOTE\" BACK\\ END");
    bench.ask("HF,W,FFF6");
    bench.ask("SZ,W,11111");
    bench.seconds = 10;
    bench.ask("SZ,C,");
    bench.ask("XC,W,");
    bench.responder.state().library[4].linear[3] = 1.0e-7f;
    bench.responder.state().gases[1].spanFails = true;
    const SimState& original = bench.responder.state();

    const std::string text = StateToText(original);
    std::string error;
    const auto loaded = StateFromText(text, &error);
    ASSERT_TRUE(loaded) << error;
    EXPECT_EQ(StateToText(*loaded), text);
    EXPECT_EQ(loaded->stations[7], FixedWidth("QUOTE\" BACK\\ END", kStationWidth));
    EXPECT_EQ(loaded->settings, original.settings);
    EXPECT_EQ(loaded->library[4], original.library[4]);
    EXPECT_EQ(loaded->gases[0].calibTime, original.gases[0].calibTime);
    EXPECT_EQ(loaded->flash, original.flash);
    EXPECT_EQ(loaded->fram, original.fram);
    EXPECT_TRUE(loaded->gases[1].spanFails);
}

TEST(SimStateFile, PartialFileChangesOnlyWhatItNames) {
    std::string error;
    const auto state = StateFromText(
        "# one failing channel\n"
        "gas.2.span_fails = 1\n"
        "  zero_seconds = 1  \n"
        "gas.0.calib_time = 2026/11/30 09:15:00\n"
        "fram.0010 = 0102\n",
        &error);
    ASSERT_TRUE(state) << error;
    EXPECT_TRUE(state->gases[2].spanFails);
    EXPECT_FALSE(state->gases[1].spanFails);
    EXPECT_EQ(state->zeroSeconds, 1);
    EXPECT_EQ(state->serialNo, DefaultSimState().serialNo);
    EXPECT_EQ(state->flash, DefaultSimState().flash);  // no flash line: the default image
    EXPECT_EQ(state->fram[0x10], 1);                   // a FRAM line: the rest reads erased
    EXPECT_EQ(state->fram[0x11], 2);
    EXPECT_EQ(state->fram[0], 0);
    Bench bench(*state);
    EXPECT_TRUE(bench.exchange("SO,R,"));
    EXPECT_EQ(GeneralDate(bench.model.CalibDate(0)), "2026/11/30 09:15:00");
}

TEST(SimStateFile, BadLinesAreNamed) {
    const std::pair<const char*, const char*> cases[] = {
        {"gas.9.name = \"X\"\n", "line 1: unknown name gas.9.name"},
        {"# c\nsettings.hc_mode = two\n", "line 2: bad value for settings.hc_mode"},
        {"serial_no = unquoted\n", "line 1: bad value for serial_no"},
        {"pump_on = 2\n", "line 1: bad value for pump_on"},
        {"flash.07FFFF = 0102\n", "line 1: bad flash line"},
        {"just words\n", "line 1: expected NAME = VALUE"},
        {"sum = \"1\"\nsum = \"2\"\n", "line 2: sum given twice"},
        {"library.3.linear = 1 2 3\n", "line 1: bad value for library.3.linear"},
        {"gas.0.calib_time = 2026/13/01 00:00:00\n", "line 1: bad value for gas.0.calib_time"},
    };
    for (const auto& [text, expected] : cases) {
        std::string error;
        EXPECT_FALSE(StateFromText(text, &error)) << text;
        EXPECT_EQ(error, expected);
    }
}

TEST(SimStateFile, FileIsReplacedWhole) {
    const auto dir = std::filesystem::temp_directory_path() / "vq_sim_state_test";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "state.txt").string();
    SimState state = DefaultSimState();
    state.userId = FixedWidth("FIRST", kUserIdWidth);
    ASSERT_TRUE(SaveStateFile(path, state));
    state.userId = FixedWidth("SECOND", kUserIdWidth);
    ASSERT_TRUE(SaveStateFile(path, state));
    const auto loaded = LoadStateFile(path);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->userId, state.userId);
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
    std::string error;
    EXPECT_FALSE(LoadStateFile((dir / "missing.txt").string(), &error));
    EXPECT_NE(error.find("cannot read"), std::string::npos);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace vq::sim::testing
