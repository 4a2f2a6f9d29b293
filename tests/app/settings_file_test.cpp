#include "app/settings_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "file_test_support.h"
#include "model/instrument.h"
#include "tests/support/golden.h"

namespace vq {
namespace {

using test::TempDir;
using testing::crlfLines;
using testing::readFile;
using testing::writeFile;

void fitGas(InstrumentModel& m, int ch, const std::string& name, float fullScale, float digit,
            int16_t points, const std::string& unit) {
    m.setGasEnabled(ch, true);
    m.setGasName(ch, name);
    m.setGasFullScale(ch, fullScale);
    m.setResolution(ch, digit);
    m.setGasPoint(ch, points);
    m.setGasUnit(ch, unit);
}

// An instrument with every setting away from its default.
InstrumentModel configuredModel() {
    InstrumentModel m;
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
    m.setConfirmation(1);
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
    m.setAlarmO2(1);  // "L-LL": the oxygen warning 19.5 at or above its alarm 18
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

// Twenty-eight lines in their exact forms: names padded to 11, full scale and resolution as
// 5-character level texts, units to 4, hexadecimal codes, a negative offset as its 16-bit form.
TEST(SettingsFile, LayoutMatchesTheGoldenFile) {
    EXPECT_TRUE(test::MatchesGolden("settings_file.txt", SettingsFileText(configuredModel())));

    InstrumentModel blank;
    blank.setSpecType("");
    EXPECT_EQ(crlfLines(SettingsFileText(blank))[24], "UJ,W,,");
}

TEST(SettingsFile, ExportThenImportGivesBackEverySetting) {
    TempDir dir;
    const InstrumentModel original = configuredModel();
    ASSERT_TRUE(WriteSettingsFile(original, dir / "a.seq"));
    InstrumentModel loaded;
    SettingsReadResult r = ImportSettingsFile(loaded, dir / "a.seq");
    ASSERT_TRUE(r.ok) << r.message();
    // Everything the file carries is the same: the file written from it is the same.
    EXPECT_EQ(SettingsFileText(loaded), SettingsFileText(original));
    EXPECT_EQ(loaded.Confirmation(), 1);
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
    EXPECT_TRUE(loaded.isChanged(SettingId::Zero, 4));
    EXPECT_TRUE(loaded.isChanged(SettingId::HcMode));
    EXPECT_FALSE(loaded.isChanged(SettingId::SerialNo));
    EXPECT_FALSE(loaded.isChanged(SettingId::StationList, 0));
}

TEST(SettingsFile, ReaderTakesAnyOrderLowerCaseAndComments) {
    InstrumentModel m;
    SettingsReadResult r = ReadSettingsText(m,
                                            "; saved by hand\r\n"
                                            "lp,W,1,\r\n"
                                            "XB,W,1,   ; the beep\r\n"
                                            "ZZ,W,unknown code,\r\n"
                                            "AP,W,1,\r\n"
                                            "HF,W,FF,\r\n"  // two digits of an older file
                                            "UJ,W,,\r\n"
                                            "\r\n");
    ASSERT_TRUE(r.ok) << r.message();
    EXPECT_EQ(m.HcMode(), 1);
    EXPECT_EQ(m.Confirmation(), 1);
    EXPECT_EQ(m.AlarmMode(), 1);
    EXPECT_EQ(m.pressOffset(), 255);
    EXPECT_EQ(m.SpecType(), "0");  // no payload: nothing set
    EXPECT_EQ(m.ImportFlag(), 0);  // only the import marks the model
}

TEST(SettingsFile, ABadLineLeavesTheModelUntouchedAndIsNamed) {
    TempDir dir;
    const InstrumentModel before = configuredModel();
    const std::string good = SettingsFileText(before);
    auto lines = crlfLines(SettingsFileText(InstrumentModel{}));

    const std::pair<std::string, int> bad[] = {
        {"LP,W,0,\r\nXT,W,10000,\r\nAP,W,0,\r\n", 2},  // too large for 16 bits
        {"LP,W,0,\r\nLP,W,one,\r\n", 2},               // not a number
        {"BU,W,1,2,\r\n", 1},                          // fields missing
        {"GJ,W,CH4          100,\r\n", 1},             // a truncated gas record
        {"GJ,W,CH4          1x0    1%LEL,\r\n", 1},    // not a number in the record
        {"LS,W,C9,NAME,\r\n", 1},                      // a library line cut short
        {"SA,W,1,2,3,\r\n", 1},
        // A resolution with more decimals than the five-character field shows: it would be
        // stored as 0, in a file that cannot be loaded again (found by fuzzing).
        {"LS,W,C9,SPECIAL-1 ,  100,    1,%LEL,2443,3FA00000,00000000,3FA00000,3AF5C290,"
         "B7A7C5AC,00000000,3F800000,3A03126F,00000000,C9,SP, 50.0,  0.222222222222222222,%LEL,"
         "C942,3F400000,00000000,3F400000,3A9374BC,B7A7C5AC,00000000,3F800000,3A03126F,"
         "00000000,\r\n",
         1},
    };
    for (const auto& [text, line] : bad) {
        InstrumentModel m = before;
        m.ClearChangeFlags();
        writeFile(dir / "bad.seq", text);
        SettingsReadResult r = ImportSettingsFile(m, dir / "bad.seq");
        EXPECT_FALSE(r.ok) << text;
        EXPECT_EQ(r.line, line) << text;
        EXPECT_NE(r.message().find("bad.seq"), std::string::npos) << r.message();
        EXPECT_NE(r.message().find("line " + std::to_string(line)), std::string::npos);
        EXPECT_EQ(SettingsFileText(m), good) << text;
        EXPECT_FALSE(m.isChanged(SettingId::HcMode)) << text;
        EXPECT_EQ(m.ImportFlag(), 0);
    }

    // A file cut off in the middle of its last line.
    std::string truncated = good.substr(0, good.size() - 40);
    InstrumentModel m;
    SettingsReadResult r = ReadSettingsText(m, truncated);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.line, 28);
    EXPECT_EQ(SettingsFileText(m), SettingsFileText(InstrumentModel{}));
}

// The line of `code` in the text replaced by `line` (CRLF added).
std::string withLine(const std::string& text, const std::string& code, const std::string& line) {
    std::string out;
    for (const std::string& l : crlfLines(text))
        out += (l.rfind(code + ",W,", 0) == 0 ? line : l) + "\r\n";
    return out;
}

// A file is checked whole against what the windows allow before anything is sent: each of these
// is refused with the line of the offending code and a reason that names what is wrong, and the
// model stays as it was. Nothing is cut, rounded or clamped into something else.
TEST(SettingsFile, ValuesTheWindowsWouldRefuseAreRefusedWithTheirLine) {
    const InstrumentModel before = configuredModel();
    const std::string good = SettingsFileText(before);
    const std::string ls = crlfLines(good)[27];
    const auto replaced = [&](std::string from, std::string to) {
        std::string line = ls;
        line.replace(line.find(from), from.size(), to);
        return line;
    };
    struct Case {
        const char* code;
        std::string line;
        const char* reason;  // a part of the reason
    };
    const Case cases[] = {
        {"BU", "BU,W,9,9,9,9,", "bump test time 9 is not between 0 and 3"},
        {"WB", "WB,W,9,9,9,", "LC/BH mode 9"},
        {"WB", "WB,W,0,0,2,", "leak check buzzer 2"},
        {"A1", "A1,W, 10, 19.5, 5.0, 25, NaN,", "\"NaN\" is not a number"},
        {"A1", "A1,W,   10, 19.5,*****,   25,  inf,", "\"inf\" is not a number"},
        {"A1", "A1,W,   10, 19.5,*****,  abc,  2.5,", "\"abc\" is not a number"},
        {"A1", "A1,W,   10, 19.5,*****, OVER,  2.5,", "\"OVER\" is not a number"},
        {"A1", "A1,W,   10, 19.5,*****, 1e39,  2.5,", "\"1e39\" is not a number"},
        {"A1", "A1,W,   -5, 19.5,*****,   25,  2.5,", "\"-5\" is negative"},
        {"SA", "SA,W,   50, 12.0,*****,  100, WARN,", "\"WARN\" is not a number"},
        {"A2", "A2,W,   50, 18.0,*****,   50, 5.04,", "alarm 5.04 of channel 5"},
        {"AS", "AS,W,*****,*****,*****,100000,*****,", "STEL 1e+05 of channel 4"},
        {"GJ", "GJ,W,CH4        ,  100,    1,%LEL,", "is not a gas record"},
        {"BS", "BS,W,TYPE-004200,", "longer than 10"},
        {"BS", "BS,W,T\xC3\x28X,", "the byte \\xC3 is not printable ASCII"},
        {"BS", "BS,W,TYPE\x1B[2J,", "control character"},
        {"UJ", "UJ,W,7,", "destination \"7\""},
        {"UJ",
         "UJ,W,\x02"
         "1\x04,",
         "destination"},
        {"LP", "LP,W,99,", "HC mode 99"},
        {"LP", "LP,W,10.44,", "is not a whole number"},
        {"AP", "AP,W,-5,", "alarm pattern -5"},
        {"SD", "SD,W,5,", "calibration limit display 5"},
        {"SM", "SM,W,3,", "calibration limit check 3"},
        {"XB", "XB,W,300,", "confirmation beep 300"},
        {"XW", "XW,W,2,", "logger overwrite 2"},
        {"XT", "XT,W,FFFF,", "LCD backlight time -1"},
        {"XT", "XT,W,0000,", "LCD backlight time 0"},
        {"UQ", "UQ,W,2,", "auto backlight 2"},
        {"AF", "AF,W,2,", "alarm function 2"},
        {"AM", "AM,W,2,", "STEL/TWA function 2"},
        {"AT", "AT,W,3,", "oxygen alarm type 3"},
        {"SC", "SC,W,0000,", "calibration time limit 0"},
        {"SC", "SC,W,016E,", "calibration time limit 366"},
        {"XP", "XP,W,0007,", "logging interval 7 is not one of 10, 20, 30, 60, 180, 300, 600"},
        {"SJ", "SJ,W,2,", "auto zero adjustment 2"},
        {"SG", "SG,W,2,", "zero adjustment on demand 2"},
        {"LS", replaced("C9,USERGAS   ,", "C9,USERGAS1234,"), "longer than 10"},
        {"LS", replaced(",ppm ,", ",xyz ,"), "unit \"xyz \""},
        {"LS", replaced(",  0.5,", ",  0.0,"), "resolution 0 is not above 0"},
        // The hydrocarbon table: a ratio above 0 and finite coefficients.
        {"LS", replaced(",3FC00000,", ",C0A00000,"), "entry 0: ratio -5 is not above 0"},
        {"LS", replaced(",3FC00000,", ",00000000,"), "entry 0: ratio 0 is not above 0"},
        {"LS", replaced(",3FC00000,", ",7FC00000,"), "entry 0: the ratio is not a number"},
        {"LS", replaced(",3E800000,", ",7F800000,"), "entry 0: a coefficient is not a number"},
        // A library full scale of 0, or none, and a resolution above the full scale.
        {"LS", replaced(" 50.0,  0.5,", "  0.0,  0.5,"), "entry 0: full scale 0 is not above 0"},
        {"LS", replaced(" 50.0,  0.5,", "*****,  0.5,"), "entry 0: full scale \"*****\""},
        {"LS", replaced(" 50.0,  0.5,", " 50.0,*****,"), "entry 0: resolution \"*****\""},
        {"LS", replaced(" 50.0,  0.5,", " 50.0, 60.0,"),
         "entry 0: resolution 60 is above the full scale 50"},
        // Texts the instrument's fields cannot hold: too long, beyond ASCII.
        {"LS", replaced("C9,USERGAS   ,", "C9,H2S\xC3\xA9    ,"), "the byte \\xC3"},
        {"LS", replaced("C9,USERGAS   ,", "C9,METHANE-XYZ,"), "longer than 10"},
        // A voltage field of another width than its four digits.
        {"LS", replaced(",012C,", ",12C,"), "field 6 \"12C\" is not four hexadecimal digits"},
        // A level the channel does not take: the rules of the grid.
        {"A2", "A2,W,  150, 18.0,*****,   50,  5.0,", "alarm 150 of channel 1 is above 60"},
        {"A1", "A1,W,   55, 19.5,*****,   25,  2.5,",
         "warning 55 of channel 1 is not at or below its alarm 50"},
        {"AS", "AS,W,*****,*****,*****,  201,*****,",
         "STEL 201 of channel 4 is not between 0 and 200"},
        {"SA", "SA,W,  150, 12.0,*****,  100, 50.0,",
         "auto-calibration value 150 of channel 1 is above the full scale 100"},
        {"SA", "SA,W,   50, 12.0,*****,   10, 50.0,",
         "auto-calibration value 10 of channel 4 is below 25"},
        // Fixed-width fields cut short, as at the end of a cut file.
        {"XT", "XT,W,001,", "field 1 \"001\" is not four hexadecimal digits"},
        {"SC", "SC,W,B4,", "field 1 \"B4\" is not four hexadecimal digits"},
        {"CP", "CP,W,12345,", "field 1 \"12345\" is not four hexadecimal digits"},
        {"XP", "XP,W,258,", "is not four hexadecimal digits"},
    };
    const std::string gasLine = crlfLines(good)[1];
    const auto gas = [&](const std::string& co) {
        std::string line = gasLine;
        line.replace(line.find("CO         "), 25, co);
        return line;
    };
    std::vector<Case> all(std::begin(cases), std::end(cases));
    all.push_back({"GJ",
                   gas("CO         "
                       " 2500"
                       "  0.5"
                       "ppm "),
                   "full scale 2500 does not fit"});
    all.push_back({"GJ",
                   gas("CO         "
                       " -500"
                       "    1"
                       "ppm "),
                   "full scale -500 is not above 0"});
    all.push_back({"GJ",
                   gas("CO         "
                       "  500"
                       "   -1"
                       "ppm "),
                   "resolution -1 is not above 0"});
    all.push_back({"GJ",
                   gas("CO         "
                       "  500"
                       "    1"
                       "pp\x01 "),
                   "unit"});
    // Eleven characters of name: the instrument keeps ten and would hold another gas name.
    all.push_back({"GJ",
                   gas("METHANE-XYZ"
                       "  500"
                       "    1"
                       "ppm "),
                   "field 4: the gas name \"METHANE-XYZ\" is longer than 10 characters"});
    all.push_back({"GJ",
                   gas("CO\xC3\xA9       "
                       "  500"
                       "    1"
                       "ppm "),
                   "channel 4: the byte \\xC3 is not printable ASCII"});
    all.push_back({"GJ",
                   gas("CO         "
                       "  500"
                       "  600"
                       "ppm "),
                   "channel 4: resolution 600 is above the full scale 500"});

    const char* order[] = {"BS", "GJ", "LP", "AP", "SD", "SM", "XB", "XW", "XT", "UQ",
                           "BU", "WB", "AF", "CP", "HF", "AM", "AT", "A1", "A2", "AS",
                           "AW", "SA", "SC", "XP", "UJ", "SJ", "SG", "LS"};
    for (const Case& c : all) {
        const int line =
            static_cast<int>(std::find(std::begin(order), std::end(order), std::string(c.code)) -
                             std::begin(order)) +
            1;
        InstrumentModel m = before;
        m.ClearChangeFlags();
        const SettingsReadResult r = ReadSettingsText(m, withLine(good, c.code, c.line));
        EXPECT_FALSE(r.ok) << c.line;
        EXPECT_EQ(r.line, line) << c.line << ": " << r.reason;
        EXPECT_NE(r.reason.find(c.reason), std::string::npos) << c.line << ": " << r.reason;
        EXPECT_EQ(SettingsFileText(m), good) << c.line;
        EXPECT_FALSE(m.isChanged(SettingId::HcMode)) << c.line;
    }

    // The same file with the values in range loads, and a partial file is judged only on the
    // lines it has: a model whose other settings are out of range does not spoil it.
    InstrumentModel m = before;
    EXPECT_TRUE(ReadSettingsText(m, good).ok);
    InstrumentModel blank;  // logging interval 0: never read from anywhere
    const SettingsReadResult partial = ReadSettingsText(blank, "LP,W,1,\r\nBU,W,1,2,0,1,\r\n");
    EXPECT_TRUE(partial.ok) << partial.message();
    EXPECT_EQ(blank.BumpThreshold(), 2);

    // A partial file whose smaller full scale the levels it leaves alone no longer suit: the
    // level rule names the "GJ" line that made the difference.
    InstrumentModel levels = before;
    const std::string smaller =
        gas("CO         "
            "   50"
            "    1"
            "ppm ");
    const SettingsReadResult scale = ReadSettingsText(levels, "LP,W,2,\r\n" + smaller + "\r\n");
    EXPECT_FALSE(scale.ok);
    EXPECT_EQ(scale.line, 2);
    EXPECT_EQ(scale.reason,
              "GJ: auto-calibration value 100 of channel 4 is above the full scale 50");
}

// The shape of the file: what would be cut, skipped or ignored refuses the whole file, naming
// the line, and the model stays as it was.
TEST(SettingsFile, LinesThatWouldBeCutSkippedOrIgnoredRefuseTheFile) {
    const InstrumentModel before = configuredModel();
    const std::string good = SettingsFileText(before);
    struct Case {
        const char* name;
        std::string text;
        int line;
        const char* reason;
    };
    const std::string bom = "\xEF\xBB\xBF";
    const Case cases[] = {
        {"CR inside a text", "LP,W,1,\r\nBS,W,TYPE\r42,\r\nAP,W,1,\r\n", 2,
         "a line break (CR) inside the line, where the file's lines end with CR LF"},
        {"LF inside a text", "LP,W,1,\r\nBS,W,TYPE\n42,\r\n", 2, "a line break (LF)"},
        {"CR in a file of LF lines", "LP,W,1,\nBS,W,TY\rPE,\nAP,W,1,\n", 2,
         "where the file's lines end with LF"},
        {"second byte-order mark", bom + bom + "LP,W,1,\r\nAP,W,1,\r\n", 1,
         "a byte-order mark inside the file"},
        {"byte-order mark on a later line", "LP,W,1,\r\n" + bom + "AP,W,1,\r\n", 2,
         "a byte-order mark"},
        {"extra field", "LP,W,1,\r\nAP,W,1,0,\r\n", 2, "AP: 2 fields where the line has 1"},
        {"extra level", "A1,W,   10, 19.5,*****,   25,  2.5,  7,\r\n", 1,
         "A1: 6 fields where the line has 5"},
        {"extra bump field", "BU,W,3,4,1,0,1,\r\n", 1, "BU: 5 fields where the line has 4"},
        {"setting twice", "LP,W,1,\r\nAP,W,1,\r\nlp,w,2,\r\n", 3,
         "LP: given again (first on line 1)"},
        {"setting twice in a whole file", good + "XT,W,0010,\r\n", 29,
         "XT: given again (first on line 9)"},
    };
    for (const Case& c : cases) {
        InstrumentModel m = before;
        m.ClearChangeFlags();
        const SettingsReadResult r = ReadSettingsText(m, c.text);
        EXPECT_FALSE(r.ok) << c.name;
        EXPECT_EQ(r.line, c.line) << c.name << ": " << r.reason;
        EXPECT_NE(r.reason.find(c.reason), std::string::npos) << c.name << ": " << r.reason;
        EXPECT_EQ(SettingsFileText(m), good) << c.name;
    }
    // One byte-order mark at the start, and files of LF or CR lines, are read as before.
    for (const std::string& text :
         {bom + "LP,W,1,\r\nAP,W,1,\r\n", std::string("LP,W,1,\nAP,W,1,\n"),
          std::string("LP,W,1,\rAP,W,1,\r")}) {
        InstrumentModel m = before;
        const SettingsReadResult r = ReadSettingsText(m, text);
        EXPECT_TRUE(r.ok) << r.message();
        EXPECT_EQ(m.HcMode(), 1);
    }
}

// A settings file stored from a read carries what the instrument held, out of range or not: the
// line shows the value as held, and loading that file refuses it on that line.
TEST(SettingsFile, ValuesHeldOutOfRangeAreCarriedAndRefusedOnTheirLine) {
    const struct {
        void (*hold)(InstrumentModel&);
        const char* code;
        const char* line;
        const char* reason;
    } cases[] = {
        {[](InstrumentModel& m) {
             for (auto set :
                  {&InstrumentModel::setBumpTime, &InstrumentModel::setBumpThreshold,
                   &InstrumentModel::setBumpFailCalTime, &InstrumentModel::setBumpFailAfter})
                 (m.*set)(9);
         },
         "BU", "BU,W,9,9,9,9,", "bump test time 9 is not between 0 and 3"},
        {[](InstrumentModel& m) { m.setLcdBackLight(-1); }, "XT", "XT,W,FFFF,",
         "LCD backlight time -1 is not between 1 and 255"},
        {[](InstrumentModel& m) { m.setCalLimit(0); }, "SC", "SC,W,0000,",
         "calibration time limit 0 is not between 1 and 365"},
        {[](InstrumentModel& m) { m.setHcMode(9); }, "LP", "LP,W,9,", "HC mode 9 is not between"},
        {[](InstrumentModel& m) { m.setGasFullScale(3, -100); }, "GJ", "CO          -100    1ppm ",
         "full scale -100 is not above 0"},
        {[](InstrumentModel& m) { m.setResolution(0, -1); }, "GJ", "CH4          100   -1%LEL",
         "resolution -1 is not above 0"},
    };
    for (const auto& c : cases) {
        InstrumentModel held = configuredModel();
        c.hold(held);
        const std::string text = SettingsFileText(held);
        EXPECT_NE(text.find(c.line), std::string::npos) << c.line << "\n" << text;
        InstrumentModel target = configuredModel();
        target.ClearChangeFlags();
        const SettingsReadResult r = ReadSettingsText(target, text);
        EXPECT_FALSE(r.ok) << c.line;
        const std::vector<std::string> lines = crlfLines(text);
        ASSERT_GT(r.line, 0) << c.line;
        EXPECT_EQ(lines[static_cast<std::size_t>(r.line - 1)].rfind(std::string(c.code) + ",W,", 0),
                  0u)
            << c.line << ": " << r.message();
        EXPECT_NE(r.reason.find(c.reason), std::string::npos) << r.reason;
        EXPECT_EQ(SettingsFileText(target), SettingsFileText(configuredModel())) << c.line;
    }
}

// Any byte an instrument text holds is written escaped ("\xC3\xA9") and read back as that byte;
// a backslash is escaped too, so a name that looks like an escape stays what it was.
TEST(SettingsFile, TextsWithAnyBytesAreWrittenEscapedAndReadBackWhole) {
    InstrumentModel m = configuredModel();
    m.setGasName(3, "H2S\xC3\xA9");
    m.setGasName(0, "C\\x41");
    const std::string text = SettingsFileText(m);
    EXPECT_NE(text.find("GJ,W,C\\x5Cx41" + std::string(8, ' ') + "100    1%LEL,"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find(",H2S\\xC3\\xA9" + std::string(8, ' ') + "500    1ppm ,"),
              std::string::npos)
        << text;
    for (char c : text) EXPECT_LT(static_cast<unsigned char>(c), 128u);
    // Held as it is (a record's snapshot); as a file to load, the byte beyond ASCII is a file
    // value like any other and judged.
    InstrumentModel judged;
    const SettingsReadResult refused = ReadSettingsText(judged, text);
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.reason, "GJ: channel 4: the byte \\xC3 is not printable ASCII");
    InstrumentModel back;
    const SettingsReadResult r = ReadHeldSettingsText(back, text);
    ASSERT_TRUE(r.ok) << r.message();
    EXPECT_EQ(back.GasName(3), "H2S\xC3\xA9");
    EXPECT_EQ(back.GasName(0), "C\\x41");
    EXPECT_EQ(SettingsFileText(back), text);
    // A file edited by hand may escape plain characters too.
    InstrumentModel hand;
    ASSERT_TRUE(ReadHeldSettingsText(hand, withLine(text, "BS", "BS,W,\\x54YPE-0042,")).ok);
    EXPECT_EQ(hand.SpecNo(), "TYPE-0042");
}

TEST(SettingsFile, AnyBytesAreReadWithoutCrashing) {
    for (const std::string& text : testing::hostileTexts()) {
        InstrumentModel m = configuredModel();
        SettingsReadResult r = ReadSettingsText(m, text);
        if (!r.ok) {
            EXPECT_FALSE(r.reason.empty());
            EXPECT_EQ(SettingsFileText(m), SettingsFileText(configuredModel()));
        }
    }
    // A file without any settings line (a picture chosen by mistake) is refused.
    InstrumentModel other = configuredModel();
    other.ClearChangeFlags();
    SettingsReadResult none = ReadSettingsText(other, "\x89PNG\r\n\x1A\n; nothing\r\nZZ,W,1,\r\n");
    EXPECT_FALSE(none.ok);
    EXPECT_EQ(none.reason, "no settings lines");
    EXPECT_FALSE(other.isChanged(SettingId::HcMode));

    // More than 256 fields on a line is refused, not cut.
    std::string wide = "LP,W";
    for (int i = 0; i < 300; ++i) wide += ",1";
    InstrumentModel m;
    SettingsReadResult r = ReadSettingsText(m, wide);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.line, 1);
}

TEST(SettingsFile, TextsThatWouldBreakALineAreWrittenSafely) {
    InstrumentModel m = configuredModel();
    m.setSpecNo("A,B;C");
    m.setGasName(0, "N,AME;X\r\n");
    InstrumentModel back;
    SettingsReadResult r = ReadSettingsText(back, SettingsFileText(m));
    ASSERT_TRUE(r.ok) << r.message();
    EXPECT_EQ(back.SpecNo(), "A B C");
    EXPECT_EQ(back.GasName(0), "N AME X");

    // A name beyond ASCII (as an instrument may hold one) is written cut whole at a character,
    // escaped, the record keeping its width; reading it back judges it as any file value.
    m.setGasName(1, "日本語のガス名");  // cut at 11 bytes inside a character
    const std::string text = SettingsFileText(m);
    EXPECT_NE(text.find(",\\xE6\\x97\\xA5\\xE6\\x9C\\xAC\\xE8\\xAA\\x9E   40.0  0.1VOL%,"),
              std::string::npos)
        << text;
    r = ReadSettingsText(back, text);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.line, 2);
    EXPECT_EQ(r.reason, "GJ: channel 2: the byte \\xE6 is not printable ASCII");
}

TEST(SettingsFile, FileErrorsAreReportedNotThrown) {
    TempDir dir;
    InstrumentModel m;
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
