#include "tests/support/change_flags.h"

#include "model/settings_table.h"

namespace vq::test {

std::vector<std::pair<std::string, bool>> NamedChangeFlags(const clsInstrument& m) {
    std::vector<std::pair<std::string, bool>> flags;
    // The single settings as the settings table lists them, then the flags outside it.
    for (const Setting& s : SettingsTable()) {
        flags.emplace_back(std::string(s.flagName.substr(std::string_view("Change_").size())),
                           s.changed(m));
    }
    flags.insert(flags.end(), {{"UseUserPassword", m.Change_UseUserPassword},
                               {"UserPassword2", m.Change_UserPassword2},
                               {"UserID", m.Change_UserID},
                               {"StationID", m.Change_StationID},
                               {"SerialNo", m.Change_SerialNo},
                               {"DummySerial", m.Change_DummySerial}});
    auto addArray = [&](const std::string& name, const auto& array) {
        for (std::size_t i = 0; i < array.size(); ++i) {
            flags.emplace_back(name + "[" + std::to_string(i) + "]", array[i]);
        }
    };
    addArray("StationList", m.Change_StationList);
    addArray("GasEnable", m.Change_GasEnable);
    addArray("GasPoint", m.Change_GasPoint);
    addArray("Warn", m.Change_Warn);
    addArray("Alarm", m.Change_Alarm);
    addArray("Stel", m.Change_Stel);
    addArray("Twa", m.Change_Twa);
    addArray("AutoCal", m.Change_AutoCal);
    addArray("Ratio", m.Change_Ratio);
    addArray("Zero", m.Change_Zero);
    addArray("OverScale", m.Change_OverScale);
    addArray("LSData", m.Change_LSData);
    return flags;
}

std::vector<std::string> SetChangeFlagNames(const clsInstrument& m) {
    std::vector<std::string> set;
    for (const auto& [name, flag] : NamedChangeFlags(m)) {
        if (flag) set.push_back(name);
    }
    return set;
}

}  // namespace vq::test
