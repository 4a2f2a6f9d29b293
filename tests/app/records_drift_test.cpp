// The chart's data and the export cells: drift as a share of the gas applied, zero runs apart,
// a long history thinned without losing its extremes, and cells a spreadsheet would run as a
// formula written as text.
#include "app/records_drift.h"

#include <gtest/gtest.h>

#include "app/export_csv.h"

namespace vq {
namespace {

TimelineEntry runEntry(RecordKind kind, double date, float asFound, double gas,
                       const std::string& result = "OK") {
    TimelineEntry t;
    t.event.kind = kind;
    t.event.pcTime = date + 0.5;  // the PC's clock is not the one the chart reads
    ChannelRecord c;
    c.channel = 1;
    c.gas = "CO";
    c.result = result;
    c.concentration = gas;
    c.history = {date, asFound, static_cast<float>(gas)};
    t.event.channels.push_back(c);
    return t;
}

TEST(RecordsDrift, SpansAreAsFoundOverGasAndZerosASeriesOfTheirOwn) {
    const std::vector<TimelineEntry> timeline = {
        runEntry(RecordKind::Span, 46010, 45.0f, 50),  // read 45 of 50: 90 %
        runEntry(RecordKind::Zero, 46005, 0.4f, 0),
        runEntry(RecordKind::Span, 46000, 52.5f, 50),        // 105 %
        runEntry(RecordKind::Span, 46020, 10.0f, 50, "NG"),  // refused: no point
        runEntry(RecordKind::Span, 46030, -101.0f, 50),      // no reading: no point
        runEntry(RecordKind::Span, 46040, 10.0f, 0),         // no gas known: no point
        runEntry(RecordKind::Read, 46050, 10.0f, 50),
    };
    const DriftSeries drift = DriftFromTimeline(timeline);
    ASSERT_EQ(drift.span[1].size(), 2u);
    EXPECT_DOUBLE_EQ(drift.span[1][0].date, 46000);  // oldest first, by the instrument's date
    EXPECT_DOUBLE_EQ(drift.span[1][0].value, 105.0);
    EXPECT_DOUBLE_EQ(drift.span[1][1].value, 90.0);
    ASSERT_EQ(drift.zero[1].size(), 1u);
    EXPECT_NEAR(drift.zero[1][0].value, 0.4, 1e-6);
    EXPECT_EQ(drift.gas[1], "CO");
    EXPECT_TRUE(drift.span[0].empty());
}

TEST(RecordsDrift, TenThousandPointsThinToTheLimitKeepingEveryExtreme) {
    std::vector<DriftPoint> points;
    for (int i = 0; i < 10000; ++i) points.push_back({40000.0 + i * 0.365, 100.0 + (i % 7)});
    points[4321].value = 160;  // one bad calibration among ten thousand
    points[8765].value = 20;
    const auto thin = ThinPoints(points, 600);
    EXPECT_LE(thin.size(), 600u);
    EXPECT_GE(thin.size(), 500u);
    bool high = false, low = false;
    for (std::size_t i = 0; i < thin.size(); ++i) {
        if (i > 0) {
            EXPECT_LE(thin[i - 1].date, thin[i].date);
        }
        high = high || thin[i].value == 160;
        low = low || thin[i].value == 20;
    }
    EXPECT_TRUE(high && low);
    EXPECT_EQ(ThinPoints({points.begin(), points.begin() + 10}, 600).size(), 10u);
}

TEST(ExportCsv, CellsASpreadsheetWouldRunAreWrittenAsText) {
    const struct {
        std::string cell, written;
    } cases[] = {
        {"=HYPERLINK(\"http://x\",\"y\")", "'=HYPERLINK(\"http://x\",\"y\")"},
        {"+1+2", "'+1+2"},
        {"-1+2", "'-1+2"},
        {"@SUM(A1)", "'@SUM(A1)"},
        {"\tx", "'\tx"},
        {"\rx", "'\rx"},
        {"-0.5", "-0.5"},  // a reading stays a number
        {"VQ-1", "VQ-1"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(SpreadsheetSafeCell(c.cell), c.written) << c.cell;
    EXPECT_EQ(ExportCsvLine({"=1", "a,b"}), "'=1,\"a,b\"\r\n");
}

}  // namespace
}  // namespace vq
