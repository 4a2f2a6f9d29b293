// The settings CSV's one layout: worked out from the settings table (a planted row moves it or
// is refused), read back by the records import in the program's layout and in the narrower ones
// it wrote before a setting was added, and never appended to in another width.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/records_import.h"
#include "app/settings_csv.h"
#include "app/text_lines.h"
#include "file_test_support.h"
#include "messages/messages.h"
#include "model/instrument.h"
#include "model/ole_date.h"
#include "model/settings_table.h"

namespace vq {
namespace {

using test::TempDir;
using testing::readFile;
using testing::writeFile;

const double today = *MakeOleDate(2026, 12, 7, 12, 0, 0);

// The settings table with one planted setting at `csvColumn` and the confirmation beep (the
// last column today) moved to `beepColumn`.
std::vector<Setting> withRow(int csvColumn, int beepColumn) {
    std::vector<Setting> rows(SettingsTable().begin(), SettingsTable().end());
    Setting planted = rows.front();
    planted.prop = "Planted";
    planted.csvColumn = csvColumn;
    rows.push_back(planted);
    for (Setting& s : rows)
        if (s.prop == "Confirmation") s.csvColumn = beepColumn;
    return rows;
}

TEST(SettingsCsvLayout, TheTablesLayoutAndWhereAPlantedSettingGoes) {
    const SettingsCsvLayout& program = SettingsCsvColumns();
    // The layout every file so far has: the golden file holds it byte for byte.
    EXPECT_EQ(program.width, 335u);
    EXPECT_EQ(program.columnOf("CalLimit"), 10u);
    EXPECT_EQ(program.firstChannel, 33u);
    EXPECT_EQ(program.firstStation, 78u);
    EXPECT_EQ(program.columnOf("Confirmation"), 334u);
    EXPECT_EQ(program.columnOf("SpecNo"), program.width);  // no column
    EXPECT_EQ(SettingsCsvHeader().size(), program.width);
    EXPECT_EQ(SettingsCsvRow(InstrumentModel{}, CsvAction::Read, today).size(), program.width);

    struct Case {
        int csvColumn, beepColumn;
        std::size_t width, firstChannel, plantedAt;  // width 0: refused
    };
    const Case cases[] = {
        {336, 335, 336, 33, 335},  // after the last
        {34, 336, 336, 34, 33},    // before the channels: they and the rest move on one
        {34, 335, 0, 0, 0},        // ... but the beep still claims a column the stations hold
        {337, 335, 0, 0, 0},       // a gap after the last
        {335, 335, 0, 0, 0},       // the confirmation beep's place
        {50, 335, 0, 0, 0},        // inside the channels
        {10, 335, 0, 0, 0},        // the first setting's place
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.csvColumn);
        std::string error;
        // The layout points into the rows it was made from: they must outlive it.
        const std::vector<Setting> rows = withRow(c.csvColumn, c.beepColumn);
        const SettingsCsvLayout layout = SettingsCsvLayoutOf(rows, error);
        if (c.width == 0) {
            EXPECT_NE(error.find("is placed at column"), std::string::npos) << error;
            continue;
        }
        ASSERT_EQ(error, "");
        EXPECT_EQ(layout.width, c.width);
        EXPECT_EQ(layout.firstChannel, c.firstChannel);
        EXPECT_EQ(layout.firstStation, c.firstChannel + 45);
        EXPECT_EQ(layout.columnOf("Planted"), c.plantedAt);
        EXPECT_TRUE(layout.isSetting(c.plantedAt));
        EXPECT_FALSE(layout.isSetting(layout.firstChannel));
        EXPECT_FALSE(layout.isSetting(SettingsCsvLayout::user));
    }
}

InstrumentModel sample(const std::string& serial) {
    InstrumentModel m;
    m.setSerialNo(serial);
    m.setStationID("BAY 1");
    m.setUserID("TECH");
    m.setCalLimit(120);
    m.setConfirmation(1);
    for (int ch : {0, 2}) {
        m.setGasEnabled(ch, true);
        m.setGasName(ch, "G" + std::to_string(ch));
        m.setGasPoint(ch, 1);
        m.setCalibDate(ch, *MakeOleDate(2026, 10, 1 + ch, 8, 30, 0));
    }
    return m;
}

// A file as the program writes it, less the program's columns `dropped` (plus `extra` at the
// end of every line), in `language`.
std::string fileWithout(const std::set<std::size_t>& dropped, Language language,
                        bool extra = false) {
    setLanguage(language);
    std::vector<std::vector<std::string>> lines{SettingsCsvHeader()};
    lines.push_back(SettingsCsvRow(sample("A-1"), CsvAction::Read, today));
    lines.push_back(SettingsCsvRow(sample("B-2"), CsvAction::Write, today + 0.5));
    setLanguage(Language::English);
    std::string text(kUtf8ByteOrderMark);
    for (const auto& line : lines) {
        std::vector<std::string> kept;
        for (std::size_t i = 0; i < line.size(); ++i)
            if (dropped.count(i) == 0) kept.push_back(line[i]);
        if (extra) kept.push_back("Extra");
        text += CsvLine(kept);
    }
    return text;
}

TEST(SettingsCsvLayout, TheImportReadsEveryLayoutTheProgramWroteAndNoOther) {
    const SettingsCsvLayout& l = SettingsCsvColumns();
    const std::size_t hcMode = l.columnOf("HcMode"), beep = l.columnOf("Confirmation");
    struct Case {
        const char* what;
        std::set<std::size_t> dropped;
        bool extra;
        bool accepted;
    };
    const Case cases[] = {
        {"the program's layout", {}, false, true},
        {"before the beep's column", {beep}, false, true},
        {"before two settings' columns", {hcMode, beep}, false, true},
        {"without the calibration limit", {l.columnOf("CalLimit")}, false, false},
        {"without a channel's gas", {l.channel(1) + SettingsCsvLayout::gas}, false, false},
        {"without a station", {l.firstStation + 4}, false, false},
        {"without the user", {SettingsCsvLayout::user}, false, false},
        {"with a column the program never wrote", {}, true, false},
    };
    for (Language language : {Language::English, Language::Japanese}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (language == Language::Japanese ? " (ja)" : ""));
            const RecordsImport read =
                ReadSettingsCsvHistory(fileWithout(c.dropped, language, c.extra));
            if (!c.accepted) {
                EXPECT_FALSE(read.ok);
                EXPECT_EQ(read.line, 1);
                EXPECT_NE(read.reason.find("not a settings CSV header"), std::string::npos)
                    << read.reason;
                continue;
            }
            ASSERT_TRUE(read.ok) << read.reason << " at line " << read.line;
            ASSERT_EQ(read.events.size(), 2u);
            const RecordEvent& e = read.events[1];
            EXPECT_EQ(e.serial, "B-2");
            EXPECT_EQ(e.station, "BAY 1");
            EXPECT_EQ(e.user, "TECH");
            EXPECT_EQ(e.calLimit, 120);
            EXPECT_EQ(e.kind, RecordKind::Write);
            ASSERT_EQ(e.channels.size(), 5u);
            for (int ch = 0; ch < 5; ++ch) {
                const bool used = ch == 0 || ch == 2;
                EXPECT_EQ(e.channels[ch].enabled, used) << ch;
                EXPECT_EQ(e.channels[ch].gas, used ? "G" + std::to_string(ch) : "") << ch;
                if (used) {
                    EXPECT_NEAR(e.channels[ch].history.date,
                                *MakeOleDate(2026, 10, 1 + ch, 8, 30, 0), 1e-5);
                }
            }
        }
    }
    // A row as wide as the program's under a narrower header is refused, never shifted.
    std::string mixed = fileWithout({beep}, Language::English);
    mixed += CsvLine(SettingsCsvRow(sample("C-3"), CsvAction::Read, today));
    const RecordsImport read = ReadSettingsCsvHistory(mixed);
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(read.line, 4);
    EXPECT_EQ(read.reason, "334 columns expected, 335 found");
}

