#include "app/update_flags.h"

#include <array>

#include "model/instrument.h"
#include "model/text_rules.h"

namespace vq {

namespace {

// The identity and station flags an edit set on a value the instrument does not hold.
struct IdentityEdits {
    bool userId = false, stationId = false, serialNo = false;
    std::array<bool, InstrumentModel::stationCount> stations{};
};

IdentityEdits identityEdits(const InstrumentModel& m, const InstrumentModel* instrument) {
    IdentityEdits edits;
    if (instrument == nullptr) return edits;
    edits.userId = m.isChanged(SettingId::UserID) && m.UserID() != instrument->UserID();
    edits.stationId = m.isChanged(SettingId::StationID) && m.StationID() != instrument->StationID();
    edits.serialNo = m.isChanged(SettingId::SerialNo) && m.SerialNo() != instrument->SerialNo();
    for (int n = 0; n < InstrumentModel::stationCount; ++n) {
        edits.stations[static_cast<std::size_t>(n)] =
            m.isChanged(SettingId::StationList, n) &&
            m.StationList(n) != instrument->StationList(n);
    }
    return edits;
}

}  // namespace

void PrepareUpdateFlags(InstrumentModel& model, bool idOnly, const InstrumentModel* instrument) {
    if (idOnly) {
        model.SetChangeFlags(false, true);
        return;
    }
    std::array<bool, InstrumentModel::settingsLibraryCount> libraryFlags{};
    for (int e = 0; e < InstrumentModel::settingsLibraryCount; ++e)
        libraryFlags[static_cast<std::size_t>(e)] = model.isChanged(SettingId::LS_Entry, e);
    const IdentityEdits edits = identityEdits(model, instrument);
    model.SetChangeFlags(true, false);
    for (int e = 0; e < InstrumentModel::settingsLibraryCount; ++e)
        model.setChanged(SettingId::LS_Entry, e, libraryFlags[static_cast<std::size_t>(e)]);
    model.setChanged(SettingId::UserID, edits.userId);
    model.setChanged(SettingId::StationID, edits.stationId);
    model.setChanged(SettingId::SerialNo, edits.serialNo);
    for (int n = 0; n < InstrumentModel::stationCount; ++n)
        model.setChanged(SettingId::StationList, n, edits.stations[static_cast<std::size_t>(n)]);
    const bool libraryChanged = libraryFlags[0] || libraryFlags[1];
    const bool carried = TrimText(model.GasName(0)) == TrimText(model.LS_Name(0)) ||
                         TrimText(model.GasName(4)) == TrimText(model.LS_Name(1));
    if (libraryChanged && carried) {
        model.markChanged(SettingId::LS_Entry, 0);
        model.markChanged(SettingId::LS_Entry, 1);
    }
}

}  // namespace vq
