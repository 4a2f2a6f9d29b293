// Settings replies: single settings (read stores, write echo-checks), identity texts, the station
// list, the bump-test and backlight groups and the five-gas levels.

#include <string>

#include "model/instrument.h"
#include "model/value_codecs.h"
#include "protocol/decoder_log.h"
#include "protocol/frame.h"
#include "protocol/reply_rules.h"
#include "protocol/reply_values.h"
#include "protocol/settings_write.h"

namespace vq {

namespace {

constexpr int kGasCount = clsInstrument::channelCount;

// ---- single numeric settings ----

struct NumberSetting {
    std::string_view readKey, writeKey;
    ValueForm readForm;
    ValueForm writeForm;  // the form the write reply echoes
    int32_t (*get)(const clsInstrument&);
    void (*set)(clsInstrument&, int32_t);
    bool clsInstrument::*flag;
    // How the write reply is compared: as a value of its form, or (for a setting read as a
    // number but written as a bit) its trimmed text against "1" for a non-zero value, else "0".
    enum class Echo { Value, BitText } echo = Echo::Value;
};

#define VQ_NUMBER_SETTING(code, readForm, writeForm, Prop, Flag, Type, ...)         \
    NumberSetting {                                                                 \
        code ",R", code ",W", ValueForm::readForm, ValueForm::writeForm,            \
            [](const clsInstrument& m) -> int32_t { return m.Prop(); },             \
            [](clsInstrument& m, int32_t v) { m.set##Prop(static_cast<Type>(v)); }, \
            &clsInstrument::Flag, __VA_ARGS__                                       \
    }

const NumberSetting kNumberSettings[] = {
    VQ_NUMBER_SETTING("LP", Dec, Dec, HcMode, Change_HCMode, int16_t),
    VQ_NUMBER_SETTING("AP", Dec, Dec, AlarmMode, Change_AlarmMode, int16_t),
    VQ_NUMBER_SETTING("SM", Dec, Dec, CalCheck, Change_CalCheck, int16_t),
    VQ_NUMBER_SETTING("XW", Dec, Dec, LogOverWrite, Change_LogOverWrite, int16_t),
    VQ_NUMBER_SETTING("UQ", Dec, Dec, autoBackLight, Change_autoBackLight, int16_t),
    VQ_NUMBER_SETTING("AF", Dec, Dec, AlarmOnOff, Change_AlarmOnOff, int16_t),
    VQ_NUMBER_SETTING("AM", Dec, Dec, StelTwaOnOff, Change_StelTwaOnOff, int16_t),
    VQ_NUMBER_SETTING("AT", Dec, Dec, AlarmO2, Change_AlarmO2, int16_t),
    // Read as a decimal number, written and echoed as a bit.
    VQ_NUMBER_SETTING("SD", Dec, Bit, DispCalLimit, Change_DispCalLimit, int16_t,
                      NumberSetting::Echo::BitText),
    VQ_NUMBER_SETTING("SJ", Bit, Bit, AutoZero, Change_AutoZero, int16_t),
    VQ_NUMBER_SETTING("SG", Bit, Bit, DemandZero, Change_DemandZero, int16_t),
    VQ_NUMBER_SETTING("SC", Hex, Hex, CalLimit, Change_CalLimit, int16_t),
    VQ_NUMBER_SETTING("XP", Hex, Hex, Intervals, Change_Interval, int16_t),
    VQ_NUMBER_SETTING("XB", Hex, Hex, Confirmation, Change_Confirmation, int16_t),
    VQ_NUMBER_SETTING("XT", Hex, Hex, LcdBackLight, Change_LcdBackLight, int16_t),
    VQ_NUMBER_SETTING("HF", Hex, Hex, pressOffset, Change_pressOffset, int16_t),
    VQ_NUMBER_SETTING("CP", Hex32, Hex32, FlowLevel, Change_FlowLevel, int32_t),
};
#undef VQ_NUMBER_SETTING

void numberReadRule(ReplyContext& reply, int param) {
    const NumberSetting& s = kNumberSettings[param];
    std::string_view token = reply.token(0);
    if (!PassesNumericTest(s.readForm, token)) return;
    s.set(*reply.model, FormValue(s.readForm, token));
    reply.model->*s.flag = false;
    reply.accepted = true;
}

// The write reply carries the value as the instrument stored it; a different value means the
// write did not take and is sent again.
void numberWriteRule(ReplyContext& reply, int param) {
    const NumberSetting& s = kNumberSettings[param];
    std::string_view token = reply.token(0);
    if (!PassesNumericTest(s.writeForm, token)) return;
    int32_t expected = s.get(*reply.model);
    switch (s.echo) {
        case NumberSetting::Echo::BitText:
            reply.accepted = TrimSpaces(token) == (expected != 0 ? "1" : "0");
            break;
        case NumberSetting::Echo::Value:
            if (s.writeForm == ValueForm::Bit) expected = expected != 0 ? 1 : 0;
            reply.accepted = FormValue(s.writeForm, token) == expected;
            break;
    }
}

// ---- text settings ----

struct TextSetting {
    std::string_view readKey, writeKey;
    std::string (*get)(const clsInstrument&);
    void (*set)(clsInstrument&, std::string_view);
    bool clsInstrument::*flag;
};

const TextSetting kTextSettings[] = {
    {"IN,R", "IN,W", [](const clsInstrument& m) { return m.SerialNo(); },
     [](clsInstrument& m, std::string_view v) { m.setSerialNo(v); },
     &clsInstrument::Change_SerialNo},
    {"HN,R", "HN,W", [](const clsInstrument& m) { return m.DummySerial(); },
     [](clsInstrument& m, std::string_view v) { m.setDummySerial(v); },
     &clsInstrument::Change_DummySerial},
    {"XZ,R", "XZ,W", [](const clsInstrument& m) { return m.UserID(); },
     [](clsInstrument& m, std::string_view v) { m.setUserID(v); }, &clsInstrument::Change_UserID},
    {"BS,R", "BS,W", [](const clsInstrument& m) { return m.SpecNo(); },
     [](clsInstrument& m, std::string_view v) { m.setSpecNo(std::string(v)); },
     &clsInstrument::Change_SpecNo},
};

void textReadRule(ReplyContext& reply, int param) {
    const TextSetting& s = kTextSettings[param];
    s.set(*reply.model, TrimSpaces(reply.token(0)));
    reply.model->*s.flag = false;
    reply.accepted = true;
}

void textWriteRule(ReplyContext& reply, int param) {
    const TextSetting& s = kTextSettings[param];
    reply.accepted = TrimSpaces(reply.token(0)) == TrimSpaces(s.get(*reply.model));
}

// "UJ": the instrument type code is one of three one-character texts.
void specTypeReadRule(ReplyContext& reply, int) {
    std::string_view token = reply.token(0);
    if (token != "0" && token != "1" && token != "2") return;
    reply.model->setSpecType(std::string(token));
    reply.model->Change_SpecType = false;
    reply.accepted = true;
}

void specTypeWriteRule(ReplyContext& reply, int) {
    reply.accepted = reply.token(0) == reply.model->SpecType();
}

// ---- station identity and station list ----

void stationReadRule(ReplyContext& reply, int) {
    clsInstrument& m = *reply.model;
    if (reply.token(0) == "****") {
        m.setStationID(TrimSpaces(reply.token(1)));
        m.Change_StationID = false;
        reply.accepted = true;
        return;
    }
    int n = HexValue(reply.token(0));
    // An entry the list does not have was not asked for: reading it again is the safe answer.
    if (n < 0 || n >= clsInstrument::stationCount) return;
    m.setStationList(n, std::string(reply.token(1)));
    m.Change_StationList[n] = false;
    reply.accepted = true;
}

// The station write's answer names the entry it stored and carries its text: both must be the
// ones the request sent. An answer that only acknowledges is taken as the instrument's word.
void stationWriteRule(ReplyContext& reply, int) {
    if (reply.tokenCount() == 0 && reply.AckChar == ACK) {
        reply.accepted = true;
        return;
    }
    const std::string_view sent = reply.host.LastFrame();
    const std::size_t at = sent.find("XS,W,");
    if (at == std::string_view::npos) return;
    const std::string_view rest = sent.substr(at + 5);
    const std::string_view target = rest.substr(0, rest.find(','));
    const std::string_view index = TrimSpaces(reply.token(0));
    clsInstrument& m = *reply.model;
    if (target == "****") {
        reply.accepted = index == "****" && TrimSpaces(reply.token(1)) == TrimSpaces(m.StationID());
        return;
    }
    const int n = HexValue(target);
    if (index == "****" || HexValue(index) != n || n < 0 || n >= clsInstrument::stationCount)
        return;
    reply.accepted = TrimSpaces(reply.token(1)) == TrimSpaces(m.StationList(n));
}

// ---- the gas table ----

// Two 25-character gas records hold the same gas: both disabled, or the same name, full scale,
// resolution and unit, the numbers compared as values.
bool sameGasRecord(std::string_view sent, std::string_view got) {
    constexpr std::size_t kWidth = 25;
    if (sent.size() != kWidth || got.size() != kWidth) return false;
    const bool sentOff = sent.find_first_not_of('*') == std::string_view::npos;
    const bool gotOff = got.find_first_not_of('*') == std::string_view::npos;
    if (sentOff || gotOff) return sentOff == gotOff;
    const auto number = [](std::string_view record, std::size_t at) {
        return ParseLevel(record.substr(at, 5));
    };
    return TrimSpaces(sent.substr(0, 11)) == TrimSpaces(got.substr(0, 11)) &&
           number(sent, 11) == number(got, 11) && number(sent, 16) == number(got, 16) &&
           TrimSpaces(sent.substr(21, 4)) == TrimSpaces(got.substr(21, 4));
}

// The gas table write: a NAK refuses it; an answer that carries the five records must carry the
// ones sent; a plain acknowledgement is the instrument's word.
void gasTableWriteRule(ReplyContext& reply, int) {
    if (reply.AckChar == NAK) {
        reply.host.AddLog(DecoderLogText(DecoderLog::ResponseError));
        return;
    }
    if (reply.tokenCount() == 0) {
        reply.accepted = true;
        return;
    }
    if (reply.tokenCount() != kGasCount) return;
    for (int gas = 0; gas < kGasCount; ++gas) {
        if (!sameGasRecord(GasRecordText(*reply.model, gas), reply.token(gas))) return;
    }
    reply.accepted = true;
}

// ---- groups: each value is stored only when it lies in its range ----

struct GroupMember {
    int16_t low, high;
    void (*set)(clsInstrument&, int16_t);
    bool clsInstrument::*flag;
};

const GroupMember kBumpGroup[] = {
    {0, 3, [](clsInstrument& m, int16_t v) { m.setBumpTime(v); }, &clsInstrument::Change_BumpTime},
    {0, 4, [](clsInstrument& m, int16_t v) { m.setBumpThreshold(v); },
     &clsInstrument::Change_BumpThreshold},
    {0, 2, [](clsInstrument& m, int16_t v) { m.setBumpFailCalTime(v); },
     &clsInstrument::Change_BumpFailCalTime},
    {0, 1, [](clsInstrument& m, int16_t v) { m.setBumpFailAfter(v); },
     &clsInstrument::Change_BumpFailAfter},
};

// The group members as the model holds them, in the order of the request.
const std::array<int16_t (clsInstrument::*)() const, 4> kBumpValues{
    &clsInstrument::BumpTime, &clsInstrument::BumpThreshold, &clsInstrument::BumpFailCalTime,
    &clsInstrument::BumpFailAfter};
const std::array<int16_t (clsInstrument::*)() const, 3> kBacklightValues{
    &clsInstrument::LcBhMode, &clsInstrument::BhTime, &clsInstrument::LcBuzzer};

const GroupMember kBacklightGroup[] = {
    {0, 3, [](clsInstrument& m, int16_t v) { m.setLcBhMode(v); }, &clsInstrument::Change_LcBhMode},
    {0, 2, [](clsInstrument& m, int16_t v) { m.setBhTime(v); }, &clsInstrument::Change_BhTime},
    {0, 1, [](clsInstrument& m, int16_t v) { m.setLcBuzzer(v); }, &clsInstrument::Change_LcBuzzer},
};

template <size_t N>
void storeGroup(ReplyContext& reply, const GroupMember (&members)[N]) {
    for (size_t i = 0; i < N; ++i) {
        int16_t value = DecValue(reply.token(static_cast<int>(i)));
        if (value < members[i].low || value > members[i].high) continue;
        members[i].set(*reply.model, value);
        reply.model->*members[i].flag = false;
    }
    reply.accepted = true;
}

void bumpReadRule(ReplyContext& reply, int) {
    if (reply.tokenCount() != 4) return;
    storeGroup(reply, kBumpGroup);
}

void backlightReadRule(ReplyContext& reply, int) {
    if (reply.tokenCount() != 3) {
        reply.host.AddLog(DecoderLogText(DecoderLog::FormatError));
        return;
    }
    storeGroup(reply, kBacklightGroup);
}

// A group write's answer carries the group as the instrument now holds it: every value must be
// the one sent (the instrument keeps its old value for one it does not take). An answer that
// only acknowledges is taken as the instrument's word.
template <size_t N>
void groupWriteRule(ReplyContext& reply,
                    const std::array<int16_t (clsInstrument::*)() const, N>& values) {
    if (reply.tokenCount() == 0 && reply.AckChar == ACK) {
        reply.accepted = true;
        return;
    }
    if (reply.tokenCount() != static_cast<int>(N)) return;
    for (size_t i = 0; i < N; ++i) {
        const std::string_view token = reply.token(static_cast<int>(i));
        if (!PassesNumericTest(ValueForm::Dec, token)) return;
        if (DecValue(token) != (reply.model->*values[i])()) return;
    }
    reply.accepted = true;
}

void bumpWriteRule(ReplyContext& reply, int) {
    groupWriteRule(reply, kBumpValues);
}

void backlightWriteRule(ReplyContext& reply, int) {
    groupWriteRule(reply, kBacklightValues);
}

// ---- five-gas levels ----

struct LevelSetting {
    std::string_view readKey, writeKey;
    void (*set)(clsInstrument&, int, float);
    std::array<bool, clsInstrument::levelCount> clsInstrument::*flags;
};

const LevelSetting kLevelSettings[] = {
    {"SA,R", "SA,W", [](clsInstrument& m, int g, float v) { m.setAutoCalib(g, v); },
     &clsInstrument::Change_AutoCal},
    {"A1,R", "A1,W", [](clsInstrument& m, int g, float v) { m.setWarning(g, v); },
     &clsInstrument::Change_Warn},
    {"A2,R", "A2,W", [](clsInstrument& m, int g, float v) { m.setAlarm(g, v); },
     &clsInstrument::Change_Alarm},
    {"AS,R", "AS,W", [](clsInstrument& m, int g, float v) { m.setStel(g, v); },
     &clsInstrument::Change_Stel},
    {"AW,R", "AW,W", [](clsInstrument& m, int g, float v) { m.setTwa(g, v); },
     &clsInstrument::Change_Twa},
};

// A token that is not a level spoils the reply, but the gases after it are still read.
void levelsReadRule(ReplyContext& reply, int param) {
    if (reply.tokenCount() != kGasCount) return;
    const LevelSetting& s = kLevelSettings[param];
    reply.accepted = true;
    for (int gas = 0; gas < kGasCount; ++gas) {
        std::string_view token = reply.token(gas);
        if (!IsLevelToken(token)) {
            reply.accepted = false;
            continue;
        }
        s.set(*reply.model, gas, ParseLevel(token));
        (reply.model->*s.flags)[gas] = false;
    }
}

// The settings writer compares whole frames for warning, alarm and auto-calibration (three passes
// before it gives up); here only their shape is checked.
void levelsWriteRule(ReplyContext& reply, int) {
    if (reply.tokenCount() != kGasCount) return;
    for (int gas = 0; gas < kGasCount; ++gas) {
        if (!IsLevelToken(reply.token(gas))) return;
    }
    reply.accepted = true;
}

// STEL and TWA are written once: their answer must carry, gas by gas, the very levels sent, as
// values (the instrument may pad or space them differently).
void exposureWriteRule(ReplyContext& reply, int param) {
    if (reply.tokenCount() != kGasCount) return;
    const LevelKind kind = param == 3 ? LevelKind::Stel : LevelKind::Twa;
    std::string answered;
    for (int gas = 0; gas < kGasCount; ++gas) {
        if (gas > 0) answered += ',';
        answered += reply.token(gas);
    }
    reply.accepted = SameLevelList(LevelList(*reply.model, kind), answered);
}

template <typename Table>
void addReadWriteRules(std::vector<KeyRule>& rules, const Table& table,
                       void (*read)(ReplyContext&, int), void (*write)(ReplyContext&, int),
                       bool writeNeedsModel) {
    int param = 0;
    for (const auto& entry : table) {
        rules.push_back({entry.readKey, read, param, true});
        rules.push_back({entry.writeKey, write, param, writeNeedsModel});
        ++param;
    }
}

}  // namespace

void addSettingsRules(std::vector<KeyRule>& rules) {
    addReadWriteRules(rules, kNumberSettings, numberReadRule, numberWriteRule, true);
    addReadWriteRules(rules, kTextSettings, textReadRule, textWriteRule, true);
    addReadWriteRules(rules, kLevelSettings, levelsReadRule, levelsWriteRule, false);
    // STEL and TWA answers are compared with the model (entries 3 and 4 of the level table).
    for (KeyRule& rule : rules) {
        if (rule.key == "AS,W" || rule.key == "AW,W") {
            rule.decode = exposureWriteRule;
            rule.needsModel = true;
        }
    }
    rules.push_back({"UJ,R", specTypeReadRule, 0, true});
    rules.push_back({"UJ,W", specTypeWriteRule, 0, true});
    rules.push_back({"XS,R", stationReadRule, 0, true});
    rules.push_back({"XS,W", stationWriteRule, 0, true});
    rules.push_back({"GJ,W", gasTableWriteRule, 0, true});
    rules.push_back({"BU,R", bumpReadRule, 0, true});
    rules.push_back({"WB,R", backlightReadRule, 0, true});
    rules.push_back({"BU,W", bumpWriteRule, 0, true});
    rules.push_back({"WB,W", backlightWriteRule, 0, true});
}

}  // namespace vq
