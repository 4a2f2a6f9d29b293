// The state rule on event histories: each case is the events of one instrument in the order a
// store received them, and the state and due date expected at "now". The histories are those
// that went wrong on a shared store: another bench's NG span seconds after an OK one, a bench
// whose clock ran a year ahead, an imported row from 2099, a zero after an old span, a disabled
// channel's failure.
#include "app/records_state.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numeric>
#include <random>

#include "app/records.h"
#include "model/ole_date.h"

namespace vq {
namespace {

const double now = *MakeOleDate(2026, 12, 7, 12, 0, 0);
constexpr double kSecond = 1.0 / 86400.0;

double daysAgo(double days) {
    return now - days;
}

ChannelRecord channel(int ch, const std::string& gas, bool enabled, double date, float after,
                      const std::string& result = "") {
    ChannelRecord c;
    c.channel = ch;
    c.gas = gas;
    c.enabled = enabled;
    c.result = result;
    c.history = {date, 1.0f, after};
    c.historyBefore = c.history;
    return c;
}

// A read on a bench whose PC clock is `pcAhead` days off, of an instrument whose CH1 (CO) and
// CH2 (H2S) were last calibrated at the given dates with the given after-readings.
RecordEvent read(double when, double co, float coAfter, double h2s, float h2sAfter, int limit = 180,
                 double pcAhead = 0, bool h2sOn = true) {
    RecordEvent e;
    e.kind = RecordKind::Read;
    e.serial = "VQ1";
    e.pcTime = when + pcAhead;
    e.instrumentTime = when;
    e.calLimit = limit;
    e.channels = {channel(0, "CO", true, co, coAfter), channel(1, "H2S", h2sOn, h2s, h2sAfter),
                  channel(2, "", false, 0, -101), channel(3, "", false, 0, -101),
                  channel(4, "", false, 0, -101)};
    return e;
}

// A zero or span run of CH1 and CH2 with their results; a passed channel's history is the run's.
RecordEvent run(RecordKind kind, double when, const std::string& co, const std::string& h2s,
                double pcAhead = 0, bool instrumentClock = true) {
    RecordEvent e;
    e.kind = kind;
    e.serial = "VQ1";
    e.pcTime = when + pcAhead;
    e.instrumentTime = instrumentClock ? when : 0;
    const float after = kind == RecordKind::Span ? 50.0f : 0.0f;
    e.channels = {channel(0, "CO", true, co == "OK" ? when : daysAgo(400), after, co),
                  channel(1, "H2S", true, h2s == "OK" ? when : daysAgo(400), after, h2s)};
    return e;
}

RecordEvent imported(RecordEvent e, double importedAt) {
    e.origin = RecordOrigin::Imported;
    e.importFile = "old.csv";
    e.importTime = importedAt;
    return e;
}

struct Case {
    const char* what;
    std::vector<RecordEvent> events;
    InstrumentState state;
    double due;  // 0: none
};

// Folds as a store does: each event judged against the newest believed PC time before it.
InstrumentRecordState fold(const std::vector<RecordEvent>& events) {
    InstrumentRecordState state;
    double newest = 0;
    for (RecordEvent e : events) {
        e.clockAhead =
            e.origin == RecordOrigin::Reported && IsClockAhead(e.pcTime, e.instrumentTime, newest);
        FoldEvent(state, e, newest);
        if (e.origin == RecordOrigin::Reported && !e.clockAhead)
            newest = std::max(newest, e.pcTime);
    }
    return state;
}

TEST(RecordsState, EventHistoriesGiveTheStateAndDueDateOfTheInstrumentsOwnCalibrations) {
    const double spanned = daysAgo(100);
    const double dueThen = spanned + 180;
    const std::vector<Case> cases = {
        {"nothing recorded", {}, InstrumentState::Unknown, 0},
        {"spanned 100 days ago, limit 180",
         {read(daysAgo(1), spanned, 50, spanned, 25)},
         InstrumentState::Ok,
         dueThen},
        {"due within the week",
         {read(daysAgo(1), daysAgo(175), 50, spanned, 25)},
         InstrumentState::Due,
         daysAgo(175) + 180},
        {"the oldest enabled channel sets the date",
         {read(daysAgo(1), daysAgo(200), 50, spanned, 25)},
         InstrumentState::Overdue,
         daysAgo(200) + 180},
        {"NG 10 s after another bench's OK span",
         {read(daysAgo(3), spanned, 50, spanned, 25), run(RecordKind::Span, daysAgo(2), "OK", "OK"),
          run(RecordKind::Span, daysAgo(2) + 10 * kSecond, "OK", "NG")},
         InstrumentState::Failed,
         daysAgo(2) + 180},
        {"the same two arriving the other way round",
         {read(daysAgo(3), spanned, 50, spanned, 25),
          run(RecordKind::Span, daysAgo(2) + 10 * kSecond, "OK", "NG"),
          run(RecordKind::Span, daysAgo(2), "OK", "OK")},
         InstrumentState::Failed,
         daysAgo(2) + 180},
        {"NG then a passing span later clears it",
         {read(daysAgo(3), spanned, 50, spanned, 25), run(RecordKind::Span, daysAgo(2), "OK", "NG"),
          run(RecordKind::Span, daysAgo(1), "OK", "OK")},
         InstrumentState::Ok,
         daysAgo(1) + 180},
        {"a failed span on a channel switched off does not count",
         {run(RecordKind::Span, daysAgo(2), "OK", "NG"),
          read(daysAgo(1), daysAgo(2), 50, spanned, 25, 180, 0, false)},
         InstrumentState::Ok,
         daysAgo(2) + 180},
        {"a zero today after a span 200 days ago leaves it overdue",
         {read(daysAgo(200), daysAgo(200), 50, daysAgo(200), 25),
          run(RecordKind::Zero, now - 0.01, "OK", "OK"),
          read(now - 0.005, now - 0.01, 0, now - 0.01, 0)},
         InstrumentState::Overdue,
         daysAgo(200) + 180},
        {"a bench 400 days ahead does not freeze the date",
         {read(daysAgo(300), daysAgo(300), 50, daysAgo(300), 25),
          read(daysAgo(250), daysAgo(250), 50, daysAgo(250), 25, 30, 400),
          run(RecordKind::Span, daysAgo(5), "OK", "OK"),
          read(daysAgo(4), daysAgo(5), 50, daysAgo(5), 50, 180)},
         InstrumentState::Ok,
         daysAgo(5) + 180},
        {"a bench ahead without the instrument's clock ranks no later than the store",
         {read(daysAgo(10), spanned, 50, spanned, 25, 180),
          run(RecordKind::Span, daysAgo(9), "OK", "NG", 400, false),
          run(RecordKind::Span, daysAgo(8), "OK", "OK", 0, false)},
         InstrumentState::Ok,
         daysAgo(8) + 180},
        {"an imported 2099 row never outranks what the instrument reported",
         {read(daysAgo(200), daysAgo(200), 50, daysAgo(200), 25),
          imported(read(*MakeOleDate(2099, 1, 1, 0, 0, 0), *MakeOleDate(2099, 1, 1, 0, 0, 0), 50,
                        *MakeOleDate(2099, 1, 1, 0, 0, 0), 25),
                   now)},
         InstrumentState::Overdue,
         daysAgo(200) + 180},
        {"an import alone describes an instrument that reported nothing",
         {imported(read(daysAgo(10), daysAgo(10), 50, daysAgo(10), 25), now)},
         InstrumentState::Ok,
         daysAgo(10) + 180},
        {"an enabled channel without any calibration history has failed",
         {read(daysAgo(1), spanned, 50, 0, -101)},
         InstrumentState::Failed,
         dueThen},
        {"a channel only ever zeroed is not known to be fit",
         {read(daysAgo(1), spanned, 50, daysAgo(3), 0)},
         InstrumentState::Unknown,
         dueThen},
        {"an oxygen channel's fresh-air zero is not a span",
         {[spanned] {
             RecordEvent e = read(daysAgo(1), spanned, 50, spanned, 25);
             e.channels[1] = channel(1, "O2", true, daysAgo(2), 20.9f);
             return e;
         }()},
         InstrumentState::Unknown,
         dueThen},
        {"no CalLimit yet",
         {run(RecordKind::Span, daysAgo(2), "OK", "OK")},
         InstrumentState::Unknown,
         0},
    };
    for (const Case& c : cases) {
        const InstrumentRecordState state = fold(c.events);
        const Assessment a = Assess(state, now, kDueSoonDays);
        EXPECT_EQ(InstrumentStateName(a.state), std::string(InstrumentStateName(c.state)))
            << c.what;
        EXPECT_NEAR(a.due, c.due, 1e-6) << c.what << ": " << GeneralDate(a.due);
        // What the store keeps gives the same answer.
        const Assessment kept = Assess(DecodeRecordState(EncodeRecordState(state)), now);
        EXPECT_EQ(kept.state, a.state) << c.what;
        EXPECT_NEAR(kept.due, a.due, 1e-9) << c.what;
        // Where the instrument's clock orders the events, the order they arrive in (a queue fed
        // late, an import) does not change the verdict.
        if (std::all_of(c.events.begin(), c.events.end(),
                        [](const RecordEvent& e) { return e.instrumentTime > 0; })) {
            const std::vector<RecordEvent> reversed(c.events.rbegin(), c.events.rend());
            EXPECT_EQ(Assess(fold(reversed), now).state, a.state) << c.what;
            EXPECT_NEAR(Assess(fold(reversed), now).due, a.due, 1e-9) << c.what;
        }
    }
}

TEST(RecordsState, TheWordsTheOrderAndTheDueListAgree) {
    const InstrumentState all[] = {InstrumentState::Unknown, InstrumentState::Ok,
                                   InstrumentState::Due, InstrumentState::Overdue,
                                   InstrumentState::Failed};
    for (std::size_t i = 0; i < std::size(all); ++i) {
        EXPECT_EQ(InstrumentStateFromName(InstrumentStateName(all[i])), all[i]);
        if (i > 0) {
            EXPECT_GT(StateSeverity(all[i]), StateSeverity(all[i - 1]));
        }
        EXPECT_EQ(NeedsAttention(all[i]), i >= 2) << InstrumentStateName(all[i]);
    }
    EXPECT_FALSE(InstrumentStateFromName("dueSoon"));

    // Failed and overdue are listed whatever --days says; due only within it; worst first.
    auto instrument = [](const std::string& serial, std::vector<RecordEvent> events) {
        InstrumentSummary s;
        s.serial = serial;
        s.record = fold(events);
        return s;
    };
    const std::vector<InstrumentSummary> fleet = {
        instrument("fine", {read(daysAgo(1), daysAgo(10), 50, daysAgo(10), 25)}),
        instrument("soon", {read(daysAgo(1), daysAgo(170), 50, daysAgo(10), 25)}),
        instrument("late", {read(daysAgo(1), daysAgo(181), 50, daysAgo(10), 25)}),
        instrument("failed", {read(daysAgo(1), daysAgo(10), 50, daysAgo(10), 25),
                              run(RecordKind::Span, daysAgo(0.5), "NG", "OK")}),
    };
    auto serials = [](const std::vector<DueEntry>& list) {
        std::string text;
        for (const DueEntry& e : list) text += e.instrument.serial + " ";
        return text;
    };
    EXPECT_EQ(serials(DueList(fleet, now, 0)), "failed late ");
    EXPECT_EQ(serials(DueList(fleet, now, 30)), "failed late soon ");
}

TEST(RecordsState, ClockAheadNeedsBothTheStoreAndTheInstrumentToDisagree) {
    const double newest = daysAgo(1);
    struct ClockCase {
        double pc, instrument, newest;
        bool ahead;
    };
    const ClockCase cases[] = {
        {now, now, newest, false},               // within a day of the store
        {now + 400, now, newest, true},          // the instrument says otherwise
        {now + 400, 0, newest, true},            // nothing vouches for it
        {now + 60, now + 60, newest, false},     // both clocks agree: two months passed
        {now + 400, now + 400, 0, false},        // an empty store has nothing to compare
        {now + 400, now + 398.5, newest, true},  // the instrument is more than a day off
    };
    for (const ClockCase& c : cases)
        EXPECT_EQ(IsClockAhead(c.pc, c.instrument, c.newest), c.ahead)
            << GeneralDate(c.pc) << " / " << GeneralDate(c.instrument);
    EXPECT_FALSE(DecodeRecordState("v2\nI\t1\t2").reported.any());  // a cut text: nothing
}

// The kept text read back field by field: a whole one gives every value, and any text of another
// shape (a field more or less, a number with trailing bytes, another version, a line missing)
// gives an empty state, never half of one.
TEST(RecordsState, AKeptStateReadsBackWholeOrNotAtAll) {
    InstrumentRecordState state;
    state.reported.readTime = 46000.25;
    state.reported.lastRead = 46000.5;
    state.reported.calLimit = 180;
    state.reported.channels[2] = {"H2S",     true,       46000.25, false,
                                  45990.125, 45980.0625, 45999.0,  true};
    state.imported.channels[4] = {"CO 2", true, 1.0, true, 0, 0, 0, false};
    const std::string text = EncodeRecordState(state);
    const InstrumentRecordState back = DecodeRecordState(text);
    EXPECT_EQ(EncodeRecordState(back), text);
    EXPECT_EQ(back.reported.calLimit, 180);
    EXPECT_DOUBLE_EQ(back.reported.channels[2].passedSpan, 45980.0625);
    EXPECT_TRUE(back.reported.channels[2].lastSpanFailed);
    EXPECT_EQ(back.imported.channels[4].gas, "CO 2");
    EXPECT_TRUE(back.imported.channels[4].historyMissing);

    const auto replaced = [&](const std::string& from, const std::string& to) {
        std::string changed = text;
        changed.replace(changed.find(from), from.size(), to);
        return changed;
    };
    const std::vector<std::pair<const char*, std::string>> bad = {
        {"another version", replaced("v2\n", "v3\n")},
        {"a field after the version", replaced("v2\n", "v2\tx\n")},
        {"a number with bytes after it", replaced("\t180\n", "\t180x\n")},
        {"a field too many", replaced("\t180\n", "\t180\t1\n")},
        {"a field too few", replaced("\t46000.5\t180\n", "\t180\n")},
        {"a channel line of another kind", replaced("C\tH2S", "X\tH2S")},
        {"no imported part", text.substr(0, text.find("I\t", 4))},
        {"nothing", ""},
        {"the version alone", "v2"},
    };
    for (const auto& [what, changed] : bad) {
        const InstrumentRecordState read = DecodeRecordState(changed);
        EXPECT_FALSE(read.reported.any() || read.imported.any()) << what;
        EXPECT_EQ(read.reported.channels[2].gas, "") << what;
    }
}

// The state texts' numbers are read by a short way for plain decimals: every text, plain or not,
// gives exactly what std::from_chars gives for the whole text, value and refusal alike (to the
// bit: -0, the last digit of a long fraction, numbers past the short way's 15 digits).
TEST(RecordsState, StateNumbersReadExactlyAsFromChars) {
    std::vector<std::string> texts = {"0",
                                      "1",
                                      "-0",
                                      "45672",
                                      "54600.04",
                                      "46000.0625",
                                      "0.1",
                                      "0.3",
                                      "1.",
                                      ".5",
                                      "-.5",
                                      ".",
                                      "-",
                                      "",
                                      "+1",
                                      "1e5",
                                      "1.5e-3",
                                      "inf",
                                      "nan",
                                      "1.2.3",
                                      "12a",
                                      " 1",
                                      "1 ",
                                      "0x10",
                                      "123456789012345",
                                      "1234567890123456",
                                      "0.000000000000001",
                                      "45900.0100000000002",
                                      "99999999999999.9",
                                      "9007199254740993",
                                      "-45000.25",
                                      "00012.50"};
    // Dates as the store writes them: shortest text of a double, over fifty years of days.
    std::mt19937_64 random(5100);
    std::uniform_real_distribution<double> days(36000.0, 56000.0);
    for (int i = 0; i < 2000; ++i) {
        char digits[32];
        const double when = i % 2 ? days(random) : std::round(days(random) * 100) / 100;
        texts.emplace_back(digits, std::to_chars(digits, digits + sizeof digits, when).ptr);
    }
    for (const std::string& text : texts) {
        double expected = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), expected);
        const bool accepted =
            !text.empty() && error == std::errc() && end == text.data() + text.size();
        double got = 0;
        EXPECT_EQ(ParseStateNumber(text, got), accepted) << '"' << text << '"';
        if (!accepted) continue;
        EXPECT_EQ(std::signbit(got), std::signbit(expected)) << text;
        EXPECT_TRUE(got == expected || (std::isnan(got) && std::isnan(expected)))
            << text << ": " << got << " != " << expected;
    }
}

// A state with nothing imported (most instruments) and one with nothing at all read back the
// same through the whole-part shortcut as field by field.
TEST(RecordsState, AnEmptyPartReadsBackAsEmpty) {
    InstrumentRecordState reportedOnly;
    reportedOnly.reported.readTime = 46000.25;
    reportedOnly.reported.calLimit = 30;
    reportedOnly.reported.channels[0] = {"CO", true, 46000.25, false, 45990, 45990, 45990, false};
    InstrumentRecordState importedOnly;
    importedOnly.imported = reportedOnly.reported;
    for (const InstrumentRecordState& state :
         {reportedOnly, importedOnly, InstrumentRecordState{}}) {
        const std::string text = EncodeRecordState(state);
        const InstrumentRecordState back = DecodeRecordState(text);
        EXPECT_EQ(EncodeRecordState(back), text);
        EXPECT_EQ(back.reported.any(), state.reported.any());
        EXPECT_EQ(back.imported.any(), state.imported.any());
        EXPECT_EQ(back.evidence().channels[0].gas, state.evidence().channels[0].gas);
    }
}

}  // namespace
}  // namespace vq
