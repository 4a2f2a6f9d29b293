// Gas table, sensor library and the five-gas level lists.

#include <optional>
#include <string>
#include <vector>

#include "model/held_values.h"
#include "model/numeric.h"
#include "model/value_codecs.h"
#include "sim/handler_context.h"
#include "sim/wire_text.h"

namespace vq::sim {

namespace {

constexpr std::size_t kRecordWidth = 25;
constexpr std::size_t kEntryFields = 14;
constexpr const char* kEntryMarker = "C9";  // the fixed first field of an "LS" entry

// Decimal places a level of the channel is written with; a channel without gas has none.
int16_t levelDecimals(const GasChannel& gas) {
    return static_cast<int16_t>(gas.enabled ? gas.decimals : 0);
}

std::string gasRecord(const GasChannel& gas) {
    if (!gas.enabled) return std::string(kRecordWidth, '*');
    const auto decimals = static_cast<int16_t>(gas.decimals);
    // A state that holds a negative full scale or resolution sends it with its sign, as an
    // instrument that holds one would.
    return FixedWidth(gas.name, 11) + HeldNumberText5(gas.fullScale, decimals) +
           HeldNumberText5(gas.resolution, decimals) + FixedWidth(gas.unit, 4);
}

// The record as the instrument would store it; nullopt for a malformed one.
std::optional<GasChannel> parseGasRecord(std::string_view record, GasChannel gas) {
    if (record.size() != kRecordWidth) return std::nullopt;
    if (record == std::string(kRecordWidth, '*')) {
        gas.enabled = false;
        return gas;
    }
    const auto fullScale = ParseSingle(record.substr(11, 5));
    const auto resolution = ParseSingle(record.substr(16, 5));
    if (!fullScale || !resolution || *fullScale <= 0 || *resolution <= 0) return std::nullopt;
    gas.enabled = true;
    gas.name = TrimRight(record.substr(0, 10));
    gas.fullScale = *fullScale;
    gas.resolution = *resolution;
    gas.decimals = DecimalPlaces(record.substr(16, 5));
    gas.unit = TrimRight(record.substr(21, 4));
    return gas;
}

std::string entryFields(const LibraryEntry& e) {
    const auto point = static_cast<int16_t>(e.point);
    std::string text = FixedWidth(e.name, 10) + ',' + LevelText5(e.fullScale, point) + ',' +
                       LevelText5(e.digit, point) + ',' + FixedWidth(e.unit, 4) + ',' +
                       Hex4(e.elemVol) + ',' + SingleToHex(e.ratio);
    for (float coefficient : e.linear) text += ',' + SingleToHex(coefficient);
    return text;
}

// Fourteen fields from `at`; nullopt when a number field does not convert.
std::optional<LibraryEntry> parseEntry(const std::vector<std::string>& f, std::size_t at) {
    LibraryEntry e;
    const auto fullScale = ParseSingle(f[at + 1]);
    const auto digit = ParseSingle(f[at + 2]);
    const auto elemVol = ParseHex16(f[at + 4]);
    const auto ratio = HexToSingle(f[at + 5]);
    if (!fullScale || !digit || !elemVol || !ratio || *fullScale < 0 || *digit < 0) {
        return std::nullopt;
    }
    e.name = TrimRight(f[at]);
    e.fullScale = *fullScale;
    e.digit = *digit;
    e.point = DecimalPlaces(f[at + 2]);
    e.unit = TrimRight(f[at + 3]);
    e.elemVol = static_cast<std::uint16_t>(*elemVol);
    e.ratio = *ratio;
    for (std::size_t k = 0; k < e.linear.size(); ++k) {
        const auto value = HexToSingle(f[at + 6 + k]);
        if (!value) return std::nullopt;
        e.linear[k] = *value;
    }
    return e;
}

Reply readGasTable(HandlerContext& c, const Request& r) {
    std::string payload;
    for (const GasChannel& gas : c.state.gases) {
        if (!payload.empty()) payload += ',';
        payload += gasRecord(gas);
    }
    return {ReplyFrame(r.key, payload)};
}

Reply writeGasTable(HandlerContext& c, const Request& r) {
    const auto records = SplitFields(r.params);
    if (records.size() != kGasCount) return {NakReply(r.key)};
    std::array<GasChannel, kGasCount> updated;
    for (int g = 0; g < kGasCount; ++g) {
        const auto gas = parseGasRecord(records[g], c.state.gases[g]);
        if (!gas) return {NakReply(r.key)};  // all or nothing
        updated[g] = *gas;
    }
    c.state.gases = updated;
    return readGasTable(c, r);
}

Reply readSpecial(HandlerContext& c, const Request& r) {
    return {ReplyFrame(r.key, std::string(kEntryMarker) + ',' + entryFields(c.state.special[0]) +
                                  ',' + kEntryMarker + ',' + entryFields(c.state.special[1]))};
}

Reply writeSpecial(HandlerContext& c, const Request& r) {
    auto fields = SplitFields(r.params);
    if (fields.size() == 31 && fields.back().empty()) fields.pop_back();  // closing comma
    if (fields.size() != 2 * (kEntryFields + 1)) return {NakReply(r.key)};
    const auto first = parseEntry(fields, 1);
    const auto second = parseEntry(fields, kEntryFields + 2);
    if (!first || !second) return {NakReply(r.key)};
    c.state.special = {*first, *second};
    return {AckReply(r.key)};
}

Reply readLibrary(HandlerContext& c, const Request& r) {
    const auto n = ParseHex(r.params);
    if (r.params.size() != 2 || !n || *n < 1 || *n > 15) return {NakReply(r.key)};
    return {ReplyFrame(r.key, r.params + ',' + entryFields(c.state.library[*n]) + ',' +
                                  entryFields(c.state.library[*n + 15]))};
}

using LevelField = float GasChannel::*;

Reply readLevels(HandlerContext& c, const Request& r, LevelField field) {
    std::string payload;
    for (const GasChannel& gas : c.state.gases) {
        if (!payload.empty()) payload += ',';
        payload += LevelText5(gas.*field, levelDecimals(gas));
    }
    return {ReplyFrame(r.key, payload)};
}

Reply writeLevels(HandlerContext& c, const Request& r, LevelField field) {
    const auto fields = SplitFields(r.params);
    if (fields.size() != kGasCount) return {NakReply(r.key)};
    std::array<float, kGasCount> values{};
    for (int g = 0; g < kGasCount; ++g) {
        const auto value = ParseLevelField(fields[g]);
        if (!value) return {NakReply(r.key)};
        values[g] = *value < 0 ? kNoValue : *value;
    }
    for (int g = 0; g < kGasCount; ++g) c.state.gases[g].*field = values[g];
    // The answer carries the levels as stored; the program takes an answer identical to its
    // request as proof that every level arrived.
    return readLevels(c, r, field);
}

void registerLevels(HandlerTable& table, const std::string& code, LevelField field) {
    table[code + ",R"] = [field](HandlerContext& c, const Request& r) {
        return readLevels(c, r, field);
    };
    table[code + ",W"] = [field](HandlerContext& c, const Request& r) {
        return writeLevels(c, r, field);
    };
}

}  // namespace

void RegisterGasHandlers(HandlerTable& table) {
    table["GJ,R"] = readGasTable;
    table["GJ,W"] = writeGasTable;
    table["LS,R"] = readSpecial;
    table["LS,W"] = writeSpecial;
    table["LI,R"] = readLibrary;
    registerLevels(table, "A1", &GasChannel::warning);
    registerLevels(table, "A2", &GasChannel::alarm);
    registerLevels(table, "AS", &GasChannel::stel);
    registerLevels(table, "AW", &GasChannel::twa);
    registerLevels(table, "SA", &GasChannel::autoCal);
}

}  // namespace vq::sim
