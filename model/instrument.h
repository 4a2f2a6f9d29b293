#pragma once
// The in-memory image of one instrument: settings, identity texts, gas channels, sensor
// library, calibration results and live values. Plain data: no input or output of its own.
//
// Change flags: every setter of a writable setting marks that setting's Change_ flag, so the
// settings writer knows a write is owed. The reply decoder stores a value read from the
// instrument through the same setter and then clears the flag (the value now equals the
// instrument's). Flags are public members named after the setting.
//
// Indexes:
//   - channel table (GasName ... CalibAfter except the four levels): 0..4; a get outside returns
//     0 / false / empty, a set outside does nothing;
//   - Warning, Alarm, Stel, Twa: 0..5 (the sixth record exists for them); outside throws
//     std::out_of_range;
//   - LI_ fields 0..30 and LS_ fields 0..1: outside throws std::out_of_range;
//   - StationList 0..255: outside, a get returns empty and a set does nothing;
//   - AnalogValue 0..8, LimitValue 0..5: outside, a get returns 0 and a set does nothing.
// Per-channel flag arrays have six entries indexed as the channel (entry 5 only matters for the
// four levels).
//
// The model is copyable: the factory dialog edits a copy and hands back what changed.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace vq {

// A value field without a value holds this code.
inline constexpr float noValue = -101.0f;

// One entry of the sensor library (LI_ and LS_ tables).
struct LibraryEntry {
    std::string Name;
    float FullScale = 0;
    float Digit = 0;
    std::string Unit;
    int16_t elem_vol = 0;
    float Ratio = 0;
    int16_t Point = 0;
    double Linear1_a = 0, Linear1_b = 0, Linear1_c = 0, Linear1_d = 0;
    double Linear2_a = 0, Linear2_b = 0, Linear2_c = 0, Linear2_d = 0;
    friend bool operator==(const LibraryEntry&, const LibraryEntry&) = default;
};

class clsInstrument {
  public:
    static constexpr int channelCount = 5;          // channels 0..4
    static constexpr int levelCount = 6;            // Warning/Alarm/Stel/Twa records 0..5
    static constexpr int stationCount = 256;        // StationList 0..255
    static constexpr int libraryCount = 31;         // LI_ 0..30
    static constexpr int settingsLibraryCount = 2;  // LS_ 0..1
    static constexpr int analogCount = 9;           // AnalogValue 0..8
    static constexpr int limitCount = 6;            // LimitValue 0..5

    clsInstrument();

    // Resets to the defaults below and clears every change flag. Confirmation, SpecNo,
    // FlowLevel, pressOffset, GasFullScale (except through the blank gas record), the live values
    // and FailLine are not reset.
    void ClearDatas();
    // Marks every setting (pFlag) and separately the identity texts and station list (pIdFlag).
    // Change_DummySerial always becomes false; Change_FlowLevel and Change_pressOffset are left.
    void SetChangeFlags(bool pFlag, bool pIdFlag);
    void ClearChangeFlags() { SetChangeFlags(false, false); }

