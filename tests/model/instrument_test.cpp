#include "model/instrument.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace vq {
namespace {

TEST(Instrument, NewObjectHoldsTheDefaultsWithNoFlagSet) {
    InstrumentModel m;
    EXPECT_EQ(m.CalLimit(), 1);
    EXPECT_EQ(m.BumpTime(), 2);
    EXPECT_EQ(m.UserPassword2(), "4729");
    EXPECT_EQ(m.SpecType(), "0");
    EXPECT_EQ(m.LcdBackLight(), 1);
    EXPECT_EQ(m.AlarmO2(), 1);
    EXPECT_EQ(m.UserID(), std::string(16, '-'));
    EXPECT_EQ(m.SerialNo(), std::string(20, '-'));
    EXPECT_EQ(m.StationList(255), std::string(16, '-'));
    for (int ch = 0; ch <= 4; ++ch) {
        EXPECT_EQ(m.Alarm(ch), -101.0f);
        EXPECT_EQ(m.GasFullScale(ch), -101.0f);
        EXPECT_EQ(m.GasPoint(ch), -101);
        EXPECT_FALSE(m.GasEnabled(ch));
        EXPECT_EQ(m.CalibDate(ch), -101.0);
        EXPECT_FALSE(m.isChanged(SettingId::GasEnabled, ch));
        EXPECT_FALSE(m.isChanged(SettingId::GasPoint, ch));
    }
    EXPECT_FALSE(m.isChanged(SettingId::CalLimit));
    EXPECT_FALSE(m.isChanged(SettingId::StationList, 0));
}

TEST(Instrument, SettersMarkTheirFlags) {
    InstrumentModel m;
    m.setHcMode(2);
    EXPECT_TRUE(m.isChanged(SettingId::HcMode));
    m.setAlarmMode(0);  // same value: still an edit
    EXPECT_TRUE(m.isChanged(SettingId::AlarmMode));
    m.setWarning(3, 12.5f);
    EXPECT_TRUE(m.isChanged(SettingId::Warning, 3));
    EXPECT_FALSE(m.isChanged(SettingId::Warning, 2));
    m.setZero(1, 1);
    EXPECT_TRUE(m.isChanged(SettingId::Zero, 1));
    m.setStationList(10, "  A  ");
    EXPECT_EQ(m.StationList(10), "  A  ");  // not trimmed
    EXPECT_TRUE(m.isChanged(SettingId::StationList, 10));
    m.setLS_Linear2_d(1, 0.5);
    EXPECT_TRUE(m.isChanged(SettingId::LS_Entry, 1));
    EXPECT_FALSE(m.isChanged(SettingId::LS_Entry, 0));
    m.setLI_Name(30, "CH4");
    EXPECT_EQ(m.LI_Name(30), "CH4");
    // Fields without a visible flag.
    m.setGasName(0, "CO");
    m.setGasFullScale(0, 500);
    m.setCalibDate(0, 45000.5);
    EXPECT_EQ(m.GasName(0), "CO");
    EXPECT_EQ(m.CalibDate(0), 45000.5);
}

TEST(Instrument, IntervalsFlagOnlyOnARealChange) {
    InstrumentModel m;
    m.setIntervals(0);
    EXPECT_FALSE(m.isChanged(SettingId::Intervals));
    m.setIntervals(60);
    EXPECT_TRUE(m.isChanged(SettingId::Intervals));
    EXPECT_EQ(m.Intervals(), 60);
}

TEST(Instrument, IdentityTextsAreTrimmedAndBlankBecomesDashes) {
    InstrumentModel m;
    m.setSerialNo("   ");
    EXPECT_EQ(m.SerialNo(), std::string(20, '-'));
    EXPECT_TRUE(m.isChanged(SettingId::SerialNo));
    m.setUserID("  Tech 7 ");
    EXPECT_EQ(m.UserID(), "Tech 7");
    m.setStationID("");
    EXPECT_EQ(m.StationID(), std::string(16, '-'));
    m.setDummySerial(" X");
    EXPECT_EQ(m.DummySerial(), "X");
    EXPECT_TRUE(m.isChanged(SettingId::DummySerial));
}

TEST(Instrument, IndexRules) {
    InstrumentModel m;
    // Channel table: index 5 and beyond are ignored.
    m.setGasName(5, "X");
    EXPECT_EQ(m.GasName(5), "");
    m.setGasEnabled(-1, true);
    EXPECT_FALSE(m.GasEnabled(-1));
    m.setZero(5, 7);
    EXPECT_EQ(m.Zero(5), 0);
    EXPECT_FALSE(m.isChanged(SettingId::Zero, 5));
    // The four levels have a sixth record and throw beyond it.
    m.setAlarm(5, 9);
    EXPECT_EQ(m.Alarm(5), 9.0f);
    EXPECT_THROW(m.Alarm(6), std::out_of_range);
    EXPECT_THROW(m.setWarning(-1, 1), std::out_of_range);
    EXPECT_THROW(m.setTwa(6, 1), std::out_of_range);
    EXPECT_THROW(m.Stel(100000), std::out_of_range);
    // Libraries throw, and a refused LS_ index marks nothing.
    EXPECT_THROW(m.LI_Name(31), std::out_of_range);
    EXPECT_THROW(m.setLI_Point(-1, 1), std::out_of_range);
    EXPECT_THROW(m.setLS_Ratio(2, 1), std::out_of_range);
    EXPECT_FALSE(m.isChanged(SettingId::LS_Entry, 0) || m.isChanged(SettingId::LS_Entry, 1));
    // Station list and live values ignore indexes outside.
    m.setStationList(256, "x");
    EXPECT_EQ(m.StationList(256), "");
    EXPECT_EQ(m.StationList(-1), "");
    m.setAnalogValue(9, 5);
    EXPECT_EQ(m.AnalogValue(9), 0);
    m.setLimitValue(5, 3);
    EXPECT_EQ(m.LimitValue(5), 3.0f);
    EXPECT_EQ(m.LimitValue(6), 0.0f);
}

TEST(Instrument, SetChangeFlagsGroups) {
    InstrumentModel m;
    m.setFlowLevel(5);  // FlowLevel marked changed, and must stay so
    m.setDummySerial("D");
    m.SetChangeFlags(true, false);
    EXPECT_FALSE(m.isChanged(SettingId::SerialNo));
    EXPECT_FALSE(m.isChanged(SettingId::UserID));
    EXPECT_FALSE(m.isChanged(SettingId::StationList, 0));
    EXPECT_FALSE(m.isChanged(SettingId::DummySerial));
    EXPECT_TRUE(m.isChanged(SettingId::FlowLevel));
    EXPECT_FALSE(m.isChanged(SettingId::pressOffset));
    EXPECT_TRUE(m.isChanged(SettingId::SpecNo));
    EXPECT_TRUE(m.isChanged(SettingId::UserPassword2));
    EXPECT_TRUE(m.isChanged(SettingId::LS_Entry, 0) && m.isChanged(SettingId::LS_Entry, 1));
    for (int ch = 0; ch <= 4; ++ch) {
        EXPECT_TRUE(m.isChanged(SettingId::Zero, ch));
        EXPECT_TRUE(m.isChanged(SettingId::AutoCalib, ch));
        EXPECT_TRUE(m.isChanged(SettingId::Twa, ch));
    }
    EXPECT_FALSE(m.isChanged(SettingId::Warning, 5));

    m.SetChangeFlags(false, true);
    EXPECT_TRUE(m.isChanged(SettingId::SerialNo) && m.isChanged(SettingId::UserID) &&
                m.isChanged(SettingId::StationID));
    EXPECT_TRUE(m.isChanged(SettingId::StationList, 255));
    EXPECT_FALSE(m.isChanged(SettingId::DummySerial));
    EXPECT_FALSE(m.isChanged(SettingId::HcMode));
    EXPECT_FALSE(m.isChanged(SettingId::Zero, 0));

    m.ClearChangeFlags();
    EXPECT_FALSE(m.isChanged(SettingId::StationList, 255) || m.isChanged(SettingId::SerialNo));
    EXPECT_TRUE(m.isChanged(SettingId::FlowLevel));
}

TEST(Instrument, ClearDatasKeepsTheUnresetFieldsAndClearsFlags) {
    InstrumentModel m;
    m.setConfirmation(3);
    m.setSpecNo("TYPE-9");
    m.setFlowLevel(70000);
    m.setpressOffset(-5);
    m.setHcMode(2);
    m.setAlarm(2, 50);
    m.setSerialNo("SN1");
    m.setStationList(3, "S3");
    m.setGasFullScale(1, 100);
    m.setCommFlags(1);
    m.ClearDatas();
    EXPECT_EQ(m.Confirmation(), 3);
    EXPECT_EQ(m.SpecNo(), "TYPE-9");
    EXPECT_EQ(m.FlowLevel(), 70000);
    EXPECT_EQ(m.pressOffset(), -5);
    EXPECT_EQ(m.HcMode(), 0);
    EXPECT_EQ(m.Alarm(2), -101.0f);
    EXPECT_EQ(m.SerialNo(), std::string(20, '-'));
    EXPECT_EQ(m.StationList(3), std::string(16, '-'));
    EXPECT_EQ(m.GasFullScale(1), -101.0f);  // through the blank gas record
    EXPECT_EQ(m.CommFlags(), 0);
    EXPECT_FALSE(m.isChanged(SettingId::HcMode) || m.isChanged(SettingId::Alarm, 2) ||
                 m.isChanged(SettingId::SerialNo));
    // The two flags SetChangeFlags leaves alone are not cleared either.
    EXPECT_TRUE(m.isChanged(SettingId::FlowLevel));
    EXPECT_TRUE(m.isChanged(SettingId::pressOffset));
}

TEST(Instrument, CopiesAreIndependent) {
    InstrumentModel original;
    original.setWarning(0, 10);
    InstrumentModel copy = original;
    copy.setWarning(0, 20);
    copy.setStationList(0, "copy");
    EXPECT_EQ(original.Warning(0), 10.0f);
    EXPECT_EQ(original.StationList(0), std::string(16, '-'));
    EXPECT_EQ(copy.Warning(0), 20.0f);
}

}  // namespace
}  // namespace vq
