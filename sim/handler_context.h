#pragma once
// What a command handler gets and gives: the request cut into key and parameters, the
// instrument state, the time, the noise source and the bookkeeping of multi-step commands;
// and the replies it sends back.

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "sim/sim_state.h"

namespace vq::sim {

// The time a request is handled at. The responder reads no clock: its front hands it in.
struct SimNow {
    std::chrono::milliseconds steady{0};  // for durations (a zero takes a few seconds)
    std::int64_t localSeconds = 0;        // the host's local wall clock, seconds since 1970
};

struct Request {
    std::string key;     // "LP,W"
    std::string code;    // "LP"
    char op = 0;         // 'R', 'W', 'C' or 'E'
    std::string params;  // everything after "LP,W,"
};

// Bytes to send back. A frame is logged as a frame; raw memory bytes are not.
struct Emission {
    std::string bytes;
    bool raw = false;
};
using Reply = std::vector<Emission>;

// A step that takes time on the instrument: started by a write, finished when a later
// confirm poll finds the time up.
struct TimedJob {
    bool started = false;
    bool finished = false;
    std::chrono::milliseconds readyAt{0};
};

// The multi-block answer in progress.
struct DumpCursor {
    bool active = false;
    std::size_t sent = 0;  // index of the block last sent, counting from 0
    std::size_t blocks = 0;
};

// Per-connection bookkeeping of the multi-step commands.
struct Session {
    std::map<std::string, TimedJob, std::less<>> confirmJobs;  // "XC", "XY", "UX"
    TimedJob zeroJob;
    std::string zeroMask;    // the channels the running zero covers
    std::string zeroResult;  // five characters once finished
    std::string spanResult;  // five characters of the last span
    DumpCursor dump;
    bool powerOffRequested = false;
};

struct HandlerContext {
    SimState& state;
    Session& session;
    SimNow now;
    std::mt19937_64& rng;
};

using Handler = std::function<Reply(HandlerContext&, const Request&)>;
using HandlerTable = std::map<std::string, Handler, std::less<>>;

// ---- Reply frames ----

// STX "0001" key "," payload ETX checksum terminator. A payload shorter than two characters
// gets a trailing comma so the frame reaches the program's minimum reply length.
Emission ReplyFrame(std::string_view key, std::string_view payload, char terminator = 0x04);
// Acknowledgement replies: the control character as the first payload character.
Emission AckReply(std::string_view key);
Emission NakReply(std::string_view key);
Emission BusyReply(std::string_view key);  // SUB: still working

// ---- Registration of the command families ----
void RegisterIdentityHandlers(HandlerTable& table);
void RegisterSettingsHandlers(HandlerTable& table);
void RegisterGasHandlers(HandlerTable& table);
void RegisterLiveHandlers(HandlerTable& table);
void RegisterMaintenanceHandlers(HandlerTable& table);
void RegisterCalibrationHandlers(HandlerTable& table);
void RegisterDumpHandlers(HandlerTable& table);

// The next block of the multi-block answer in progress, or its last block again after a NAK;
// empty when no answer is in progress.
Reply ContinueDump(HandlerContext& context, bool acknowledged);

}  // namespace vq::sim
