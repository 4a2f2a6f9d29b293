#include "app/settings_csv.h"

#include <gtest/gtest.h>

#include <utility>

#include "file_test_support.h"
#include "messages/messages.h"
#include "model/instrument.h"
#include "model/ole_date.h"
#include "tests/support/golden.h"

namespace vq {
namespace {

using test::TempDir;
using testing::readFile;

const double when = *MakeOleDate(2026, 12, 7, 14, 5, 9);

// An RFC 4180 reader for whole files: rows of fields, quoted fields may hold commas, doubled
// quotes and line breaks.
std::vector<std::vector<std::string>> parseCsv(const std::string& text) {
    std::vector<std::vector<std::string>> rows(1);
    std::string field;
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            rows.back().push_back(field);
            field.clear();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            rows.back().push_back(field);
            field.clear();
            rows.emplace_back();
            ++i;
        } else {
            field += c;
        }
    }
    if (!field.empty() || !rows.back().empty()) rows.back().push_back(field);
    if (rows.back().empty()) rows.pop_back();
    return rows;
}

InstrumentModel readModel() {
    InstrumentModel m;
    m.setSerialNo("SN-77");
    m.setRomNumber(12);
    m.setSUM("AB12");
    m.setAlarmMode(1);
    m.setCalLimit(90);
    m.setDispCalLimit(1);
    m.setCalCheck(1);
    m.setSpecType("2");
    m.setHcMode(1);
    m.setAlarmO2(2);
    m.setpressOffset(-4);
    m.setBumpFailCalTime(2);
    m.setLcBhMode(3);
    m.setConfirmation(1);
    for (int ch : {0, 1, 3, 4}) {
        m.setGasEnabled(ch, true);
        m.setGasName(ch, "G" + std::to_string(ch));
        m.setGasPoint(ch, 1);
        m.setWarning(ch, 5);
    }
    m.setCalibDate(0, *MakeOleDate(2026, 1, 2, 3, 4, 5));
    m.setSysDateOffset(1.0 / 24);  // the instrument is an hour behind
    return m;
}

class SettingsCsv : public ::testing::Test {
  protected:
    void SetUp() override { setLanguage(Language::English); }
    void TearDown() override { setLanguage(Language::English); }
};

TEST_F(SettingsCsv, FirstExportWritesTheHeaderAndEveryLaterOneOnlyARow) {
    TempDir dir;
    InstrumentModel m = readModel();
    ASSERT_TRUE(ExportSettingsRow(m, CsvAction::Read, dir.path(), "", when));
    ASSERT_TRUE(ExportSettingsRow(m, CsvAction::WriteID, dir.path(), "", when));
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"VQ5100_Setting.csv"});
    // One byte-order mark, in front of the header; the appended row adds none.
    const std::string text = readFile(dir / "VQ5100_Setting.csv");
    const std::string bom = "\xEF\xBB\xBF";
    ASSERT_EQ(text.rfind(bom + "Action,", 0), 0u);
    EXPECT_EQ(text.find(bom, bom.size()), std::string::npos);
    auto rows = parseCsv(text.substr(3));
    ASSERT_EQ(rows.size(), 3u);
    for (const auto& row : rows) EXPECT_EQ(row.size(), 335u);
    EXPECT_EQ(rows[0][0], "Action");
    EXPECT_EQ(rows[0][5], "ROM");
    EXPECT_EQ(rows[0][78], "Station1");
    EXPECT_EQ(rows[0][333], "Station256");
    EXPECT_EQ(rows[0][334], "Confermation Beep");
    EXPECT_EQ(rows[1][0], "Read");
    EXPECT_EQ(rows[2][0], "WriteID");
    // The header and both rows, byte for byte.
    EXPECT_TRUE(test::MatchesGolden("settings_csv.txt", text));
}

