// The working folder of a run: configuration defaults and the generations of the
// communication log, on real files in a scratch folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>
#include <vector>

#include "app/app_config.h"
#include "app/config_file.h"
#include "cli/link_settings.h"
#include "cli/serial_log_rotation.h"
#include "tests/support/files.h"

namespace vq::cli {
namespace {

namespace fs = std::filesystem;

class WorkFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("vq-cli-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    void writeFile(const std::string& name, const std::string& text) const {
        std::ofstream(dir / name, std::ios::binary) << text;
    }
    std::string readFile(const std::string& name) const { return test::readFile(dir / name); }
    void writeConfig(int retry, int timeout, bool serialLog) const {
        AppConfig config;
        FillBuiltInDefaults(config);
        config.retry = static_cast<int16_t>(retry);
        config.timeout = static_cast<int16_t>(timeout);
        config.serialLog = serialLog;
        writeFile(configFileName, ConfigFileText(config, 45000.0));
    }

    fs::path dir;
};

TEST_F(WorkFolder, LinkSettingsComeFromOptionsThenTheFileThenTheDefaults) {
    GlobalOptions options;
    LinkSettings s = loadLinkSettings(options, dir);
    EXPECT_EQ(s.retry, 3);
    EXPECT_EQ(s.timeoutSeconds, 3);
    EXPECT_TRUE(s.serialLog);  // without a configuration the communication log is written
    EXPECT_TRUE(s.warnings.empty());

    writeConfig(7, 5, false);
    s = loadLinkSettings(options, dir);
    EXPECT_EQ(s.retry, 7);
    EXPECT_EQ(s.timeoutSeconds, 5);
    EXPECT_FALSE(s.serialLog);

    options.retry = 1;
    options.timeoutSeconds = 9;
    s = loadLinkSettings(options, dir);
    EXPECT_EQ(s.retry, 1);
    EXPECT_EQ(s.timeoutSeconds, 9);
}

TEST_F(WorkFolder, OutOfBoundsLinkNumbersInTheFileAreNamedAndTheDefaultsUsed) {
    // No time-out at all would fail every reply at once; a retry count of thousands would keep
    // a silent instrument busy for hours. Each is refused with its line, the rest still read.
    for (const auto& [retry, timeout, warning] : std::vector<std::tuple<int, int, std::string>>{
             {2, 0, "Timeout 0 is outside 1 to 60"},
             {2, 4000, "Timeout 4000 is outside 1 to 60"},
             {32767, 4, "Retry 32767 is outside 0 to 10"},
             {-1, 4, "Retry -1 is outside 0 to 10"}}) {
        writeConfig(retry, timeout, true);
        const LinkSettings s = loadLinkSettings({}, dir);
        EXPECT_EQ(s.timeoutSeconds, timeout == 4 ? 4 : 3) << warning;
        EXPECT_EQ(s.retry, retry == 2 ? 2 : 3) << warning;
        ASSERT_EQ(s.warnings.size(), 1u) << warning;
        EXPECT_NE(s.warnings[0].find(warning), std::string::npos) << s.warnings[0];
        EXPECT_NE(s.warnings[0].find(configFileName), std::string::npos) << s.warnings[0];
    }
    // Retry 0 is one try: taken, not replaced.
    writeConfig(0, 2, true);
    EXPECT_EQ(loadLinkSettings({}, dir).retry, 0);
}

TEST_F(WorkFolder, RotationShiftsEveryGenerationAndDropsTheOldest) {
    writeFile("SerialLog.log", "run 0");
    for (int n = 1; n <= 9; ++n)
        writeFile("SerialLog" + std::to_string(n) + ".log", "run " + std::to_string(n));
    std::string error;
    ASSERT_TRUE(RotateSerialLogs(dir, &error)) << error;
    EXPECT_FALSE(fs::exists(dir / "SerialLog.log"));
    for (int n = 1; n <= 9; ++n) {
        EXPECT_EQ(readFile("SerialLog" + std::to_string(n) + ".log"),
                  "run " + std::to_string(n - 1));
    }
    EXPECT_FALSE(fs::exists(dir / "SerialLog10.log"));
}

TEST_F(WorkFolder, RotationFillsGapsAndCopesWithNoLogAtAll) {
    std::string error;
    EXPECT_TRUE(RotateSerialLogs(dir, &error));  // nothing there yet
    writeFile("SerialLog.log", "newest");
    writeFile("SerialLog4.log", "older");
    ASSERT_TRUE(RotateSerialLogs(dir, &error)) << error;
    EXPECT_EQ(readFile("SerialLog1.log"), "newest");
    EXPECT_EQ(readFile("SerialLog5.log"), "older");
    EXPECT_FALSE(fs::exists(dir / "SerialLog2.log"));
    EXPECT_FALSE(fs::exists(dir / "SerialLog4.log"));
}

TEST_F(WorkFolder, RotationBlockedByAnImmovableNameStopsWithoutLosingALog) {
    writeFile("SerialLog.log", "newest");
    writeFile("SerialLog8.log", "eighth");
    // A folder that is not empty where the oldest generation goes cannot be removed.
    fs::create_directories(dir / "SerialLog9.log" / "inside");
    std::string error;
    EXPECT_FALSE(RotateSerialLogs(dir, &error));
    EXPECT_NE(error.find("SerialLog9.log"), std::string::npos);
    // It stopped without waiting, and nothing was overwritten.
    EXPECT_EQ(readFile("SerialLog.log"), "newest");
    EXPECT_EQ(readFile("SerialLog8.log"), "eighth");
}

}  // namespace
}  // namespace vq::cli