TEST(SettingsCsvLayout, AFileOfAnotherWidthIsLeftAsItIsAndTheRowsStartAFileNamedInTheNotice) {
    const std::size_t width = SettingsCsvColumns().width;
    struct Case {
        const char* what;
        std::set<std::size_t> dropped;
        bool extra;
        Language language;  // of the file already there
        bool setAside;
    };
    const std::size_t beep = SettingsCsvColumns().columnOf("Confirmation");
    const Case cases[] = {
        {"the program's width", {}, false, Language::English, false},
        {"the program's width in the other language", {}, false, Language::Japanese, false},
        {"narrower", {beep}, false, Language::English, true},
        {"wider", {}, true, Language::English, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string before = fileWithout(c.dropped, c.language, c.extra);
        writeFile(dir / "VQ5100_Setting_X.csv", before);
        const std::string other = "VQ5100_Setting_X_" + std::to_string(width) + ".csv";
        for (int n = 1; n <= 2; ++n) {
            const SettingsCsvExport done = ExportSettingsRecord(
                sample("N-" + std::to_string(n)), CsvAction::Read, dir.path(), "_X", today);
            ASSERT_TRUE(done.result.ok) << done.result.error;
            if (!c.setAside) {
                EXPECT_EQ(done.file, dir / "VQ5100_Setting_X.csv");
                EXPECT_EQ(done.notice, "");
                continue;
            }
            EXPECT_EQ(done.file, dir / other);
            EXPECT_NE(done.notice.find("VQ5100_Setting_X.csv"), std::string::npos) << done.notice;
            EXPECT_NE(done.notice.find(other), std::string::npos) << done.notice;
            EXPECT_NE(done.notice.find(std::to_string(c.extra ? width + 1 : width - 1) + " "),
                      std::string::npos)
                << done.notice;
        }
        const std::string after = readFile(dir / "VQ5100_Setting_X.csv");
        if (!c.setAside) {
            // Appended as always: two more rows of the program's width.
            EXPECT_EQ(after.substr(0, before.size()), before);
            EXPECT_EQ(SplitLines(after).size(), SplitLines(before).size() + 2);
            EXPECT_EQ(dir.entries(), std::vector<std::string>{"VQ5100_Setting_X.csv"});
            continue;
        }
        EXPECT_EQ(after, before);  // byte for byte
        const std::string started = readFile(dir / other);
        EXPECT_EQ(started.rfind(std::string(kUtf8ByteOrderMark) + CsvLine(SettingsCsvHeader()), 0),
                  0u);
        const RecordsImport read = ReadSettingsCsvHistory(started);
        ASSERT_TRUE(read.ok) << read.reason;
        ASSERT_EQ(read.events.size(), 2u);
        EXPECT_EQ(read.events[1].serial, "N-2");
        EXPECT_EQ(CsvHeaderWidth(dir / other), width);
    }
}

}  // namespace
}  // namespace vq