    // ---- scalar settings ----
    int16_t HcMode() const { return hcMode_; }
    void setHcMode(int16_t v) {
        hcMode_ = v;
        Change_HCMode = true;
    }
    int16_t AlarmMode() const { return alarmMode_; }
    void setAlarmMode(int16_t v) {
        alarmMode_ = v;
        Change_AlarmMode = true;
    }
    int16_t Intervals() const { return intervals_; }
    // Marks Change_Interval only when the value really changes.
    void setIntervals(int16_t v) {
        if (v != intervals_) Change_Interval = true;
        intervals_ = v;
    }
    int16_t DispCalLimit() const { return dispCalLimit_; }
    void setDispCalLimit(int16_t v) {
        dispCalLimit_ = v;
        Change_DispCalLimit = true;
    }
    int16_t CalLimit() const { return calLimit_; }
    void setCalLimit(int16_t v) {
        calLimit_ = v;
        Change_CalLimit = true;
    }
    int16_t CalCheck() const { return calCheck_; }
    void setCalCheck(int16_t v) {
        calCheck_ = v;
        Change_CalCheck = true;
    }
    int16_t Confirmation() const { return confirmation_; }
    void setConfirmation(int16_t v) {
        confirmation_ = v;
        Change_Confirmation = true;
    }
    int16_t LogOverWrite() const { return logOverWrite_; }
    void setLogOverWrite(int16_t v) {
        logOverWrite_ = v;
        Change_LogOverWrite = true;
    }
    int16_t LcdBackLight() const { return lcdBackLight_; }
    void setLcdBackLight(int16_t v) {
        lcdBackLight_ = v;
        Change_LcdBackLight = true;
    }
    int16_t autoBackLight() const { return autoBackLight_; }
    void setautoBackLight(int16_t v) {
        autoBackLight_ = v;
        Change_autoBackLight = true;
    }
    int16_t AlarmOnOff() const { return alarmOnOff_; }
    void setAlarmOnOff(int16_t v) {
        alarmOnOff_ = v;
        Change_AlarmOnOff = true;
    }
    int16_t StelTwaOnOff() const { return stelTwaOnOff_; }
    void setStelTwaOnOff(int16_t v) {
        stelTwaOnOff_ = v;
        Change_StelTwaOnOff = true;
    }
    int16_t BumpTime() const { return bumpTime_; }
    void setBumpTime(int16_t v) {
        bumpTime_ = v;
        Change_BumpTime = true;
    }
    int16_t BumpThreshold() const { return bumpThreshold_; }
    void setBumpThreshold(int16_t v) {
        bumpThreshold_ = v;
        Change_BumpThreshold = true;
    }
    int16_t BumpFailAfter() const { return bumpFailAfter_; }
    void setBumpFailAfter(int16_t v) {
        bumpFailAfter_ = v;
        Change_BumpFailAfter = true;
    }
    int16_t BumpFailCalTime() const { return bumpFailCalTime_; }
    void setBumpFailCalTime(int16_t v) {
        bumpFailCalTime_ = v;
        Change_BumpFailCalTime = true;
    }
    int16_t LcBhMode() const { return lcBhMode_; }
    void setLcBhMode(int16_t v) {
        lcBhMode_ = v;
        Change_LcBhMode = true;
    }
    int16_t BhTime() const { return bhTime_; }
    void setBhTime(int16_t v) {
        bhTime_ = v;
        Change_BhTime = true;
    }
    int16_t LcBuzzer() const { return lcBuzzer_; }
    void setLcBuzzer(int16_t v) {
        lcBuzzer_ = v;
        Change_LcBuzzer = true;
    }
    int16_t AlarmO2() const { return alarmO2_; }
    void setAlarmO2(int16_t v) {
        alarmO2_ = v;
        Change_AlarmO2 = true;
    }
    int16_t AutoZero() const { return autoZero_; }
    void setAutoZero(int16_t v) {
        autoZero_ = v;
        Change_AutoZero = true;
    }
    int16_t DemandZero() const { return demandZero_; }
    void setDemandZero(int16_t v) {
        demandZero_ = v;
        Change_DemandZero = true;
    }
    int16_t UseUserPassword() const { return useUserPassword_; }
    void setUseUserPassword(int16_t v) {
        useUserPassword_ = v;
        Change_UseUserPassword = true;
    }
    const std::string& UserPassword2() const { return userPassword2_; }
    void setUserPassword2(std::string v) {
        userPassword2_ = std::move(v);
        Change_UserPassword2 = true;
    }
    const std::string& SpecType() const { return specType_; }
    void setSpecType(std::string v) {
        specType_ = std::move(v);
        Change_SpecType = true;
    }
    const std::string& SpecNo() const { return specNo_; }
    void setSpecNo(std::string v) {
        specNo_ = std::move(v);
        Change_SpecNo = true;
    }
    int32_t FlowLevel() const { return flowLevel_; }
    void setFlowLevel(int32_t v) {
        flowLevel_ = v;
        Change_FlowLevel = true;
    }
    int16_t pressOffset() const { return pressOffset_; }
    void setpressOffset(int16_t v) {
        pressOffset_ = v;
        Change_pressOffset = true;
    }

    // ---- identity texts: trimmed; a blank text becomes a run of "-" (16 or 20) ----
    std::string UserID() const;
    void setUserID(std::string_view v);
    std::string StationID() const;
    void setStationID(std::string_view v);
    std::string SerialNo() const;
    void setSerialNo(std::string_view v);
    std::string DummySerial() const;
    void setDummySerial(std::string_view v);

    // ---- station list: stored exactly as given ----
    std::string StationList(int i) const;
    void setStationList(int i, std::string v);

