#pragma once
// The key of every setting the model tracks a change for: the single-valued settings of
// model/setting_list.h under their property names, then the settings kept outside that list
// (passwords, identity texts, station list, per-channel values, settings library). A key names
// the setting's accessor, so "the setting changed" and "the setting" never go by two names.

#include <array>
#include <cstddef>
#include <string_view>

#include "model/setting_list.h"

namespace vq {

// clang-format off
#define VQ_SETTINGS_OUTSIDE_LIST(X)                                                               \
    X(UseUserPassword, 1) X(UserPassword2, 1)                                                      \
    X(UserID, 1) X(StationID, 1) X(SerialNo, 1) X(DummySerial, 1)                                  \
    X(StationList, 256)                                                                            \
    X(GasEnabled, 6) X(GasPoint, 6) X(Warning, 6) X(Alarm, 6) X(Stel, 6) X(Twa, 6)                 \
    X(AutoCalib, 6) X(Ratio, 6) X(Zero, 6) X(OverScale, 6)                                         \
    X(LS_Entry, 2)
// clang-format on

enum class SettingId {
#define VQ_LISTED_ID(Type, Prop, Default, Life, Row) Prop,
    VQ_SETTINGS(VQ_LISTED_ID)
#undef VQ_LISTED_ID
#define VQ_OUTSIDE_ID(Name, Count) Name,
        VQ_SETTINGS_OUTSIDE_LIST(VQ_OUTSIDE_ID)
#undef VQ_OUTSIDE_ID
};

namespace setting_id_detail {

struct Entry {
    std::string_view name;
    int count;  // 1, or how many indexed values the setting has (channels, stations, ...)
};

inline constexpr Entry entries[] = {
#define VQ_LISTED_ENTRY(Type, Prop, Default, Life, Row) {#Prop, 1},
    VQ_SETTINGS(VQ_LISTED_ENTRY)
#undef VQ_LISTED_ENTRY
#define VQ_OUTSIDE_ENTRY(Name, Count) {#Name, Count},
        VQ_SETTINGS_OUTSIDE_LIST(VQ_OUTSIDE_ENTRY)
#undef VQ_OUTSIDE_ENTRY
};

}  // namespace setting_id_detail

inline constexpr int settingIdCount = static_cast<int>(std::size(setting_id_detail::entries));

// The setting's key as its accessor spells it ("HcMode", "Warning").
constexpr std::string_view SettingName(SettingId id) {
    return setting_id_detail::entries[static_cast<std::size_t>(id)].name;
}
// How many values the setting holds: 1 for a single value, else the size of its index range.
constexpr int SettingValueCount(SettingId id) {
    return setting_id_detail::entries[static_cast<std::size_t>(id)].count;
}
// Where the setting's first value sits when every value of every key is laid out in
// declaration order; settingValueTotal is the length of that layout.
constexpr int SettingValueOffset(SettingId id) {
    int offset = 0;
    for (int i = 0; i < static_cast<int>(id); ++i)
        offset += setting_id_detail::entries[static_cast<std::size_t>(i)].count;
    return offset;
}
inline constexpr int settingValueTotal = SettingValueOffset(SettingId(settingIdCount - 1)) +
                                         SettingValueCount(SettingId(settingIdCount - 1));
// Every key in declaration order, for code that walks all of them.
constexpr std::array<SettingId, settingIdCount> AllSettingIds() {
    std::array<SettingId, settingIdCount> ids{};
    for (int i = 0; i < settingIdCount; ++i) ids[static_cast<std::size_t>(i)] = SettingId(i);
    return ids;
}

}  // namespace vq
