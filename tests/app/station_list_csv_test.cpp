#include "app/station_list_csv.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/file_test_support.h"

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

TEST(StationListCsv, ExportThenImportGivesTheSameList) {
    test::TempDir folder;
    const auto path = folder / "Station.csv";
    const auto stations = sampleStations();
    ASSERT_TRUE(ExportStationList(path, stations).ok);
    // The file starts with the byte-order mark, which is not part of the first station.
    EXPECT_EQ(testing::readFile(path), "\xEF\xBB\xBF" + StationListCsvText(stations));
    const StationImport imported = ImportStationList(path);
    ASSERT_TRUE(imported.result.ok) << imported.result.error;
    EXPECT_EQ(imported.stations, stations);

    // A file without the mark (written by hand, or by an older program) reads the same.
    ASSERT_TRUE(WriteFileAtomically(path, StationListCsvText(stations)).ok);
    EXPECT_EQ(ImportStationList(path).stations, stations);
}

TEST(StationListCsv, ImportTakesTheFirstFieldOfEachLine) {
    EXPECT_EQ(StationFromCsvLine("TANK 7,7"), "TANK 7");
    EXPECT_EQ(StationFromCsvLine("TANK 7\t7\tspare"), "TANK 7");
    EXPECT_EQ(StationFromCsvLine("NO NUMBER"), "NO NUMBER");
    EXPECT_EQ(StationFromCsvLine(",5"), "");
    EXPECT_EQ(StationFromCsvLine(""), "");
}

TEST(StationListCsv, ImportReadsAnyLineEndAndSkipsAByteOrderMark) {
    const auto stations = StationsFromCsvText("\xEF\xBB\xBFONE,1\nTWO,2\rTHREE,3\r\n\r\nFIVE");
    EXPECT_EQ(stations, (std::vector<std::string>{"ONE", "TWO", "THREE", "", "FIVE"}));
    EXPECT_TRUE(StationsFromCsvText("").empty());
}

TEST(StationListCsv, ImportStopsAfter256Lines) {
    std::string text;
    for (int i = 1; i <= 300; ++i)
        text += "S" + std::to_string(i) + "," + std::to_string(i) + "\r\n";
    const auto stations = StationsFromCsvText(text);
    ASSERT_EQ(stations.size(), 256u);
    EXPECT_EQ(stations.front(), "S1");
    EXPECT_EQ(stations.back(), "S256");
}

TEST(StationListCsv, FileErrorsAreReportedNotSwallowed) {
    test::TempDir folder;
    const StationImport missing = ImportStationList(folder / "absent.csv");
    EXPECT_FALSE(missing.result.ok);
    EXPECT_FALSE(missing.result.error.empty());
    EXPECT_TRUE(missing.stations.empty());

    // A folder where the file should go: the export fails and leaves nothing behind.
    std::filesystem::create_directory(folder / "Station.csv");
    const FileResult written = ExportStationList(folder / "Station.csv", sampleStations());
    EXPECT_FALSE(written.ok);
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"Station.csv"});
}

}  // namespace
}  // namespace vq
