#include "app/settings_file.h"

#include <gtest/gtest.h>

#include "file_test_support.h"
#include "model/instrument.h"

namespace vq {
namespace {

using testing::crlfLines;
using testing::readFile;
using testing::TempFolder;
using testing::writeFile;

void fitGas(clsInstrument& m, int ch, const std::string& name, float fullScale, float digit,
            int16_t points, const std::string& unit) {
    m.setGasEnabled(ch, true);
    m.setGasName(ch, name);
    m.setGasFullScale(ch, fullScale);
    m.setGasDesit(ch, digit);
    m.setGasPoint(ch, points);
    m.setGasUnit(ch, unit);
}

// An instrument with every setting away from its default.
clsInstrument configuredModel() {
    clsInstrument m;
    m.setSpecNo("TYPE-0042");
    fitGas(m, 0, "CH4", 100, 1, 0, "%LEL");
    fitGas(m, 1, "O2", 40, 0.1f, 1, "VOL%");
    fitGas(m, 3, "CO", 500, 1, 0, "ppm");
    fitGas(m, 4, "i-C4H10", 100, 0.5f, 1, "vol%");
    const float warn[] = {10, 19.5f, -101, 25, 2.5f};
    const float alarm[] = {50, 18, -101, 50, 5};
    const float stel[] = {-101, -101, -101, 200, -101};
    const float autoCal[] = {50, 12, -101, 100, 50};
    for (int ch = 0; ch < 5; ++ch) {
        m.setWarning(ch, warn[ch]);
        m.setAlarm(ch, alarm[ch]);
        m.setStel(ch, stel[ch]);
        m.setTwa(ch, ch == 3 ? 25.0f : -101.0f);
        m.setAutoCalib(ch, autoCal[ch]);
    }
    m.setHcMode(2);
    m.setAlarmMode(1);
    m.setDispCalLimit(1);
    m.setCalCheck(2);
    m.setConfirmation(12);  // above 9: must come back as 12
    m.setLogOverWrite(1);
    m.setLcdBackLight(255);
    m.setautoBackLight(0);
    m.setBumpTime(3);
    m.setBumpThreshold(4);
    m.setBumpFailCalTime(1);
    m.setBumpFailAfter(0);
    m.setLcBhMode(3);
    m.setBhTime(2);
    m.setLcBuzzer(1);
    m.setAlarmOnOff(0);
    m.setFlowLevel(0x1234);
    m.setpressOffset(-3);  // negative: must come back as -3
    m.setStelTwaOnOff(0);
    m.setAlarmO2(2);
    m.setCalLimit(180);
    m.setIntervals(600);
    m.setSpecType("2");
    m.setAutoZero(1);
    m.setDemandZero(1);
    LibraryEntry user;
    user.Name = "USERGAS";
    user.FullScale = 50;
    user.Digit = 0.5f;
    user.Point = 1;
    user.Unit = "ppm";
    user.elem_vol = 300;
    user.Ratio = 1.5f;
    user.Linear1_a = 0.25;
    user.Linear2_d = -2;
    m.setLS_Entry(0, user);
    return m;
}

TEST(SettingsFile, TwentyEightLinesInTheirExactForms) {
    std::string text = SettingsFileText(configuredModel());
    auto lines = crlfLines(text);
    ASSERT_EQ(lines.size(), 28u);
    const char* codes[] = {"BS", "GJ", "LP", "AP", "SD", "SM", "XB", "XW", "XT", "UQ",
                           "BU", "WB", "AF", "CP", "HF", "AM", "AT", "A1", "A2", "AS",
                           "AW", "SA", "SC", "XP", "UJ", "SJ", "SG", "LS"};
    for (size_t i = 0; i < 28; ++i) {
        EXPECT_EQ(lines[i].substr(0, 5), std::string(codes[i]) + ",W,") << lines[i];
        EXPECT_EQ(lines[i].back(), ',') << lines[i];
    }
    EXPECT_EQ(lines[0], "BS,W,TYPE-0042 ,");
    // Name padded to 11, full scale and resolution as 5-character level texts, unit to 4.
    EXPECT_EQ(lines[1], std::string("GJ,W,") + "CH4        " + "  100" + "    1" + "%LEL," +
                            "O2         " + " 40.0" + "  0.1" + "VOL%," + std::string(25, '*') +
                            "," + "CO         " + "  500" + "    1" + "ppm ," + "i-C4H10    " +
                            "100.0" + "  0.5" + "vol%,");
    EXPECT_EQ(lines[4], "SD,W,1,");
    EXPECT_EQ(lines[6], "XB,W,12,");
    EXPECT_EQ(lines[8], "XT,W,00FF,");
    EXPECT_EQ(lines[10], "BU,W,3,4,1,0,");
    EXPECT_EQ(lines[13], "CP,W,1234,");
    EXPECT_EQ(lines[14], "HF,W,FFFD,");
    EXPECT_EQ(lines[17], "A1,W,   10, 19.5,*****,   25,  2.5,");
    EXPECT_EQ(lines[22], "SC,W,00B4,");
    EXPECT_EQ(lines[23], "XP,W,0258,");
    EXPECT_EQ(lines[24], "UJ,W,2,");
    EXPECT_EQ(lines[27].substr(0, 59),
              "LS,W,C9,USERGAS   , 50.0,  0.5,ppm ,012C,3FC00000,3E800000,");

    clsInstrument blank;
    blank.setSpecType("");
    EXPECT_EQ(crlfLines(SettingsFileText(blank))[24], "UJ,W,,");
}

TEST(SettingsFile, ExportThenImportGivesBackEverySetting) {
    TempFolder dir;
    const clsInstrument original = configuredModel();
    ASSERT_TRUE(WriteSettingsFile(original, dir / "a.seq"));
    clsInstrument loaded;
    SettingsReadResult r = ImportSettingsFile(loaded, dir / "a.seq");
    ASSERT_TRUE(r.ok) << r.message();
    // Everything the file carries is the same: the file written from it is the same.
    EXPECT_EQ(SettingsFileText(loaded), SettingsFileText(original));
    EXPECT_EQ(loaded.Confirmation(), 12);
    EXPECT_EQ(loaded.pressOffset(), -3);
    EXPECT_EQ(loaded.FlowLevel(), 0x1234);
    EXPECT_EQ(loaded.SpecNo(), "TYPE-0042");
    EXPECT_FALSE(loaded.GasEnabled(2));
    EXPECT_EQ(loaded.GasName(4), "i-C4H10");
    EXPECT_EQ(loaded.Warning(2), -101.0f);
    EXPECT_EQ(loaded.LS_Name(0), "USERGAS   ");  // taken as written
    EXPECT_EQ(loaded.LS_Point(0), 1);
    EXPECT_EQ(loaded.LS_Linear2_d(0), -2.0);
    // As the import does: every setting marked for writing, the identity texts not.
    EXPECT_EQ(loaded.ImportFlag(), 1);
    EXPECT_TRUE(loaded.Change_Zero[4]);
    EXPECT_TRUE(loaded.Change_HCMode);
    EXPECT_FALSE(loaded.Change_SerialNo);
    EXPECT_FALSE(loaded.Change_StationList[0]);
}

TEST(SettingsFile, ReaderTakesAnyOrderLaterLinesLowerCaseAndComments) {
    clsInstrument m;
    SettingsReadResult r = ReadSettingsText(m,
                                            "; saved by hand\r\n"
                                            "lp,W,1,\r\n"
                                            "XB,W,3,   ; the beep\r\n"
                                            "ZZ,W,unknown code,\r\n"
                                            "AP,W,1,\r\n"
                                            "lp,w,2,\n"
                                            "HF,W,FF,\r\n"  // two digits of an older file
                                            "UJ,W,,\r\n"
                                            "\r\n");
    ASSERT_TRUE(r.ok) << r.message();
    EXPECT_EQ(m.HcMode(), 2);
    EXPECT_EQ(m.Confirmation(), 3);
    EXPECT_EQ(m.AlarmMode(), 1);
    EXPECT_EQ(m.pressOffset(), 255);
    EXPECT_EQ(m.SpecType(), "0");  // no payload: nothing set
    EXPECT_EQ(m.ImportFlag(), 0);  // only the import marks the model
}

TEST(SettingsFile, ABadLineLeavesTheModelUntouchedAndIsNamed) {
    TempFolder dir;
    const clsInstrument before = configuredModel();
    const std::string good = SettingsFileText(before);
    auto lines = crlfLines(SettingsFileText(clsInstrument{}));

    const std::pair<std::string, int> bad[] = {
        {"LP,W,0,\r\nXT,W,10000,\r\nAP,W,0,\r\n", 2},  // too large for 16 bits
        {"LP,W,0,\r\nLP,W,one,\r\n", 2},               // not a number
        {"BU,W,1,2,\r\n", 1},                          // fields missing
        {"GJ,W,CH4          100,\r\n", 1},             // a truncated gas record
        {"GJ,W,CH4          1x0    1%LEL,\r\n", 1},    // not a number in the record
        {"LS,W,C9,NAME,\r\n", 1},                      // a library line cut short
        {"SA,W,1,2,3,\r\n", 1},
    };
    for (const auto& [text, line] : bad) {
        clsInstrument m = before;
        m.ClearChangeFlags();
        writeFile(dir / "bad.seq", text);
        SettingsReadResult r = ImportSettingsFile(m, dir / "bad.seq");
        EXPECT_FALSE(r.ok) << text;
        EXPECT_EQ(r.line, line) << text;
        EXPECT_NE(r.message().find("bad.seq"), std::string::npos) << r.message();
        EXPECT_NE(r.message().find("line " + std::to_string(line)), std::string::npos);
        EXPECT_EQ(SettingsFileText(m), good) << text;
        EXPECT_FALSE(m.Change_HCMode) << text;
        EXPECT_EQ(m.ImportFlag(), 0);
    }

    // A file cut off in the middle of its last line.
    std::string truncated = good.substr(0, good.size() - 40);
    clsInstrument m;
    SettingsReadResult r = ReadSettingsText(m, truncated);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.line, 28);
    EXPECT_EQ(SettingsFileText(m), SettingsFileText(clsInstrument{}));
}

TEST(SettingsFile, AnyBytesAreReadWithoutCrashing) {
    for (const std::string& text : testing::hostileTexts()) {
        clsInstrument m = configuredModel();
        SettingsReadResult r = ReadSettingsText(m, text);
        if (!r.ok) {
            EXPECT_FALSE(r.reason.empty());
            EXPECT_EQ(SettingsFileText(m), SettingsFileText(configuredModel()));
        }
    }
    // A file without any settings line (a picture chosen by mistake) is refused.
    clsInstrument other = configuredModel();
    other.ClearChangeFlags();
    SettingsReadResult none = ReadSettingsText(other, "\x89PNG\r\n\x1A\n; nothing\r\nZZ,W,1,\r\n");
    EXPECT_FALSE(none.ok);
    EXPECT_EQ(none.reason, "no settings lines");
    EXPECT_FALSE(other.Change_HCMode);

    // More than 256 fields on a line is refused, not cut.
    std::string wide = "LP,W";
    for (int i = 0; i < 300; ++i) wide += ",1";
    clsInstrument m;
    SettingsReadResult r = ReadSettingsText(m, wide);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.line, 1);
}

