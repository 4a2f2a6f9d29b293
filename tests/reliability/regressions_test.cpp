// Faults found by fuzzing and by the virtual instrument, each kept as the case that showed it.

#include <gtest/gtest.h>

#include "app/settings_file.h"
#include "model/instrument.h"
#include "protocol/frame.h"
#include "protocol/settings_write.h"
#include "tests/support/sim_link.h"

namespace vq::test {
namespace {

// A refused gas-table write ("GJ,W" answered with NAK) was taken as written: the change flags
// were cleared and the technician told the settings were in the instrument.
TEST(Regressions, RefusedGasTableWriteFailsAndKeepsItsFlags) {
    SimLink s;
    ASSERT_TRUE(s.connect(1, 1));
    ASSERT_TRUE(s.link.reads().GetInstrument(&s.model));
    s.port.rewrite = [](std::string bytes) {
        if (bytes.find("GJ,W") == std::string::npos) return bytes;
        return Reply("GJ,W," + std::string(1, NAK));
    };
    s.model.setGasEnabled(2, !s.model.GasEnabled(2));
    ASSERT_TRUE(s.model.isChanged(SettingId::GasEnabled, 2));
    EXPECT_FALSE(s.link.WriteSettings(&s.model).succeeded());
    EXPECT_TRUE(s.model.isChanged(SettingId::GasEnabled, 2));
    // Every attempt was refused: the write was sent 1 + Retry times, never taken.
    int sends = 0;
    for (const std::string& payload : s.port.payloads()) sends += payload.rfind("GJ,W,", 0) == 0;
    EXPECT_EQ(sends, 2);
}

// A zero calibration the instrument never finishes (it answers "busy" for ever) must end, with
// the failure line, after the poll limit: it held the program indefinitely.
TEST(Regressions, ZeroCalibrationThatNeverFinishesEndsAtThePollLimit) {
    sim::SimState state = sim::DefaultSimState();
    state.zeroSeconds = 100 * 24 * 3600;
    SimLink s(std::move(state));
    ASSERT_TRUE(s.connect());
    std::vector<std::string> log;
    s.link.setLogWriter([&](std::string_view text) { log.emplace_back(text); });
    const auto start = s.host.now();
    EXPECT_FALSE(s.link.calibration().ZeroCal("11111"));
    const auto payloads = s.port.payloads();
    ASSERT_EQ(payloads.size(), 1u + CalibrationSteps::kZeroPollLimit);
    EXPECT_EQ(payloads.back(), "SZ,C,");
    EXPECT_LT(s.host.now() - start, std::chrono::minutes(15));
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back().rfind("---Calibration Upload Failed---", 0), 0u) << log.back();
}

// Found by the soak: an answer that came late (after its request had been sent again) was taken
// as the answer to the next request, so the read-all finished "successfully" with entries never
// read and others overwritten. A late answer is now logged and ignored.
TEST(Regressions, LateAnswerToAnEarlierRequestIsNotTakenForTheCurrentOne) {
    SimLink s;
    ASSERT_TRUE(s.connect());
    s.port.rewrite = [](std::string bytes) {
        if (bytes.find("XS,R,0009,") == std::string::npos) return bytes;
        return Reply("XS,R,0008,LATE ANSWER 8  ") + bytes;
    };
    ASSERT_TRUE(s.link.reads().GetInstrument(&s.model));
    for (int i = 0; i < sim::kStationCount; ++i) {
        EXPECT_EQ(s.model.StationList(i),
                  s.instrument.state().stations[static_cast<std::size_t>(i)])
            << i;
    }
    // The other keys too: a reply with another command's key does not end a transaction.
    s.port.rewrite = [](std::string bytes) {
        if (bytes.find("XP,R,") == std::string::npos) return bytes;
        return Reply("AP,R,1") + bytes;
    };
    InstrumentModel again;
    ASSERT_TRUE(s.link.reads().GetInstrument(&again));
    EXPECT_EQ(again.Intervals(), s.instrument.state().settings.intervals);
    EXPECT_EQ(again.AlarmMode(), s.instrument.state().settings.alarmMode);
}

// Found by fuzzing the settings command file: a level too large for five characters was taken,
// and storing the settings cut it to its last five ("000.0"), so the stored file brought back
// another alarm level than the one loaded. Such a file is now refused, naming the line.
TEST(Regressions, SettingsFileLevelThatCannotBeStoredIsRefused) {
    InstrumentModel model;
    model.setAlarm(1, 50);
    const std::string text =
        "XT,W,001E,\r\n"
        "A2,W,   50, 100000000,*****,*****,    0,\r\n";
    const SettingsReadResult result = ReadSettingsText(model, text);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.line, 2);
    EXPECT_EQ(result.reason.rfind("A2: ", 0), 0u) << result.reason;
    EXPECT_EQ(model.Alarm(1), 50);  // untouched

    // Values that fit still load and store as they were read.
    InstrumentModel fits;
    fits.setIntervals(60);  // the settings the file does not name must be ones a file may hold
    ASSERT_TRUE(ReadSettingsText(fits, "A2,W,   50,  999,*****,*****,    0,\r\n").ok);
    InstrumentModel again;
    ASSERT_TRUE(ReadSettingsText(again, SettingsFileText(fits)).ok);
    EXPECT_EQ(SettingsFileText(again), SettingsFileText(fits));
    EXPECT_EQ(again.Alarm(1), 999);
}

}  // namespace
}  // namespace vq::test
