#include "app/config_file.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <algorithm>

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
// its place and form (the delay 300 it starts with, the count one higher than read).
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
    c.gasTable.at(5, 3) = {{"NH3", "ppm", 1, 0.5f, 100, 25, 50, 35, 25, 20, 0, 0}, true, true};
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

// Every number of the file has bounds. A line with a value outside them is refused alone: the
// problem names the line, the key and the bounds, the setting keeps the value it had, every other
// line loads, and the saved file still holds the user's line as it was written.
TEST_F(ConfigFile, AValueOutsideItsBoundsRefusesOnlyItsLine) {
    struct Case {
        std::string line;
        std::string reason;
    };
    const Case cases[] = {
        {"Retry\t32767", "Retry 32767 is outside 0 to 10"},
        {"Retry\t11", "Retry 11 is outside 0 to 10"},
        {"retry\t-1", "retry -1 is outside 0 to 10"},
        {"Retry\t40000", "Retry 40000 is outside 0 to 10"},  // beyond 16 bits too
        {"Timeout\t0", "Timeout 0 is outside 1 to 60"},
        {"Timeout\t61", "Timeout 61 is outside 1 to 60"},
        {"Delay\t-5", "Delay -5 is outside 0 to 32767"},
        {"Execute Count\t9999999999", "Execute Count 9999999999 is outside 0 to 2147483647"},
        {"Execute Count\t-1", "Execute Count -1 is outside 0 to"},
        {"Font\t'F'\t1e39", "Font field 2 (size) 1e39 is outside 6 to 72"},
        {"Font\t'F'\t200\tTrue", "Font field 2 (size) 200 is outside 6 to 72"},
        {"Calib. Range\t50\t12\t-3\t50", "Calib. Range field 3 -3 is outside 0 to 32767"},
        {"DefaultValue1\t90\t999\t1\t5\t0\t0",
         "DefaultValue1 field 2 (LCD backlight time) 999 is outside 1 to 255"},
        {"DefaultValue1\t0\t30\t1\t5\t0\t0",
         "DefaultValue1 field 1 (calibration time limit) 0 is outside 1 to 365"},
        {"DefaultValue2\t1\t128\t7\t0\t1\t0",
         "DefaultValue2 field 3 (oxygen alarm type) 7 is outside 0 to 2"},
        {"Gas Inst\t6\t'X'", "Gas Inst field 1 (channel) 6 is outside 1 to 5"},
        {"Gas Inst\t0\t'X'", "Gas Inst field 1 (channel) 0 is outside 1 to 5"},
        {"Gas Inst\t2\t'O2'\tTRUE\tFalse\t1\t'VOL%'\t19.5\t-7",
         "Gas Inst field 8 (alarm) -7 is outside 0 to 99999 (or -101, not used)"},
        {"Gas Inst\t2\t'O2'\tTRUE\tFalse\t1\t'VOL%'\t19.5\t23.5\t-1\t-1\t0.1\t40\t12\t12\t-4",
         "Gas Inst field 15 (graph colour) -4 is outside 0 to 16777215"},
        {"ChgGas\t7\t1\t'X'", "ChgGas field 1 (channel) 7 is outside 1 to 6"},
        {"ChgGas\t1\t18\t'X'", "ChgGas field 2 (gas number) 18 is outside 1 to 17"},
        {"ChgGas\t1\t2\t'X'\tTRUE\tFalse\t9",
         "ChgGas field 6 (decimal places) 9 is outside 0 to 3"},
        {"ChgGas\t1\t2\t'X'\tTRUE\tFalse\t0\t'ppm'\t1\t2\t3\t4\t1\t100000",
         "ChgGas field 13 (full scale) 100000 is outside 0 to 99999"},
        {"Conv Param\t0\tFalse",
         "Conv Param field 1 (conversion factor) 0 is outside 0.0001 to 1000"},
        {"Size Values\t0\t-5\t600", "Size Values field 2 (width) -5 is outside 0 to 288000"},
        {"Window Position\t1e7\t0",
         "Window Position field 1 (left) 1e7 is outside -288000 to 288000"},
        {"Prt Width\t0\t1", "Prt Width field 1 (data line) 0 is outside 1 to 100"},
        {"CalUnitOnWait\t4000", "CalUnitOnWait 4000 is outside 0 to 3600"},
        {"Trend Search\t40000\t1",
         "Trend Search field 1 (before) 40000 is outside -32768 to 32767"},
        {"LimitDays\t-2", "LimitDays -2 is outside 0 to 32767"},
        {"VQ-5100\tGJH", "the stored password is damaged"},
    };
    const std::string before = "Factory Record Suffix\tB7\r\n";
    const std::string after =
        "Records\t/srv/bench/VQ5100Records.sqlite\r\nCompletely View\tFalse\r\nSerial Log "
        "File\tOFF\r\n";
    const std::string reference = ConfigFileText(readBack(before + after), when);
    for (const Case& c : cases) {
        const std::string text = before + c.line + "\r\n" + after;
        ConfigLoadResult r;
        const AppConfig config = readBack(text, &r);
        ASSERT_EQ(r.problems.size(), 1u) << c.line;
        EXPECT_FALSE(r.complete) << c.line;
        EXPECT_EQ(r.badLine, 2) << c.line;
        EXPECT_EQ(r.problems[0].line, 2) << c.line;
        EXPECT_EQ(r.problems[0].reason.rfind(c.reason, 0), 0u)
            << c.line << "\n  " << r.problems[0].reason;
        EXPECT_EQ(r.error.rfind("line 2: " + c.reason, 0), 0u) << r.error;
        EXPECT_TRUE(config.backupBeforeSave) << c.line;
        // Nothing of the refused line was taken; every line after it was.
        EXPECT_EQ(PlainConfigFileText(config, when), reference) << c.line;
        EXPECT_EQ(config.recordsLocation, "/srv/bench/VQ5100Records.sqlite") << c.line;
        EXPECT_FALSE(config.completelyView) << c.line;
        EXPECT_FALSE(config.serialLog) << c.line;
        EXPECT_EQ(config.factoryRecordSuffix, "B7") << c.line;

        // The saved file keeps the user's line, once; read again, it is refused again and the
        // file comes out the same.
        const std::string saved = ConfigFileText(config, when);
        const auto lines = crlfLines(saved);
        EXPECT_EQ(std::count(lines.begin(), lines.end(), c.line), 1) << c.line;
        ConfigLoadResult again;
        const AppConfig reread = readBack(saved, &again);
        ASSERT_EQ(again.problems.size(), 1u) << c.line;
        EXPECT_EQ(again.problems[0].reason, r.problems[0].reason);
        EXPECT_EQ(stableLines(ConfigFileText(reread, when)), stableLines(saved)) << c.line;
    }
}

