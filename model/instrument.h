#pragma once
// The in-memory image of one instrument: settings, identity texts, gas channels, sensor
// library, calibration results and live values. Plain data: no input or output of its own.
//
// Change flags: every setter of a writable setting marks that setting changed, so the settings
// writer knows a write is owed. The reply decoder stores a value read from the instrument through
// the same setter and then clears the mark (the value now equals the instrument's). A flag is
// kept under the setting's own key (SettingId, model/setting_id.h) and an index for settings
// that have several values; an index outside the setting's range throws std::out_of_range.
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
#include <type_traits>
#include <utility>

#include "model/gas_channel.h"
#include "model/setting_id.h"
#include "model/setting_list.h"

namespace vq {

// What ClearDatas and SetChangeFlags do with a setting (model/setting_list.h, column Life).
enum class SettingLife { Reset, Kept, Factory, OnChange };

// Numbers are returned by value, texts by reference.
template <typename T>
using SettingGet = std::conditional_t<std::is_arithmetic_v<T>, T, const T&>;

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

class InstrumentModel {
  public:
    // channels 0..4
    static constexpr int channelCount = gasChannelCount;
    static constexpr int levelCount = 6;            // Warning/Alarm/Stel/Twa records 0..5
    static constexpr int stationCount = 256;        // StationList 0..255
    static constexpr int libraryCount = 31;         // LI_ 0..30
    static constexpr int settingsLibraryCount = 2;  // LS_ 0..1
    static constexpr int analogCount = 9;           // AnalogValue 0..8
    static constexpr int limitCount = 6;            // LimitValue 0..5

    InstrumentModel();

    // Resets to the defaults below and clears every change flag. Confirmation, SpecNo,
    // FlowLevel, pressOffset, GasFullScale (except through the blank gas record), the live values
    // and FailLine are not reset.
    void ClearDatas();
    // Marks every setting (pFlag) and separately the identity texts and station list (pIdFlag).
    // DummySerial's flag always becomes false; FlowLevel's and pressOffset's are left.
    void SetChangeFlags(bool pFlag, bool pIdFlag);
    void ClearChangeFlags() { SetChangeFlags(false, false); }

    // ---- change flags, keyed by the setting ----
    bool isChanged(SettingId id, int index = 0) const { return changed_[slot(id, index)]; }
    void markChanged(SettingId id, int index = 0) { changed_[slot(id, index)] = true; }
    void clearChanged(SettingId id, int index = 0) { changed_[slot(id, index)] = false; }
    void setChanged(SettingId id, bool on) { changed_[slot(id, 0)] = on; }
    void setChanged(SettingId id, int index, bool on) { changed_[slot(id, index)] = on; }
    // An index passed where the mark belongs would become a mark: refuse it at compile time.
    template <typename T>
    void setChanged(SettingId, T) = delete;
    // Whether any of the setting's values (channels, stations, entries) is marked.
    bool anyChanged(SettingId id) const;

    // ---- single-valued settings (model/setting_list.h): getter, setter marking the flag ----
#define VQ_MODEL_ACCESSORS(Type, Prop, Default, Life, Row)              \
    SettingGet<Type> Prop() const {                                     \
        return Prop##_;                                                 \
    }                                                                   \
    void set##Prop(Type v) {                                            \
        if (SettingLife::Life != SettingLife::OnChange || v != Prop##_) \
            markChanged(SettingId::Prop);                               \
        Prop##_ = std::move(v);                                         \
    }
    VQ_SETTINGS(VQ_MODEL_ACCESSORS)
#undef VQ_MODEL_ACCESSORS

    int16_t UseUserPassword() const {
        return useUserPassword_;
    }
    void setUseUserPassword(int16_t v) {
        useUserPassword_ = v;
        markChanged(SettingId::UseUserPassword);
    }
    const std::string& UserPassword2() const {
        return userPassword2_;
    }
    void setUserPassword2(std::string v) {
        userPassword2_ = std::move(v);
        markChanged(SettingId::UserPassword2);
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
    float Resolution(int ch) const;  // reading resolution (step)
    void setResolution(int ch, float v);
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
    // setter marks LS_Entry of its index); std::out_of_range outside ----
    const LibraryEntry& LI_Entry(int i) const {
        return li(i);
    }
    void setLI_Entry(int i, const LibraryEntry& v) {
        li(i) = v;
    }
    const LibraryEntry& LS_Entry(int i) const {
        return ls(i);
    }
    void setLS_Entry(int i, const LibraryEntry& v) {
        lsEdit(i) = v;
    }

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

  private:
    // A channel's gas and what the channel keeps beside it. Every value a read has not
    // given yet is "no value", the sixth (levels-only) record's included.
    struct GasChannel : ChannelGas {
        GasChannel() { warning = alarm = stel = twa = autoCalib = ratio = noValue; }
        bool enabled = false;
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
    LibraryEntry& lsEdit(int i);  // marks LS_Entry(i)
    // The place of a flag in changed_; std::out_of_range for an index outside the setting's.
    static std::size_t slot(SettingId id, int index);

    std::array<bool, settingValueTotal> changed_{};

#define VQ_MODEL_MEMBER(Type, Prop, Default, Life, Row) Type Prop##_ = Default;
    VQ_SETTINGS(VQ_MODEL_MEMBER)
#undef VQ_MODEL_MEMBER
    int16_t useUserPassword_ = 0;
    std::string userPassword2_ = "4729";

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

// The change keys' index ranges are the model's own.
static_assert(SettingValueCount(SettingId::StationList) == InstrumentModel::stationCount);
static_assert(SettingValueCount(SettingId::Warning) == InstrumentModel::levelCount);
static_assert(SettingValueCount(SettingId::GasEnabled) == InstrumentModel::levelCount);
static_assert(SettingValueCount(SettingId::LS_Entry) == InstrumentModel::settingsLibraryCount);

}  // namespace vq
