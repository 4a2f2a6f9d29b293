#include "ui/dialogs/fs_copy_back.h"

#include "model/instrument.h"

namespace vq {

void CopyFlaggedFactoryFields(const clsInstrument& w, clsInstrument& t) {
    // The factory parameters, in the order of the dialog's rows.
    if (w.Change_DummySerial) t.setDummySerial(w.DummySerial());
    if (w.Change_SpecNo) t.setSpecNo(w.SpecNo());
    if (w.Change_AlarmMode) t.setAlarmMode(w.AlarmMode());
    if (w.Change_LogOverWrite) t.setLogOverWrite(w.LogOverWrite());
    if (w.Change_CalLimit) t.setCalLimit(w.CalLimit());
    if (w.Change_DispCalLimit) t.setDispCalLimit(w.DispCalLimit());
    if (w.Change_CalCheck) t.setCalCheck(w.CalCheck());
    if (w.Change_SpecType) t.setSpecType(w.SpecType());
    if (w.Change_HCMode) t.setHcMode(w.HcMode());
    if (w.Change_AlarmO2) t.setAlarmO2(w.AlarmO2());
    if (w.Change_autoBackLight) t.setautoBackLight(w.autoBackLight());
    if (w.Change_LcdBackLight) t.setLcdBackLight(w.LcdBackLight());
    if (w.Change_AlarmOnOff) t.setAlarmOnOff(w.AlarmOnOff());
    if (w.Change_StelTwaOnOff) t.setStelTwaOnOff(w.StelTwaOnOff());
    if (w.Change_BumpTime) t.setBumpTime(w.BumpTime());
    if (w.Change_BumpThreshold) t.setBumpThreshold(w.BumpThreshold());
    if (w.Change_BumpFailCalTime) t.setBumpFailCalTime(w.BumpFailCalTime());
    if (w.Change_BumpFailAfter) t.setBumpFailAfter(w.BumpFailAfter());
    if (w.Change_LcBhMode) t.setLcBhMode(w.LcBhMode());
    if (w.Change_BhTime) t.setBhTime(w.BhTime());
    if (w.Change_LcBuzzer) t.setLcBuzzer(w.LcBuzzer());
    if (w.Change_AutoZero) t.setAutoZero(w.AutoZero());
    if (w.Change_DemandZero) t.setDemandZero(w.DemandZero());
    if (w.Change_Confirmation) t.setConfirmation(w.Confirmation());

    for (int i = 0; i < clsInstrument::stationCount; ++i)
        if (w.Change_StationList[static_cast<std::size_t>(i)])
            t.setStationList(i, w.StationList(i));

    for (int i = 0; i < clsInstrument::settingsLibraryCount; ++i)
        if (w.Change_LSData[static_cast<std::size_t>(i)]) t.setLS_Entry(i, w.LS_Entry(i));
}

}  // namespace vq