TEST(SettingsFile, TextsThatWouldBreakALineAreWrittenSafely) {
    clsInstrument m = configuredModel();
    m.setSpecNo("A,B;C");
    m.setGasName(0, "N,AME;X\r\n");
    m.setGasName(1, "日本語のガス名");  // cut at 11 bytes inside a character
    clsInstrument back;
    SettingsReadResult r = ReadSettingsText(back, SettingsFileText(m));
    ASSERT_TRUE(r.ok) << r.message();
    EXPECT_EQ(back.SpecNo(), "A B C");
    EXPECT_EQ(back.GasName(0), "N AME X");
    EXPECT_EQ(back.GasName(1), "日本語");
    EXPECT_EQ(back.GasFullScale(1), 40.0f);
}

TEST(SettingsFile, FileErrorsAreReportedNotThrown) {
    TempFolder dir;
    clsInstrument m;
    SettingsReadResult missing = ImportSettingsFile(m, dir / "none.seq");
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.message().find("none.seq"), std::string::npos);
    EXPECT_FALSE(WriteSettingsFile(m, dir / "no-folder" / "x.seq"));
    {
        testing::ReadOnlyFolder readOnly(dir.path());
        EXPECT_FALSE(WriteSettingsFile(m, dir / "x.seq"));
    }
    EXPECT_TRUE(dir.entries().empty());
}

}  // namespace
}  // namespace vq
