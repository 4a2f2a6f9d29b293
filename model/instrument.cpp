#include "model/instrument.h"

#include <stdexcept>
#include <string>

#include "model/text_rules.h"
#include "model/value_codecs.h"

namespace vq {

namespace {

const std::string blankGasRecord(25, '*');

}  // namespace

InstrumentModel::InstrumentModel() {
    ClearDatas();
}

void InstrumentModel::ClearDatas() {
    messageString_.clear();
    commFlags_ = 0;
    userID_ = DashIfBlank("", idKindUser);
    stationID_ = DashIfBlank("", idKindStation);
    serialNo_ = DashIfBlank("", idKindSerial);
    dummySerial_ = DashIfBlank("", idKindDummySerial);
    romNumber_ = 0;
    sysDate_ = 0;
    sysDateOffset_ = 0;

#define VQ_RESET(Type, Prop, Default, Life, Row)                                               \
    if (SettingLife::Life == SettingLife::Reset || SettingLife::Life == SettingLife::OnChange) \
        Prop##_ = Default;
    VQ_SETTINGS(VQ_RESET)
#undef VQ_RESET
    useUserPassword_ = 0;
    userPassword2_ = "4729";

    stationList_.fill(std::string(16, '-'));

    for (int ch = 0; ch < channelCount; ++ch) {
        GasChannel& c = channels_[ch];
        c.name.clear();
        c.autoCalib = c.warning = c.alarm = c.stel = c.twa = noValue;
        c.calibBefore = c.calibAfter = c.ratio = noValue;
        c.resolution = 0;
        c.enabled = false;
        c.decimals = 0;
        c.calibDate = -101.0;
        c.zero = c.overScale = 0;
    }
    for (int ch = 0; ch < channelCount; ++ch) DecodeGasRecord(blankGasRecord, *this, ch);
    ClearChangeFlags();
}

std::size_t InstrumentModel::slot(SettingId id, int index) {
    if (index < 0 || index >= SettingValueCount(id)) {
        throw std::out_of_range("change flag " + std::string(SettingName(id)) + " index " +
                                std::to_string(index) + " outside its range");
    }
    return static_cast<std::size_t>(SettingValueOffset(id) + index);
}

bool InstrumentModel::anyChanged(SettingId id) const {
    for (int i = 0; i < SettingValueCount(id); ++i)
        if (isChanged(id, i)) return true;
    return false;
}

void InstrumentModel::SetChangeFlags(bool pFlag, bool pIdFlag) {
    using enum SettingId;
    clearChanged(DummySerial);

    for (SettingId id : {UserID, StationID, SerialNo}) setChanged(id, pIdFlag);
    for (int n = 0; n < stationCount; ++n) setChanged(StationList, n, pIdFlag);

#define VQ_MARK(Type, Prop, Default, Life, Row) \
    if (SettingLife::Life != SettingLife::Factory) setChanged(Prop, pFlag);
    VQ_SETTINGS(VQ_MARK)
#undef VQ_MARK
    setChanged(UseUserPassword, pFlag);
    setChanged(UserPassword2, pFlag);
    for (int e = 0; e < settingsLibraryCount; ++e) setChanged(LS_Entry, e, pFlag);
    for (SettingId id :
         {GasEnabled, GasPoint, AutoCalib, Ratio, Warning, Alarm, Stel, Twa, Zero, OverScale}) {
        for (int ch = 0; ch < channelCount; ++ch) setChanged(id, ch, pFlag);
    }
}

// ---- identity texts ----

std::string InstrumentModel::UserID() const {
    return DashIfBlank(userID_, idKindUser);
}
void InstrumentModel::setUserID(std::string_view v) {
    userID_ = DashIfBlank(v, idKindUser);
    markChanged(SettingId::UserID);
}
std::string InstrumentModel::StationID() const {
    return DashIfBlank(stationID_, idKindStation);
}
void InstrumentModel::setStationID(std::string_view v) {
    stationID_ = DashIfBlank(v, idKindStation);
    markChanged(SettingId::StationID);
}
std::string InstrumentModel::SerialNo() const {
    return DashIfBlank(serialNo_, idKindSerial);
}
void InstrumentModel::setSerialNo(std::string_view v) {
    serialNo_ = DashIfBlank(v, idKindSerial);
    markChanged(SettingId::SerialNo);
}
std::string InstrumentModel::DummySerial() const {
    return DashIfBlank(dummySerial_, idKindDummySerial);
}
void InstrumentModel::setDummySerial(std::string_view v) {
    dummySerial_ = DashIfBlank(v, idKindDummySerial);
    markChanged(SettingId::DummySerial);
}

// ---- station list ----

std::string InstrumentModel::StationList(int i) const {
    if (i < 0 || i >= stationCount) return {};
    return stationList_[i];
}
void InstrumentModel::setStationList(int i, std::string v) {
    if (i < 0 || i >= stationCount) return;
    stationList_[i] = std::move(v);
    markChanged(SettingId::StationList, i);
}

// ---- gas channels ----

std::string InstrumentModel::GasName(int ch) const {
    return isChannel(ch) ? channels_[ch].name : std::string();
}
void InstrumentModel::setGasName(int ch, std::string v) {
    if (isChannel(ch)) channels_[ch].name = std::move(v);
}
bool InstrumentModel::GasEnabled(int ch) const {
    return isChannel(ch) && channels_[ch].enabled;
}
void InstrumentModel::setGasEnabled(int ch, bool v) {
    if (!isChannel(ch)) return;
    channels_[ch].enabled = v;
    markChanged(SettingId::GasEnabled, ch);
}
float InstrumentModel::GasFullScale(int ch) const {
    return isChannel(ch) ? channels_[ch].fullScale : 0.0f;
}
void InstrumentModel::setGasFullScale(int ch, float v) {
    if (isChannel(ch)) channels_[ch].fullScale = v;
}
float InstrumentModel::Resolution(int ch) const {
    return isChannel(ch) ? channels_[ch].resolution : 0.0f;
}
void InstrumentModel::setResolution(int ch, float v) {
    if (isChannel(ch)) channels_[ch].resolution = v;
}
int16_t InstrumentModel::GasPoint(int ch) const {
    return isChannel(ch) ? channels_[ch].decimals : int16_t{0};
}
void InstrumentModel::setGasPoint(int ch, int16_t v) {
    if (!isChannel(ch)) return;
    channels_[ch].decimals = v;
    markChanged(SettingId::GasPoint, ch);
}
std::string InstrumentModel::GasUnit(int ch) const {
    return isChannel(ch) ? channels_[ch].unit : std::string();
}
void InstrumentModel::setGasUnit(int ch, std::string v) {
    if (isChannel(ch)) channels_[ch].unit = std::move(v);
}
float InstrumentModel::AutoCalib(int ch) const {
    return isChannel(ch) ? channels_[ch].autoCalib : 0.0f;
}
void InstrumentModel::setAutoCalib(int ch, float v) {
    if (!isChannel(ch)) return;
    channels_[ch].autoCalib = v;
    markChanged(SettingId::AutoCalib, ch);
}
float InstrumentModel::Ratio(int ch) const {
    return isChannel(ch) ? channels_[ch].ratio : 0.0f;
}
void InstrumentModel::setRatio(int ch, float v) {
    if (!isChannel(ch)) return;
    channels_[ch].ratio = v;
    markChanged(SettingId::Ratio, ch);
}
int16_t InstrumentModel::Zero(int ch) const {
    return isChannel(ch) ? channels_[ch].zero : int16_t{0};
}
void InstrumentModel::setZero(int ch, int16_t v) {
    if (!isChannel(ch)) return;
    channels_[ch].zero = v;
    markChanged(SettingId::Zero, ch);
}
int16_t InstrumentModel::OverScale(int ch) const {
    return isChannel(ch) ? channels_[ch].overScale : int16_t{0};
}
void InstrumentModel::setOverScale(int ch, int16_t v) {
    if (!isChannel(ch)) return;
    channels_[ch].overScale = v;
    markChanged(SettingId::OverScale, ch);
}
double InstrumentModel::CalibDate(int ch) const {
    return isChannel(ch) ? channels_[ch].calibDate : 0.0;
}
void InstrumentModel::setCalibDate(int ch, double v) {
    if (isChannel(ch)) channels_[ch].calibDate = v;
}
float InstrumentModel::CalibBefore(int ch) const {
    return isChannel(ch) ? channels_[ch].calibBefore : 0.0f;
}
void InstrumentModel::setCalibBefore(int ch, float v) {
    if (isChannel(ch)) channels_[ch].calibBefore = v;
}
float InstrumentModel::CalibAfter(int ch) const {
    return isChannel(ch) ? channels_[ch].calibAfter : 0.0f;
}
void InstrumentModel::setCalibAfter(int ch, float v) {
    if (isChannel(ch)) channels_[ch].calibAfter = v;
}

// ---- alarm levels ----

const InstrumentModel::GasChannel& InstrumentModel::level(int ch) const {
    if (ch < 0 || ch >= levelCount) {
        throw std::out_of_range("alarm level index " + std::to_string(ch) + " outside 0..5");
    }
    return channels_[ch];
}
InstrumentModel::GasChannel& InstrumentModel::level(int ch) {
    return const_cast<GasChannel&>(std::as_const(*this).level(ch));
}

float InstrumentModel::Warning(int ch) const {
    return level(ch).warning;
}
void InstrumentModel::setWarning(int ch, float v) {
    level(ch).warning = v;
    markChanged(SettingId::Warning, ch);
}
float InstrumentModel::Alarm(int ch) const {
    return level(ch).alarm;
}
void InstrumentModel::setAlarm(int ch, float v) {
    level(ch).alarm = v;
    markChanged(SettingId::Alarm, ch);
}
float InstrumentModel::Stel(int ch) const {
    return level(ch).stel;
}
void InstrumentModel::setStel(int ch, float v) {
    level(ch).stel = v;
    markChanged(SettingId::Stel, ch);
}
float InstrumentModel::Twa(int ch) const {
    return level(ch).twa;
}
void InstrumentModel::setTwa(int ch, float v) {
    level(ch).twa = v;
    markChanged(SettingId::Twa, ch);
}

// ---- libraries ----

const LibraryEntry& InstrumentModel::li(int i) const {
    if (i < 0 || i >= libraryCount) {
        throw std::out_of_range("library index " + std::to_string(i) + " outside 0..30");
    }
    return li_[i];
}
LibraryEntry& InstrumentModel::li(int i) {
    return const_cast<LibraryEntry&>(std::as_const(*this).li(i));
}
const LibraryEntry& InstrumentModel::ls(int i) const {
    if (i < 0 || i >= settingsLibraryCount) {
        throw std::out_of_range("settings library index " + std::to_string(i) + " outside 0..1");
    }
    return ls_[i];
}
LibraryEntry& InstrumentModel::lsEdit(int i) {
    auto& entry = const_cast<LibraryEntry&>(std::as_const(*this).ls(i));
    markChanged(SettingId::LS_Entry, i);
    return entry;
}

// ---- live values ----

int16_t InstrumentModel::AnalogValue(int i) const {
    return i >= 0 && i < analogCount ? analogValue_[i] : int16_t{0};
}
void InstrumentModel::setAnalogValue(int i, int16_t v) {
    if (i >= 0 && i < analogCount) analogValue_[i] = v;
}
float InstrumentModel::LimitValue(int ch) const {
    return ch >= 0 && ch < limitCount ? limitValue_[ch] : 0.0f;
}
void InstrumentModel::setLimitValue(int ch, float v) {
    if (ch >= 0 && ch < limitCount) limitValue_[ch] = v;
}

}  // namespace vq
