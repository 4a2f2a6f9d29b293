#include "app/settings_file.h"

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <utility>

#include "app/rule_reason_text.h"
#include "app/text_lines.h"
#include "messages/messages.h"
#include "model/escaped_text.h"
#include "model/held_values.h"
#include "model/instrument.h"
#include "model/line_tokenizer.h"
#include "model/numeric.h"
#include "model/record_fields.h"
#include "model/setting_rules.h"
#include "model/settings_table.h"
#include "model/text_rules.h"
#include "model/value_codecs.h"

namespace vq {

namespace {

// ---------------------------------------------------------------- writing

// "CODE,W,f1,f2,...," with a CRLF. Each field is escaped (model/escaped_text.h): a byte that is
// not printable ASCII is carried as "\xHH" and read back as that byte.
std::string commandLine(std::string_view code, const std::vector<std::string>& fields) {
    std::string line(code);
    line += ",W,";
    for (const std::string& f : fields) line += FileEscapedText(f) + ",";
    return line + "\r\n";
}

// ---------------------------------------------------------------- reading

// A file's lines end alike (CR LF as the program writes them, or LF or CR alone as another tool
// may): a line break of another kind is a break inside a text, which would cut the text and
// start a line of its own. The line it ends is named.
std::optional<std::pair<int, std::string>> lineBreakProblem(std::string_view text) {
    text = WithoutByteOrderMark(text);
    std::string_view style;
    int line = 1;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        const bool crlf = text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n';
        const std::string_view end = crlf ? "\r\n" : text[i] == '\r' ? "\r" : "\n";
        if (style.empty()) style = end;
        if (end != style)
            return std::pair{line, ResMessage(msg::FileLineBreakInside,
                                              {end == "\r" ? "CR" : "LF", style == "\r\n" ? "CR LF"
                                                                          : style == "\r" ? "CR"
                                                                                          : "LF"})};
        if (crlf) ++i;
        ++line;
    }
    return std::nullopt;
}

// Thrown inside this file only, when a field cannot be converted; caught per line.
struct BadField {
    std::string reason;
};

// Payload field k (from 1) is token k + 1; the code and the "W" come first.
class Payload {
  public:
    // The fields unescaped, each on its own: an escaped "," stays inside its field.
    explicit Payload(const LineTokenizer& tokens) {
        for (int i = 2; i < tokens.TokenCount(); ++i)
            fields_.push_back(FileUnescapedText(tokens.TokenView(i)));
    }

    int count() const { return static_cast<int>(fields_.size()); }
    bool has(int k) const { return k >= 1 && k <= count(); }
    std::string_view text(int k) const {
        if (!has(k)) throw BadField{ResMessage(msg::FileFieldMissing, {std::to_string(k)})};
        return fields_[static_cast<std::size_t>(k - 1)];
    }
    // A whole number as written: "10.44" or "1e1" would be rounded by the number reader, and a
    // settings file must bring back exactly what it says.
    int16_t decimal(int k) const {
        if (!isWholeNumber(text(k))) convert<int16_t>(k, std::nullopt, msg::FileWhatWholeNumber);
        return convert(k, ParseInt16(text(k)), msg::FileWhat16Bit);
    }
    int16_t hex16(int k) const { return convert(k, ParseHex16(text(k)), msg::FileWhatHex16); }
    // A fixed-width field of four hexadecimal digits, as the program writes it: a field cut short
    // ("001" of "001E") would otherwise be read as another number. `older` also takes the two
    // digits of an older file's field.
    std::string_view fourDigits(int k, bool older = false) const {
        const std::string_view t = text(k);
        if (t.size() != 4 && !(older && t.size() == 2))
            throw BadField{
                ResMessage(msg::FileNotFourHexDigits, {std::to_string(k), ShownText(t)})};
        return t;
    }
    int32_t hex32(int k) const { return convert(k, ParseHex32(text(k)), msg::FileWhatHex32); }
    float single(int k) const {
        std::string_view t = text(k);
        // A negative value is written as five "*" (LevelText5).
        if (TrimText(t).find_first_not_of('*') == std::string::npos && !TrimText(t).empty()) {
            return levelNoValue;
        }
        return convert(k, ParseSingle(t), msg::FileWhatNumber);
    }
    float hexSingle(int k) const {
        return convert(k, HexToSingle(text(k)), msg::FileWhatHexDigits);
    }

