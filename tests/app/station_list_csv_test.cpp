#include "app/station_list_csv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/file_test_support.h"
#include "messages/messages.h"

namespace vq {
namespace {

std::vector<std::string> sampleStations() {
    std::vector<std::string> stations(stationListRows, std::string(16, '-'));
    stations[0] = "TANK A-1";
    stations[1] = "";
    stations[2] = "PUMP/ROOM>2<";
    stations[255] = "LAST_STATION 256";
    return stations;
}

TEST(StationListCsv, ValidTextIsIdentifierCharactersUpToSixteen) {
    EXPECT_TRUE(IsStationText(""));
    EXPECT_TRUE(IsStationText("A-Z_0/9 <>"));
    EXPECT_TRUE(IsStationText(std::string(16, 'X')));
    EXPECT_FALSE(IsStationText(std::string(17, 'X')));
    EXPECT_FALSE(IsStationText("TANK,1"));
    EXPECT_FALSE(IsStationText("TANK\t1"));
    EXPECT_FALSE(IsStationText("TANK.1"));
    EXPECT_FALSE(IsStationText("T\xC3\xA4NK"));  // a non-ASCII letter
}

TEST(StationListCsv, ExportWritesTextCommaNumberCrlfForEveryEntry) {
    const std::string text = StationListCsvText(sampleStations());
    EXPECT_EQ(text.rfind("TANK A-1,1\r\n,2\r\nPUMP/ROOM>2<,3\r\n", 0), 0u);
    EXPECT_NE(text.find("----------------,4\r\n"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 22), "LAST_STATION 256,256\r\n");
    EXPECT_EQ(static_cast<int>(std::count(text.begin(), text.end(), '\n')), 256);
}

// The stations an entry list sets, as 256 texts over a list of "OLD n" texts.
std::vector<std::string> appliedOverOld(const std::vector<StationEntry>& entries) {
    std::vector<std::string> stations;
    for (int i = 1; i <= stationListRows; ++i) stations.push_back("OLD " + std::to_string(i));
    ApplyStationEntries(entries, stations);
    return stations;
}

TEST(StationListCsv, ExportThenImportGivesTheSameListAndChangesNothing) {
    test::TempDir folder;
    const auto path = folder / "Station.csv";
    const auto stations = sampleStations();
    ASSERT_TRUE(ExportStationList(path, stations).ok);
    // The file starts with the byte-order mark, which is not part of the first station.
    EXPECT_EQ(testing::readFile(path), "\xEF\xBB\xBF" + StationListCsvText(stations));
    const StationImport imported = ImportStationList(path);
    ASSERT_TRUE(imported.result.ok) << imported.result.error;
    ASSERT_EQ(imported.entries.size(), 256u);
    std::vector<std::string> list = stations;
    EXPECT_TRUE(ApplyStationEntries(imported.entries, list).empty());
    EXPECT_EQ(list, stations);

    // A file without the mark (written by hand, or by an older program) reads the same.
    ASSERT_TRUE(WriteFileAtomically(path, StationListCsvText(stations)).ok);
    EXPECT_EQ(ImportStationList(path).entries, imported.entries);
}

// Each line goes to the station it names; a line without a number to the next one.
TEST(StationListCsv, EachLineGoesToItsStation) {
    struct Row {
        const char* name;
        std::string text;
        std::vector<StationEntry> entries;
    };
    const std::vector<Row> rows = {
        {"numbered lines set only their stations",
         "EAST GATE,3\r\nWEST GATE,4\r\n",
         {{2, "EAST GATE"}, {3, "WEST GATE"}}},
        {"a text alone follows the line before",
         "NORTH,10\nSOUTH\nEND",
         {{9, "NORTH"}, {10, "SOUTH"}, {11, "END"}}},
        {"plain lines fill from station 1", "ONE\nTWO", {{0, "ONE"}, {1, "TWO"}}},
        {"numbers in any order", "B,200\r\nA,1\r\nA2", {{199, "B"}, {0, "A"}, {1, "A2"}}},
        {"tab separated, spaces round the number, extra columns",
         "T 7\t 7 \tspare\nT 9, 9,x",
         {{6, "T 7"}, {8, "T 9"}}},
        {"a blank line clears the next station", "X,5\n\nY", {{4, "X"}, {5, ""}, {6, "Y"}}},
        {"an empty text with its number clears that station", ",256", {{255, ""}}},
        {"any line end, a byte-order mark",
         "\xEF\xBB\xBFONE,1\rTWO,2\r\nTHREE,3\n",
         {{0, "ONE"}, {1, "TWO"}, {2, "THREE"}}},
        {"blank lines after station 256 are ignored", "LAST,256\r\n\r\n\r\n", {{255, "LAST"}}},
        {"an empty file sets nothing", "", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const StationImport imported = StationsFromCsvText(row.text, "S.csv");
        ASSERT_TRUE(imported.result.ok) << imported.result.error;
        EXPECT_EQ(imported.entries, row.entries);
    }
    // Only the named stations change; the others keep their text.
    const auto applied = appliedOverOld({{2, "EAST GATE"}, {3, "WEST GATE"}});
    EXPECT_EQ(applied[0], "OLD 1");
    EXPECT_EQ(applied[1], "OLD 2");
    EXPECT_EQ(applied[2], "EAST GATE");
    EXPECT_EQ(applied[3], "WEST GATE");
    EXPECT_EQ(applied[4], "OLD 5");
}

// A bad line refuses the whole file, naming the file, the line and what is wrong.
TEST(StationListCsv, ABadLineRefusesTheWholeFileNamingIt) {
    struct Row {
        const char* name;
        std::string text;
        std::string error;
    };
    const std::vector<Row> rows = {
        {"station beyond 256", "EAST GATE,3\nBAD,999\n",
         ResMessage(msg::StationImportBadNumber, {"S.csv", "2", "999"})},
        {"station 0", "ZERO,0", ResMessage(msg::StationImportBadNumber, {"S.csv", "1", "0"})},
        {"negative", "N,-3", ResMessage(msg::StationImportBadNumber, {"S.csv", "1", "-3"})},
        {"not a number", "A,1\nB,two",
         ResMessage(msg::StationImportBadNumber, {"S.csv", "2", "two"})},
        {"a decimal", "A,1.0", ResMessage(msg::StationImportBadNumber, {"S.csv", "1", "1.0"})},
        {"the same station twice", "A,7\nB,3\nC,7",
         ResMessage(msg::StationImportTwice, {"S.csv", "3", "7", "1"})},
        {"a text line after a numbered one lands on it", "A,5\nB,4\nC",
         ResMessage(msg::StationImportTwice, {"S.csv", "3", "5", "1"})},
        {"seventeen characters", "A,1\nSEVENTEEN CHARS X,2",
         ResMessage(msg::StationImportBadText, {"S.csv", "2", "SEVENTEEN CHARS X"})},
        {"a character the rules refuse", "DOCK \"C\",129",
         ResMessage(msg::StationImportBadText, {"S.csv", "1", "DOCK \"C\""})},
        {"a non-ASCII letter", "T\xC3\xA4NK",
         ResMessage(msg::StationImportBadText, {"S.csv", "1", "T\xC3\xA4NK"})},
        {"a text line after station 256", "LAST,256\nMORE",
         ResMessage(msg::StationImportPastEnd, {"S.csv", "2"})},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const StationImport imported = StationsFromCsvText(row.text, "S.csv");
        EXPECT_FALSE(imported.result.ok);
        EXPECT_EQ(imported.result.error, row.error);
        EXPECT_TRUE(imported.entries.empty());
    }

    // 300 plain lines: the 257th has no station to go to.
    std::string text;
    for (int i = 1; i <= 300; ++i) text += "S" + std::to_string(i) + "\r\n";
    EXPECT_EQ(StationsFromCsvText(text, "S.csv").result.error,
              ResMessage(msg::StationImportPastEnd, {"S.csv", "257"}));
}

TEST(StationListCsv, TheImportLineCountsTheChangedStations) {
    EXPECT_EQ(StationImportDoneText("S.csv", 0), ResMessage(msg::StationImportNoChange, {"S.csv"}));
    EXPECT_EQ(StationImportDoneText("S.csv", 1),
              ResMessage(msg::StationImportOneChanged, {"S.csv"}));
    EXPECT_EQ(StationImportDoneText("S.csv", 2),
              ResMessage(msg::StationImportChanged, {"S.csv", "2"}));
    std::vector<std::string> list(3, "SAME");
    EXPECT_EQ(ApplyStationEntries({{0, "SAME"}, {1, "NEW"}, {2, "SAME"}}, list),
              std::vector<int>{1});
}

TEST(StationListCsv, FileErrorsAreReportedNotSwallowed) {
    test::TempDir folder;
    const StationImport missing = ImportStationList(folder / "absent.csv");
    EXPECT_FALSE(missing.result.ok);
    EXPECT_FALSE(missing.result.error.empty());
    EXPECT_TRUE(missing.entries.empty());

    // A folder where the file should go: the export fails and leaves nothing behind.
    std::filesystem::create_directory(folder / "Station.csv");
    const FileResult written = ExportStationList(folder / "Station.csv", sampleStations());
    EXPECT_FALSE(written.ok);
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"Station.csv"});
}

}  // namespace
}  // namespace vq
