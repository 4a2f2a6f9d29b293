#include "app/update_flags.h"

#include <gtest/gtest.h>

#include "model/instrument.h"

namespace vq {
namespace {

// A model as a read leaves it: no change flags; channel 0 carries special gas entry 0's name.
InstrumentModel readModel() {
    InstrumentModel model;
    model.setGasName(0, "HEXANE");
    model.setGasName(4, "CH4");
    model.setLS_Name(0, "HEXANE    ");
    model.setLS_Name(1, "PROPANE");
    model.setSerialNo("SN1");
    model.ClearChangeFlags();
    return model;
}

TEST(UpdateFlags, UpdateIdSendsTheIdentityAndStationsOnly) {
    InstrumentModel model = readModel();
    model.setAlarm(1, 20);  // an edited setting stays behind
    PrepareUpdateFlags(model, true);
    EXPECT_TRUE(model.isChanged(SettingId::SerialNo) && model.isChanged(SettingId::StationID) &&
                model.isChanged(SettingId::UserID));
    EXPECT_TRUE(model.isChanged(SettingId::StationList, 0) &&
                model.isChanged(SettingId::StationList, 255));
    EXPECT_FALSE(model.isChanged(SettingId::Alarm, 1));
    EXPECT_FALSE(model.isChanged(SettingId::HcMode));
    EXPECT_FALSE(model.isChanged(SettingId::LS_Entry, 0) ||
                 model.isChanged(SettingId::LS_Entry, 1));
}

TEST(UpdateFlags, UpdateSendsEverySettingButOnlyEditedSpecialGases) {
    InstrumentModel model = readModel();
    PrepareUpdateFlags(model, false);
    EXPECT_TRUE(model.isChanged(SettingId::HcMode) && model.isChanged(SettingId::Alarm, 4) &&
                model.isChanged(SettingId::Zero, 0));
    EXPECT_FALSE(model.isChanged(SettingId::SerialNo) ||
                 model.isChanged(SettingId::StationList, 0));
    EXPECT_FALSE(model.isChanged(SettingId::LS_Entry, 0) ||
                 model.isChanged(SettingId::LS_Entry, 1));

    // Entry 1 edited and no channel carries a special gas: entry 1 alone.
    model = readModel();
    model.setGasName(0, "METHANE");
    model.setLS_FullScale(1, 50);
    PrepareUpdateFlags(model, false);
    EXPECT_FALSE(model.isChanged(SettingId::LS_Entry, 0));
    EXPECT_TRUE(model.isChanged(SettingId::LS_Entry, 1));
}

TEST(UpdateFlags, AnEditedSpecialGasThatAChannelCarriesTakesBothEntries) {
    InstrumentModel model = readModel();
    model.setLS_FullScale(1, 50);  // channel 0 carries entry 0 (names equal once trimmed)
    PrepareUpdateFlags(model, false);
    EXPECT_TRUE(model.isChanged(SettingId::LS_Entry, 0) && model.isChanged(SettingId::LS_Entry, 1));

    model = readModel();
    model.setGasName(0, "METHANE");
    model.setGasName(4, "PROPANE");  // channel 4 carries entry 1
    model.setLS_Digit(0, 1);
    model.ClearChangeFlags();
    model.setLS_Digit(0, 2);
    PrepareUpdateFlags(model, false);
    EXPECT_TRUE(model.isChanged(SettingId::LS_Entry, 0) && model.isChanged(SettingId::LS_Entry, 1));
}

// "Update" takes along an identity or station edit the instrument does not hold yet; an edit
// back to the instrument's value, and any edit when the instrument is not known, wait as before.
TEST(UpdateFlags, UpdateKeepsIdentityEditsTheInstrumentDoesNotHold) {
    const InstrumentModel instrument = readModel();
    InstrumentModel edited = instrument;
    edited.setUserID("TECH 7");
    edited.setStationList(9, "SITE 10");
    edited.setSerialNo("SN1");  // edited, but to what the instrument holds
    InstrumentModel withInstrument = edited;
    PrepareUpdateFlags(withInstrument, false, &instrument);
    EXPECT_TRUE(withInstrument.isChanged(SettingId::UserID));
    EXPECT_TRUE(withInstrument.isChanged(SettingId::StationList, 9));
    EXPECT_FALSE(withInstrument.isChanged(SettingId::SerialNo));
    EXPECT_FALSE(withInstrument.isChanged(SettingId::StationID));
    EXPECT_FALSE(withInstrument.isChanged(SettingId::StationList, 8));
    EXPECT_TRUE(withInstrument.isChanged(SettingId::AlarmMode));  // every setting as before
    PrepareUpdateFlags(edited, false);
    EXPECT_FALSE(edited.isChanged(SettingId::UserID));
    EXPECT_FALSE(edited.isChanged(SettingId::StationList, 9));
}

}  // namespace
}  // namespace vq
