#include "app/settings_csv.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <stdexcept>

#include "app/text_lines.h"
#include "messages/messages.h"
#include "model/escaped_text.h"
#include "model/instrument.h"
#include "model/numeric.h"
#include "model/ole_date.h"
#include "model/setting_rules.h"
#include "model/settings_table.h"
#include "model/value_codecs.h"

namespace vq {

namespace {

// A text the instrument holds, escaped as the settings file escapes it (model/escaped_text.h): a
// byte that is not printable ASCII as "\xHH" and a backslash as "\x5C", so the file stays clean
// text, shows every byte the instrument holds, and the records import gets those bytes back.
std::string heldText(std::string_view text) {
    return FileEscapedText(text);
}

std::string shownText(const Setting& s, const InstrumentModel& m) {
    ShownValue shown = SettingShownValue(s, m);
    return shown.messageId != 0 ? ResMessage(shown.messageId) : heldText(shown.text);
}

// The nine columns of each gas channel.
constexpr int channelLabelIds[] = {
    msg::GasColumn,         msg::WarningColumn,       msg::AlarmColumn,
    msg::StelColumn,        msg::TwaColumn,           msg::AutoCalColumn,
    msg::LastCalDateColumn, msg::BeforeLastCalColumn, msg::AfterLastCalColumn};

constexpr const char* noValueText = "-----";

// Names tried for the rows of a new width before the export gives up.
constexpr int kMaxSetAsideNames = 100;

// The text of code `value` in a fixed list; empty for a code outside it.
std::string listText(int value, std::initializer_list<const char*> texts) {
    if (value < 0 || value >= static_cast<int>(texts.size())) return {};
    return texts.begin()[value];
}

// "00012"; a negative number keeps its sign in front of the five digits.
std::string fiveDigits(int32_t value) {
    std::string digits = std::to_string(std::llabs(static_cast<long long>(value)));
    if (digits.size() < 5) digits.insert(0, 5 - digits.size(), '0');
    return value < 0 ? "-" + digits : digits;
}

// The instrument clock: now less the offset the read measured; now when there is no offset.
std::string instrumentTime(const InstrumentModel& m, double now) {
    double offset = m.SysDateOffset();
    if (std::isfinite(offset)) {
        std::string text = GeneralDate(AddDays(now, -offset));
        if (!text.empty()) return text;
    }
    return GeneralDate(now);
}

void addChannelColumns(std::vector<std::string>& row, const InstrumentModel& m, int ch) {
    if (!m.GasEnabled(ch)) {
        row.insert(row.end(), 9, noValueText);
        return;
    }
    const int16_t points = m.GasPoint(ch);
    row.push_back(heldText(m.GasName(ch)));
    row.push_back(LevelText5(m.Warning(ch), points));
    row.push_back(LevelText5(m.Alarm(ch), points));
    row.push_back(LevelText5(m.Stel(ch), points));
    row.push_back(LevelText5(m.Twa(ch), points));
    row.push_back(LevelText5(m.AutoCalib(ch), points));
    row.push_back(GeneralDate(m.CalibDate(ch)));
    row.push_back(LevelText5(m.CalibBefore(ch), points));
    row.push_back(LevelText5(m.CalibAfter(ch), points));
}

bool needsQuotes(std::string_view field) {
    return field.find_first_of(",\"\r\n") != std::string_view::npos;
}

// A suffix is part of a file name in the working folder; a separator would leave the folder, and
// a control character (a terminal escape sequence among them) has no place in a file name.
bool validSuffix(std::string_view suffix) {
    for (char c : suffix) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 32 || code == 127) return false;
    }
    return suffix.find_first_of("/\\") == std::string_view::npos && suffix != "." && suffix != "..";
}

}  // namespace

