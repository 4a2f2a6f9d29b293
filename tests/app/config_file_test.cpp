#include "app/config_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "app/password_scramble.h"
#include "file_test_support.h"
#include "messages/messages.h"
#include "model/ole_date.h"
#include "tests/support/golden.h"

namespace vq {
namespace {

using test::TempDir;
using testing::crlfLines;
using testing::readFile;
using testing::ReadOnlyFolder;
using testing::writeFile;

const double when = *MakeOleDate(2026, 12, 7, 9, 30, 15);

AppConfig filledConfig() {
    AppConfig c;
    FillBuiltInDefaults(c);
    return c;
}

// Reads `text` over a freshly filled configuration.
AppConfig readBack(const std::string& text, ConfigLoadResult* result = nullptr) {
    AppConfig c = filledConfig();
    ConfigLoadResult r = ReadConfigText(c, text);
    if (result != nullptr) *result = r;
    return c;
}

// The file text without the lines that must change on every save.
std::vector<std::string> stableLines(const std::string& text) {
    std::vector<std::string> lines;
    for (const std::string& l : crlfLines(text)) {
        if (l.rfind(";      Last update = ", 0) == 0 || l.rfind("Execute Count\t", 0) == 0)
            continue;
        lines.push_back(l);
    }
    return lines;
}

std::string lineWithKey(const std::string& text, const std::string& key) {
    for (const std::string& l : crlfLines(text)) {
        if (l.rfind(key + "\t", 0) == 0) return l;
    }
    return {};
}

class ConfigFile : public ::testing::Test {
  protected:
    void SetUp() override { setLanguage(Language::English); }
    void TearDown() override { setLanguage(Language::English); }
};

// The whole file, byte for byte, from the built-in defaults saved at a fixed time: every key in
// its place and form (a delay of 0 is written as 300, the count one higher than read).
TEST_F(ConfigFile, LayoutMatchesTheGoldenFile) {
    AppConfig c = filledConfig();
    c.executeCount = 4;
    EXPECT_TRUE(test::MatchesGolden("config_file.txt", ConfigFileText(c, when)));

    setLanguage(Language::Japanese);
    EXPECT_EQ(crlfLines(ConfigFileText(c, when))[6],
              ";                 " + ResMessage(Language::Japanese, 1008));
}

TEST_F(ConfigFile, WrittenReadAndWrittenAgainIsIdenticalButForDateAndCount) {
    AppConfig c = filledConfig();
    c.executeCount = 41;
    c.serialLog = true;
    c.factoryRecordSuffix = "B7";
    c.timeout = 9;
    c.retry = 5;
    c.autoLoadMode = true;
    c.font = {"MS UI Gothic", 10.5f, true, false, true};
    c.calibRange = {40, 11, 20, 45};
    c.gasLocked[2] = true;
    c.factoryAutoCal = {55, 13, 9.5f, 90, 40};
    c.conversionFactor = 0.125f;
    c.gasTable.at(5, 3) = {true, "NH3", true, "ppm", 100, 0.5f, 1, 25, 50, 35, 25, 0, 20, 0};
    c.windowState = 2;
    c.windowWidth = 15000.5f;
    c.windowPositionKnown = true;
    c.windowLeft = -1500;  // a monitor left of the main one
    c.windowTop = 450;
    c.printWidth = {2, 3};
    c.userPassword = "pa55 wörd";
    c.calSpanOffWait = 77;
    c.completelyView = false;
    c.trendBefore = -10;
    c.ConfigDefaults.setCalLimit(120);
    c.ConfigDefaults.setFlowValue(99);
    c.ConfigDefaults.setGasName(4, "C3H8");
    c.ConfigDefaults.setWarning(4, 0.3f);
    c.recordsLocation = "/srv/bench records/VQ5100Records.sqlite";

    const std::string first = ConfigFileText(c, when);
    ConfigLoadResult r;
    AppConfig back = readBack(first, &r);
    EXPECT_TRUE(r.complete) << r.error;
    EXPECT_EQ(back.executeCount, 42);
    EXPECT_EQ(back.font, c.font);
    EXPECT_EQ(back.gasTable.at(5, 3).name, "NH3");
    EXPECT_EQ(back.userPassword, "pa55 wörd");
    EXPECT_EQ(back.gasLocked, c.gasLocked);
    EXPECT_EQ(back.factoryAutoCal, c.factoryAutoCal);
    EXPECT_FLOAT_EQ(back.ConfigDefaults.Warning(4), 0.3f);
    EXPECT_TRUE(back.windowPositionKnown);
    EXPECT_EQ(back.windowLeft, -1500.0f);
    EXPECT_EQ(back.windowTop, 450.0f);
    EXPECT_EQ(lineWithKey(first, "Window Position"), "Window Position\t-1500\t450");
    EXPECT_EQ(back.recordsLocation, c.recordsLocation);

    const std::string second = ConfigFileText(back, when + 1);
    EXPECT_EQ(stableLines(first), stableLines(second));
    EXPECT_EQ(lineWithKey(second, "Execute Count"), "Execute Count\t43");
    EXPECT_NE(crlfLines(first)[2], crlfLines(second)[2]);
}

TEST_F(ConfigFile, ReaderConversionsAndDefaults) {
    AppConfig c = readBack(
        "timeout\t\t7\r\n"
        "Retry\r\n"        // no value: changes nothing
        "Delay\tsoon\r\n"  // not a number: the key's default
        "Serial Log File\ton\r\n"
        "Font\t'Noto Sans; CJK'\t11\tTRUE\tfalse\tTrue ; trailing comment\r\n"
        "Auto Load Mode\ttrue\tfalse\r\n"
        "Gas Inst\t3\t'H2S'\tTRUE\tTrue\t1\t'ppm'\t5\t10\t-1\t-1\t0.1\t50\t25\t26\t7\r\n"
        "ChgGas\t6\t17\t'X'\tTRUE\tFalse\t2\t'ppm'\t1\t2\t-1\t4\t0.01\t9\t3\r\n"
        "Gas Inst\tthree\t'ignored'\r\n"  // channel not a number: skipped
        "Size Values\t1\t800\t600\r\n"    // state 1 is taken as 0
        "Conv Param\tx\tFalse\r\n"
        "CalSpanOnWait\t\r\n"
        "LimitDays\t12\r\n"
        "Unknown Key\t1\r\n");
    EXPECT_EQ(c.timeout, 7);
    EXPECT_EQ(c.retry, 3);
    EXPECT_EQ(c.delay, 100);
    EXPECT_TRUE(c.serialLog);
    EXPECT_EQ(c.font, (FontSetting{"Noto Sans; CJK", 11, true, false, false}));
    EXPECT_TRUE(c.autoLoadMode);
    EXPECT_FALSE(c.autoRemoveData);
    EXPECT_EQ(c.ConfigDefaults.GasName(2), "H2S");
    EXPECT_TRUE(c.gasLocked[2]);
    EXPECT_EQ(c.ConfigDefaults.Stel(2), -101.0f);
    EXPECT_EQ(c.ConfigDefaults.Twa(2), -101.0f);
    EXPECT_EQ(c.factoryAutoCal[2], 26.0f);
    EXPECT_EQ(c.graphColour[2], 7);
    EXPECT_EQ(c.gasTable.at(16, 5).name, "X");
    EXPECT_EQ(c.gasTable.at(16, 5).stel, -101.0f);
    EXPECT_EQ(c.gasTable.at(16, 5).twa, 4.0f);
    EXPECT_EQ(c.windowState, 0);
    EXPECT_EQ(c.windowWidth, 800.0f);
    EXPECT_EQ(c.conversionFactor, 0.2f);
    EXPECT_EQ(c.calSpanOnWait, 90);  // a line with an empty field is a line with one field
    EXPECT_EQ(c.calibLimitDays, 12);

    AppConfig off = readBack("Serial Log File\tyes\r\n");
    EXPECT_FALSE(off.serialLog);
    // The Auto Load Mode line is written back as it was read.
    EXPECT_EQ(lineWithKey(ConfigFileText(c, when), "Auto Load Mode"),
              "Auto Load Mode\tTrue\tFalse");
}

TEST_F(ConfigFile, ExecuteCountGrowsByOnePerSave) {
    TempDir dir;
    AppConfig c = filledConfig();
    c.executeCount = 4;
    ASSERT_TRUE(SaveConfig(c, dir.path(), when).ok);
    EXPECT_EQ(lineWithKey(readFile(ConfigFilePath(dir.path())), "Execute Count"),
              "Execute Count\t5");
    AppConfig again = filledConfig();
    ASSERT_TRUE(LoadConfig(again, dir.path()).complete);
    ASSERT_TRUE(SaveConfig(again, dir.path(), when).ok);
    EXPECT_EQ(lineWithKey(readFile(ConfigFilePath(dir.path())), "Execute Count"),
              "Execute Count\t6");

    c.executeCount = 2147483647;  // saturates instead of wrapping
    EXPECT_EQ(lineWithKey(ConfigFileText(c, when), "Execute Count"), "Execute Count\t2147483647");
}

TEST_F(ConfigFile, PasswordIsStoredScrambledTwice) {
    AppConfig c = filledConfig();
    c.userPassword = "AB12";
    std::string stored = lineWithKey(ConfigFileText(c, when), "VQ-5100").substr(8);
    ASSERT_EQ(stored.size(), 16u);
    for (char ch : stored) EXPECT_GE(ch, 'F');
    EXPECT_EQ(stored, ScramblePassword(ScramblePassword("AB12")));
    EXPECT_EQ(ScramblePassword("A"), "GJ");     // 65: 70 + 1, 70 + 4
    EXPECT_EQ(ScramblePassword("AA"), "GJHJ");  // the position is added
    EXPECT_EQ(UnscramblePassword(stored).value_or(""), ScramblePassword("AB12"));
    EXPECT_EQ(readBack("VQ-5100\t" + stored + "\r\n").userPassword, "AB12");

    // Damaged scrambles are refused, not turned into a password nobody can type.
    EXPECT_FALSE(UnscramblePassword("GJH"));
    EXPECT_FALSE(UnscramblePassword("AAAA"));
    EXPECT_FALSE(UnscramblePassword("G\x7F"));
}

// Found by fuzzing the reader: an empty password was written as the key alone, the reader
// skipped that line, and the password became another on the next start.
TEST_F(ConfigFile, EmptyPasswordRoundTripsAsEmpty) {
    TempDir dir;
    AppConfig c = filledConfig();
    c.userPassword.clear();
    EXPECT_EQ(lineWithKey(ConfigFileText(c, when), "VQ-5100"), "VQ-5100\t''");
    ASSERT_TRUE(SaveConfig(c, dir.path(), when).ok);
    for (int start = 0; start < 2; ++start) {
        AppConfig next = filledConfig();
        ASSERT_FALSE(next.userPassword.empty());
        const ConfigLoadResult loaded = LoadConfig(next, dir.path());
        EXPECT_TRUE(loaded.complete);
        EXPECT_EQ(next.userPassword, "");
        ASSERT_TRUE(SaveConfig(next, dir.path(), when).ok);
    }
    // A password that is not empty still reads as itself next to it.
    c.userPassword = "x";
    EXPECT_EQ(readBack(ConfigFileText(c, when)).userPassword, "x");
}

TEST_F(ConfigFile, BadLineInTheMiddleStopsReadingAndKeepsABackup) {
    TempDir dir;
    const std::string original =
        "Timeout\t5\r\n"
        "Retry\t40000\r\n"  // does not fit a 16-bit integer
        "Delay\t42\r\n"
        "Factory Record Suffix\tZ9\r\n";
    writeFile(ConfigFilePath(dir.path()), original);
    AppConfig c = filledConfig();
    ConfigLoadResult r = LoadConfig(c, dir.path());
    EXPECT_TRUE(r.found);
    EXPECT_FALSE(r.complete);
    EXPECT_EQ(r.badLine, 2);
    EXPECT_NE(r.error.find("line 2"), std::string::npos) << r.error;
    EXPECT_EQ(c.timeout, 5);  // before the bad line: taken
    EXPECT_EQ(c.retry, 3);    // the bad value is not taken
    EXPECT_EQ(c.delay, 0);    // after it: not taken
    EXPECT_EQ(c.factoryRecordSuffix, "");

    ConfigSaveResult saved = SaveConfig(c, dir.path(), when);
    ASSERT_TRUE(saved.ok) << saved.error;
    EXPECT_EQ(saved.backupPath, dir / "VQ5100Config.ini.bak");
    EXPECT_EQ(readFile(dir / "VQ5100Config.ini.bak"), original);
    EXPECT_EQ(lineWithKey(readFile(ConfigFilePath(dir.path())), "Timeout"), "Timeout\t5");

    // Only the first overwrite makes the backup.
    writeFile(dir / "VQ5100Config.ini.bak", "kept");
    EXPECT_TRUE(SaveConfig(c, dir.path(), when).backupPath.empty());
    EXPECT_EQ(readFile(dir / "VQ5100Config.ini.bak"), "kept");
}

TEST_F(ConfigFile, OutOfRangeChannelsAndGasNumbersStopReading) {
    const std::pair<std::string, int> cases[] = {
        {"Gas Inst\t6\t'X'\r\nTimeout\t9\r\n", 1},
        {"Gas Inst\t0\t'X'\r\n", 1},
        {"Timeout\t8\r\nChgGas\t7\t1\t'X'\r\nRetry\t9\r\n", 2},
        {"ChgGas\t1\t18\t'X'\r\n", 1},
        {"Execute Count\t9999999999\r\n", 1},
        {"Font\t'F'\t1e39\r\n", 1},
        {"VQ-5100\tGJH\r\n", 1},
    };
    for (const auto& [text, line] : cases) {
        ConfigLoadResult r;
        AppConfig c = readBack(text, &r);
        EXPECT_FALSE(r.complete) << text;
        EXPECT_EQ(r.badLine, line) << text;
        EXPECT_NE(c.timeout, 9) << text;
        EXPECT_TRUE(c.backupBeforeSave);
    }
}

TEST_F(ConfigFile, SaveIsOwnerOnlyAndAReadOnlyFolderKeepsTheOldFile) {
    TempDir dir;
    AppConfig c = filledConfig();
    ASSERT_TRUE(SaveConfig(c, dir.path(), when).ok);
    struct stat st {};
    ::stat(ConfigFilePath(dir.path()).c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    const std::string before = readFile(ConfigFilePath(dir.path()));
    c.timeout = 11;
    {
        ReadOnlyFolder readOnly(dir.path());
        ConfigSaveResult r = SaveConfig(c, dir.path(), when);
        EXPECT_FALSE(r.ok);
        EXPECT_FALSE(r.error.empty());
    }
    EXPECT_EQ(readFile(ConfigFilePath(dir.path())), before);
}

TEST_F(ConfigFile, AnIncompleteFileIsNotOverwrittenWhenItsBackupFails) {
    TempDir dir;
    writeFile(ConfigFilePath(dir.path()), "Retry\t99999\r\nTimeout\t4\r\n");
    std::filesystem::create_directory(dir / "VQ5100Config.ini.bak");  // the backup cannot be made
    AppConfig c = filledConfig();
    EXPECT_FALSE(LoadConfig(c, dir.path()).complete);
    EXPECT_FALSE(SaveConfig(c, dir.path(), when).ok);
    EXPECT_EQ(readFile(ConfigFilePath(dir.path())), "Retry\t99999\r\nTimeout\t4\r\n");
}

TEST_F(ConfigFile, MissingFileChangesNothing) {
    TempDir dir;
    AppConfig c = filledConfig();
    ConfigLoadResult r = LoadConfig(c, dir.path());
    EXPECT_FALSE(r.found);
    EXPECT_TRUE(r.complete);
    EXPECT_EQ(ConfigFileText(c, when), ConfigFileText(filledConfig(), when));
}

TEST_F(ConfigFile, AnyBytesAreReadWithoutCrashing) {
    for (const std::string& text : testing::hostileTexts()) {
        AppConfig c = filledConfig();
        ConfigLoadResult r = ReadConfigText(c, text);
        if (!r.complete) {
            EXPECT_GT(r.badLine, 0);
        }
        // Whatever was taken can be written and read again.
        ConfigLoadResult again;
        readBack(ConfigFileText(c, when), &again);
        EXPECT_TRUE(again.complete) << again.error;
    }
    // A byte-order mark from an editor does not hide the first key.
    EXPECT_EQ(readBack("\xEF\xBB\xBFTimeout\t6\r\n").timeout, 6);
    // CR-only line ends are line ends.
    AppConfig cr = readBack("Timeout\t5\rRetry\t9\r");
    EXPECT_EQ(cr.timeout, 5);
    EXPECT_EQ(cr.retry, 9);
    // A line of more than 256 fields stops the reading there.
    std::string wide = "Timeout";
    for (int i = 0; i < 300; ++i) wide += "\t1";
    ConfigLoadResult r;
    readBack("Retry\t4\r\n" + wide + "\r\n", &r);
    EXPECT_EQ(r.badLine, 2);
}

TEST_F(ConfigFile, TextsThatTheLineFormatCannotCarryAreWrittenSafely) {
    AppConfig c = filledConfig();
    c.factoryRecordSuffix = "A;B";
    c.font.name = "Odd\t'Font'\r\n";
    c.gasTable.at(2, 1).name = "it's";
    ConfigLoadResult r;
    AppConfig back = readBack(ConfigFileText(c, when), &r);
    EXPECT_TRUE(r.complete) << r.error;
    EXPECT_EQ(back.factoryRecordSuffix, "A;B");
    EXPECT_EQ(back.font.name, "OddFont");
    EXPECT_EQ(back.gasTable.at(2, 1).name, "its");
    EXPECT_EQ(back.gasTable.at(3, 1), c.gasTable.at(3, 1));
}

TEST_F(ConfigFile, BuiltInDefaultsFirstFillAndRefill) {
    AppConfig c;
    c.userPassword.clear();
    c.calibRange = {0, 7, 0, 0};
    c.printWidth = {0.5f, 101};
    c.calSpanOnWait = 0;
    FillBuiltInDefaults(c);
    EXPECT_EQ(c.userPassword, DefaultPasswordWord("EN"));
    EXPECT_EQ(c.calibRange, (std::array<float, 4>{50, 7, 25, 50}));
    EXPECT_EQ(c.printWidth, (std::array<float, 2>{1, 1}));
    EXPECT_EQ(c.calSpanOnWait, 90);
    EXPECT_EQ(c.ConfigDefaults.GasName(3), "CO");
    EXPECT_EQ(c.ConfigDefaults.GasFullScale(3), 500.0f);
    EXPECT_TRUE(c.ConfigDefaults.GasEnabled(4));
    EXPECT_EQ(c.factoryAutoCal, (std::array<float, 5>{50, 12, 10, 100, 50}));
    EXPECT_EQ(c.gasTable.at(7, 4).name, "MEK");
    EXPECT_EQ(c.gasTable.at(7, 4).unit, "VOL%");
    EXPECT_FALSE(c.gasTable.at(8, 0).enabled);

    // The reload after a power-off: the file's channel defaults are not replaced, the factory
    // auto-calibration values of channels 0-3 are unset until the file sets them again.
    c.ConfigDefaults.setGasName(3, "NO2");
    c.userPassword = "kept";
    FillBuiltInDefaults(c);
    EXPECT_EQ(c.ConfigDefaults.GasName(3), "NO2");
    EXPECT_EQ(c.factoryAutoCal[0], -101.0f);
    EXPECT_EQ(c.factoryAutoCal[4], 50.0f);
    EXPECT_EQ(c.userPassword, "kept");

    setLanguage(Language::Japanese);
    AppConfig jp;
    jp.userPassword.clear();
    FillBuiltInDefaults(jp);
    EXPECT_EQ(jp.userPassword, DefaultPasswordWord("JP"));
    EXPECT_NE(DefaultPasswordWord("JP"), DefaultPasswordWord("EN"));
}

}  // namespace
}  // namespace vq