    // ---- gas channels 0..4 ----
    std::string GasName(int ch) const;
    void setGasName(int ch, std::string v);
    bool GasEnabled(int ch) const;
    void setGasEnabled(int ch, bool v);
    float GasFullScale(int ch) const;
    void setGasFullScale(int ch, float v);
    float GasDesit(int ch) const;  // reading resolution (step)
    void setGasDesit(int ch, float v);
    int16_t GasPoint(int ch) const;  // decimal places
    void setGasPoint(int ch, int16_t v);
    std::string GasUnit(int ch) const;
    void setGasUnit(int ch, std::string v);
    float AutoCalib(int ch) const;  // calibration gas concentration
    void setAutoCalib(int ch, float v);
    float Ratio(int ch) const;
    void setRatio(int ch, float v);
    int16_t Zero(int ch) const;
    void setZero(int ch, int16_t v);
    int16_t OverScale(int ch) const;
    void setOverScale(int ch, int16_t v);
    double CalibDate(int ch) const;
    void setCalibDate(int ch, double v);
    float CalibBefore(int ch) const;
    void setCalibBefore(int ch, float v);
    float CalibAfter(int ch) const;
    void setCalibAfter(int ch, float v);

    // ---- alarm levels, records 0..5; std::out_of_range outside ----
    float Warning(int ch) const;
    void setWarning(int ch, float v);
    float Alarm(int ch) const;
    void setAlarm(int ch, float v);
    float Stel(int ch) const;
    void setStel(int ch, float v);
    float Twa(int ch) const;
    void setTwa(int ch, float v);

    // ---- sensor library LI_ (0..30, no change flag) and settings library LS_ (0..1, every
    // setter marks Change_LSData of its index); std::out_of_range outside ----
    const LibraryEntry& LI_Entry(int i) const { return li(i); }
    void setLI_Entry(int i, const LibraryEntry& v) { li(i) = v; }
    const LibraryEntry& LS_Entry(int i) const { return ls(i); }
    void setLS_Entry(int i, const LibraryEntry& v) { lsEdit(i) = v; }

#define VQ_LIBRARY_FIELD(Type, Field)   \
    Type LI_##Field(int i) const {      \
        return li(i).Field;             \
    }                                   \
    void setLI_##Field(int i, Type v) { \
        li(i).Field = std::move(v);     \
    }                                   \
    Type LS_##Field(int i) const {      \
        return ls(i).Field;             \
    }                                   \
    void setLS_##Field(int i, Type v) { \
        lsEdit(i).Field = std::move(v); \
    }
    VQ_LIBRARY_FIELD(std::string, Name)
    VQ_LIBRARY_FIELD(float, FullScale)
    VQ_LIBRARY_FIELD(float, Digit)
    VQ_LIBRARY_FIELD(std::string, Unit)
    VQ_LIBRARY_FIELD(int16_t, elem_vol)
    VQ_LIBRARY_FIELD(float, Ratio)
    VQ_LIBRARY_FIELD(int16_t, Point)
    VQ_LIBRARY_FIELD(double, Linear1_a)
    VQ_LIBRARY_FIELD(double, Linear1_b)
    VQ_LIBRARY_FIELD(double, Linear1_c)
    VQ_LIBRARY_FIELD(double, Linear1_d)
    VQ_LIBRARY_FIELD(double, Linear2_a)
    VQ_LIBRARY_FIELD(double, Linear2_b)
    VQ_LIBRARY_FIELD(double, Linear2_c)
    VQ_LIBRARY_FIELD(double, Linear2_d)