SettingsCsvLayout SettingsCsvLayoutOf(std::span<const Setting> rows, std::string& error) {
    error.clear();
    std::vector<const Setting*> placed;
    for (const Setting& s : rows)
        if (s.csvColumn > 0) placed.push_back(&s);
    std::sort(placed.begin(), placed.end(),
              [](const Setting* a, const Setting* b) { return a->csvColumn < b->csvColumn; });
    SettingsCsvLayout layout;
    // The places run on without a gap from the identity columns to the channels, and from the
    // stations to the end; csvColumn counts from 1.
    std::size_t next = SettingsCsvLayout::identityColumns;
    std::size_t i = 0;
    for (; i < placed.size() && static_cast<std::size_t>(placed[i]->csvColumn) == next + 1;
         ++i, ++next)
        layout.before.push_back(placed[i]);
    layout.firstChannel = next;
    layout.firstStation = layout.channel(InstrumentModel::channelCount);
    next = layout.firstStation + InstrumentModel::stationCount;
    for (; i < placed.size(); ++i, ++next) {
        if (static_cast<std::size_t>(placed[i]->csvColumn) != next + 1) {
            error = std::string(placed[i]->prop) + " is placed at column " +
                    std::to_string(placed[i]->csvColumn) + ", the next free column is " +
                    std::to_string(next + 1);
            return {};
        }
        layout.after.push_back(placed[i]);
    }
    layout.width = next;
    return layout;
}

const SettingsCsvLayout& SettingsCsvColumns() {
    static const SettingsCsvLayout layout = [] {
        std::string error;
        SettingsCsvLayout built = SettingsCsvLayoutOf(SettingsTable(), error);
        if (!error.empty()) throw std::logic_error("settings CSV: " + error);
        return built;
    }();
    return layout;
}

std::size_t SettingsCsvLayout::columnOf(std::string_view prop) const {
    for (std::size_t i = 0; i < before.size(); ++i)
        if (before[i]->prop == prop) return identityColumns + i;
    for (std::size_t i = 0; i < after.size(); ++i)
        if (after[i]->prop == prop) return firstStation + InstrumentModel::stationCount + i;
    return width;
}

bool SettingsCsvLayout::isSetting(std::size_t column) const {
    return (column >= identityColumns && column < firstChannel) ||
           (column >= firstStation + InstrumentModel::stationCount && column < width);
}

std::filesystem::path SettingsCsvPath(const std::filesystem::path& workDir,
                                      std::string_view suffix) {
    return workDir / ("VQ5100_Setting" + std::string(suffix) + ".csv");
}

std::vector<std::string> SettingsCsvHeader(Language language) {
    const auto text = [language](int id, const std::vector<std::string>& args = {}) {
        return ResMessage(language, id, args);
    };
    std::vector<std::string> header = {text(msg::ActionHeading),
                                       text(msg::PcDateTimeCaption),
                                       text(msg::InstrumentDateTimeCaption),
                                       text(msg::SerialNoHeading),
                                       text(msg::ManufactureNumberLabel),
                                       "ROM",
                                       "SUM",
                                       text(msg::StationIdHeading),
                                       text(msg::UserIdHeading)};
    const SettingsCsvLayout& layout = SettingsCsvColumns();
    for (const Setting* s : layout.before) header.push_back(text(s->caption));
    for (int ch = 0; ch < InstrumentModel::channelCount; ++ch) {
        for (int id : channelLabelIds) header.push_back(text(id));
    }
    for (int i = 1; i <= InstrumentModel::stationCount; ++i) {
        header.push_back(text(msg::StationHeading, {std::to_string(i)}));
    }
    for (const Setting* s : layout.after) header.push_back(text(s->caption));
    return header;
}

std::vector<std::string> SettingsCsvHeader() {
    return SettingsCsvHeader(currentLanguage());
}

std::vector<std::string> SettingsCsvRow(const InstrumentModel& m, CsvAction action, double now) {
    const SettingsCsvLayout& layout = SettingsCsvColumns();
    std::vector<std::string> row;
    row.reserve(layout.width);
    row.push_back(listText(static_cast<int>(action), {"Read", "Write", "WriteID"}));
    row.push_back(GeneralDate(now));
    row.push_back(instrumentTime(m, now));
    row.push_back(heldText(m.SerialNo()));
    row.push_back(heldText(m.DummySerial()));
    row.push_back(fiveDigits(m.RomNumber()));
    row.push_back(heldText(m.SUM()));
    row.push_back(heldText(m.StationID()));
    row.push_back(heldText(m.UserID()));
    for (const Setting* s : layout.before) row.push_back(shownText(*s, m));
    for (int ch = 0; ch < InstrumentModel::channelCount; ++ch) addChannelColumns(row, m, ch);
    for (int i = 0; i < InstrumentModel::stationCount; ++i)
        row.push_back(heldText(m.StationList(i)));
    for (const Setting* s : layout.after) row.push_back(shownText(*s, m));
    return row;
}

