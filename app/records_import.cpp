#include "app/records_import.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

#include "app/rule_reason_text.h"
#include "app/settings_csv.h"
#include "app/text_lines.h"
#include "model/escaped_text.h"
#include "model/instrument.h"
#include "model/numeric.h"
#include "model/ole_date.h"
#include "model/setting_rules.h"
#include "model/settings_table.h"
#include "model/text_rules.h"

namespace vq {

namespace {

// Where the row keeps what the records need: the layout the program writes (app/settings_csv.h).
using Layout = SettingsCsvLayout;
constexpr std::size_t kAction = Layout::action, kPcTime = Layout::pcTime,
                      kInstrumentTime = Layout::instrumentTime, kSerial = Layout::serial,
                      kStation = Layout::station, kUser = Layout::user;
constexpr std::size_t kGas = Layout::gas, kFirstLevel = Layout::firstLevel,
                      kLevels = Layout::levels, kCalDate = Layout::calDate,
                      kCalBefore = Layout::calBefore, kCalAfter = Layout::calAfter;
constexpr std::size_t kMissing = static_cast<std::size_t>(-1);
// The instrument's fields: what it can hold, so what a row of its own can hold.
constexpr std::size_t kSerialLength = 20, kStationLength = 16, kUserLength = 16, kGasLength = 10;
constexpr std::string_view kNoValue = "-----";

// Splits one record (RFC 4180: a quoted field may hold commas, doubled quotes and line breaks);
// `open` tells whether a quote is still open at its end.
std::vector<std::string> splitFields(std::string_view text, bool& open) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                fields.back() += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    open = quoted;
    return fields;
}

bool quoteOpen(std::string_view text) {
    bool quoted = false;
    for (char c : text)
        if (c == '"') quoted = !quoted;  // a doubled quote flips twice
    return quoted;
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

std::string quotedText(std::string_view text) {
    return "\"" + ShownText(text) + "\"";
}

// A control character (C0, DEL) anywhere: it would reach a terminal or a file as it is.
bool hasControl(std::string_view text) {
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F) return true;
    }
    return false;
}

// A raw control character is refused; the program's own CSV writes the bytes an instrument holds
// escaped ("\xHH"), so the width is that of the text as held.
std::string textProblem(std::string_view what, std::string_view text, std::size_t length) {
    if (hasControl(text)) return std::string(what) + " holds a control character";
    if (FileUnescapedText(text).size() > length)
        return std::string(what) + " is longer than the instrument's " + std::to_string(length) +
               " characters";
    return {};
}

// What the program writes for a date the instrument has not got (its no-value date).
const std::string& noDateText() {
    static const std::string text = GeneralDate(-101.0);
    return text;
}

const double kEarliest = *MakeOleDate(2000, 1, 1, 0, 0, 0);

// A date of a row: nothing (and no problem) for the no-value forms; else within 2000 and the
// import's time plus a day.
std::string dateProblem(std::string_view what, const std::string& text, double importTime,
                        bool optional, double& date) {
    date = 0;
    if (optional && (text.empty() || text == kNoValue || text == noDateText())) return {};
    const auto parsed = ParseGeneralDate(text);
    if (!parsed) return std::string(what) + " " + quotedText(text) + " is not a date";
    if (*parsed < kEarliest) return std::string(what) + " " + quotedText(text) + " is before 2000";
    if (DaysBetween(*parsed, importTime) > 1.0)
        return std::string(what) + " " + quotedText(text) + " lies after the import's own time";
    date = *parsed;
    return {};
}

// A level as the program writes it: no value, or a number of at most five characters, >= 0.
std::string levelProblem(std::string_view what, const std::string& text, float& value) {
    value = -101.0f;
    if (text.empty() || text == kNoValue || text.find_first_not_of('*') == std::string::npos)
        return {};
    if (text.size() > 5) return std::string(what) + " " + quotedText(text) + " is longer than 5";
    // The rest of an import's refusal is English: so is its reason.
    if (const Reason reason = LevelTextProblem(text); !reason.empty())
        return std::string(what) + ": " + ReasonText(Language::English, reason);
    value = *ParseSingle(TrimText(text));
    return {};
}