// The program's choice for a refused line: the user's text stays in the file until the program
// itself changes that setting, and the problem says what is used meanwhile.
TEST_F(ConfigFile, ARefusedLineStaysUntilTheProgramChangesItsSetting) {
    ConfigLoadResult r;
    AppConfig c = readBack(
        "Retry\t32767\r\nTimeout\t5\r\nSize Values\t0\t-5\t600\r\nRetry\t99\r\n"
        "Font\t'Noto Sans'\t11\r\n",
        &r);
    ASSERT_EQ(r.problems.size(), 3u);
    EXPECT_EQ(r.problems[0].text(), "line 1: Retry 32767 is outside 0 to 10; in use: Retry 3");
    EXPECT_EQ(r.problems[1].line, 3);
    EXPECT_EQ(r.problems[1].inUse, "Size Values 0 11640 9285");
    EXPECT_EQ(r.problems[2].line, 4);
    EXPECT_EQ(c.retry, 3);
    EXPECT_EQ(c.timeout, 5);
    EXPECT_EQ(c.font.name, "Noto Sans");
    // The last Retry line is the one kept; the size, unchanged, keeps its line in its place.
    std::string saved = ConfigFileText(c, when);
    EXPECT_EQ(lineWithKey(saved, "Retry"), "Retry\t99");
    EXPECT_EQ(lineWithKey(saved, "Size Values"), "Size Values\t0\t-5\t600");
    EXPECT_EQ(saved.find("32767"), std::string::npos);
    // The window moved: its own size replaces the refused line.
    c.windowWidth = 12000;
    saved = ConfigFileText(c, when);
    EXPECT_EQ(lineWithKey(saved, "Size Values"), "Size Values\t0\t12000\t9285");
    EXPECT_EQ(lineWithKey(saved, "Retry"), "Retry\t99");
    // A refused line after a good one for the same key leaves the good value with its line in
    // its place; the refused one is kept at the end, and the file reads the same again.
    const std::string both = "Window Position\t10\t20\r\nWindow Position\t1e7\t0\r\n";
    AppConfig placed = readBack(both, &r);
    EXPECT_EQ(r.problems.size(), 1u);
    EXPECT_TRUE(placed.windowPositionKnown);
    EXPECT_EQ(placed.windowLeft, 10.0f);
    saved = ConfigFileText(placed, when);
    EXPECT_EQ(lineWithKey(saved, "Window Position"), "Window Position\t10\t20");
    EXPECT_EQ(crlfLines(saved).back(), "Window Position\t1e7\t0");
    EXPECT_EQ(stableLines(ConfigFileText(readBack(saved), when)), stableLines(saved));
    // A good line after a refused one takes its place for good.
    AppConfig fixed = readBack("Retry\t50\r\nRetry\t0\r\n", &r);
    EXPECT_EQ(r.problems.size(), 1u);
    EXPECT_EQ(fixed.retry, 0);
    EXPECT_TRUE(fixed.refusedLines.empty());
    // "Retry 0" (one try, no resend) is written back as 0, not as 3.
    EXPECT_EQ(lineWithKey(ConfigFileText(fixed, when), "Retry"), "Retry\t0");
    EXPECT_EQ(lineWithKey(ConfigFileText(readBack("Delay\t0\r\n"), when), "Delay"), "Delay\t0");
}

