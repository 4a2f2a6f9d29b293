// Zero, span and N2 calibration. A zero runs for a few seconds and is polled; span and N2
// answer at once. Each answer carries one character per channel: "0" adjusted, "1" failed,
// "-" not asked for. A channel set up to fail (through the state file) fails every time.

#include <optional>
#include <string>

#include "model/numeric.h"
#include "sim/handler_context.h"
#include "sim/wire_text.h"

namespace vq::sim {

namespace {

constexpr char kAdjusted = '0';
constexpr char kFailed = '1';
constexpr char kNotAsked = '-';

bool isChannelMask(std::string_view text) {
    return text.size() == kGasCount && text.find_first_not_of("01") == std::string_view::npos;
}

// Moves the channel's reading to `target` and records the calibration.
void adjust(HandlerContext& c, GasChannel& gas, float target) {
    gas.calibBefore = gas.reading;
    gas.calibAfter = target;
    gas.calibTime = c.now.localSeconds + c.state.clockOffsetSeconds;
    gas.reading = target;
}

// Zero is done in fresh air, where an oxygen sensor reads the oxygen of the air, not nothing.
constexpr float kFreshAirOxygen = 20.9f;

bool measuresOxygen(const GasChannel& gas) {
    const std::size_t first = gas.name.find_first_not_of(' ');
    if (first == std::string::npos) return false;
    const std::size_t last = gas.name.find_last_not_of(' ');
    return gas.name.substr(first, last - first + 1) == "O2";
}

std::string runZero(HandlerContext& c, std::string_view mask) {
    std::string result(kGasCount, kNotAsked);
    for (int g = 0; g < kGasCount; ++g) {
        GasChannel& gas = c.state.gases[g];
        if (mask[g] != '1' || !gas.enabled) continue;
        if (gas.zeroFails) {
            result[g] = kFailed;
            continue;
        }
        adjust(c, gas, measuresOxygen(gas) ? kFreshAirOxygen : 0);
        result[g] = kAdjusted;
    }
    return result;
}

Reply startZero(HandlerContext& c, const Request& r) {
    if (!isChannelMask(r.params)) return {NakReply(r.key)};
    c.session.zeroJob = {true, false, c.now.steady + std::chrono::seconds(c.state.zeroSeconds)};
    c.session.zeroMask = r.params;
    c.session.zeroResult.clear();
    return {AckReply(r.key)};
}

Reply pollZero(HandlerContext& c, const Request& r) {
    TimedJob& job = c.session.zeroJob;
    if (!job.started) return {NakReply(r.key)};
    if (!job.finished) {
        if (c.now.steady < job.readyAt) return {BusyReply(r.key)};
        c.session.zeroResult = runZero(c, c.session.zeroMask);
        job.finished = true;
    }
    return {ReplyFrame(r.key, c.session.zeroResult)};
}

// "S2,W," mask "," five concentrations.
Reply span(HandlerContext& c, const Request& r) {
    const auto fields = SplitFields(r.params);
    if (fields.size() != kGasCount + 1 || !isChannelMask(fields[0])) return {NakReply(r.key)};
    std::string result(kGasCount, kNotAsked);
    for (int g = 0; g < kGasCount; ++g) {
        if (fields[0][g] != '1') continue;
        GasChannel& gas = c.state.gases[g];
        const auto concentration = ParseLevelField(fields[g + 1]);
        const bool usable = gas.enabled && !gas.spanFails && concentration && *concentration > 0 &&
                            *concentration <= gas.fullScale;
        if (!usable) {
            result[g] = kFailed;
            continue;
        }
        adjust(c, gas, *concentration);
        result[g] = kAdjusted;
    }
    c.session.spanResult = result;
    return {ReplyFrame(r.key, result)};
}

// N2 calibration of the second combustible channel; the parameter is the oxygen reading the
// program saw, which must be a number.
Reply calibrateN2(HandlerContext& c, const Request& r) {
    GasChannel& gas = c.state.gases[kGasCount - 1];
    if (!ParseSingle(r.params) || !gas.enabled || gas.spanFails) return {NakReply(r.key)};
    adjust(c, gas, 0);
    std::string result(kGasCount, kNotAsked);
    result[kGasCount - 1] = kAdjusted;
    return {ReplyFrame(r.key, result)};
}

Reply zeroState(HandlerContext& c, const Request& r) {
    std::string payload;
    for (int g = 0; g < 4; ++g) {
        if (g > 0) payload += ',';
        payload += std::to_string(c.state.gases[g].zeroFlag);
    }
    return {ReplyFrame(r.key, payload)};
}

}  // namespace

void RegisterCalibrationHandlers(HandlerTable& table) {
    table["SZ,W"] = startZero;
    table["SZ,C"] = pollZero;
    table["SZ,R"] = zeroState;
    table["S1,R"] = zeroState;
    table["S1,W"] = span;
    table["S2,W"] = span;
    table["S2,C"] = [](HandlerContext& c, const Request& r) {
        if (c.session.spanResult.empty()) return Reply{NakReply(r.key)};
        return Reply{ReplyFrame(r.key, c.session.spanResult)};
    };
    table["SN,W"] = calibrateN2;
}

}  // namespace vq::sim
