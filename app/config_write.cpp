// Writing the configuration file: the fixed layout, line by line, and the crash-safe save.
#include <algorithm>
#include <limits>

#include "app/atomic_file.h"
#include "app/config_file.h"
#include "app/config_lines.h"
#include "app/password_scramble.h"
#include "app/text_lines.h"
#include "messages/messages.h"
#include "model/ole_date.h"
#include "model/value_codecs.h"

namespace vq {

namespace {

constexpr const char* crlf = "\r\n";
constexpr char tab = '\t';

// A tab, line break or quote inside a text would split or end the field when read back; the
// line format has no escape for them, so they are left out.
std::string fieldSafe(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c != '\t' && c != '\r' && c != '\n' && c != '\'') out.push_back(c);
    }
    return out;
}

std::string quotedField(std::string_view text) {
    return "'" + fieldSafe(text) + "'";
}

// An unquoted text field; quoted only when a ";" would otherwise start a comment.
std::string plain(std::string_view text) {
    std::string safe = fieldSafe(text);
    return safe.find(';') == std::string::npos ? safe : "'" + safe + "'";
}

// An empty password is stored as an empty quoted field: a line with no field at all is skipped
// by the reader, and the password would come back as the one held before reading.
std::string storedPassword(const std::string& password) {
    return password.empty() ? "''" : ScramblePassword(ScramblePassword(password));
}

std::string TrueFalse(bool v) {
    return v ? "True" : "False";
}
std::string TRUEFALSE(bool v) {
    return v ? "TRUE" : "FALSE";
}

class Lines {
  public:
    Lines& line(std::string_view text = {}) {
        out_.append(text);
        out_.append(crlf);
        return *this;
    }
    // "Key<TAB>f1<TAB>f2..."
    template <typename... Fields>
    Lines& key(std::string_view key, const Fields&... fields) {
        std::string text(key);
        ((text += tab, text += field(fields)), ...);
        return line(text);
    }
    std::string take() { return std::move(out_); }

  private:
    static std::string field(const std::string& s) { return s; }
    static std::string field(const char* s) { return s; }
    static std::string field(float v) { return SingleText(v); }
    static std::string field(int v) { return std::to_string(v); }
    static std::string field(int16_t v) { return std::to_string(v); }
    static std::string field(int64_t v) { return std::to_string(v); }

    std::string out_;
};

// The maker line names the company of the language in use, as the start window does.
std::string makerLine() {
    return ";                 " +
           ResMessage(LanguageTag() == "EN" ? msg::MakerOverseas : msg::MakerDomestic);
}

void writeHeader(Lines& out, const AppConfig& c, double now) {
    out.line(";")
        .line(";            VQ-5100 Data logger program")
        .line(";      Last update = " + GeneralDate(now))
        .line(";         Delimiter is tab,comma(,) character")
        .line(";           This file is changed set menu")
        .line(";")
        .line(makerLine())
        .line(";")
        .line();
    // Saturates rather than wrapping to a negative count.
    int64_t count = static_cast<int64_t>(c.executeCount) + 1;
    out.key("Execute Count", std::min<int64_t>(count, std::numeric_limits<int32_t>::max()));
    out.key("Serial Log File", c.serialLog ? "ON" : "OFF");
    out.key("Factory Record Suffix", plain(c.factoryRecordSuffix));
    out.key("IrCOMM Num", c.portNumber);
    out.key("COMM Settings", plain(c.portSettings));
    // Written as held: a retry of 0 (one try, no resend) is a setting, not a gap to fill.
    out.key("Timeout", c.timeout);
    out.key("Delay", c.delay);
    out.key("Retry", c.retry);
    out.line().line("; Formats = Autoload enable, Auto remove data enable").line(";");
    out.key("Auto Load Mode", TrueFalse(c.autoLoadMode), TrueFalse(c.autoRemoveData));
    out.line()
        .line(";")
        .line("; Formats = Name , Size , Bold , Italic , Underline (Font setting)")
        .line(";");
    out.key("Font", quotedField(c.font.name), c.font.size, TrueFalse(c.font.bold),
            TrueFalse(c.font.italic), TrueFalse(c.font.underline));
    out.line()
        .line("; Formats = Scale , Back , Cursor (RGB) (Color datas), Gas1, Gas2, Gas3, Gas4")
        .line(";");
    out.key("Graph Color", 0, 0, 0, 0, 1, 0, 0);
    out.line()
        .line("; Formats = Gas1...Gas4 (Calibration Range ... Serial Value Format)")
        .line(";");
    out.key("Calib. Range", c.calibRange[0], c.calibRange[1], c.calibRange[2], c.calibRange[3]);
}

