#include "ui/support/factory_test_model.h"

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

// Every value's flag of an indexed setting, "0" or "1" each.
std::string flagsImage(const InstrumentModel& m, SettingId id) {
    std::string text;
    for (int i = 0; i < SettingValueCount(id); ++i) text += m.isChanged(id, i) ? '1' : '0';
    return text;
}

}  // namespace

InstrumentModel readInstrument(int romNumber) {
    InstrumentModel m;
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
    for (int i = 0; i < InstrumentModel::stationCount; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "ST %03d", i + 1);
        m.setStationList(i, name);
    }
    for (int i = 1; i < InstrumentModel::libraryCount; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "LIB%02d", i);
        m.setLI_Entry(i, gasEntry(name, i));
    }
    m.setLS_Entry(0, gasEntry("USERGAS1  ", 40));
    m.setLS_Entry(1, gasEntry("USERGAS2  ", 41));
    m.ClearChangeFlags();
    return m;
}

std::string modelImage(const InstrumentModel& m) {
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
    for (int i = 0; i < InstrumentModel::stationCount; ++i) out << m.StationList(i) << ';';
    out << '\n';
    for (int i = 0; i < InstrumentModel::libraryCount; ++i)
        out << entryImage(m.LI_Entry(i)) << '\n';
    for (int i = 0; i < InstrumentModel::settingsLibraryCount; ++i)
        out << entryImage(m.LS_Entry(i)) << '\n';
    const bool scalarFlags[] = {
        m.isChanged(SettingId::HcMode),          m.isChanged(SettingId::AlarmMode),
        m.isChanged(SettingId::Intervals),       m.isChanged(SettingId::DispCalLimit),
        m.isChanged(SettingId::CalLimit),        m.isChanged(SettingId::CalCheck),
        m.isChanged(SettingId::Confirmation),    m.isChanged(SettingId::LogOverWrite),
        m.isChanged(SettingId::LcdBackLight),    m.isChanged(SettingId::autoBackLight),
        m.isChanged(SettingId::AlarmOnOff),      m.isChanged(SettingId::StelTwaOnOff),
        m.isChanged(SettingId::BumpTime),        m.isChanged(SettingId::BumpThreshold),
        m.isChanged(SettingId::BumpFailAfter),   m.isChanged(SettingId::BumpFailCalTime),
        m.isChanged(SettingId::LcBhMode),        m.isChanged(SettingId::BhTime),
        m.isChanged(SettingId::LcBuzzer),        m.isChanged(SettingId::AlarmO2),
        m.isChanged(SettingId::AutoZero),        m.isChanged(SettingId::DemandZero),
        m.isChanged(SettingId::UseUserPassword), m.isChanged(SettingId::UserPassword2),
        m.isChanged(SettingId::SpecType),        m.isChanged(SettingId::SpecNo),
        m.isChanged(SettingId::FlowLevel),       m.isChanged(SettingId::pressOffset),
        m.isChanged(SettingId::UserID),          m.isChanged(SettingId::StationID),
        m.isChanged(SettingId::SerialNo),        m.isChanged(SettingId::DummySerial)};
    out << "flags ";
    for (bool f : scalarFlags) out << (f ? '1' : '0');
    out << ' ' << flagsImage(m, SettingId::StationList) << ' '
        << flagsImage(m, SettingId::GasEnabled) << flagsImage(m, SettingId::GasPoint)
        << flagsImage(m, SettingId::Warning) << flagsImage(m, SettingId::Alarm)
        << flagsImage(m, SettingId::Stel) << flagsImage(m, SettingId::Twa)
        << flagsImage(m, SettingId::AutoCalib) << flagsImage(m, SettingId::Ratio)
        << flagsImage(m, SettingId::Zero) << flagsImage(m, SettingId::OverScale) << ' '
        << flagsImage(m, SettingId::LS_Entry) << '\n';
    return out.str();
}

bool anyFlagSet(const InstrumentModel& m) {
    const std::string image = modelImage(m);
    const std::string flags = image.substr(image.rfind("flags "));
    return flags.find('1') != std::string::npos;
}

}  // namespace vq::fs_test