// Lines the program does not use are kept, in their order, at the end of the file; the lines it
// writes for information only are written anew, never twice.
TEST_F(ConfigFile, LinesTheProgramDoesNotUseAreKept) {
    const std::string text =
        "LimitDays\t12\r\nNewer Key\t'a;b'\t2\r\nIrCOMM Num\t7\r\nGas Inst\t9\t'X'\r\n"
        "ChgGas\t6\t17\t'Y'\tTRUE\tFalse\t0\t'ppm'\t1\t2\t3\t4\t1\t100000\r\n";
    ConfigLoadResult r;
    AppConfig c = readBack(text, &r);
    EXPECT_EQ(c.calibLimitDays, 12);
    ASSERT_EQ(r.problems.size(), 2u);  // gas instrument channel 9; full scale 100000
    const std::string saved = ConfigFileText(c, when);
    const auto lines = crlfLines(saved);
    const auto at = std::find(lines.begin(), lines.end(), "LimitDays\t12");
    ASSERT_NE(at, lines.end());
    EXPECT_EQ(std::vector<std::string>(at, lines.end()),
              (std::vector<std::string>{
                  "LimitDays\t12", "Newer Key\t'a;b'\t2", "Gas Inst\t9\t'X'",
                  "ChgGas\t6\t17\t'Y'\tTRUE\tFalse\t0\t'ppm'\t1\t2\t3\t4\t1\t100000"}));
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.rfind("IrCOMM Num", 0) == 0; }),
              1);
    EXPECT_EQ(stableLines(ConfigFileText(readBack(saved), when)), stableLines(saved));
}