void writeDefaults(Lines& out, const AppConfig& c) {
    const InstrumentModel& d = c.ConfigDefaults;
    out.line()
        .line()
        .line(";")
        .line("; Gas Instrument Information.")
        .line("; CalibLimit, BackLightTime, AlarmPattern, IntervalCycle, Cal Disp,  Cal Proc");
    out.key("DefaultValue1", d.CalLimit(), d.LcdBackLight(), d.AlarmMode(), d.Intervals(),
            d.DispCalLimit(), d.CalCheck());
    out.line("; Overwrite, FlowDA, Oxy alarm type, Auto Zero, Demand Zero, Enabled UserPassword");
    out.key("DefaultValue2", d.LogOverWrite(), d.FlowValue(), d.AlarmO2(), d.AutoZero(),
            d.DemandZero(), d.UseUserPassword());
    out.line(";")
        .line("; Gas Instrument Information.")
        .line(
            "; Format = No , Name , Enabled , Locked , Points , Unit , Warning , Alarm , STEL ,"
            " TWA , Digit , FullSacle , AutoCal ,  Fact AutoCal. , GraphColor")
        .line(";");
    for (int ch = 0; ch < configChannels; ++ch) {
        out.key("Gas Inst", ch + 1, quotedField(d.GasName(ch)), TRUEFALSE(d.GasEnabled(ch)),
                TrueFalse(c.gasLocked[ch]), d.GasPoint(ch), quotedField(d.GasUnit(ch)),
                d.Warning(ch), d.Alarm(ch), d.Stel(ch), d.Twa(ch), d.Resolution(ch),
                d.GasFullScale(ch), d.AutoCalib(ch), c.factoryAutoCal[ch], c.graphColour[ch]);
    }
    out.line();
    out.key("Conv Param", c.conversionFactor, "False");
}

void writeGasTable(Lines& out, const AppConfig& c) {
    out.line()
        .line(";")
        .line(";Changed Gas Lists")
        .line(
            "; Format = GasNo , No , Name , Enabled , Locked , Points , Unit , Warning , Alarm ,"
            " STEL , TWA , Digit , FullSacle , AutoCal")
        .line(";");
    // Channels 1-5 and gas numbers 1-16 are what the gas selection can offer.
    for (int ch = 0; ch < configChannels; ++ch) {
        out.line("; GasNo " + std::to_string(ch + 1));
        for (int row = 0; row < 16; ++row) {
            const GasEntry& g = c.gasTable.at(row, ch);
            out.key("ChgGas", ch + 1, row + 1, quotedField(g.name), TRUEFALSE(g.enabled),
                    TrueFalse(g.locked), g.decimals, quotedField(g.unit), g.warning, g.alarm,
                    g.stel, g.twa, g.resolution, g.fullScale, g.autoCalib);
        }
    }
}

