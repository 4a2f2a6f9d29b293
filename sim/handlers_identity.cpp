// Identity commands: the connection probe, firmware number and checksum, the identity texts
// and the station list.

#include <string>

#include "model/numeric.h"
#include "sim/handler_context.h"
#include "sim/wire_text.h"

namespace vq::sim {

namespace {

// A text field: the read returns it at its stored width, the write stores the parameter cut
// or padded to that width and echoes it.
void registerText(HandlerTable& table, const std::string& code, std::string SimState::*field,
                  std::size_t width) {
    table[code + ",R"] = [code, field](HandlerContext& c, const Request&) {
        return Reply{ReplyFrame(code + ",R", c.state.*field)};
    };
    table[code + ",W"] = [code, field, width](HandlerContext& c, const Request& r) {
        c.state.*field = FixedWidth(r.params, width);
        return Reply{ReplyFrame(code + ",W", c.state.*field)};
    };
}

Reply readStation(HandlerContext& c, const Request& r) {
    if (r.params == "****") {
        return {ReplyFrame(r.key, "****," + c.state.stationId)};
    }
    const auto index = ParseHex(r.params);
    if (r.params.size() != 4 || !index || *index >= kStationCount) return {NakReply(r.key)};
    return {ReplyFrame(r.key, r.params + "," + c.state.stations[*index])};
}

Reply writeStation(HandlerContext& c, const Request& r) {
    const std::size_t comma = r.params.find(',');
    if (comma == std::string::npos) return {NakReply(r.key)};
    const std::string target = r.params.substr(0, comma);
    const std::string text =
        FixedWidth(std::string_view(r.params).substr(comma + 1), kStationWidth);
    if (target == "****") {
        c.state.stationId = text;
    } else {
        const auto index = ParseHex(target);
        if (target.size() != 4 || !index || *index >= kStationCount) return {NakReply(r.key)};
        c.state.stations[*index] = text;
    }
    return {ReplyFrame(r.key, target + "," + text)};
}

Reply writeSpecType(HandlerContext& c, const Request& r) {
    // Only the three known types are stored; anything else is answered with the type kept, so
    // the program's echo check sees that the write did not take.
    if (r.params == "0" || r.params == "1" || r.params == "2") c.state.specType = r.params;
    return {ReplyFrame(r.key, c.state.specType)};
}

}  // namespace

void RegisterIdentityHandlers(HandlerTable& table) {
    table["RC,R"] = [](HandlerContext& c, const Request& r) {
        return Reply{ReplyFrame(r.key, c.state.modelText)};
    };
    table["VP,R"] = [](HandlerContext& c, const Request& r) {
        return Reply{ReplyFrame(r.key, std::to_string(c.state.romNumber))};
    };
    table["VS,R"] = [](HandlerContext& c, const Request& r) {
        return Reply{ReplyFrame(r.key, c.state.sum)};
    };
    registerText(table, "IN", &SimState::serialNo, kSerialWidth);
    registerText(table, "HN", &SimState::dummySerial, kSerialWidth);
    registerText(table, "XZ", &SimState::userId, kUserIdWidth);
    registerText(table, "BS", &SimState::specNo, kSpecNoWidth);
    table["UJ,R"] = [](HandlerContext& c, const Request& r) {
        return Reply{ReplyFrame(r.key, c.state.specType)};
    };
    table["UJ,W"] = writeSpecType;
    table["XS,R"] = readStation;
    table["XS,W"] = writeStation;
}

}  // namespace vq::sim