  private:
    static bool isWholeNumber(std::string_view text) {
        const std::string t = TrimText(text);
        std::size_t digits = t.find_first_not_of("+-") == 1 ? 1 : 0;
        if (t.size() <= digits) return false;
        return t.find_first_not_of("0123456789", digits) == std::string::npos;
    }
    template <typename T>
    T convert(int k, std::optional<T> value, int what) const {
        if (!value) {
            throw BadField{ResMessage(msg::FileFieldNotA,
                                      {std::to_string(k), ShownText(text(k)), ResMessage(what)})};
        }
        return *value;
    }
    std::vector<std::string> fields_;
};

void readGasRecords(InstrumentModel& m, const Payload& p) {
    for (int ch = 0; ch < InstrumentModel::channelCount; ++ch) {
        // The record keeps ten characters of name and a space: an eleventh would be dropped.
        const std::string_view record = p.text(ch + 1);
        if (record.size() > 10 && record[10] != ' ' && record[10] != '*')
            throw BadField{
                ResMessage(msg::FileGasNameTooLong,
                           {std::to_string(ch + 1), ShownText(TrimText(record.substr(0, 11)))})};
        if (!DecodeGasRecord(p.text(ch + 1), m, ch)) {
            throw BadField{ResMessage(msg::FileNotGasRecord, {std::to_string(ch + 1)})};
        }
    }
}

// Only a number or the no-value mark: a word such as "OVER" or "abc" would otherwise read as a
// status code or as no value, and an alarm level would silently disappear.
void readLevels(InstrumentModel& m, const Payload& p, void (InstrumentModel::*set)(int, float)) {
    for (int ch = 0; ch < InstrumentModel::channelCount; ++ch) {
        const std::string_view text = p.text(ch + 1);
        if (!LevelTextProblem(text).empty()) {
            // Not a number, or a negative one: said in the user's language.
            const std::string shown = ShownText(TrimText(text));
            throw BadField{ResMessage(
                ParseSingle(TrimText(text)) ? msg::FileLevelNegative : msg::FileLevelNotNumber,
                {std::to_string(ch + 1), shown})};
        }
        (m.*set)(ch, ParseLevel(text));
    }
}

void readLibrary(InstrumentModel& m, const Payload& p) {
    for (int e = 0; e < InstrumentModel::settingsLibraryCount; ++e) {
        const int f = 15 * e + 1;  // field f is the code "C9", skipped
        LibraryEntry entry = m.LS_Entry(e);
        entry.Name = std::string(p.text(f + 1));
        entry.FullScale = p.single(f + 2);
        entry.Digit = p.single(f + 3);
        entry.Point = DecimalPlaces(p.text(f + 3));
        entry.Unit = std::string(p.text(f + 4));
        p.fourDigits(f + 5);
        entry.elem_vol = p.hex16(f + 5);
        entry.Ratio = p.hexSingle(f + 6);
        double* coefficients[] = {&entry.Linear1_a, &entry.Linear1_b, &entry.Linear1_c,
                                  &entry.Linear1_d, &entry.Linear2_a, &entry.Linear2_b,
                                  &entry.Linear2_c, &entry.Linear2_d};
        for (int i = 0; i < 8; ++i) *coefficients[i] = p.hexSingle(f + 7 + i);
        // The five-character fields show at most three decimals: an entry with more would be
        // stored as other numbers (a resolution of 0.2222 as 0) in a file that then cannot
        // be loaded again.
        if (entry.Point > 3) {
            throw BadField{ResMessage(msg::FileResolutionDecimals,
                                      {std::to_string(e), ShownText(TrimText(p.text(f + 3)))})};
        }
        m.setLS_Entry(e, entry);
    }
}

using CodeReader = std::function<void(InstrumentModel&, const Payload&)>;

// How many fields the line of a code carries: more would be ignored, so they refuse the line.
int fieldCount(const std::string& code) {
    if (code == "GJ" || code == "A1" || code == "A2" || code == "AS" || code == "AW" ||
        code == "SA")
        return InstrumentModel::channelCount;
    if (code == "LS") return 15 * InstrumentModel::settingsLibraryCount;
    int count = 0;
    for (const Setting* member : SettingsOfCode(code)) count = std::max(count, member->field);
    return count;
}

// A setting of the settings table, read in its file form.
void readSetting(InstrumentModel& m, const Payload& p, const Setting& s) {
    switch (s.file) {
        case Form::Text10:
            if (p.has(s.field)) s.setText(m, TrimText(p.text(s.field)));
            return;
        case Form::Raw:
            if (p.has(s.field)) s.setText(m, std::string(p.text(s.field)));
            return;
        case Form::Hex4:
            p.fourDigits(s.field, s.code == "HF");
            s.setNumber(m, p.hex16(s.field));
            return;
        case Form::Hex4Of32:
            p.fourDigits(s.field);
            s.setNumber(m, p.hex32(s.field));
            return;
        default:  // Dec, and Bit (written as 1 or 0)
            s.setNumber(m, p.decimal(s.field));
            return;
    }
}

const std::map<std::string, CodeReader>& codeReaders() {
    using M = InstrumentModel;
    static const std::map<std::string, CodeReader> readers = [] {
        std::map<std::string, CodeReader> r = {
            {"GJ", readGasRecords},
            {"A1", [](M& m, const Payload& p) { readLevels(m, p, &M::setWarning); }},
            {"A2", [](M& m, const Payload& p) { readLevels(m, p, &M::setAlarm); }},
            {"AS", [](M& m, const Payload& p) { readLevels(m, p, &M::setStel); }},
            {"AW", [](M& m, const Payload& p) { readLevels(m, p, &M::setTwa); }},
            {"SA", [](M& m, const Payload& p) { readLevels(m, p, &M::setAutoCalib); }},
            {"LS", readLibrary},
        };
        for (const Setting& s : SettingsTable()) {
            if (s.field != 1) continue;
            const std::vector<const Setting*> members = SettingsOfCode(s.code);
            r[std::string(s.code)] = [members](M& m, const Payload& p) {
                for (const Setting* member : members) readSetting(m, p, *member);
            };
        }
        return r;
    }();
    return readers;
}

std::string upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

// A setting of the settings table in its file form.
std::string settingField(const InstrumentModel& m, const Setting& s) {
    switch (s.file) {
        case Form::Text10:
            return FixedText(s.text(m), 10, fileTextRule);
        case Form::Raw:
            return LineSafeText(s.text(m));
        default:
            return SettingFormText(s, s.file, m);
    }
}

}  // namespace