std::string CsvLine(const std::vector<std::string>& fields) {
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) line += ',';
        const std::string& f = fields[i];
        if (!needsQuotes(f)) {
            line += f;
            continue;
        }
        line += '"';
        for (char c : f) {
            if (c == '"') line += '"';
            line += c;
        }
        line += '"';
    }
    return line + "\r\n";
}

std::size_t CsvHeaderWidth(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return 0;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    // A first line without a line end is no header of ours (a crash never leaves one): the
    // file is appended to as it is.
    if (!in || !std::getline(in, line) || in.eof()) return 0;
    line = std::string(WithoutByteOrderMark(line));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) return 0;
    std::size_t fields = 1;
    bool quoted = false;
    for (char c : line) {
        if (c == '"') quoted = !quoted;  // a doubled quote flips twice
        if (c == ',' && !quoted) ++fields;
    }
    return fields;
}

SettingsCsvTarget SettingsCsvTargetOf(const std::filesystem::path& workDir,
                                      std::string_view suffix) {
    const std::size_t width = SettingsCsvColumns().width;
    SettingsCsvTarget target{SettingsCsvPath(workDir, suffix), {}, 0};
    const std::size_t found = CsvHeaderWidth(target.path);
    if (found == 0 || found == width) return target;
    target.setAside = target.path;
    target.setAsideWidth = found;
    const std::string stem = "VQ5100_Setting" + std::string(suffix) + "_" + std::to_string(width);
    for (int n = 1; n <= kMaxSetAsideNames; ++n) {
        target.path = workDir / (stem + (n == 1 ? "" : "_" + std::to_string(n)) + ".csv");
        const std::size_t w = CsvHeaderWidth(target.path);
        if (w == 0 || w == width) return target;
    }
    target.path.clear();  // every name taken by a file of yet another width
    return target;
}

SettingsCsvExport ExportSettingsRecord(const InstrumentModel& model, CsvAction action,
                                       const std::filesystem::path& workDir,
                                       std::string_view suffix, double now) {
    SettingsCsvExport done;
    if (!validSuffix(suffix)) {
        done.result = FileResult::failure(ResMessage(msg::BadFileNameCharacter) + " (" +
                                          ShownText(suffix) + ")");
        return done;
    }
    const SettingsCsvTarget target = SettingsCsvTargetOf(workDir, suffix);
    if (target.path.empty()) {
        done.result = FileResult::failure(
            ResMessage(msg::CsvNoFreeName, {SettingsCsvPath(workDir, suffix).string()}));
        return done;
    }
    done.file = target.path;
    if (!target.setAside.empty()) {
        const auto shown = [](const std::filesystem::path& p) {
            return std::filesystem::absolute(p).lexically_normal().string();
        };
        done.notice = ResMessage(msg::CsvOtherWidthSetAside,
                                 {shown(target.setAside), std::to_string(target.setAsideWidth),
                                  std::to_string(SettingsCsvColumns().width), shown(target.path)});
    }
    // The mark goes in front of the header, so only a new file gets it.
    done.result = AppendFileAtomically(
        target.path, std::string(kUtf8ByteOrderMark) + CsvLine(SettingsCsvHeader()),
        CsvLine(SettingsCsvRow(model, action, now)));
    return done;
}

FileResult ExportSettingsRow(const InstrumentModel& model, CsvAction action,
                             const std::filesystem::path& workDir, std::string_view suffix,
                             double now) {
    return ExportSettingsRecord(model, action, workDir, suffix, now).result;
}

}  // namespace vq