TEST_F(SettingsCsv, ColumnValues) {
    auto row = SettingsCsvRow(readModel(), CsvAction::Write, when);
    ASSERT_EQ(row.size(), 335u);
    EXPECT_EQ(row[0], "Write");
    EXPECT_EQ(row[1], "2026/12/07 14:05:09");
    EXPECT_EQ(row[2], "2026/12/07 13:05:09");
    EXPECT_EQ(row[3], "SN-77");
    EXPECT_EQ(row[4], std::string(20, '-'));
    EXPECT_EQ(row[5], "00012");
    EXPECT_EQ(row[9], "Latch");
    EXPECT_EQ(row[10], "90");
    EXPECT_EQ(row[11], "ON");
    EXPECT_EQ(row[12], "Can't use");
    EXPECT_EQ(row[15], "Germany");
    EXPECT_EQ(row[16], "LEL");
    EXPECT_EQ(row[17], "H-HH");
    EXPECT_EQ(row[23], "-4");
    EXPECT_EQ(row[28], "120");  // the factory dialog's list: 60, 90, 120
    EXPECT_EQ(row[30], "LC BH");
    // Channel 0 from column 34.
    EXPECT_EQ(row[33], "G0");
    EXPECT_EQ(row[34], "  5.0");
    EXPECT_EQ(row[35], "*****");
    EXPECT_EQ(row[39], "2026/01/02 03:04:05");
    // Disabled channel 2: columns 52-60.
    for (int c = 51; c < 60; ++c) EXPECT_EQ(row[c], "-----") << c;
    EXPECT_EQ(row[60], "G3");
    EXPECT_EQ(row[78], std::string(16, '-'));
    EXPECT_EQ(row[334], "ON");

    // A clock offset that is not a date gives the PC time.
    InstrumentModel m = readModel();
    m.setSysDateOffset(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(SettingsCsvRow(m, CsvAction::Read, when)[2], "2026/12/07 14:05:09");
    m.setRomNumber(-7);
    EXPECT_EQ(SettingsCsvRow(m, CsvAction::Read, when)[5], "-00007");
}

// A code outside its column's list is the instrument's value: written as the number it holds,
// never as another item of the list, never blank, and no column moves.
TEST_F(SettingsCsv, CodesOutsideTheirListsGiveTheHeldNumberNotABlank) {
    InstrumentModel m = readModel();
    m.setCalCheck(7);
    m.setSpecType("x");
    m.setHcMode(-1);
    m.setAlarmO2(3);
    m.setBumpTime(4);
    m.setBumpThreshold(5);
    m.setBumpFailCalTime(3);
    m.setLcBhMode(4);
    m.setBhTime(9);
    m.setDispCalLimit(2);  // only 1 is ON
    auto row = SettingsCsvRow(m, CsvAction::Read, when);
    ASSERT_EQ(row.size(), 335u);
    const std::pair<int, const char*> held[] = {{12, "7"}, {15, "x"}, {16, "-1"}, {17, "3"},
                                                {26, "4"}, {27, "5"}, {28, "3"},  {30, "4"},
                                                {31, "9"}, {11, "2"}};
    for (const auto& [c, text] : held) EXPECT_EQ(row[c], text) << c;
    EXPECT_EQ(row[33], "G0");  // nothing moved
}

TEST_F(SettingsCsv, CommasQuotesAndLineBreaksInTextsNeverShiftARow) {
    TempDir dir;
    InstrumentModel m = readModel();
    m.setStationList(0, "North, gate 3");
    m.setStationList(1, "the \"old\" shaft");
    m.setStationList(2, "two\r\nlines");
    m.setStationList(3, "H2S\xC3\xA9");
    m.setGasName(0, "a,b");
    ASSERT_TRUE(ExportSettingsRow(m, CsvAction::Read, dir.path(), "", when));
    auto rows = parseCsv(readFile(dir / "VQ5100_Setting.csv"));
    ASSERT_EQ(rows.size(), 2u);
    ASSERT_EQ(rows[1].size(), 335u);
    EXPECT_EQ(rows[1][33], "a,b");
    EXPECT_EQ(rows[1][78], "North, gate 3");
    EXPECT_EQ(rows[1][79], "the \"old\" shaft");
    // Texts the instrument holds are shown escaped: a line break or a byte above 127 as "\xHH".
    EXPECT_EQ(rows[1][80], "two\\x0D\\x0Alines");
    EXPECT_EQ(rows[1][81], "H2S\\xC3\\xA9");
    EXPECT_EQ(rows[1][82], std::string(16, '-'));
    EXPECT_EQ(CsvLine({"a", "b\"c", "", "x\r\ny"}), "a,\"b\"\"c\",,\"x\r\ny\"\r\n");
}

TEST_F(SettingsCsv, FileNameCarriesTheSuffixAndABadSuffixIsRefused) {
    TempDir dir;
    EXPECT_EQ(SettingsCsvPath(dir.path(), "A"), dir / "VQ5100_SettingA.csv");
    ASSERT_TRUE(ExportSettingsRow(readModel(), CsvAction::Read, dir.path(), "A", when));
    EXPECT_TRUE(std::filesystem::exists(dir / "VQ5100_SettingA.csv"));
    // A separator would leave the folder; a control character (a terminal escape among them)
    // has no place in a file name, and the refusal never shows it raw.
    for (const char* suffix : {"/../x", "\\x", "B\x1B[2J", "C\x7F", "D\tE", ".."}) {
        FileResult r = ExportSettingsRow(readModel(), CsvAction::Read, dir.path(), suffix, when);
        EXPECT_FALSE(r) << suffix;
        EXPECT_FALSE(r.error.empty());
        EXPECT_EQ(r.error.find('\x1B'), std::string::npos);
    }
    EXPECT_EQ(dir.entries().size(), 1u);
}

TEST_F(SettingsCsv, HeaderAndValueTextsFollowTheLanguage) {
    setLanguage(Language::Japanese);
    auto header = SettingsCsvHeader();
    auto row = SettingsCsvRow(readModel(), CsvAction::Read, when);
    EXPECT_EQ(header.size(), 335u);
    EXPECT_EQ(header[15], ResMessage(Language::Japanese, 8015));
    EXPECT_EQ(header[78], ResMessage(Language::Japanese, 5603, {"1"}));
    EXPECT_EQ(row[9], ResMessage(Language::Japanese, 8006));
    EXPECT_NE(row[9], ResMessage(Language::English, 8006));
    EXPECT_EQ(row[0], "Read");  // the action word is a file value, not a caption

    // Every label and value text id exists in both tables.
    for (Language language : {Language::English, Language::Japanese}) {
        setLanguage(language);
        for (const std::string& text : SettingsCsvHeader()) {
            EXPECT_EQ(text.find("[message"), std::string::npos) << text;
        }
        for (int check = 0; check < 3; ++check) {
            InstrumentModel m = readModel();
            m.setCalCheck(static_cast<int16_t>(check));
            m.setSpecType(std::to_string(check));
            m.setAlarmMode(static_cast<int16_t>(check));
            for (const std::string& text : SettingsCsvRow(m, CsvAction::Read, when)) {
                EXPECT_EQ(text.find("[message"), std::string::npos) << text;
            }
        }
    }
}

TEST_F(SettingsCsv, AFailureIsReturnedAndTheOldFileStaysWhole) {
    TempDir dir;
    InstrumentModel m = readModel();
    ASSERT_TRUE(ExportSettingsRow(m, CsvAction::Read, dir.path(), "", when));
    const std::string before = readFile(dir / "VQ5100_Setting.csv");
    {
        testing::ReadOnlyFolder readOnly(dir.path());
        FileResult r = ExportSettingsRow(m, CsvAction::Write, dir.path(), "", when);
        EXPECT_FALSE(r);
        EXPECT_NE(r.error.find("VQ5100_Setting.csv"), std::string::npos) << r.error;
    }
    {
        testing::FileSizeLimit full(before.size() + 100);
        EXPECT_FALSE(ExportSettingsRow(m, CsvAction::Write, dir.path(), "", when));
    }
    EXPECT_EQ(readFile(dir / "VQ5100_Setting.csv"), before);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"VQ5100_Setting.csv"});

    // A folder that is not there: no file, a message.
    EXPECT_FALSE(ExportSettingsRow(m, CsvAction::Read, dir / "gone", "", when));
}

}  // namespace
}  // namespace vq