#undef VQ_LIBRARY_FIELD

    // ---- live values and bookkeeping (no change flags) ----
    int16_t AnalogValue(int i) const;
    void setAnalogValue(int i, int16_t v);
    float AdrealValue() const {
        return adrealValue_;
    }
    void setAdrealValue(float v) {
        adrealValue_ = v;
    }
    float LimitValue(int ch) const;  // current reading per channel
    void setLimitValue(int ch, float v);
    int16_t FlowValue() const {
        return flowValue_;
    }
    void setFlowValue(int16_t v) {
        flowValue_ = v;
    }
    int32_t RomNumber() const {
        return romNumber_;
    }
    void setRomNumber(int32_t v) {
        romNumber_ = v;
    }
    const std::string& SUM() const {
        return sum_;
    }
    void setSUM(std::string v) {
        sum_ = std::move(v);
    }
    double SysDate() const {
        return sysDate_;
    }  // instrument clock as read
    void setSysDate(double v) {
        sysDate_ = v;
    }
    double SysDateOffset() const {
        return sysDateOffset_;
    }  // PC minus instrument, in days
    void setSysDateOffset(double v) {
        sysDateOffset_ = v;
    }
    int16_t CommFlags() const {
        return commFlags_;
    }
    void setCommFlags(int16_t v) {
        commFlags_ = v;
    }
    int16_t ImportFlag() const {
        return importFlag_;
    }
    void setImportFlag(int16_t v) {
        importFlag_ = v;
    }
    const std::string& MessageString() const {
        return messageString_;
    }
    void setMessageString(std::string v) {
        messageString_ = std::move(v);
    }
    const std::string& FailLine() const {
        return failLine_;
    }
    void setFailLine(std::string v) {
        failLine_ = std::move(v);
    }

    // ---- change flags ----
    bool Change_HCMode = false;
    bool Change_AlarmMode = false;
    bool Change_Interval = false;
    bool Change_DispCalLimit = false;
    bool Change_CalLimit = false;
    bool Change_CalCheck = false;
    bool Change_Confirmation = false;
    bool Change_LogOverWrite = false;
    bool Change_LcdBackLight = false;
    bool Change_autoBackLight = false;
    bool Change_AlarmOnOff = false;
    bool Change_StelTwaOnOff = false;
    bool Change_BumpTime = false;
    bool Change_BumpThreshold = false;
    bool Change_BumpFailAfter = false;
    bool Change_BumpFailCalTime = false;
    bool Change_LcBhMode = false;
    bool Change_BhTime = false;
    bool Change_LcBuzzer = false;
    bool Change_AlarmO2 = false;
    bool Change_AutoZero = false;
    bool Change_DemandZero = false;
    bool Change_UseUserPassword = false;
    bool Change_UserPassword2 = false;
    bool Change_SpecType = false;
    bool Change_SpecNo = false;
    bool Change_FlowLevel = false;
    bool Change_pressOffset = false;
    bool Change_UserID = false;
    bool Change_StationID = false;
    bool Change_SerialNo = false;
    bool Change_DummySerial = false;
    std::array<bool, stationCount> Change_StationList{};
    std::array<bool, levelCount> Change_GasEnable{};
    std::array<bool, levelCount> Change_GasPoint{};
    std::array<bool, levelCount> Change_Warn{};
    std::array<bool, levelCount> Change_Alarm{};
    std::array<bool, levelCount> Change_Stel{};
    std::array<bool, levelCount> Change_Twa{};
    std::array<bool, levelCount> Change_AutoCal{};
    std::array<bool, levelCount> Change_Ratio{};
    std::array<bool, levelCount> Change_Zero{};
    std::array<bool, levelCount> Change_OverScale{};
    std::array<bool, settingsLibraryCount> Change_LSData{};

  private:
    struct GasChannel {
        std::string name;
        bool enabled = false;
        float fullScale = 0;
        float desit = 0;
        int16_t point = 0;
        std::string unit;
        float warning = noValue;
        float alarm = noValue;
        float stel = noValue;
        float twa = noValue;
        float autoCalib = noValue;
        float ratio = noValue;
        int16_t zero = 0;
        int16_t overScale = 0;
        double calibDate = -101.0;
        float calibBefore = noValue;
        float calibAfter = noValue;
    };

    static bool isChannel(int ch) {
        return ch >= 0 && ch < channelCount;
    }
    const GasChannel& level(int ch) const;
    GasChannel& level(int ch);
    const LibraryEntry& li(int i) const;
    LibraryEntry& li(int i);
    const LibraryEntry& ls(int i) const;
    LibraryEntry& lsEdit(int i);  // marks Change_LSData(i)

    int16_t hcMode_ = 0, alarmMode_ = 0, intervals_ = 0, dispCalLimit_ = 0, calLimit_ = 1;
    int16_t calCheck_ = 0, confirmation_ = 0, logOverWrite_ = 0, lcdBackLight_ = 1;
    int16_t autoBackLight_ = 1, alarmOnOff_ = 1, stelTwaOnOff_ = 1, bumpTime_ = 2;
    int16_t bumpThreshold_ = 1, bumpFailAfter_ = 1, bumpFailCalTime_ = 0, lcBhMode_ = 0;
    int16_t bhTime_ = 0, lcBuzzer_ = 0, alarmO2_ = 1, autoZero_ = 0, demandZero_ = 0;
    int16_t useUserPassword_ = 0;
    std::string userPassword2_ = "4729";
    std::string specType_ = "0";
    std::string specNo_;
    int32_t flowLevel_ = 0;
    int16_t pressOffset_ = 0;

    std::string userID_, stationID_, serialNo_, dummySerial_;
    std::array<std::string, stationCount> stationList_;
    std::array<GasChannel, levelCount> channels_;
    std::array<LibraryEntry, libraryCount> li_;
    std::array<LibraryEntry, settingsLibraryCount> ls_;

    std::array<int16_t, analogCount> analogValue_{};
    float adrealValue_ = 0;
    std::array<float, limitCount> limitValue_{};
    int16_t flowValue_ = 0;
    int32_t romNumber_ = 0;
    std::string sum_;
    double sysDate_ = 0;
    double sysDateOffset_ = 0;
    int16_t commFlags_ = 0;
    int16_t importFlag_ = 0;
    std::string messageString_;
    std::string failLine_;
};

}  // namespace vq
