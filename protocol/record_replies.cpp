// Record and table replies: the gas table ("GJ,R"), the two settings library entries ("LS,R"),
// the sensor library ("LI,R") and the latest calibration history ("SO,R").

#include <string>

#include "model/instrument.h"
#include "model/numeric.h"
#include "model/ole_date.h"
#include "model/value_codecs.h"
#include "protocol/decoder_log.h"
#include "protocol/reply_rules.h"
#include "protocol/reply_values.h"

namespace vq {

namespace {

constexpr int kGasCount = InstrumentModel::channelCount;
constexpr size_t kGasRecordLength = 25;
constexpr size_t kHistoryLength = 22;
constexpr int kEntryFields = 14;

// ---- gas table ----

void gasTableRule(ReplyContext& reply, int) {
    if (reply.tokenCount() != kGasCount) {
        reply.host.AddLog(DecoderLogText(DecoderLog::FormatError));
        return;
    }
    // One record of the wrong length spoils the table before anything is stored.
    for (int gas = 0; gas < kGasCount; ++gas) {
        if (reply.token(gas).size() != kGasRecordLength) return;
    }
    for (int gas = 0; gas < kGasCount; ++gas) {
        if (!DecodeGasRecord(reply.token(gas), *reply.model, gas)) throw ConversionError{};
        // Both flags the record's setters raise: the channel now equals the instrument's.
        reply.model->clearChanged(SettingId::GasEnabled, gas);
        reply.model->clearChanged(SettingId::GasPoint, gas);
    }
    reply.accepted = true;
}

// ---- sensor library ----

// The element volume is hexadecimal in both tables; the sensor library carries it as a positive
// 16-bit number, the settings library as a 16-bit field where FFFF is -1.
enum class ElementVolume { Signed16, Positive15 };

int16_t elementVolume(std::string_view token, ElementVolume form) {
    if (form == ElementVolume::Signed16) return HexValue(token);
    auto value = ParseHex(token);
    if (!value || *value > 0x7FFF) throw ConversionError{};
    return static_cast<int16_t>(*value);
}

// The fourteen fields from token `first` on, converted in order into `entry`. A field that does
// not convert throws, leaving the fields before it converted.
void decodeEntry(const ReplyContext& reply, int first, ElementVolume form, LibraryEntry& entry) {
    auto field = [&](int n) { return reply.token(first + n - 1); };
    entry.Name = std::string(field(1));
    entry.FullScale = RealValue(field(2));
    entry.Digit = RealValue(field(3));
    entry.Point = DecimalPlaces(field(3));
    entry.Unit = std::string(field(4));
    entry.elem_vol = elementVolume(field(5), form);
    entry.Ratio = HexFloatValue(field(6));
    double* coefficients[] = {&entry.Linear1_a, &entry.Linear1_b, &entry.Linear1_c,
                              &entry.Linear1_d, &entry.Linear2_a, &entry.Linear2_b,
                              &entry.Linear2_c, &entry.Linear2_d};
    for (int i = 0; i < 8; ++i) *coefficients[i] = HexFloatValue(field(7 + i));
}

// Decodes an entry over its current value and stores it, also when a field fails part-way: the
// fields converted before the failure stay stored, as everywhere else.
template <typename Get, typename Set>
void storeEntry(const ReplyContext& reply, int first, ElementVolume form, Get get, Set set) {
    LibraryEntry entry = get();
    try {
        decodeEntry(reply, first, form, entry);
    } catch (const ConversionError&) {
        set(entry);
        throw;
    }
    set(entry);
}

// "LS,R": two entries of fifteen tokens; the first token of each is not used.
void settingsLibraryRule(ReplyContext& reply, int) {
    constexpr int kEntryTokens = kEntryFields + 1;
    if (reply.tokenCount() != InstrumentModel::settingsLibraryCount * kEntryTokens) {
        reply.host.AddLog(DecoderLogText(DecoderLog::FormatError));
        return;
    }
    InstrumentModel& m = *reply.model;
    for (int i = 0; i < InstrumentModel::settingsLibraryCount; ++i) {
        storeEntry(
            reply, kEntryTokens * i + 1, ElementVolume::Signed16, [&] { return m.LS_Entry(i); },
            [&](const LibraryEntry& e) { m.setLS_Entry(i, e); });
        m.clearChanged(SettingId::LS_Entry, i);
    }
    reply.accepted = true;
}

// "LI,R": the table number n, then the entries n and n + 15.
void sensorLibraryRule(ReplyContext& reply, int) {
    if (reply.tokenCount() != 1 + 2 * kEntryFields) {
        reply.host.AddLog(DecoderLogText(DecoderLog::FormatError));
        return;
    }
    InstrumentModel& m = *reply.model;
    int n = HexValue(reply.token(0));
    const int indexes[] = {n, n + 15};
    for (int e = 0; e < 2; ++e) {
        int index = indexes[e];  // the model refuses an index outside its table
        storeEntry(
            reply, 1 + kEntryFields * e, ElementVolume::Positive15,
            [&] { return m.LI_Entry(index); },
            [&](const LibraryEntry& entry) { m.setLI_Entry(index, entry); });
    }
    reply.accepted = true;
}

// ---- calibration history ----

bool allNumeric(std::string_view a, std::string_view b, std::string_view c) {
    return IsNumeric(a) && IsNumeric(b) && IsNumeric(c);
}

// A reading field of five characters: a "-" anywhere, or no number, means no value.
float historyReading(std::string_view field) {
    if (field.find('-') != std::string_view::npos || !IsNumeric(field)) return levelNoValue;
    return RealValue(field);
}

void storeHistory(InstrumentModel& m, int gas, std::string_view t) {
    if (allNumeric(t.substr(0, 2), t.substr(2, 2), t.substr(4, 2))) {
        // Month and day beyond their range roll over, as calendar arithmetic does.
        auto date = RollOleDate(2000 + DecValue(t.substr(0, 2)), DecValue(t.substr(2, 2)),
                                DecValue(t.substr(4, 2)), 0, 0, 0);
        if (!date) throw ConversionError{};
        m.setCalibDate(gas, *date);
    }
    if (allNumeric(t.substr(6, 2), t.substr(8, 2), t.substr(10, 2))) {
        double seconds = DecValue(t.substr(6, 2)) * 3600.0 + DecValue(t.substr(8, 2)) * 60.0 +
                         DecValue(t.substr(10, 2));
        m.setCalibDate(gas, AddDays(m.CalibDate(gas), seconds / 86400.0));
    }
    m.setCalibBefore(gas, historyReading(t.substr(12, 5)));
    m.setCalibAfter(gas, historyReading(t.substr(17, 5)));
}

// A malformed gas is skipped; the result is the mark of the last gas.
void historyRule(ReplyContext& reply, int) {
    if (reply.tokenCount() != kGasCount) return;
    for (int gas = 0; gas < kGasCount; ++gas) {
        std::string_view token = reply.token(gas);
        if (token.size() != kHistoryLength) {
            reply.accepted = false;
            continue;
        }
        storeHistory(*reply.model, gas, token);
        reply.accepted = true;
    }
}

}  // namespace

void addRecordRules(std::vector<KeyRule>& rules) {
    rules.push_back({"GJ,R", gasTableRule, 0, true});
    rules.push_back({"LS,R", settingsLibraryRule, 0, true});
    rules.push_back({"LI,R", sensorLibraryRule, 0, true});
    rules.push_back({"SO,R", historyRule, 0, true});
}

}  // namespace vq
