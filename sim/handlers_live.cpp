// Clock, live readings, A/D values, calibration history, zero and over-scale flags, and the
// calibration unit's pump.

#include <string>

#include "model/value_codecs.h"
#include "sim/handler_context.h"
#include "sim/wire_text.h"

namespace vq::sim {

namespace {

constexpr int kFlagChannels = 4;  // the zero and over-scale flags cover gases 0 to 3

std::int64_t instrumentClock(const HandlerContext& c) {
    return c.now.localSeconds + c.state.clockOffsetSeconds;
}

// The reading as the sensor shows it now: the true value wandering by a step or so. A channel
// that reads zero stays at zero, so a zeroed instrument reads exactly zero.
float liveReading(HandlerContext& c, const GasChannel& gas) {
    if (!gas.enabled) return kNoValue;
    float value = gas.reading;
    const int steps = c.state.noiseSteps;
    if (value > 0 && steps > 0) {
        const auto span = static_cast<std::uint64_t>(2 * steps + 1);
        const int offset = static_cast<int>(c.rng() % span) - steps;
        value += static_cast<float>(offset) * gas.resolution;
        if (value < 0) value = 0;
    }
    if (value > gas.fullScale) return kOverRange;
    return value;
}

std::string readingText(float value, int decimals) {
    if (value < 0) return FormatNumber(value, 0);  // a status code, a whole number
    return FormatNumber(value, decimals);
}

Reply readReadings(HandlerContext& c, const Request& r) {
    std::string payload;
    for (const GasChannel& gas : c.state.gases) {
        if (!payload.empty()) payload += ',';
        payload += readingText(liveReading(c, gas), gas.decimals);
    }
    return {ReplyFrame(r.key, payload)};
}

Reply readAnalog(HandlerContext& c, const Request& r) {
    std::string payload;
    for (int value : c.state.analog) payload += Hex4(value) + ',';
    payload += SingleToHex(c.state.adReal);
    return {ReplyFrame(r.key, payload)};
}

std::string historyToken(const GasChannel& gas) {
    if (!gas.calibTime) return std::string(22, '*');
    const auto decimals = static_cast<int16_t>(gas.decimals);
    return ClockDigits(*gas.calibTime) + LevelText5(gas.calibBefore, decimals) +
           LevelText5(gas.calibAfter, decimals);
}

Reply readHistory(HandlerContext& c, const Request& r) {
    std::string payload;
    for (const GasChannel& gas : c.state.gases) {
        if (!payload.empty()) payload += ',';
        payload += historyToken(gas);
    }
    return {ReplyFrame(r.key, payload)};
}

std::string flagText(const SimState& state, int GasChannel::*field) {
    std::string text;
    for (int g = 0; g < kFlagChannels; ++g) text += state.gases[g].*field != 0 ? '1' : '0';
    return text;
}

Reply writeZeroFlags(HandlerContext& c, const Request& r) {
    if (r.params.size() != kFlagChannels || r.params.find_first_not_of("01") != std::string::npos) {
        return {NakReply(r.key)};
    }
    for (int g = 0; g < kFlagChannels; ++g) c.state.gases[g].zeroFlag = r.params[g] == '1';
    return {ReplyFrame(r.key, flagText(c.state, &GasChannel::zeroFlag))};
}

}  // namespace

void RegisterLiveHandlers(HandlerTable& table) {
    table["HC,R"] = [](HandlerContext& c, const Request& r) {
        return Reply{ReplyFrame(r.key, ClockDigits(instrumentClock(c)))};
    };
    table["HC,W"] = [](HandlerContext& c, const Request& r) {
        const auto time = ParseClockDigits(r.params);
        if (!time) return Reply{NakReply(r.key)};
        c.state.clockOffsetSeconds = *time - c.now.localSeconds;
        // The program checks the clock set by getting its own frame back unchanged.
        return Reply{ReplyFrame(r.key, r.params)};
    };
    table["DN,R"] = readReadings;
    table["HA,R"] = readAnalog;
    table["SO,R"] = readHistory;
    table["UZ,R"] = [](HandlerContext& c, const Request& r) {
        return Reply{ReplyFrame(r.key, flagText(c.state, &GasChannel::zeroFlag))};
    };
    table["UZ,W"] = writeZeroFlags;
    table["AO,R"] = [](HandlerContext& c, const Request& r) {
        return Reply{ReplyFrame(r.key, flagText(c.state, &GasChannel::overScale))};
    };
    table["BP,R"] = [](HandlerContext& c, const Request& r) {
        return Reply{ReplyFrame(r.key, c.state.pumpOn ? "1" : "0")};
    };
    table["BP,W"] = [](HandlerContext& c, const Request& r) {
        if (r.params != "0" && r.params != "1") return Reply{NakReply(r.key)};
        c.state.pumpOn = r.params == "1";
        return Reply{ReplyFrame(r.key, r.params)};
    };
}

}  // namespace vq::sim
