#include "app/records_import.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include "app/settings_csv.h"
#include "app/text_lines.h"
#include "model/escaped_text.h"
#include "model/numeric.h"
#include "model/ole_date.h"

namespace vq {

namespace {

// Where the row keeps what the records need (app/settings_csv.cpp writes them so).
constexpr std::size_t kAction = 0, kPcTime = 1, kInstrumentTime = 2, kSerial = 3, kStation = 7,
                      kUser = 8, kCalLimit = 10, kChannels = 33, kChannelWidth = 9;
constexpr std::size_t kCalDate = 6, kCalBefore = 7, kCalAfter = 8;

struct CsvRecord {
    int line = 0;  // where it starts
    std::string raw;
    std::vector<std::string> fields;
};

// RFC 4180: a quoted field may hold commas, doubled quotes and line breaks. An unclosed quote is
// reported by the caller through `open`.
std::vector<CsvRecord> splitRecords(std::string_view text, bool& open) {
    std::vector<CsvRecord> records;
    CsvRecord current;
    std::string field;
    bool quoted = false;
    bool any = false;
    int line = 1;
    current.line = 1;
    auto endRecord = [&] {
        current.fields.push_back(std::move(field));
        field.clear();
        records.push_back(std::move(current));
        current = CsvRecord{};
        any = false;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (!any) current.line = line;
        any = true;
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                current.raw += "\"\"";
                ++i;
                continue;
            }
            if (c == '"') {
                quoted = false;
            } else {
                if (c == '\n') ++line;
                field += c;
            }
            current.raw += c;
            continue;
        }
        if (c == '"') {
            quoted = true;
            current.raw += c;
        } else if (c == ',') {
            current.fields.push_back(std::move(field));
            field.clear();
            current.raw += c;
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            ++line;
            endRecord();
        } else {
            field += c;
            current.raw += c;
        }
    }
    open = quoted;
    if (any) endRecord();
    return records;
}

// 64-bit FNV-1a: short keys for long rows; the serial number and the time go in as they are.
std::string digest(std::string_view text) {
    std::uint64_t hash = 1469598103934665603ull;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return hex;
}

float levelValue(const std::string& text) {
    if (text.find('-') != std::string::npos || !IsNumeric(text)) return -101.0f;
    return static_cast<float>(std::strtod(text.c_str(), nullptr));
}

}  // namespace

std::string RecordsImport::message(const std::filesystem::path& file) const {
    if (line == 0) return file.string() + ": " + reason;
    return file.string() + ", line " + std::to_string(line) + ": " + reason;
}

RecordsImport ReadSettingsCsvHistory(std::string_view text) {
    RecordsImport result;
    auto refuse = [&result](int line, std::string reason) {
        result.ok = false;
        result.line = line;
        result.reason = std::move(reason);
        result.events.clear();
        return result;
    };
    bool open = false;
    const std::vector<CsvRecord> records = splitRecords(WithoutByteOrderMark(text), open);
    if (records.empty()) return refuse(0, "the file is empty");
    const std::string columns = std::to_string(settingsCsvColumns);
    std::map<std::string, int> occurrences;
    if (records.front().fields.size() != settingsCsvColumns)
        return refuse(1, "not a settings CSV header (" + columns + " columns expected, " +
                             std::to_string(records.front().fields.size()) + " found)");
    for (std::size_t r = 1; r < records.size(); ++r) {
        const CsvRecord& row = records[r];
        if (row.fields.size() == 1 && row.fields.front().empty()) continue;  // an empty line
        if (open && r + 1 == records.size()) return refuse(row.line, "a quote is not closed");
        if (row.fields.size() != settingsCsvColumns)
            return refuse(row.line, columns + " columns expected, " +
                                        std::to_string(row.fields.size()) + " found");
        const std::string& action = row.fields[kAction];
        if (action != "Read" && action != "Write" && action != "WriteID")
            return refuse(row.line, "\"" + action + "\" is not Read, Write or WriteID");
        const auto pcTime = ParseGeneralDate(row.fields[kPcTime]);
        if (!pcTime) return refuse(row.line, "\"" + row.fields[kPcTime] + "\" is not a date");

        RecordEvent e;
        e.kind = action == "Read" ? RecordKind::Read : RecordKind::Write;
        e.note = "settings CSV: " + action;
        e.pcTime = *pcTime;
        e.instrumentTime = ParseGeneralDate(row.fields[kInstrumentTime]).value_or(0.0);
        // Texts the CSV carries escaped ("\xHH", app/settings_csv.cpp) come back as the bytes held.
        e.serial = FileUnescapedText(row.fields[kSerial]);
        e.station = FileUnescapedText(row.fields[kStation]);
        e.user = FileUnescapedText(row.fields[kUser]);
        if (IsNumeric(row.fields[kCalLimit]))
            e.calLimit = static_cast<int>(std::strtol(row.fields[kCalLimit].c_str(), nullptr, 10));
        for (int ch = 0; ch < 5; ++ch) {
            const std::size_t at = kChannels + kChannelWidth * static_cast<std::size_t>(ch);
            ChannelRecord c;
            c.channel = ch;
            c.gas = FileUnescapedText(row.fields[at]);
            c.enabled = c.gas != "-----";
            c.history.date = ParseGeneralDate(row.fields[at + kCalDate]).value_or(0.0);
            c.history.before = levelValue(row.fields[at + kCalBefore]);
            c.history.after = levelValue(row.fields[at + kCalAfter]);
            c.historyBefore = c.history;
            e.channels.push_back(std::move(c));
        }
        // Two reads within one second of an unchanged instrument give the same row twice: the
        // second is the same row's next occurrence, not a duplicate. Appending to the file leaves
        // the count of earlier occurrences as it was, so the keys stay the same on a re-import.
        std::string key = "csv|" + e.serial + "|" + row.fields[kPcTime] + "|" + digest(row.raw);
        const int occurrence = ++occurrences[key];
        if (occurrence > 1) key += "|" + std::to_string(occurrence);
        e.importKey = std::move(key);
        result.events.push_back(std::move(e));
    }
    return result;
}

RecordsImport ReadSettingsCsvHistoryFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        RecordsImport result;
        result.ok = false;
        result.reason = "the file cannot be read";
        return result;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return ReadSettingsCsvHistory(text.str());
}

}  // namespace vq
