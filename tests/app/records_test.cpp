// The records without a database (the state rule is in records_state_test.cpp): the events built
// from the model (a write's review list, a calibration run's result), and the settings CSV history
// read back for import.
#include "app/records.h"

#include <gtest/gtest.h>

#include <tuple>

#include "app/records_import.h"
#include "app/settings_csv.h"
#include "app/settings_file.h"
#include "app/text_lines.h"
#include "model/instrument.h"
#include "model/ole_date.h"

namespace vq {
namespace {

const double today = *MakeOleDate(2026, 12, 7, 12, 0, 0);

TEST(RecordsEvents, AWriteKeepsWhatChangedAndARunItsResultsAndHistories) {
    InstrumentModel before;
    before.setSerialNo("VQ-1 ");
    before.setCalLimit(100);
    before.setIntervals(60);  // a model as a read leaves it: every setting within its rules
    before.setCalibDate(2, 46000.0);
    InstrumentModel after = before;
    after.setCalLimit(120);
    after.setStationID("North");

    const RecordEvent write = WriteRecord(before, after, true, today);
    EXPECT_EQ(write.kind, RecordKind::Write);
    EXPECT_EQ(write.serial, "VQ-1");  // as the instrument pads it, trimmed
    ASSERT_EQ(write.changes.size(), 2u);
    const auto calLimit = std::find_if(write.changes.begin(), write.changes.end(),
                                       [](const RecordChange& c) { return c.code == "SC"; });
    ASSERT_NE(calLimit, write.changes.end());
    EXPECT_EQ(calLimit->from, "100");
    EXPECT_EQ(calLimit->to, "120");
    EXPECT_FALSE(write.snapshot.empty());

    after.setCalibDate(2, 46100.0);
    after.setCalibAfter(2, 50.0f);
    const RecordEvent span =
        CalibrationRecord(RecordKind::Span, before, after, {2, 4}, {"OK", "NG"}, today);
    EXPECT_FALSE(span.success);  // one channel did not pass
    ASSERT_EQ(span.channels.size(), 2u);
    EXPECT_DOUBLE_EQ(span.channels[0].historyBefore.date, 46000.0);
    EXPECT_DOUBLE_EQ(span.channels[0].history.date, 46100.0);
    EXPECT_FLOAT_EQ(span.channels[0].history.after, 50.0f);
    EXPECT_EQ(span.channels[1].result, "NG");

    // Two snapshots compare as the review list (a snapshot holds the settings, not the identity
    // texts, which every event carries anyway); text that is not one does not.
    const auto rows = CompareSnapshots(ReadRecord(before, today).snapshot, write.snapshot);
    ASSERT_TRUE(rows.has_value());
    std::vector<std::string> differing;
    for (const ReviewRow& row : *rows)
        if (row.differs()) differing.push_back(row.code);
    EXPECT_EQ(differing, std::vector<std::string>{"SC"});
    EXPECT_FALSE(CompareSnapshots("hello", write.snapshot).has_value());
}

// Compare between a read and a later write shows the stations the write changed (the settings
// file leaves the list out, so the snapshot carries it); a snapshot recorded before stations were
// kept compares without them rather than as every station removed.
TEST(Records, CompareIncludesTheStationListChanges) {
    InstrumentModel read;
    read.setIntervals(60);  // a model as a read leaves it: every setting within its rules
    for (int i = 0; i < InstrumentModel::stationCount; ++i)
        read.setStationList(i, "GATE " + std::to_string(i + 1));
    InstrumentModel written = read;
    written.setStationList(2, "EAST GATE");
    written.setStationList(255, "");
    const RecordEvent before = ReadRecord(read, today);
    const RecordEvent write = WriteRecord(read, written, true, today + 1);
    const auto rows = CompareSnapshots(before.snapshot, write.snapshot);
    ASSERT_TRUE(rows.has_value());
    std::vector<std::tuple<int, std::string, std::string>> stations;
    for (const ReviewRow& row : *rows)
        if (row.group == ReviewGroup::Stations && row.differs())
            stations.emplace_back(row.number, row.onInstrument.text, row.toWrite.text);
    const std::vector<std::tuple<int, std::string, std::string>> expected{
        {3, "GATE 3", "EAST GATE"}, {256, "GATE 256", ""}};
    EXPECT_EQ(stations, expected);
    // The write's own list of changes and the comparison agree.
    int stationChanges = 0;
    for (const auto& change : write.changes) stationChanges += change.code == "XS" ? 1 : 0;
    EXPECT_EQ(stationChanges, 2);

    // An old snapshot without stations: no station rows at all.
    std::string old = before.snapshot.substr(0, before.snapshot.find(";STATION,"));
    const auto oldRows = CompareSnapshots(old, write.snapshot);
    ASSERT_TRUE(oldRows.has_value());
    for (const ReviewRow& row : *oldRows)
        EXPECT_FALSE(row.group == ReviewGroup::Stations && row.differs()) << row.number;
    // The snapshot still loads as a settings file.
    InstrumentModel loaded;
    EXPECT_TRUE(ReadSettingsText(loaded, write.snapshot).ok);
}

// A settings CSV as the program writes it: the header, then rows.
std::string settingsCsv(const std::vector<std::pair<InstrumentModel, CsvAction>>& rows) {
    std::string text(kUtf8ByteOrderMark);
    text += CsvLine(SettingsCsvHeader());
    double when = today;
    for (const auto& [model, action] : rows) text += CsvLine(SettingsCsvRow(model, action, when++));
    return text;
}

TEST(RecordsImport, EachRowOfASettingsCsvBecomesAnEventWithAKeyOfItsOwn) {
    InstrumentModel a;
    a.setSerialNo("A,1 \"quoted\"");
    a.setUserID("U");
    a.setStationID("駅");
    a.setCalLimit(90);
    a.setGasEnabled(0, true);
    a.setGasName(0, "CH4");
    a.setCalibDate(0, *MakeOleDate(2026, 10, 1, 8, 30, 0));
    InstrumentModel b = a;
    b.setSerialNo("B");
    std::string text =
        settingsCsv({{a, CsvAction::Read}, {b, CsvAction::Write}, {a, CsvAction::WriteID}});
    // The same read twice within one second: the same row, two events.
    text += CsvLine(SettingsCsvRow(b, CsvAction::Write, today + 1));
    const RecordsImport read = ReadSettingsCsvHistory(text);
    ASSERT_TRUE(read.ok) << read.reason << " at line " << read.line;
    ASSERT_EQ(read.events.size(), 4u);
    EXPECT_NE(read.events[1].importKey, read.events[3].importKey);
    EXPECT_EQ(read.events[0].kind, RecordKind::Read);
    EXPECT_EQ(read.events[0].serial, "A,1 \"quoted\"");
    EXPECT_EQ(read.events[0].station, "駅");
    EXPECT_EQ(read.events[0].calLimit, 90);
    EXPECT_NEAR(read.events[0].pcTime, today, 1e-5);
    EXPECT_NEAR(read.events[0].channels[0].history.date, *MakeOleDate(2026, 10, 1, 8, 30, 0), 1e-5);
    EXPECT_EQ(read.events[1].kind, RecordKind::Write);
    EXPECT_EQ(read.events[2].note, "settings CSV: WriteID");
    EXPECT_NE(read.events[0].importKey, read.events[2].importKey);
    // The same file read again gives the same keys: the store adds nothing twice.
    EXPECT_EQ(ReadSettingsCsvHistory(text).events[1].importKey, read.events[1].importKey);
}

// Every row an import must refuse, with the line it names and the reason. Each case is a good
// file with one thing made hostile.
TEST(RecordsImport, HostileRowsAreRefusedByLineAndReasonAndNothingIsKept) {
    InstrumentModel model;
    model.setSerialNo("VQ-100");
    model.setStationID("BAY 1");
    model.setUserID("TECH");
    model.setCalLimit(90);
    model.setGasEnabled(0, true);
    model.setGasName(0, "CO");
    model.setWarning(0, 25);
    model.setCalibDate(0, *MakeOleDate(2026, 10, 1, 8, 30, 0));
    model.setCalibBefore(0, 48);
    model.setCalibAfter(0, 50);
    const std::vector<std::string> header = SettingsCsvHeader();
    const std::vector<std::string> good = SettingsCsvRow(model, CsvAction::Read, today - 1);
    const std::size_t serial = 3, station = 7, user = 8, limit = 10, pc = 1, gas = 33, warning = 34,
                      calDate = 39;
    auto with = [&](std::size_t field, const std::string& value) {
        std::vector<std::string> row = good;
        row[field] = value;
        return CsvLine(row);
    };
    auto file = [&](const std::string& hostile) {
        return std::string(kUtf8ByteOrderMark) + CsvLine(header) + CsvLine(good) + hostile;
    };
    struct Case {
        std::string text;
        int line;
        const char* reason;
    };
    const Case cases[] = {
        {CsvLine(std::vector<std::string>(header.size(), "x")) + CsvLine(good), 1,
         "not a settings CSV header"},
        {"Name,Station,Phone\r\nx,y,z\r\n", 1, "not a settings CSV header"},
        {file(with(serial, "")), 3, "the serial number is empty"},
        {file(with(serial, "   ")), 3, "the serial number is empty"},
        {file(with(user, std::string(1 << 20, 'u'))), 3, "longer than any row"},
        {file(with(station, "\x1b[2J")), 3, "the station holds a control character"},
        {file(with(user, "a\x07")), 3, "the user holds a control character"},
        {file(with(serial, "VQ\x7f")), 3, "the serial number holds a control character"},
        {file(with(serial, std::string(21, 'S'))), 3, "longer than the instrument's 20"},
        {file(with(gas, "CARBONMONOX")), 3, "CH1 gas is longer than the instrument's 10"},
        {file(with(limit, "99999999999")), 3, "calibration limit \"99999999999\" is not 1 to 365"},
        {file(with(limit, "0")), 3, "is not 1 to 365"},
        {file(with(limit, "366")), 3, "is not 1 to 365"},
        {file(with(limit, "-5")), 3, "is not 1 to 365"},
        {file(with(calDate, "9999/12/31 00:00:00")), 3, "lies after the import's own time"},
        {file(with(calDate, "2099/01/01 00:00:00")), 3, "lies after the import's own time"},
        {file(with(pc, "1999/12/31 23:59:59")), 3, "before 2000"},
        {file(with(pc, "20x6/01/01 00:00:00")), 3, "is not a date"},
        {file(with(warning, "-5")), 3, "is negative"},
        {file(with(warning, "123456")), 3, "is longer than 5"},
        {file(with(0, "Sent")), 3, "\"Sent\" is not Read"},
        {file("Read,2026/01/01 00:00:00\r\n"), 3, "columns expected"},
        {file(with(serial, "ab\xff\xfe")), 3, "not UTF-8"},
        {file(CsvLine(good) + "Read,\"open\r\n"), 4, "a quote is not closed"},
        {"", 0, "empty"},
    };
    for (const Case& c : cases) {
        const RecordsImport read = ReadSettingsCsvHistory(c.text, "f.csv", today);
        EXPECT_FALSE(read.ok) << c.reason;
        EXPECT_EQ(read.line, c.line) << c.reason << ": " << read.reason;
        EXPECT_NE(read.reason.find(c.reason), std::string::npos) << read.reason;
        EXPECT_TRUE(read.events.empty()) << c.reason;
        // A refusal quotes the text shown safely: no control character reaches a terminal.
        for (char ch : read.reason) EXPECT_FALSE(static_cast<unsigned char>(ch) < 0x20) << c.reason;
    }

    // The good file is taken, marked as imported from its file at its time.
    const RecordsImport taken = ReadSettingsCsvHistory(file(""), "f.csv", today);
    ASSERT_TRUE(taken.ok) << taken.reason;
    ASSERT_EQ(taken.events.size(), 1u);
    EXPECT_EQ(taken.events[0].origin, RecordOrigin::Imported);
    EXPECT_EQ(taken.events[0].importFile, "f.csv");
    EXPECT_DOUBLE_EQ(taken.events[0].importTime, today);
    EXPECT_FLOAT_EQ(taken.events[0].channels[0].history.before, 48.0f);
    EXPECT_FALSE(taken.events[0].channels[1].enabled);
    // The Japanese header is the program's own too.
    const std::string japanese = CsvLine(SettingsCsvHeader(Language::Japanese)) + CsvLine(good);
    EXPECT_TRUE(ReadSettingsCsvHistory(japanese, "j.csv", today).ok);
}

}  // namespace
}  // namespace vq
