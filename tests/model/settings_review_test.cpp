// The review of a write lists every setting once, and exactly the ones a change touches differ,
// with the values a person reads.

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>

#include "model/instrument.h"
#include "model/settings_review.h"

namespace vq {
namespace {

struct Case {
    const char* what;
    std::function<void(InstrumentModel&)> change;
    // code, number, text before, text after (message ids are compared as "#id")
    std::vector<std::tuple<std::string, int, std::string, std::string>> expected;
};

std::string shown(const ShownValue& v) {
    return v.messageId != 0 ? "#" + std::to_string(v.messageId) : v.text;
}

InstrumentModel baseModel() {
    InstrumentModel m;
    m.setGasEnabled(1, true);
    m.setGasName(1, "CO");
    m.setGasFullScale(1, 500);
    m.setResolution(1, 1);
    m.setGasUnit(1, "ppm");
    m.setWarning(1, 25);
    m.ClearChangeFlags();
    return m;
}

TEST(SettingsReview, ExactlyTheChangedSettingsDifferWithTheirShownValues) {
    const std::vector<Case> cases = {
        {"nothing", [](InstrumentModel&) {}, {}},
        {"a group member", [](InstrumentModel& m) { m.setLcBuzzer(1); }, {{"WB", 0, "OFF", "ON"}}},
        {"a listed value",
         [](InstrumentModel& m) { m.setAlarmMode(1); },
         {{"AP", 0, "#8005", "#8006"}}},
        {"a station",
         [](InstrumentModel& m) { m.setStationList(2, "DEPOT 3"); },
         {{"XS", 3, "----------------", "DEPOT 3"}}},
        {"an identity text",
         [](InstrumentModel& m) { m.setUserID("J. DOE"); },
         {{"XZ", 0, "----------------", "J. DOE"}}},
        {"a level", [](InstrumentModel& m) { m.setWarning(1, 30); }, {{"A1", 2, "25", "30"}}},
        {"a channel switched off",
         [](InstrumentModel& m) { m.setGasEnabled(1, false); },
         {{"GJ", 2, "CO 500 1 ppm", "-----"}}},
        // A library entry field by field: only the field that changed, under its caption.
        {"a library ratio",
         [](InstrumentModel& m) { m.setLS_Ratio(1, 2.5f); },
         {{"LS", 2, "0", "2.5"}}},
        {"a library name and coefficient",
         [](InstrumentModel& m) {
             LibraryEntry e = m.LS_Entry(0);
             e.Name = "USERGAS";
             e.Linear2_d = -2;
             m.setLS_Entry(0, e);
         },
         {{"LS", 1, "", "USERGAS"}, {"LS", 1, "0 0 0 0 0 0 0 0", "0 0 0 0 0 0 0 -2"}}},
        {"a library voltage",
         [](InstrumentModel& m) {
             LibraryEntry e = m.LS_Entry(1);
             e.elem_vol = -1;  // 65535 as the instrument carries it
             m.setLS_Entry(1, e);
         },
         {{"LS", 2, "0", "65535"}}},
    };
    const InstrumentModel before = baseModel();
    const std::size_t total = ReviewRows(before, before).size();
    // Identity 4, stations 256, channels 5 x 6, the table's settings, library 2 x 7 fields.
    EXPECT_EQ(total, 4 + 256 + 30 + SettingsTable().size() + 14);
    for (const Case& c : cases) {
        InstrumentModel after = before;
        c.change(after);
        const auto rows = ReviewRows(before, after);
        ASSERT_EQ(rows.size(), total) << c.what;
        std::vector<const ReviewRow*> differing;
        for (const ReviewRow& row : rows)
            if (row.differs()) differing.push_back(&row);
        ASSERT_EQ(differing.size(), c.expected.size()) << c.what;
        for (std::size_t i = 0; i < differing.size(); ++i) {
            const auto& [code, number, was, will] = c.expected[i];
            EXPECT_EQ(differing[i]->code, code) << c.what;
            EXPECT_EQ(differing[i]->number, number) << c.what;
            EXPECT_EQ(shown(differing[i]->onInstrument), was) << c.what;
            EXPECT_EQ(shown(differing[i]->toWrite), will) << c.what;
        }
    }
}

int differing(const InstrumentModel& a, const InstrumentModel& b) {
    int n = 0;
    for (const ReviewRow& row : ReviewRows(a, b)) n += row.differs() ? 1 : 0;
    return n;
}

// After a write that stopped, a setting counts as held by the instrument exactly when its
// confirmed write cleared the flag; everything else keeps the value last read.
TEST(SettingsReview, HeldAfterWriteTakesOnlyTheConfirmedSettings) {
    const std::vector<std::function<void(InstrumentModel&)>> edits = {
        [](InstrumentModel& m) { m.setLcBuzzer(1); },
        [](InstrumentModel& m) { m.setAlarmMode(1); },
        [](InstrumentModel& m) { m.setStationList(2, "DEPOT 3"); },
        [](InstrumentModel& m) { m.setUserID("J. DOE"); },
        [](InstrumentModel& m) { m.setWarning(1, 30); },
        [](InstrumentModel& m) { m.setTwa(1, 12); },
        [](InstrumentModel& m) { m.setGasEnabled(1, false); },
        [](InstrumentModel& m) { m.setLS_Ratio(1, 2.5f); },
    };
    const InstrumentModel before = baseModel();
    for (std::size_t i = 0; i < edits.size(); ++i) {
        InstrumentModel sent = before;
        edits[i](sent);
        sent.SetChangeFlags(true, true);
        InstrumentModel confirmed = sent;
        confirmed.ClearChangeFlags();
        EXPECT_EQ(differing(HeldAfterWrite(before, sent, confirmed), sent), 0) << "edit " << i;
        EXPECT_EQ(differing(HeldAfterWrite(before, sent, sent), before), 0) << "edit " << i;
    }
    // Stopped between the two: the station went, the level did not.
    InstrumentModel sent = before;
    sent.setStationList(2, "DEPOT 3");
    sent.setWarning(1, 30);
    sent.SetChangeFlags(true, true);
    InstrumentModel after = sent;
    after.clearChanged(SettingId::StationList, 2);
    const InstrumentModel held = HeldAfterWrite(before, sent, after);
    EXPECT_EQ(held.StationList(2), "DEPOT 3");
    EXPECT_EQ(held.Warning(1), 25.0f);
    EXPECT_EQ(differing(held, sent), 1);
    // A flag that was never owed says nothing, whatever the value.
    InstrumentModel unowed = sent;
    unowed.ClearChangeFlags();
    EXPECT_EQ(differing(HeldAfterWrite(before, unowed, unowed), before), 0);
}

}  // namespace
}  // namespace vq
