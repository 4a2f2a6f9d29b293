#include "ui/dialogs/factory_copy_back.h"

#include "model/instrument.h"
#include "model/settings_table.h"

namespace vq {

void CopyFlaggedFactoryFields(const InstrumentModel& w, InstrumentModel& t) {
    if (w.isChanged(SettingId::DummySerial)) t.setDummySerial(w.DummySerial());
    // Every flagged setting of the table: the copy started as the target, so a flag the dialog
    // did not set carries the target's own value back.
    for (const Setting& s : SettingsTable()) {
        if (!s.changed(w)) continue;
        if (s.isText)
            s.setText(t, s.text(w));
        else
            s.setNumber(t, s.number(w));
    }

    for (int i = 0; i < InstrumentModel::stationCount; ++i)
        if (w.isChanged(SettingId::StationList, i)) t.setStationList(i, w.StationList(i));

    for (int i = 0; i < InstrumentModel::settingsLibraryCount; ++i)
        if (w.isChanged(SettingId::LS_Entry, i)) t.setLS_Entry(i, w.LS_Entry(i));
}

}  // namespace vq
