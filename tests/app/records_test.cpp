// The records without a database: the due-date rule, the events built from the model (a write's
// review list, a calibration run's result), and the settings CSV history read back for import.
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

TEST(RecordsDue, TheCalibrationHistoryDatePlusCalLimitDays) {
    struct Case {
        double calDate;
        int limit;
        DueState state;
        double due;
    };
    const Case cases[] = {
        {*MakeOleDate(2026, 11, 1, 12, 0, 0), 30, DueState::Overdue,
         *MakeOleDate(2026, 12, 1, 12, 0, 0)},
        {*MakeOleDate(2026, 11, 10, 12, 0, 0), 30, DueState::DueSoon,
         *MakeOleDate(2026, 12, 10, 12, 0, 0)},
        {*MakeOleDate(2026, 11, 7, 12, 0, 0), 37, DueState::DueSoon,
         *MakeOleDate(2026, 12, 14, 12, 0, 0)},
        {*MakeOleDate(2026, 11, 7, 12, 0, 0), 38, DueState::Ok,
         *MakeOleDate(2026, 12, 15, 12, 0, 0)},
        {*MakeOleDate(2026, 12, 7, 11, 0, 0), 0, DueState::Unknown, 0},  // no limit
        {0, 30, DueState::Unknown, 0},                                   // no history
    };
    for (const Case& c : cases) {
        const Due due = DueFor(c.calDate, c.limit, today);
        EXPECT_EQ(due.state, c.state) << GeneralDate(c.calDate) << " + " << c.limit;
        EXPECT_NEAR(due.date, c.due, 1e-6) << GeneralDate(c.calDate) << " + " << c.limit;
    }
}

TEST(RecordsDue, TheInstrumentIsDueWithItsEarliestEnabledChannelAndTheListIsSoonestFirst) {
    auto instrument = [](std::string serial, std::array<double, 5> dates, int limit) {
        InstrumentSummary s;
        s.serial = std::move(serial);
        s.calLimit = limit;
        for (std::size_t ch = 0; ch < 5; ++ch) {
            s.channels[ch].enabled = dates[ch] != 0;
            s.channels[ch].calDate = dates[ch];
        }
        return s;
    };
    const double day = 1.0;
    std::vector<InstrumentSummary> fleet = {
        instrument("fine", {today, today, 0, 0, 0}, 100),
        instrument("soon", {today - 95 * day, today - 10 * day, 0, 0, 0}, 100),
        instrument("late", {today, today - 150 * day, today, 0, 0}, 100),
        instrument("never", {0, 0, 0, 0, 0}, 100),
    };
    // A disabled channel's old date does not count.
    fleet[0].channels[4] = {"", false, today - 500 * day, ""};

    EXPECT_EQ(InstrumentDue(fleet[1], today).state, DueState::DueSoon);
    EXPECT_NEAR(InstrumentDue(fleet[1], today).date, today + 5 * day, 1e-6);
    const auto due = DueList(fleet, today, 7);
    ASSERT_EQ(due.size(), 2u);
    EXPECT_EQ(due[0].instrument.serial, "late");
    EXPECT_EQ(due[0].due.state, DueState::Overdue);
    EXPECT_EQ(due[1].instrument.serial, "soon");
    EXPECT_EQ(DueList(fleet, today, 4).size(), 1u);  // --days 4: only the overdue one
}

TEST(RecordsEvents, AWriteKeepsWhatChangedAndARunItsResultsAndHistories) {
    clsInstrument before;
    before.setSerialNo("VQ-1 ");
    before.setCalLimit(100);
    before.setIntervals(60);  // a model as a read leaves it: every setting within its rules
    before.setCalibDate(2, 46000.0);
    clsInstrument after = before;
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
    clsInstrument read;
    read.setIntervals(60);  // a model as a read leaves it: every setting within its rules
    for (int i = 0; i < clsInstrument::stationCount; ++i)
        read.setStationList(i, "GATE " + std::to_string(i + 1));
    clsInstrument written = read;
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
    clsInstrument loaded;
    EXPECT_TRUE(ReadSettingsText(loaded, write.snapshot).ok);
}

// A settings CSV as the program writes it: the header, then rows.
std::string settingsCsv(const std::vector<std::pair<clsInstrument, CsvAction>>& rows) {
    std::string text(kUtf8ByteOrderMark);
    text += CsvLine(SettingsCsvHeader());
    double when = today;
    for (const auto& [model, action] : rows) text += CsvLine(SettingsCsvRow(model, action, when++));
    return text;
}

TEST(RecordsImport, EachRowOfASettingsCsvBecomesAnEventWithAKeyOfItsOwn) {
    clsInstrument a;
    a.setSerialNo("A,1 \"quoted\"");
    a.setStationID("駅");
    a.setCalLimit(90);
    a.setGasEnabled(0, true);
    a.setGasName(0, "CH4");
    a.setCalibDate(0, *MakeOleDate(2026, 10, 1, 8, 30, 0));
    clsInstrument b = a;
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

TEST(RecordsImport, AFileThatIsNotASettingsCsvIsRefusedNamingTheLine) {
    clsInstrument model;
    const std::string good = settingsCsv({{model, CsvAction::Read}, {model, CsvAction::Read}});
    const auto lines = SplitLines(good);
    auto join = [](const std::vector<std::string>& parts) {
        std::string text;
        for (const auto& p : parts) text += p + "\r\n";
        return text;
    };
    std::string header(lines[0]), row(lines[1]);
    std::string badAction = row;
    badAction.replace(0, 4, "Sent");
    std::string badDate = row;
    badDate.replace(badDate.find(',') + 1, 4, "20x6");
    struct Case {
        std::string text;
        int line;
        const char* reason;
    };
    const Case cases[] = {
        {"Name,Station,Phone\r\nx,y,z\r\n", 1, "not a settings CSV header"},
        {join({header, row, "Read,2026/01/01 00:00:00"}), 3, "columns expected"},
        {join({header, row, row, badAction}), 4, "\"Sent\" is not Read"},
        {join({header, badDate}), 2, "is not a date"},
        {"", 0, "empty"},
    };
    for (const Case& c : cases) {
        const RecordsImport read = ReadSettingsCsvHistory(c.text);
        EXPECT_FALSE(read.ok) << c.reason;
        EXPECT_EQ(read.line, c.line) << c.reason;
        EXPECT_NE(read.reason.find(c.reason), std::string::npos) << read.reason;
        EXPECT_TRUE(read.events.empty());
    }
    EXPECT_EQ(ReadSettingsCsvHistory(good).events.size(), 2u);
}

}  // namespace
}  // namespace vq
