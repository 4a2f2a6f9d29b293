#include "tests/support/change_flags.h"

#include "model/setting_id.h"

namespace vq::test {

std::vector<std::pair<std::string, bool>> NamedChangeFlags(const InstrumentModel& m) {
    std::vector<std::pair<std::string, bool>> flags;
    for (SettingId id : AllSettingIds()) {
        const std::string name(SettingName(id));
        const int count = SettingValueCount(id);
        if (count == 1) {
            flags.emplace_back(name, m.isChanged(id));
            continue;
        }
        for (int i = 0; i < count; ++i)
            flags.emplace_back(name + "[" + std::to_string(i) + "]", m.isChanged(id, i));
    }
    return flags;
}

std::vector<std::string> SetChangeFlagNames(const InstrumentModel& m) {
    std::vector<std::string> set;
    for (const auto& [name, flag] : NamedChangeFlags(m)) {
        if (flag) set.push_back(name);
    }
    return set;
}

}  // namespace vq::test
