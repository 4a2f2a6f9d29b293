#include "ui/support/fs_test_model.h"

#include <cstdio>
#include <sstream>

#include "model/instrument.h"
#include "model/value_codecs.h"

namespace vq::fs_test {
namespace {

LibraryEntry gasEntry(const std::string& name, int seed) {
    LibraryEntry e;
    e.Name = name;
    e.FullScale = 100;
    e.Digit = 0.1f;
    e.Point = 1;
    e.Unit = "%LEL";
    e.elem_vol = static_cast<int16_t>(1000 + seed);
    e.Ratio = 2;
    e.Linear1_a = 1.23456789012e-9 * seed;  // more digits than the grid shows
    e.Linear1_b = -0.5;
    e.Linear1_c = 1.0 / 3.0;
    e.Linear1_d = seed;
    e.Linear2_a = 0;
    e.Linear2_b = 0.25;
    e.Linear2_c = 1;
    e.Linear2_d = -seed;
    return e;
}

std::string entryImage(const LibraryEntry& e) {
    std::ostringstream out;
    out.precision(17);
    out << e.Name << '|' << e.FullScale << '|' << e.Digit << '|' << e.Point << '|' << e.Unit << '|'
        << e.elem_vol << '|' << e.Ratio << '|' << e.Linear1_a << '|' << e.Linear1_b << '|'
        << e.Linear1_c << '|' << e.Linear1_d << '|' << e.Linear2_a << '|' << e.Linear2_b << '|'
        << e.Linear2_c << '|' << e.Linear2_d;
    return out.str();
}

template <std::size_t N>
std::string flagsImage(const std::array<bool, N>& flags) {
    std::string text;
    for (bool f : flags) text += f ? '1' : '0';
    return text;
}

}  // namespace

clsInstrument readInstrument(int romNumber) {
    clsInstrument m;
    m.setRomNumber(romNumber);
    m.setDummySerial("DUMMY-0001");
    m.setSerialNo("SN123");
    m.setSpecNo("SPEC7");
    m.setAlarmMode(1);
    m.setLogOverWrite(1);
    m.setCalLimit(180);
    m.setDispCalLimit(1);
    m.setCalCheck(2);
    m.setSpecType("1");
    m.setHcMode(1);
    m.setAlarmO2(1);
    m.setautoBackLight(0);
    m.setLcdBackLight(30);
    m.setAlarmOnOff(1);
    m.setStelTwaOnOff(0);
    m.setBumpTime(1);
    m.setBumpThreshold(3);
    m.setBumpFailCalTime(2);
    m.setBumpFailAfter(0);
    m.setLcBhMode(3);
    m.setBhTime(2);
    m.setLcBuzzer(1);
    m.setAutoZero(1);
    m.setDemandZero(0);
    m.setConfirmation(1);
    for (int i = 0; i < clsInstrument::stationCount; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "ST %03d", i + 1);
        m.setStationList(i, name);
    }
    for (int i = 1; i < clsInstrument::libraryCount; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "LIB%02d", i);
        m.setLI_Entry(i, gasEntry(name, i));
    }
    m.setLS_Entry(0, gasEntry("USERGAS1  ", 40));
    m.setLS_Entry(1, gasEntry("USERGAS2  ", 41));
    m.ClearChangeFlags();
    return m;
}

std::string modelImage(const clsInstrument& m) {
    std::ostringstream out;
    out << "DummySerial " << m.DummySerial() << " SerialNo " << m.SerialNo() << " StationID "
        << m.StationID() << " UserID " << m.UserID() << '\n'
        << "SpecNo " << m.SpecNo() << " SpecType " << m.SpecType() << '\n'
        << "ints " << m.AlarmMode() << ' ' << m.LogOverWrite() << ' ' << m.CalLimit() << ' '
        << m.DispCalLimit() << ' ' << m.CalCheck() << ' ' << m.HcMode() << ' ' << m.AlarmO2() << ' '
        << m.autoBackLight() << ' ' << m.LcdBackLight() << ' ' << m.AlarmOnOff() << ' '
        << m.StelTwaOnOff() << ' ' << m.BumpTime() << ' ' << m.BumpThreshold() << ' '
        << m.BumpFailCalTime() << ' ' << m.BumpFailAfter() << ' ' << m.LcBhMode() << ' '
        << m.BhTime() << ' ' << m.LcBuzzer() << ' ' << m.AutoZero() << ' ' << m.DemandZero() << ' '
        << m.Confirmation() << ' ' << m.Intervals() << '\n';
    for (int i = 0; i < clsInstrument::stationCount; ++i) out << m.StationList(i) << ';';
    out << '\n';
    for (int i = 0; i < clsInstrument::libraryCount; ++i) out << entryImage(m.LI_Entry(i)) << '\n';
    for (int i = 0; i < clsInstrument::settingsLibraryCount; ++i)
        out << entryImage(m.LS_Entry(i)) << '\n';
    const bool scalarFlags[] = {
        m.Change_HCMode,          m.Change_AlarmMode,       m.Change_Interval,
        m.Change_DispCalLimit,    m.Change_CalLimit,        m.Change_CalCheck,
        m.Change_Confirmation,    m.Change_LogOverWrite,    m.Change_LcdBackLight,
        m.Change_autoBackLight,   m.Change_AlarmOnOff,      m.Change_StelTwaOnOff,
        m.Change_BumpTime,        m.Change_BumpThreshold,   m.Change_BumpFailAfter,
        m.Change_BumpFailCalTime, m.Change_LcBhMode,        m.Change_BhTime,
        m.Change_LcBuzzer,        m.Change_AlarmO2,         m.Change_AutoZero,
        m.Change_DemandZero,      m.Change_UseUserPassword, m.Change_UserPassword2,
        m.Change_SpecType,        m.Change_SpecNo,          m.Change_FlowLevel,
        m.Change_pressOffset,     m.Change_UserID,          m.Change_StationID,
        m.Change_SerialNo,        m.Change_DummySerial};
    out << "flags ";
    for (bool f : scalarFlags) out << (f ? '1' : '0');
    out << ' ' << flagsImage(m.Change_StationList) << ' ' << flagsImage(m.Change_GasEnable)
        << flagsImage(m.Change_GasPoint) << flagsImage(m.Change_Warn) << flagsImage(m.Change_Alarm)
        << flagsImage(m.Change_Stel) << flagsImage(m.Change_Twa) << flagsImage(m.Change_AutoCal)
        << flagsImage(m.Change_Ratio) << flagsImage(m.Change_Zero) << flagsImage(m.Change_OverScale)
        << ' ' << flagsImage(m.Change_LSData) << '\n';
    return out.str();
}

bool anyFlagSet(const clsInstrument& m) {
    const std::string image = modelImage(m);
    const std::string flags = image.substr(image.rfind("flags "));
    return flags.find('1') != std::string::npos;
}

}  // namespace vq::fs_test
