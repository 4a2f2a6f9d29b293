// Live values and identity: the instrument clock ("HC,R"), current readings ("DN,R"), A/D
// values ("HA,R"), firmware number and checksum ("VP,R", "VS,R"), the zero and over-scale flags
// ("UZ,R", "AO,R") and the connection probe ("RC,R").

#include <array>
#include <string>

#include "model/instrument.h"
#include "model/numeric.h"
#include "model/ole_date.h"
#include "protocol/decoder_log.h"
#include "protocol/reply_rules.h"
#include "protocol/reply_values.h"

namespace vq {

namespace {

constexpr int kGasCount = InstrumentModel::channelCount;
constexpr std::string_view kModelName = "VQ-5100";

// "YYMMDDhhnnss"; a clock that is not a real date and time is logged with its digits and marks
// the read as the one that failed.
void clockReadRule(ReplyContext& reply, int) {
    std::string_view digits = reply.token(0);
    if (digits.size() != 12) return;
    std::string text = "20";
    text.append(digits.substr(0, 2)).append("/").append(digits.substr(2, 2));
    text.append("/").append(digits.substr(4, 2)).append(" ").append(digits.substr(6, 2));
    text.append(":").append(digits.substr(8, 2)).append(":").append(digits.substr(10, 2));
    auto date = ParseGeneralDate(text);
    if (!date) {
        reply.model->setFailLine(std::string(reply.key));
        reply.host.AddLog(DecoderLogText(DecoderLog::ImproperDate, digits));
        return;
    }
    reply.model->setSysDate(*date);
    reply.model->setSysDateOffset(DaysBetween(reply.host.localDateTime(), *date));
    reply.accepted = true;
}

// A reading that is not a number keeps the gas's last reading.
void readingsRule(ReplyContext& reply, int) {
    InstrumentModel& m = *reply.model;
    std::array<float, kGasCount> readings{};
    for (int gas = 0; gas < kGasCount; ++gas) {
        std::string_view token = reply.token(gas);
        if (IsNumeric(token)) m.setLimitValue(gas, RealValue(token));
        readings[gas] = m.LimitValue(gas);
    }
    reply.host.raiseReadings(readings);
    reply.accepted = true;
}

void analogRule(ReplyContext& reply, int) {
    constexpr int kChannels = 8;
    InstrumentModel& m = *reply.model;
    for (int i = 0; i < kChannels; ++i) {
        std::string_view token = reply.token(i);
        if (IsHexadecimal(token)) m.setAnalogValue(i, HexValue(token));
    }
    std::string_view converted = reply.token(kChannels);
    if (IsHexadecimal(converted)) m.setAdrealValue(HexFloatValue(converted));
    reply.accepted = true;
}

void romNumberRule(ReplyContext& reply, int) {
    std::string_view token = reply.token(0);
    if (!IsNumeric(token)) return;
    reply.model->setRomNumber(Dec32Value(token));
    reply.accepted = true;
}

void checksumTextRule(ReplyContext& reply, int) {
    std::string_view token = reply.token(0);
    if (!IsHexadecimal(token)) return;
    reply.model->setSUM(std::string(token));
    reply.accepted = true;
}

// One flag character per gas 0 to 3; a character that is not a digit spoils the reply but the
// other gases are still read.
struct FlagSetting {
    void (*set)(InstrumentModel&, int, int16_t);
    SettingId flags;
};

const FlagSetting kFlagSettings[] = {
    {[](InstrumentModel& m, int g, int16_t v) { m.setZero(g, v); }, SettingId::Zero},
    {[](InstrumentModel& m, int g, int16_t v) { m.setOverScale(g, v); }, SettingId::OverScale},
};

void flagsReadRule(ReplyContext& reply, int param) {
    const FlagSetting& s = kFlagSettings[param];
    std::string_view flags = reply.token(0);
    if (flags.size() != 4) {
        reply.host.AddLog(DecoderLogText(DecoderLog::FormatError));
        return;
    }
    reply.accepted = true;
    for (int gas = 0; gas < 4; ++gas) {
        char c = flags[gas];
        if (c < '0' || c > '9') {
            reply.accepted = false;
            continue;
        }
        s.set(*reply.model, gas, c == '1' ? 1 : 0);
        reply.model->clearChanged(s.flags, gas);
    }
}

// The probe is answered by our model: the first such answer connects the link.
void probeRule(ReplyContext& reply, int) {
    if (reply.rawFrame.find(kModelName) == std::string_view::npos) return;
    if (!reply.host.Connected()) {
        reply.host.connectByProbe();
        reply.host.AddLog(DecoderLogText(DecoderLog::ConnectFinished));
    }
    reply.accepted = true;
}

}  // namespace

void addLiveValueRules(std::vector<KeyRule>& rules) {
    rules.push_back({"HC,R", clockReadRule, 0, true});
    rules.push_back({"DN,R", readingsRule, 0, true});
    rules.push_back({"HA,R", analogRule, 0, true});
    rules.push_back({"VP,R", romNumberRule, 0, true});
    rules.push_back({"VS,R", checksumTextRule, 0, true});
    rules.push_back({"UZ,R", flagsReadRule, 0, true});
    rules.push_back({"AO,R", flagsReadRule, 1, true});
    rules.push_back({"RC,R", probeRule, 0, false});
}

}  // namespace vq