// Where the program's column `column` sits in the file mapped by `columns`.
std::size_t fileColumn(const std::vector<std::size_t>& columns, std::size_t column) {
    return column < columns.size() ? columns[column] : kMissing;
}

}  // namespace

std::vector<std::size_t> SettingsCsvHeaderColumns(const std::vector<std::string>& header) {
    const SettingsCsvLayout& layout = SettingsCsvColumns();
    for (Language language : {Language::English, Language::Japanese}) {
        const std::vector<std::string> expected = SettingsCsvHeader(language);
        std::vector<std::size_t> columns(expected.size(), kMissing);
        std::size_t i = 0;
        bool fits = true;
        for (std::size_t j = 0; j < expected.size() && fits; ++j) {
            if (i < header.size() && header[i] == expected[j])
                columns[j] = i++;
            else
                fits = layout.isSetting(j);  // only a setting's column may be missing
        }
        if (fits && i == header.size()) return columns;
    }
    return {};
}

std::string RecordsImport::message(const std::filesystem::path& file) const {
    if (line == 0) return file.string() + ": " + reason;
    return file.string() + ", line " + std::to_string(line) + ": " + reason;
}

SettingsCsvHistoryReader::SettingsCsvHistoryReader(std::string file, double importTime)
    : file_(std::move(file)), importTime_(importTime) {}

bool SettingsCsvHistoryReader::refuse(int line, std::string reason) {
    result_.ok = false;
    result_.line = line;
    result_.reason = std::move(reason);
    result_.events.clear();
    pending_.clear();
    return false;
}

std::vector<RecordEvent> SettingsCsvHistoryReader::takeEvents() {
    std::vector<RecordEvent> taken;
    taken.swap(result_.events);
    return taken;
}

bool SettingsCsvHistoryReader::addLine(std::string_view line) {
    if (!result_.ok) return false;
    ++lineNumber_;
    if (lineNumber_ == 1) line = WithoutByteOrderMark(line);
    if (!IsValidUtf8(line)) return refuse(lineNumber_, "the line is not UTF-8 or Shift_JIS text");
    if (pending_.empty()) {
        recordLine_ = lineNumber_;
        if (line.empty()) return true;  // an empty line between rows
    } else {
        pending_ += '\n';
    }
    if (pending_.size() + line.size() > kMaxImportRowBytes)
        return refuse(recordLine_, "the row is longer than any row this program writes");
    pending_ += line;
    if (quoteOpen(pending_)) return true;
    std::string raw;
    raw.swap(pending_);
    bool open = false;
    std::vector<std::string> fields = splitFields(raw, open);
    return addRecord(recordLine_, raw, std::move(fields));
}

bool SettingsCsvHistoryReader::finish() {
    if (!result_.ok) return false;
    if (!pending_.empty()) return refuse(recordLine_, "a quote is not closed");
    if (!header_) return refuse(0, "the file is empty");
    return true;
}

