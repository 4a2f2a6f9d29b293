#include "sim/responder.h"

#include <cctype>
#include <exception>

#include "protocol/frame.h"

namespace vq::sim {

namespace {

bool isCodeChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// "LP,W" from "LP,W,2"; nullopt when the payload does not start with a command key.
std::optional<Request> parseRequest(const std::string& payload) {
    if (payload.size() < 4 || !isCodeChar(payload[0]) || !isCodeChar(payload[1]) ||
        payload[2] != ',' || !std::isupper(static_cast<unsigned char>(payload[3]))) {
        return std::nullopt;
    }
    Request request;
    request.key = payload.substr(0, 4);
    request.code = payload.substr(0, 2);
    request.op = payload[3];
    if (payload.size() > 4) {
        if (payload[4] != ',') return std::nullopt;
        request.params = payload.substr(5);
    }
    return request;
}

// True when `code` is one of the comma-separated codes of `list`.
bool forgets(std::string_view list, std::string_view code) {
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        if (list.substr(0, comma) == code) return true;
        if (comma == std::string_view::npos) break;
        list.remove_prefix(comma + 1);
    }
    return false;
}

}  // namespace

Responder::Responder(SimState state, std::uint64_t seed) : state_(std::move(state)), rng_(seed) {
    RegisterIdentityHandlers(table_);
    RegisterSettingsHandlers(table_);
    RegisterGasHandlers(table_);
    RegisterLiveHandlers(table_);
    RegisterMaintenanceHandlers(table_);
    RegisterCalibrationHandlers(table_);
    RegisterDumpHandlers(table_);
}

Reply Responder::receive(std::string_view bytes, SimNow now) {
    Reply out;
    if (!powered_) return out;
    for (const RequestFrame& frame : framer_.feed(bytes)) {
        if (log_) log_(true, frame.raw, false);
        Reply reply = handle(frame, now);
        for (Emission& e : reply) {
            if (log_) log_(false, e.bytes, e.raw);
            out.push_back(std::move(e));
        }
        if (session_.powerOffRequested) {
            // The answer to the power-off still goes out; then the instrument is dark until
            // it is switched on again (switchOn), whatever the program does with its port.
            session_ = Session{};
            powered_ = false;
            framer_.reset();
            break;
        }
    }
    return out;
}

Reply Responder::handle(const RequestFrame& frame, SimNow now) {
    if (!frame.checksumOk) return {};  // a damaged frame: the program resends on its time-out
    HandlerContext context{state_, session_, now, rng_};
    try {
        if (frame.terminator == ETB) {
            // The program's acknowledgement of a block of a multi-block answer.
            if (frame.payload.empty()) return {};
            if (frame.payload[0] == ACK) return ContinueDump(context, true);
            if (frame.payload[0] == NAK) return ContinueDump(context, false);
            return {};
        }
        session_.dump.active = false;  // any new command ends a listing in progress
        return handleCommand(frame.payload, context);
    } catch (const std::exception&) {
        return {};  // a handler that cannot cope answers nothing rather than falling over
    }
}

Reply Responder::handleCommand(const std::string& payload, HandlerContext& context) {
    const auto request = parseRequest(payload);
    if (!request) {
        if (payload.size() >= 4) return {NakReply(payload.substr(0, 4))};
        return {};
    }
    const auto handler = table_.find(request->key);
    if (handler == table_.end()) return {NakReply(request->key)};
    if (request->op == 'W' && forgets(state_.forgetWrites, request->code))
        return {AckReply(request->key)};
    if (request->op != 'R') changed_ = true;
    return handler->second(context, *request);
}

void Responder::portOpened() {
    framer_.reset();
    session_.dump.active = false;
}

void Responder::switchOn() {
    powered_ = true;
    session_ = Session{};
    framer_.reset();
}

bool Responder::takeChanged() {
    const bool changed = changed_;
    changed_ = false;
    return changed;
}

}  // namespace vq::sim
