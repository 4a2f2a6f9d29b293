#include "app/update_flags.h"

#include <array>

#include "model/instrument.h"
#include "model/text_rules.h"

namespace vq {

namespace {

// The identity and station flags an edit set on a value the instrument does not hold.
struct IdentityEdits {
    bool userId = false, stationId = false, serialNo = false;
    std::array<bool, clsInstrument::stationCount> stations{};
};

IdentityEdits identityEdits(const clsInstrument& m, const clsInstrument* instrument) {
    IdentityEdits edits;
    if (instrument == nullptr) return edits;
    edits.userId = m.Change_UserID && m.UserID() != instrument->UserID();
    edits.stationId = m.Change_StationID && m.StationID() != instrument->StationID();
    edits.serialNo = m.Change_SerialNo && m.SerialNo() != instrument->SerialNo();
    for (int n = 0; n < clsInstrument::stationCount; ++n) {
        const auto i = static_cast<std::size_t>(n);
        edits.stations[i] =
            m.Change_StationList[i] && m.StationList(n) != instrument->StationList(n);
    }
    return edits;
}

}  // namespace

void PrepareUpdateFlags(clsInstrument& model, bool idOnly, const clsInstrument* instrument) {
    if (idOnly) {
        model.SetChangeFlags(false, true);
        return;
    }
    const auto libraryFlags = model.Change_LSData;
    const IdentityEdits edits = identityEdits(model, instrument);
    model.SetChangeFlags(true, false);
    model.Change_LSData = libraryFlags;
    model.Change_UserID = edits.userId;
    model.Change_StationID = edits.stationId;
    model.Change_SerialNo = edits.serialNo;
    model.Change_StationList = edits.stations;
    const bool libraryChanged = libraryFlags[0] || libraryFlags[1];
    const bool carried = TrimText(model.GasName(0)) == TrimText(model.LS_Name(0)) ||
                         TrimText(model.GasName(4)) == TrimText(model.LS_Name(1));
    if (libraryChanged && carried) model.Change_LSData = {true, true};
}

}  // namespace vq
