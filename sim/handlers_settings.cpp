// The single settings and the two setting groups (bump test; backlight and buzzer). A write
// stores the value and answers with the value as stored, which the program compares with what
// it sent.

#include <optional>
#include <span>
#include <string>

#include "model/numeric.h"
#include "sim/handler_context.h"
#include "sim/wire_text.h"

namespace vq::sim {

namespace {

enum class Form {
    Dec,          // decimal both ways
    Hex,          // four hexadecimal digits both ways
    Hex32,        // eight hexadecimal digits both ways
    Bit,          // "0" or "1"; a write of any non-zero number stores 1
    DecWriteHex,  // written in decimal, read and echoed in hexadecimal
};

struct SingleSetting {
    const char* code;
    Form form;
    int Settings::*field;
    // The values the instrument takes; any other is answered with the value it keeps, as the
    // real one does, so the program's echo check sees the write did not take.
    int low;
    int high;
};

constexpr int kAny = -0x7FFFFFFF;
constexpr SingleSetting kSingles[] = {
    {"LP", Form::Dec, &Settings::hcMode, 0, 2},
    {"AP", Form::Dec, &Settings::alarmMode, 0, 1},
    {"SM", Form::Dec, &Settings::calCheck, 0, 2},
    {"XW", Form::Dec, &Settings::logOverWrite, 0, 1},
    {"UQ", Form::Dec, &Settings::autoBackLight, 0, 1},
    {"AF", Form::Dec, &Settings::alarmOnOff, 0, 1},
    {"AM", Form::Dec, &Settings::stelTwaOnOff, 0, 1},
    {"AT", Form::Dec, &Settings::alarmO2, 0, 2},
    {"SD", Form::Bit, &Settings::dispCalLimit, 0, 1},
    {"SJ", Form::Bit, &Settings::autoZero, 0, 1},
    {"SG", Form::Bit, &Settings::demandZero, 0, 1},
    {"SC", Form::Hex, &Settings::calLimit, 1, 365},
    {"XP", Form::Hex, &Settings::intervals, 10, 600},
    // Any value: the decimal request and the hexadecimal answer must agree beyond 9 as well.
    {"XB", Form::DecWriteHex, &Settings::confirmation, kAny, 0x7FFFFFFF},
    {"XT", Form::Hex, &Settings::lcdBackLight, 1, 255},
    {"HF", Form::Hex, &Settings::pressOffset, kAny, 0x7FFFFFFF},
};

std::string formatValue(Form form, int value) {
    switch (form) {
        case Form::Dec:
            return std::to_string(value);
        case Form::Bit:
            return value != 0 ? "1" : "0";
        case Form::Hex:
        case Form::DecWriteHex:
            return Hex4(value);
        case Form::Hex32:
            return Hex8(value);
    }
    return {};
}

std::optional<int> parseValue(Form form, std::string_view text) {
    switch (form) {
        case Form::Dec:
        case Form::DecWriteHex:
            return ParseInt16(text);
        case Form::Bit: {
            const auto value = ParseInt16(text);
            if (!value) return std::nullopt;
            return *value != 0 ? 1 : 0;
        }
        case Form::Hex: {
            const auto value = ParseHex(text);
            if (!value || *value > 0xFFFF) return std::nullopt;
            return static_cast<int>(static_cast<std::int16_t>(*value));
        }
        case Form::Hex32:
            return ParseHex32(text);
    }
    return std::nullopt;
}

void registerSingle(HandlerTable& table, const SingleSetting& s) {
    const std::string code = s.code;
    const Form form = s.form;
    const auto field = s.field;
    const int low = s.low;
    const int high = s.high;
    table[code + ",R"] = [form, field](HandlerContext& c, const Request& r) {
        return Reply{ReplyFrame(r.key, formatValue(form, c.state.settings.*field))};
    };
    table[code + ",W"] = [form, field, low, high](HandlerContext& c, const Request& r) {
        const auto value = parseValue(form, r.params);
        if (!value) return Reply{NakReply(r.key)};
        if (*value >= low && *value <= high) c.state.settings.*field = *value;
        return Reply{ReplyFrame(r.key, formatValue(form, c.state.settings.*field))};
    };
}

// A group member: stored only when it parses and lies in its range, as the instrument keeps
// its old value otherwise.
struct GroupMember {
    int Settings::*field;
    int low;
    int high;
};

std::string groupText(const Settings& settings, std::span<const GroupMember> members) {
    std::string text;
    for (const GroupMember& m : members) {
        if (!text.empty()) text += ',';
        text += std::to_string(settings.*(m.field));
    }
    return text;
}

Reply writeGroup(HandlerContext& c, const Request& r, std::span<const GroupMember> members) {
    const auto fields = SplitFields(r.params);
    if (fields.size() != members.size()) return {NakReply(r.key)};
    std::size_t i = 0;
    for (const GroupMember& m : members) {
        const auto value = ParseInt16(fields[i++]);
        if (value && *value >= m.low && *value <= m.high) c.state.settings.*(m.field) = *value;
    }
    return {ReplyFrame(r.key, groupText(c.state.settings, members))};
}

constexpr GroupMember kBump[] = {{&Settings::bumpTime, 0, 3},
                                 {&Settings::bumpThreshold, 0, 4},
                                 {&Settings::bumpFailCalTime, 0, 2},
                                 {&Settings::bumpFailAfter, 0, 1}};
constexpr GroupMember kBacklight[] = {
    {&Settings::lcBhMode, 0, 3}, {&Settings::bhTime, 0, 2}, {&Settings::lcBuzzer, 0, 1}};

}  // namespace

void RegisterSettingsHandlers(HandlerTable& table) {
    for (const SingleSetting& s : kSingles) registerSingle(table, s);

    table["CP,R"] = [](HandlerContext& c, const Request& r) {
        return Reply{ReplyFrame(r.key, Hex8(c.state.settings.flowLevel))};
    };
    table["CP,W"] = [](HandlerContext& c, const Request& r) {
        const auto value = ParseHex32(r.params);
        if (!value) return Reply{NakReply(r.key)};
        c.state.settings.flowLevel = *value;
        return Reply{ReplyFrame(r.key, Hex8(*value))};
    };

    const std::span<const GroupMember> bump(kBump);
    const std::span<const GroupMember> backlight(kBacklight);
    table["BU,R"] = [bump](HandlerContext& c, const Request& r) {
        return Reply{ReplyFrame(r.key, groupText(c.state.settings, bump))};
    };
    table["BU,W"] = [bump](HandlerContext& c, const Request& r) { return writeGroup(c, r, bump); };
    table["WB,R"] = [backlight](HandlerContext& c, const Request& r) {
        return Reply{ReplyFrame(r.key, groupText(c.state.settings, backlight))};
    };
    table["WB,W"] = [backlight](HandlerContext& c, const Request& r) {
        return writeGroup(c, r, backlight);
    };
}

}  // namespace vq::sim
