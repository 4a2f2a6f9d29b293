#include "model/read_slots.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "model/settings_table.h"

namespace vq {
namespace {

// The table as the program builds it, plus one planted row.
std::vector<Setting> withRow(std::string_view code, int field, int readIndex) {
    std::vector<Setting> rows(SettingsTable().begin(), SettingsTable().end());
    Setting planted = rows.front();
    planted.prop = "Planted";
    planted.code = code;
    planted.field = field;
    planted.readIndex = readIndex;
    rows.push_back(planted);
    return rows;
}

int placeOf(std::string_view code) {
    const Setting* s = FindSetting(code);
    return s == nullptr ? -1 : s->readIndex;
}

TEST(ReadSlots, TheProgramsTableHasNoClash) {
    EXPECT_NO_THROW(SettingsTable());
    EXPECT_EQ(ReadSlotCollisions(SettingsTable()), std::vector<std::string>{});
}

TEST(ReadSlots, APlantedRowThatClashesIsRefusedWithWhatItHits) {
    // A place no read holds, found from the same facts the check uses.
    std::set<int> held;
    for (const FixedRead& read : kFixedReads) held.insert(read.index);
    for (const Setting& s : SettingsTable()) held.insert(s.readIndex);
    int free = 0;
    while (held.count(free) != 0) ++free;
    ASSERT_LT(free, kFirstLibraryRead);

    struct Case {
        std::string_view code;
        int field;
        int readIndex;
        std::string expected;  // empty: accepted
    };
    const int lp = placeOf("LP");
    ASSERT_GT(lp, 0);
    const Case cases[] = {
        {"ZZ", 1, free, ""},                                         // a free place
        {"ZZ", 1, 5, "ZZ (Planted) reads at 5, where HC,R, reads"},  // a fixed read
        {"ZZ", 1, 0, "ZZ (Planted) reads at 0, where VP,R, reads"},
        {"ZZ", 1, kFirstLibraryRead + 3, "where LI,R reads"},  // a library read
        {"ZZ", 1, kFirstStationRead, "where XS,R reads"},      // a station read
        {"ZZ", 1, kLastReadSlot, "where XS,R reads"},
        {"ZZ", 1, lp, "ZZ (Planted) reads at " + std::to_string(lp) + ", where LP reads"},
        {"ZZ", 1, kLastReadSlot + 1, "outside the read table"},  // never read
        {"ZZ", 1, -1, "outside the read table"},
        {"LP", 2, lp, ""},  // a second value of a command shares its read
        {"LP", 2, free,
         "LP (Planted) reads at " + std::to_string(free) + " and at " + std::to_string(lp)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.code) + " at " + std::to_string(c.readIndex));
        const std::vector<std::string> clashes =
            ReadSlotCollisions(withRow(c.code, c.field, c.readIndex));
        if (c.expected.empty()) {
            EXPECT_TRUE(clashes.empty()) << clashes.front();
        } else {
            ASSERT_EQ(clashes.size(), 1u);
            EXPECT_NE(clashes.front().find(c.expected), std::string::npos) << clashes.front();
        }
    }
}

}  // namespace
}  // namespace vq