// The settings in the table's order; the gas table follows the identity setting, the level lists
// come before the settings written after them, the library closes the file.
std::string SettingsFileText(const InstrumentModel& m) {
    std::vector<std::string> gas;
    for (int ch = 0; ch < InstrumentModel::channelCount; ++ch)
        gas.push_back(GasRecordText(m, ch, fileTextRule));
    std::vector<std::string> library = LibraryEntryFields(m, 0, fileTextRule);
    for (std::string& f : LibraryEntryFields(m, 1, fileTextRule)) library.push_back(std::move(f));

    std::string text;
    bool levelsWritten = false;
    for (const Setting& s : SettingsTable()) {
        if (s.field != 1) continue;
        if (s.writeRank >= 100 && !levelsWritten) {
            text += commandLine("A1", LevelFields(m, LevelKind::Warning));
            text += commandLine("A2", LevelFields(m, LevelKind::Alarm));
            text += commandLine("AS", LevelFields(m, LevelKind::Stel));
            text += commandLine("AW", LevelFields(m, LevelKind::Twa));
            text += commandLine("SA", LevelFields(m, LevelKind::AutoCalib));
            levelsWritten = true;
        }
        std::vector<std::string> fields;
        for (const Setting* member : SettingsOfCode(s.code))
            fields.push_back(settingField(m, *member));
        text += commandLine(s.code, fields);
        if (s.writeRank == 1) text += commandLine("GJ", gas);
    }
    text += commandLine("LS", library);
    return text;
}

FileResult WriteSettingsFile(const InstrumentModel& model, const std::filesystem::path& path) {
    return WriteFileAtomically(path, SettingsFileText(model));
}

std::string SettingsReadResult::message() const {
    if (line > 0)
        return ResMessage(msg::FileLineReason, {file.string(), std::to_string(line), reason});
    // A file that could not be opened has a reason that names it already.
    if (reason.rfind(file.string(), 0) == 0) return reason;
    return ResMessage(msg::FileReason, {file.string(), reason});
}

namespace {
SettingsReadResult readSettingsText(InstrumentModel& model, std::string_view text, bool judge);
}  // namespace

SettingsReadResult ReadSettingsText(InstrumentModel& model, std::string_view text) {
    return readSettingsText(model, text, true);
}

