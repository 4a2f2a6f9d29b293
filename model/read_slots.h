#pragma once
// The read-all's table of places: the reads outside the settings table, the library and station
// ranges, and the free places the settings table fills (model/setting_list.h, ReadIndex). Both
// the read-all (link/read_all.cpp) and the settings table's own check (ReadSlotCollisions) read
// these, so a new setting cannot take a place that another read already holds.

namespace vq {

struct FixedRead {
    int index;
    const char* payload;
};

inline constexpr FixedRead kFixedReads[] = {
    {0, "VP,R,"},  {1, "XZ,R,"},  {2, "XS,R,****"}, {3, "IN,R,"},  {4, "HN,R,"},
    {5, "HC,R,"},  {20, "GJ,R,"}, {21, "A1,R,"},    {22, "A2,R,"}, {23, "AS,R,"},
    {24, "AW,R,"}, {25, "HA,R,"}, {26, "VS,R,"},    {28, "SA,R,"}, {50, "LS,R,"}};
inline constexpr int kFirstLibraryRead = 51;  // LI,R,01 .. LI,R,0F
inline constexpr int kLibraryReads = 15;
inline constexpr int kFirstStationRead = 66;  // XS,R,0000 .. XS,R,00FF
inline constexpr int kStationReads = 256;
inline constexpr int kLastReadSlot = kFirstStationRead + kStationReads - 1;  // the read-all's last
// The table's size: its last place stays empty.
inline constexpr int kReadSlotCount = 323;
static_assert(kLastReadSlot < kReadSlotCount);

}  // namespace vq
