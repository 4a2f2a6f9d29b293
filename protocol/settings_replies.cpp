// Settings replies: single settings (read stores, write echo-checks), identity texts, the station
// list, the bump-test and backlight groups and the five-gas levels.

#include <string>

#include "model/instrument.h"
#include "model/settings_table.h"
#include "model/value_codecs.h"
#include "protocol/decoder_log.h"
#include "protocol/frame.h"
#include "protocol/reply_rules.h"
#include "protocol/reply_values.h"
#include "protocol/settings_write.h"

namespace vq {

namespace {

constexpr int kGasCount = InstrumentModel::channelCount;

// ---- single settings of the settings table ----

ValueForm valueForm(Form form) {
    switch (form) {
        case Form::Hex:
            return ValueForm::Hex;
        case Form::Hex32:
            return ValueForm::Hex32;
        case Form::Bit:
            return ValueForm::Bit;
        default:
            return ValueForm::Dec;
    }
}

const Setting& settingAt(int param) {
    return SettingsTable()[static_cast<std::size_t>(param)];
}

void numberReadRule(ReplyContext& reply, int param) {
    const Setting& s = settingAt(param);
    std::string_view token = reply.token(0);
    if (!PassesNumericTest(valueForm(s.read), token)) return;
    s.setNumber(*reply.model, FormValue(valueForm(s.read), token));
    s.setChanged(*reply.model, false);
    reply.accepted = true;
}

// The write reply carries the value as the instrument stored it; a different value means the
// write did not take and is sent again. A setting read as a number but written as a bit is
// echoed as the bit's text; every other is echoed in the form it is read in.
void numberWriteRule(ReplyContext& reply, int param) {
    const Setting& s = settingAt(param);
    const bool bitText = s.write == Form::Bit && s.read == Form::Dec;
    const ValueForm form = bitText ? ValueForm::Bit : valueForm(s.read);
    std::string_view token = reply.token(0);
    if (!PassesNumericTest(form, token)) return;
    int32_t expected = s.number(*reply.model);
    if (bitText) {
        reply.accepted = TrimSpaces(token) == (expected != 0 ? "1" : "0");
        return;
    }
    if (form == ValueForm::Bit) expected = expected != 0 ? 1 : 0;
    reply.accepted = FormValue(form, token) == expected;
}

void textReadRuleOf(ReplyContext& reply, int param) {
    const Setting& s = settingAt(param);
    s.setText(*reply.model, std::string(TrimSpaces(reply.token(0))));
    s.setChanged(*reply.model, false);
    reply.accepted = true;
}

void textWriteRuleOf(ReplyContext& reply, int param) {
    reply.accepted = TrimSpaces(reply.token(0)) == TrimSpaces(settingAt(param).text(*reply.model));
}

// A type code is one of three one-character texts.
void typeCodeReadRule(ReplyContext& reply, int param) {
    const Setting& s = settingAt(param);
    std::string_view token = reply.token(0);
    if (token != "0" && token != "1" && token != "2") return;
    s.setText(*reply.model, std::string(token));
    s.setChanged(*reply.model, false);
    reply.accepted = true;
}

void typeCodeWriteRule(ReplyContext& reply, int param) {
    reply.accepted = reply.token(0) == settingAt(param).text(*reply.model);
}

// ---- identity texts ----

struct TextSetting {
    std::string_view readKey, writeKey;
    std::string (*get)(const InstrumentModel&);
    void (*set)(InstrumentModel&, std::string_view);
    SettingId flag;
};

const TextSetting kTextSettings[] = {
    {"IN,R", "IN,W", [](const InstrumentModel& m) { return m.SerialNo(); },
     [](InstrumentModel& m, std::string_view v) { m.setSerialNo(v); }, SettingId::SerialNo},
    {"HN,R", "HN,W", [](const InstrumentModel& m) { return m.DummySerial(); },
     [](InstrumentModel& m, std::string_view v) { m.setDummySerial(v); }, SettingId::DummySerial},
    {"XZ,R", "XZ,W", [](const InstrumentModel& m) { return m.UserID(); },
     [](InstrumentModel& m, std::string_view v) { m.setUserID(v); }, SettingId::UserID},
};

void textReadRule(ReplyContext& reply, int param) {
    const TextSetting& s = kTextSettings[param];
    s.set(*reply.model, TrimSpaces(reply.token(0)));
    reply.model->clearChanged(s.flag);
    reply.accepted = true;
}

void textWriteRule(ReplyContext& reply, int param) {
    const TextSetting& s = kTextSettings[param];
    reply.accepted = TrimSpaces(reply.token(0)) == TrimSpaces(s.get(*reply.model));
}

// ---- station identity and station list ----

void stationReadRule(ReplyContext& reply, int) {
    InstrumentModel& m = *reply.model;
    if (reply.token(0) == "****") {
        m.setStationID(TrimSpaces(reply.token(1)));
        m.clearChanged(SettingId::StationID);
        reply.accepted = true;
        return;
    }
    int n = HexValue(reply.token(0));
    // An entry the list does not have was not asked for: reading it again is the safe answer.
    if (n < 0 || n >= InstrumentModel::stationCount) return;
    m.setStationList(n, std::string(reply.token(1)));
    m.clearChanged(SettingId::StationList, n);
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
    InstrumentModel& m = *reply.model;
    if (target == "****") {
        reply.accepted = index == "****" && TrimSpaces(reply.token(1)) == TrimSpaces(m.StationID());
        return;
    }
    const int n = HexValue(target);
    if (index == "****" || HexValue(index) != n || n < 0 || n >= InstrumentModel::stationCount)
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
        if (!sameGasRecord(GasRecordText(*reply.model, gas, wireTextRule), reply.token(gas)))
            return;
    }
    reply.accepted = true;
}

// ---- groups: several settings in one command ----

// The group's settings in field order: param is the table index of its first field.
std::vector<const Setting*> groupAt(int param) {
    return SettingsOfCode(settingAt(param).code);
}

// Every value is stored as the instrument holds it, in its range or not: a value left out would
// leave the model's default standing as if the instrument held it. Out-of-range values are named
// by whoever shows the read (model/held_values.h). The backlight group's answer of another length
// is logged as a format error; the bump test's is not.
void groupReadRule(ReplyContext& reply, int param) {
    const std::vector<const Setting*> members = groupAt(param);
    if (reply.tokenCount() != static_cast<int>(members.size())) {
        if (settingAt(param).code == "WB")
            reply.host.AddLog(DecoderLogText(DecoderLog::FormatError));
        return;
    }
    for (std::size_t i = 0; i < members.size(); ++i) {
        const int16_t value = DecValue(reply.token(static_cast<int>(i)));
        members[i]->setNumber(*reply.model, value);
        members[i]->setChanged(*reply.model, false);
    }
    reply.accepted = true;
}

// A group write's answer carries the group as the instrument now holds it: every value must be
// the one sent (the instrument keeps its old value for one it does not take). An answer that
// only acknowledges is taken as the instrument's word.
void groupWriteRule(ReplyContext& reply, int param) {
    if (reply.tokenCount() == 0 && reply.AckChar == ACK) {
        reply.accepted = true;
        return;
    }
    const std::vector<const Setting*> members = groupAt(param);
    if (reply.tokenCount() != static_cast<int>(members.size())) return;
    for (std::size_t i = 0; i < members.size(); ++i) {
        const std::string_view token = reply.token(static_cast<int>(i));
        if (!PassesNumericTest(ValueForm::Dec, token)) return;
        if (DecValue(token) != members[i]->number(*reply.model)) return;
    }
    reply.accepted = true;
}

// ---- five-gas levels ----

struct LevelSetting {
    std::string_view readKey, writeKey;
    void (*set)(InstrumentModel&, int, float);
    SettingId flags;
};

const LevelSetting kLevelSettings[] = {
    {"SA,R", "SA,W", [](InstrumentModel& m, int g, float v) { m.setAutoCalib(g, v); },
     SettingId::AutoCalib},
    {"A1,R", "A1,W", [](InstrumentModel& m, int g, float v) { m.setWarning(g, v); },
     SettingId::Warning},
    {"A2,R", "A2,W", [](InstrumentModel& m, int g, float v) { m.setAlarm(g, v); },
     SettingId::Alarm},
    {"AS,R", "AS,W", [](InstrumentModel& m, int g, float v) { m.setStel(g, v); }, SettingId::Stel},
    {"AW,R", "AW,W", [](InstrumentModel& m, int g, float v) { m.setTwa(g, v); }, SettingId::Twa},
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
        reply.model->clearChanged(s.flags, gas);
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

// The rules of the settings table: one pair per command, by the kind of its values.
void addTableRules(std::vector<KeyRule>& rules) {
    using Decode = void (*)(ReplyContext&, int);
    const std::span<const Setting> table = SettingsTable();
    for (std::size_t i = 0; i < table.size(); ++i) {
        const Setting& s = table[i];
        if (s.field != 1) continue;
        Decode read = numberReadRule, write = numberWriteRule;
        if (SettingsOfCode(s.code).size() > 1) {
            read = groupReadRule;
            write = groupWriteRule;
        } else if (s.read == Form::TypeCode) {
            read = typeCodeReadRule;
            write = typeCodeWriteRule;
        } else if (s.isText) {
            read = textReadRuleOf;
            write = textWriteRuleOf;
        }
        const int param = static_cast<int>(i);
        rules.push_back({s.readKey(), read, param, true});
        rules.push_back({s.writeKey(), write, param, true});
    }
}

}  // namespace

void addSettingsRules(std::vector<KeyRule>& rules) {
    addTableRules(rules);
    addReadWriteRules(rules, kTextSettings, textReadRule, textWriteRule, true);
    addReadWriteRules(rules, kLevelSettings, levelsReadRule, levelsWriteRule, false);
    // STEL and TWA answers are compared with the model (entries 3 and 4 of the level table).
    for (KeyRule& rule : rules) {
        if (rule.key == "AS,W" || rule.key == "AW,W") {
            rule.decode = exposureWriteRule;
            rule.needsModel = true;
        }
    }
    rules.push_back({"XS,R", stationReadRule, 0, true});
    rules.push_back({"XS,W", stationWriteRule, 0, true});
    rules.push_back({"GJ,W", gasTableWriteRule, 0, true});
}

}  // namespace vq
