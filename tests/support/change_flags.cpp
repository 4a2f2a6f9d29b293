#include "tests/support/change_flags.h"

namespace vq::test {

std::vector<std::pair<std::string, bool>> NamedChangeFlags(const clsInstrument& m) {
    std::vector<std::pair<std::string, bool>> flags = {
        {"HCMode", m.Change_HCMode},
        {"AlarmMode", m.Change_AlarmMode},
        {"Interval", m.Change_Interval},
        {"DispCalLimit", m.Change_DispCalLimit},
        {"CalLimit", m.Change_CalLimit},
        {"CalCheck", m.Change_CalCheck},
        {"Confirmation", m.Change_Confirmation},
        {"LogOverWrite", m.Change_LogOverWrite},
        {"LcdBackLight", m.Change_LcdBackLight},
        {"autoBackLight", m.Change_autoBackLight},
        {"AlarmOnOff", m.Change_AlarmOnOff},
        {"StelTwaOnOff", m.Change_StelTwaOnOff},
        {"BumpTime", m.Change_BumpTime},
        {"BumpThreshold", m.Change_BumpThreshold},
        {"BumpFailAfter", m.Change_BumpFailAfter},
        {"BumpFailCalTime", m.Change_BumpFailCalTime},
        {"LcBhMode", m.Change_LcBhMode},
        {"BhTime", m.Change_BhTime},
        {"LcBuzzer", m.Change_LcBuzzer},
        {"AlarmO2", m.Change_AlarmO2},
        {"AutoZero", m.Change_AutoZero},
        {"DemandZero", m.Change_DemandZero},
        {"UseUserPassword", m.Change_UseUserPassword},
        {"UserPassword2", m.Change_UserPassword2},
        {"SpecType", m.Change_SpecType},
        {"SpecNo", m.Change_SpecNo},
        {"FlowLevel", m.Change_FlowLevel},
        {"pressOffset", m.Change_pressOffset},
        {"UserID", m.Change_UserID},
        {"StationID", m.Change_StationID},
        {"SerialNo", m.Change_SerialNo},
        {"DummySerial", m.Change_DummySerial}};
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
