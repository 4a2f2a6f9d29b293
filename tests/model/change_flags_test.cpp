// The change flags behind their keys: each key owns exactly its own values, indexes are
// checked, and the setters and the table rows mark the key they are named by.
#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "model/instrument.h"
#include "model/setting_id.h"
#include "model/settings_table.h"

namespace vq {
namespace {

// Every (key, index) the model has a flag for.
std::vector<std::pair<SettingId, int>> allFlags() {
    std::vector<std::pair<SettingId, int>> flags;
    for (SettingId id : AllSettingIds())
        for (int i = 0; i < SettingValueCount(id); ++i) flags.emplace_back(id, i);
    return flags;
}

std::string flagName(SettingId id, int index) {
    std::string name(SettingName(id));
    return SettingValueCount(id) == 1 ? name : name + "[" + std::to_string(index) + "]";
}

// The names of the flags that are set ("Warning[2]").
std::vector<std::string> setFlags(const InstrumentModel& m) {
    std::vector<std::string> set;
    for (const auto& [id, index] : allFlags())
        if (m.isChanged(id, index)) set.push_back(flagName(id, index));
    return set;
}

TEST(ChangeFlags, EachFlagIsItsOwn) {
    // Marking one flag sets that flag and no other: two keys sharing a place would make a
    // write of one setting send (or skip) another.
    const auto flags = allFlags();
    ASSERT_EQ(static_cast<int>(flags.size()), settingValueTotal);
    for (const auto& [id, index] : flags) {
        InstrumentModel m;
        m.markChanged(id, index);
        const std::vector<std::string> set = setFlags(m);
        const std::string expected = flagName(id, index);
        ASSERT_EQ(set, std::vector<std::string>{expected});
        EXPECT_TRUE(m.anyChanged(id));
        m.clearChanged(id, index);
        EXPECT_TRUE(setFlags(m).empty()) << expected;
        m.setChanged(id, index, true);
        EXPECT_TRUE(m.isChanged(id, index)) << expected;
        m.setChanged(id, index, false);
        EXPECT_FALSE(m.anyChanged(id)) << expected;
    }
}

TEST(ChangeFlags, KeysAreTheAccessorNamesAndUnique) {
    std::set<std::string_view> names;
    for (SettingId id : AllSettingIds()) EXPECT_TRUE(names.insert(SettingName(id)).second);
    // A listed setting's key is its property name, so the table and the flags cannot disagree.
    for (const Setting& s : SettingsTable()) EXPECT_EQ(SettingName(s.id), s.prop);
    EXPECT_EQ(SettingName(SettingId::HcMode), "HcMode");
    EXPECT_EQ(SettingName(SettingId::Warning), "Warning");
    EXPECT_EQ(SettingValueCount(SettingId::StationList), InstrumentModel::stationCount);
}

TEST(ChangeFlags, IndexOutsideTheSettingsRangeThrows) {
    struct Case {
        SettingId id;
        int index;
    };
    const Case cases[] = {
        {SettingId::HcMode, 1},        {SettingId::HcMode, -1}, {SettingId::UserID, 1},
        {SettingId::StationList, 256}, {SettingId::Warning, 6}, {SettingId::Zero, -1},
        {SettingId::LS_Entry, 2},
    };
    for (const Case& c : cases) {
        InstrumentModel m;
        EXPECT_THROW(m.markChanged(c.id, c.index), std::out_of_range) << SettingName(c.id);
        EXPECT_THROW((void)m.isChanged(c.id, c.index), std::out_of_range) << SettingName(c.id);
        EXPECT_THROW(m.setChanged(c.id, c.index, false), std::out_of_range);
        EXPECT_TRUE(setFlags(m).empty()) << SettingName(c.id);
    }
}

TEST(ChangeFlags, EveryTableSetterMarksOnlyItsOwnKey) {
    for (const Setting& s : SettingsTable()) {
        InstrumentModel m;
        if (s.isText) {
            s.setText(m, "1");
        } else {
            s.setNumber(m, s.number(m) == s.low ? s.high : s.low);  // a real change
        }
        EXPECT_EQ(setFlags(m), std::vector<std::string>{std::string(s.prop)});
        EXPECT_TRUE(s.changed(m));
        s.setChanged(m, false);
        EXPECT_FALSE(m.isChanged(s.id)) << s.prop;
    }
}

TEST(ChangeFlags, CopiesCarryTheirFlags) {
    InstrumentModel m;
    m.setWarning(2, 5.0f);
    m.setStationList(200, "X");
    InstrumentModel copy = m;
    copy.clearChanged(SettingId::Warning, 2);
    EXPECT_TRUE(m.isChanged(SettingId::Warning, 2));
    EXPECT_FALSE(copy.isChanged(SettingId::Warning, 2));
    EXPECT_TRUE(copy.isChanged(SettingId::StationList, 200));
}

}  // namespace
}  // namespace vq