bool SettingsCsvHistoryReader::addRecord(int line, std::string_view raw,
                                         std::vector<std::string> row) {
    const SettingsCsvLayout& layout = SettingsCsvColumns();
    if (!header_) {
        // The program's own header, in either language it writes, in its layout or an earlier
        // one: a file of another shape (whatever its width) is not a settings CSV.
        columns_ = SettingsCsvHeaderColumns(row);
        if (columns_.empty() || fileColumn(columns_, layout.columnOf("CalLimit")) == kMissing)
            return refuse(line, "not a settings CSV header (not the header this program writes, " +
                                    std::to_string(row.size()) + " columns of " +
                                    std::to_string(layout.width) + ")");
        width_ = row.size();
        header_ = true;
        return true;
    }
    if (row.size() != width_)
        return refuse(line, std::to_string(width_) + " columns expected, " +
                                std::to_string(row.size()) + " found");
    const std::string& action = row[kAction];
    if (action != "Read" && action != "Write" && action != "WriteID")
        return refuse(line, quotedText(action) + " is not Read, Write or WriteID");

    RecordEvent e;
    e.kind = action == "Read" ? RecordKind::Read : RecordKind::Write;
    e.origin = RecordOrigin::Imported;
    e.importFile = file_;
    e.importTime = importTime_;
    e.note = "settings CSV: " + action;
    std::string problem = dateProblem("the PC time", row[kPcTime], importTime_, false, e.pcTime);
    if (problem.empty())
        problem = dateProblem("the instrument time", row[kInstrumentTime], importTime_, true,
                              e.instrumentTime);
    if (problem.empty() && TrimText(row[kSerial]).empty()) problem = "the serial number is empty";
    if (problem.empty()) problem = textProblem("the serial number", row[kSerial], kSerialLength);
    if (problem.empty()) problem = textProblem("the station", row[kStation], kStationLength);
    if (problem.empty()) problem = textProblem("the user", row[kUser], kUserLength);
    if (!problem.empty()) return refuse(line, problem);
    e.serial = FileUnescapedText(TrimText(row[kSerial]));
    e.station = FileUnescapedText(TrimText(row[kStation]));
    e.user = FileUnescapedText(TrimText(row[kUser]));

    const std::string& limit = row[fileColumn(columns_, layout.columnOf("CalLimit"))];
    const bool digits = !limit.empty() && limit.size() <= 3 &&
                        limit.find_first_not_of("0123456789") == std::string::npos;
    const int days = digits ? std::stoi(limit) : 0;
    const Setting& calLimit = *FindSettingOf("CalLimit");
    if (days < calLimit.low || days > calLimit.high)
        return refuse(line, "the calibration limit " + quotedText(limit) + " is not " +
                                std::to_string(calLimit.low) + " to " +
                                std::to_string(calLimit.high) + " days");
    e.calLimit = days;

    for (int ch = 0; ch < InstrumentModel::channelCount; ++ch) {
        const std::size_t at = columns_[layout.channel(ch)];
        const std::string which = "CH" + std::to_string(ch + 1) + " ";
        ChannelRecord c;
        c.channel = ch;
        c.gas = FileUnescapedText(TrimText(row[at + kGas]));
        c.enabled = row[at + kGas] != kNoValue;
        if (c.enabled) {
            problem = textProblem(which + "gas", row[at + kGas], kGasLength);
            for (std::size_t l = 0; problem.empty() && l < kLevels; ++l) {
                float ignored = 0;
                problem = levelProblem(which + "level", row[at + kFirstLevel + l], ignored);
            }
            if (problem.empty())
                problem = dateProblem(which + "calibration date", row[at + kCalDate], importTime_,
                                      true, c.history.date);
            if (problem.empty())
                problem = levelProblem(which + "reading before calibration", row[at + kCalBefore],
                                       c.history.before);
            if (problem.empty())
                problem = levelProblem(which + "reading after calibration", row[at + kCalAfter],
                                       c.history.after);
            if (!problem.empty()) return refuse(line, problem);
        } else {
            c.gas.clear();
            c.history = {0, -101.0f, -101.0f};
        }
        c.historyBefore = c.history;
        e.channels.push_back(std::move(c));
    }
    // Two reads within one second of an unchanged instrument give the same row twice: the
    // second is the same row's next occurrence, not a duplicate. Appending to the file leaves
    // the count of earlier occurrences as it was, so the keys stay the same on a re-import.
    std::string key = "csv|" + e.serial + "|" + row[kPcTime] + "|" + digest(raw);
    const int occurrence = ++occurrences_[key];
    if (occurrence > 1) key += "|" + std::to_string(occurrence);
    e.importKey = std::move(key);
    result_.events.push_back(std::move(e));
    ++rows_;
    return true;
}

RecordsImport ReadSettingsCsvHistory(std::string_view text, const std::string& file,
                                     double importTime) {
    SettingsCsvHistoryReader reader(file, importTime > 0 ? importTime : 2958465.0);
    for (std::string_view line : SplitLines(text))
        if (!reader.addLine(line)) break;
    reader.finish();
    return reader.result();
}

}  // namespace vq
