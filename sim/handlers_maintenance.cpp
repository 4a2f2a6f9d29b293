// Maintenance commands: clearing the logs, restoring defaults (each confirmed by polling until
// the instrument has finished), check data, power-off and the plain acknowledged writes.

#include <algorithm>
#include <string>

#include "sim/handler_context.h"
#include "sim/wire_text.h"

namespace vq::sim {

namespace {

void clearBodyData(SimState& state) {
    std::fill(state.flash.begin() + static_cast<std::ptrdiff_t>(kLoggerStart), state.flash.end(),
              std::uint8_t{0xFF});
}

void clearPowerData(SimState& state) {
    std::fill(state.fram.begin() + static_cast<std::ptrdiff_t>(kPowerLogStart), state.fram.end(),
              std::uint8_t{0x00});
}

void writeCheckData(HandlerContext& c) {
    const std::string record =
        "CHECK " + ClockDigits(c.now.localSeconds + c.state.clockOffsetSeconds);
    std::copy(record.begin(), record.end(),
              c.state.fram.begin() + static_cast<std::ptrdiff_t>(kCheckDataAddress));
    c.state.checkDataWritten = true;
}

using Effect = void (*)(SimState&);

// The write starts the job (and does its work); the confirm polls answer "busy" until the job's
// time is up and then acknowledge, also when asked again.
void registerConfirmed(HandlerTable& table, const std::string& code, Effect effect) {
    table[code + ",W"] = [code, effect](HandlerContext& c, const Request& r) {
        effect(c.state);
        TimedJob& job = c.session.confirmJobs[code];
        job.started = true;
        job.finished = false;
        job.readyAt = c.now.steady + std::chrono::seconds(c.state.confirmSeconds);
        return Reply{AckReply(r.key)};
    };
    table[code + ",C"] = [code](HandlerContext& c, const Request& r) {
        const auto found = c.session.confirmJobs.find(code);
        if (found == c.session.confirmJobs.end() || !found->second.started) {
            return Reply{NakReply(r.key)};  // nothing was started
        }
        TimedJob& job = found->second;
        if (!job.finished && c.now.steady < job.readyAt) return Reply{BusyReply(r.key)};
        job.finished = true;
        return Reply{AckReply(r.key)};
    };
}

Reply acknowledge(HandlerContext&, const Request& r) {
    return {AckReply(r.key)};
}

}  // namespace

void RegisterMaintenanceHandlers(HandlerTable& table) {
    registerConfirmed(table, "XC", clearBodyData);
    registerConfirmed(table, "XY", clearPowerData);
    registerConfirmed(table, "UX", RestoreDefaultSettings);
    table["XH,E"] = [](HandlerContext& c, const Request& r) {
        writeCheckData(c);
        return Reply{AckReply(r.key)};
    };
    table["RO,W"] = [](HandlerContext& c, const Request& r) {
        c.session.powerOffRequested = true;  // the answer still goes out, then silence
        return Reply{AckReply(r.key)};
    };
    for (const char* key : {"DW,W", "UD,W", "UP,W"}) table[key] = acknowledge;
    // Kept for older service tools: answered, with no meaning of their own.
    for (const char* key : {"UG,R", "UG,W"}) {
        table[key] = [](HandlerContext&, const Request& r) {
            return Reply{ReplyFrame(r.key, "0")};
        };
    }
    for (char letter = 'A'; letter <= 'V'; ++letter) {
        table[std::string("Y") + letter + ",R"] = [](HandlerContext&, const Request& r) {
            return Reply{ReplyFrame(r.key, "0")};
        };
    }
}

}  // namespace vq::sim