SettingsReadResult ReadHeldSettingsText(InstrumentModel& model, std::string_view text) {
    return readSettingsText(model, text, false);
}

namespace {
SettingsReadResult readSettingsText(InstrumentModel& model, std::string_view text, bool judge) {
    SettingsReadResult result;
    InstrumentModel scratch = model;
    LineTokenizer tokens;
    tokens.AddDelimiters(",");
    tokens.AddComments(";");
    const auto lines = SplitLines(text);
    // Only a file of settings lines is held to one kind of line end: a file of another kind
    // (a picture chosen by mistake) is refused as having no settings lines.
    const auto isSettingsLine = [&tokens](std::string_view line) {
        return tokens.setSource(line) && tokens.TokenCount() > 0 &&
               codeReaders().count(upper(tokens.TokenView(0))) > 0;
    };
    if (const auto broken = lineBreakProblem(text);
        broken && std::any_of(lines.begin(), lines.end(), isSettingsLine)) {
        result.ok = false;
        result.line = broken->first;
        result.reason = broken->second;
        return result;
    }
    int settingLines = 0;
    std::map<std::string, int> lineOfCode;  // the line of each code read
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string reason;
        if (lines[i].find(kUtf8ByteOrderMark) != std::string_view::npos) {
            // Only the very start of a file may carry one; a second one would hide the code
            // of its line, which would then be skipped as unknown.
            result.ok = false;
            result.line = static_cast<int>(i) + 1;
            result.reason = ResMessage(msg::FileByteOrderMarkInside);
            return result;
        }
        if (!tokens.setSource(lines[i])) {
            reason = ResMessage(msg::FileTooManyFields);
        } else {
            if (tokens.TokenCount() == 0) continue;
            auto reader = codeReaders().find(upper(tokens.TokenView(0)));
            if (reader == codeReaders().end()) continue;
            try {
                if (const auto earlier = lineOfCode.find(reader->first);
                    earlier != lineOfCode.end())
                    throw BadField{
                        ResMessage(msg::FileLineGivenAgain, {std::to_string(earlier->second)})};
                const Payload payload(tokens);
                if (payload.count() > fieldCount(reader->first))
                    throw BadField{ResMessage(msg::FileFieldCount,
                                              {std::to_string(payload.count()),
                                               std::to_string(fieldCount(reader->first))})};
                reader->second(scratch, payload);
                ++settingLines;
                lineOfCode[reader->first] = static_cast<int>(i) + 1;
                continue;
            } catch (const BadField& bad) {
                reason = bad.reason;
            }
        }
        result.ok = false;
        result.line = static_cast<int>(i) + 1;
        result.reason = upper(tokens.TokenView(0)) + ": " + reason;
        return result;
    }
    if (settingLines == 0) {
        // Some other file was chosen: loading "nothing" would still mark every setting for
        // writing, and look like success.
        result.ok = false;
        result.reason = ResMessage(msg::FileNoSettingsLines);
        return result;
    }
    // Checked whole before anything is sent: a value the windows would refuse, or one the
    // instrument's fields cannot carry unchanged, is refused here with its line. Settings the
    // file does not name keep the value they had and are not its business.
    for (const SettingProblem& problem :
         judge ? CheckSettingRules(scratch, RuleScope::All) : std::vector<SettingProblem>{}) {
        auto line = lineOfCode.find(problem.code);
        // A level the file leaves alone can still break its rule through what the file does
        // change (a smaller full scale): then that line is named.
        if (line == lineOfCode.end() && !problem.dependsOn.empty())
            line = lineOfCode.find(problem.dependsOn);
        if (line == lineOfCode.end()) continue;
        result.ok = false;
        result.line = line->second;
        result.reason = line->first + ": " + ReasonText(problem.reason);
        return result;
    }
    model = std::move(scratch);
    return result;
}
}  // namespace

SettingsReadResult ImportSettingsFile(InstrumentModel& model, const std::filesystem::path& path) {
    SettingsReadResult result;
    std::string error;
    auto text = ReadWholeFile(path, error);
    if (!text) {
        result.ok = false;
        result.file = path;
        result.reason = error;
        return result;
    }
    result = ReadSettingsText(model, *text);
    result.file = path;
    if (!result.ok) return result;
    model.SetChangeFlags(true, false);
    model.setImportFlag(1);
    return result;
}

}  // namespace vq