void writeTail(Lines& out, const AppConfig& c) {
    out.line("; Calibration Timer 1 : Cal.Unit On After Zero Calib, Bitween wait time.");
    out.key("CalUnitOnWait", c.calUnitOnWait);
    out.line("; Calibration Timer 2 : Span Gas valve On To Span Calib, Bitween wait time.");
    out.key("CalSpanOnWait", c.calSpanOnWait);
    out.line("; Calibration Timer 3 : Span valve Off After Cal.Unit Off, Bitween wait time.");
    out.key("CalSpanOffWait", c.calSpanOffWait);
    out.line().line("; ").line("; Format = SerialNo,StationID,UserID");
    out.key("Data Select", "False", "False", "False");
    out.line()
        .line(";")
        .line("; Formats = Form status , Form Width , Form Height (Twips value)")
        .line(";");
    out.key("Size Values", c.windowState, c.windowWidth, c.windowHeight);
    if (c.windowPositionKnown) {
        out.line().line("; Formats = Form Left , Form Top (Twips value)").line(";");
        out.key("Window Position", c.windowLeft, c.windowTop);
    }
    if (!c.recordsLocation.empty()) {
        out.line()
            .line("; Format = records database file, or postgresql://USER@HOST:PORT/DB")
            .line(";");
        out.key("Records", c.recordsLocation);
    }
    if (!c.instrumentPort.empty()) {
        out.line()
            .line("; Format = serial:DEVICE or socket:HOST:PORT (chosen with Port...)")
            .line(";");
        out.key("Instrument Port", plain(c.instrumentPort));
    }
    out.line().line("; Formats = Printing Data Line Width, Printing Scale Line Width").line(";");
    out.key("Prt Width", c.printWidth[0], c.printWidth[1]);
    out.line().line(";").line("; Format = True or False").line(";");
    out.key("Completely View", TrueFalse(c.completelyView));
    out.line().line("; ; Format = Before Event , After Event").line(";");
    out.key("Trend Search", c.trendBefore, c.trendAfter);
    out.line().line(";");
    out.key("VQ-5100", storedPassword(c.userPassword));
}

}  // namespace

std::filesystem::path ConfigFilePath(const std::filesystem::path& workDir) {
    return workDir / configFileName;
}

std::string PlainConfigFileText(const AppConfig& config, double now) {
    Lines out;
    writeHeader(out, config, now);
    writeDefaults(out, config);
    writeGasTable(out, config);
    writeTail(out, config);
    return out.take();
}

std::string ConfigFileText(const AppConfig& config, double now) {
    const std::string plain = PlainConfigFileText(config, now);
    if (config.refusedLines.empty() && config.keptLines.empty()) return plain;
    std::string out;
    out.reserve(plain.size() + 256);
    for (std::string_view line : SplitLines(plain)) {
        std::string_view chosen = line;
        if (!line.empty() && line.front() != ';') {
            // A refused line stays while the program's own line for its place is what it used
            // in its stead at load: the setting has not been changed since.
            const auto fields = SplitConfigLine(line);
            const auto place = fields ? ConfigLinePlace(*fields) : std::nullopt;
            const auto refused =
                place ? config.refusedLines.find(*place) : config.refusedLines.end();
            if (refused != config.refusedLines.end() && refused->second.inUse == line)
                chosen = refused->second.text;
        }
        out.append(chosen);
        out.append(crlf);
    }
    if (!config.keptLines.empty()) {
        out.append(crlf);
        out.append("; Lines this program does not use, kept as they were read");
        out.append(crlf);
        for (const std::string& line : config.keptLines) {
            out.append(line);
            out.append(crlf);
        }
    }
    return out;
}

ConfigSaveResult SaveConfig(AppConfig& config, const std::filesystem::path& workDir, double now) {
    ConfigSaveResult result;
    const std::filesystem::path path = ConfigFilePath(workDir);
    std::error_code ec;
    if (config.backupBeforeSave && std::filesystem::exists(path, ec)) {
        std::filesystem::path backup = path;
        backup += ".bak";
        FileResult copied = CopyFileAtomically(path, backup, {.ownerOnly = true});
        if (!copied) {
            // Without a backup the lines that were not read would be lost: keep the old file.
            result.ok = false;
            result.error = copied.error;
            return result;
        }
        result.backupPath = backup;
    }
    config.backupBeforeSave = false;
    FileResult written =
        WriteFileAtomically(path, ConfigFileText(config, now), {.ownerOnly = true});
    if (!written) {
        result.ok = false;
        result.error = written.error;
    }
    return result;
}

}  // namespace vq