TEST_F(ConfigFile, ARefusedLineIsKeptAndTheFileBackedUpOnTheFirstSave) {
    TempDir dir;
    const std::string original =
        "Timeout\t5\r\n"
        "Retry\t40000\r\n"
        "Delay\t42\r\n"
        "Factory Record Suffix\tZ9\r\n";
    writeFile(ConfigFilePath(dir.path()), original);
    AppConfig c = filledConfig();
    ConfigLoadResult r = LoadConfig(c, dir.path());
    EXPECT_TRUE(r.found);
    EXPECT_FALSE(r.complete);
    EXPECT_EQ(r.badLine, 2);
    EXPECT_NE(r.error.find("line 2"), std::string::npos) << r.error;
    EXPECT_EQ(c.timeout, 5);
    EXPECT_EQ(c.retry, 3);   // the bad value is not taken
    EXPECT_EQ(c.delay, 42);  // after it: taken
    EXPECT_EQ(c.factoryRecordSuffix, "Z9");
    const std::string message = ConfigProblemMessage(r.problems[0], ConfigFilePath(dir.path()));
    EXPECT_NE(message.find("VQ5100Config.ini"), std::string::npos) << message;
    EXPECT_NE(message.find("Retry 40000 is outside 0 to 10"), std::string::npos) << message;
    EXPECT_NE(message.find("Retry 3"), std::string::npos) << message;

    ConfigSaveResult saved = SaveConfig(c, dir.path(), when);
    ASSERT_TRUE(saved.ok) << saved.error;
    EXPECT_EQ(saved.backupPath, dir / "VQ5100Config.ini.bak");
    EXPECT_EQ(readFile(dir / "VQ5100Config.ini.bak"), original);
    const std::string written = readFile(ConfigFilePath(dir.path()));
    EXPECT_EQ(lineWithKey(written, "Timeout"), "Timeout\t5");
    EXPECT_EQ(lineWithKey(written, "Retry"), "Retry\t40000");
    EXPECT_EQ(lineWithKey(written, "Delay"), "Delay\t42");

    // Only the first overwrite of a run makes the backup.
    writeFile(dir / "VQ5100Config.ini.bak", "kept");
    EXPECT_TRUE(SaveConfig(c, dir.path(), when).backupPath.empty());
    EXPECT_EQ(readFile(dir / "VQ5100Config.ini.bak"), "kept");
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
        // Whatever was taken can be written and read again: no line refused that was not
        // before, and the same file again.
        const std::string saved = ConfigFileText(c, when);
        ConfigLoadResult again;
        AppConfig reread = readBack(saved, &again);
        EXPECT_LE(again.problems.size(), r.problems.size()) << again.error;
        reread.executeCount = c.executeCount;  // each save writes it one higher
        EXPECT_TRUE(ConfigFileText(reread, when) == saved);
    }
    // A byte-order mark from an editor does not hide the first key.
    EXPECT_EQ(readBack("\xEF\xBB\xBFTimeout\t6\r\n").timeout, 6);
    // CR-only line ends are line ends.
    AppConfig cr = readBack("Timeout\t5\rRetry\t9\r");
    EXPECT_EQ(cr.timeout, 5);
    EXPECT_EQ(cr.retry, 9);
    // A line of more than 256 fields is refused and kept; the lines after it are read.
    std::string wide = "Timeout";
    for (int i = 0; i < 300; ++i) wide += "\t1";
    ConfigLoadResult r;
    const AppConfig c = readBack("Retry\t4\r\n" + wide + "\r\nDelay\t7\r\n", &r);
    EXPECT_EQ(r.badLine, 2);
    EXPECT_EQ(c.delay, 7);
    EXPECT_EQ(c.timeout, 3);
    EXPECT_NE(ConfigFileText(c, when).find(wide + "\r\n"), std::string::npos);
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
