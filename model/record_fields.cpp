#include "model/record_fields.h"

#include <algorithm>

#include "model/held_values.h"
#include "model/instrument.h"
#include "model/value_codecs.h"

namespace vq {

namespace {

// The first field of every library entry written: the entry's type code.
constexpr std::uint32_t libraryEntryCode = 0xC9;

bool isContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Cuts `kept` (the first bytes of a longer text) where a character the cut split starts.
void dropSplitCharacter(std::string& kept, std::string_view text) {
    std::size_t keep = kept.size();
    while (keep > 0 && isContinuation(text[keep])) --keep;
    kept.resize(keep);
}

// Blanks the last character of `kept` when its lead byte announces more bytes than were kept.
void blankIncompleteCharacter(std::string& kept) {
    std::size_t start = kept.size();
    while (start > 0 && isContinuation(kept[start - 1])) --start;
    if (start == 0 || static_cast<unsigned char>(kept[start - 1]) < 0xC0) return;
    const std::size_t lead = start - 1;
    const auto b = static_cast<unsigned char>(kept[lead]);
    const std::size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : 2;
    if (kept.size() - lead < length)
        std::fill(kept.begin() + static_cast<long>(lead), kept.end(), ' ');
}

}  // namespace

std::string LineSafeText(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c == ',' || c == ';' || c == '\r' || c == '\n') c = ' ';
    }
    return out;
}

std::string FixedText(std::string_view text, std::size_t width, TextRule rule) {
    std::string out(text.substr(0, std::min(text.size(), width)));
    if (rule.blankSeparators) out = LineSafeText(out);
    if (text.size() > width) {
        if (rule.split == TextRule::SplitCharacter::DropWhenContinuedPastCut)
            dropSplitCharacter(out, text);
        else
            blankIncompleteCharacter(out);
    }
    out.resize(width, ' ');
    return out;
}

std::string HexDigits(std::uint32_t value, int digits) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string text(static_cast<std::size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i, value >>= 4)
        text[static_cast<std::size_t>(i)] = hex[value & 0xF];
    return text;
}

std::string HexText4(int value) {
    return HexDigits(static_cast<std::uint32_t>(value) & 0xFFFFu, 4);
}

float LevelValue(const InstrumentModel& model, LevelKind kind, int channel) {
    switch (kind) {
        case LevelKind::Warning:
            return model.Warning(channel);
        case LevelKind::Alarm:
            return model.Alarm(channel);
        case LevelKind::AutoCalib:
            return model.AutoCalib(channel);
        case LevelKind::Stel:
            return model.Stel(channel);
        case LevelKind::Twa:
            return model.Twa(channel);
    }
    return noValue;
}

std::vector<std::string> LevelFields(const InstrumentModel& model, LevelKind kind) {
    std::vector<std::string> fields;
    for (int ch = 0; ch < InstrumentModel::channelCount; ++ch)
        fields.push_back(LevelText5(LevelValue(model, kind, ch), model.GasPoint(ch)));
    return fields;
}

std::string GasRecordText(const InstrumentModel& model, int channel, TextRule rule) {
    if (!model.GasEnabled(channel)) return std::string(25, '*');
    const std::int16_t decimals = model.GasPoint(channel);
    return FixedText(model.GasName(channel), 11, rule) +
           HeldNumberText5(model.GasFullScale(channel), decimals) +
           HeldNumberText5(model.Resolution(channel), decimals) +
           FixedText(model.GasUnit(channel), 4, rule);
}

std::vector<std::string> LibraryEntryFields(const InstrumentModel& model, int entry,
                                            TextRule rule) {
    const LibraryEntry& e = model.LS_Entry(entry);
    std::vector<std::string> fields = {HexDigits(libraryEntryCode, 2),
                                       FixedText(e.Name, 10, rule),
                                       LevelText5(e.FullScale, e.Point),
                                       LevelText5(e.Digit, e.Point),
                                       FixedText(e.Unit, 4, rule),
                                       HexText4(e.elem_vol),
                                       SingleToHex(e.Ratio)};
    for (double c : {e.Linear1_a, e.Linear1_b, e.Linear1_c, e.Linear1_d, e.Linear2_a, e.Linear2_b,
                     e.Linear2_c, e.Linear2_d})
        fields.push_back(SingleToHex(static_cast<float>(c)));
    return fields;
}

}  // namespace vq
