// Reading the configuration file: one key per line, converted field by field, each line taken
// whole or refused whole.
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "app/atomic_file.h"
#include "app/config_bounds.h"
#include "app/config_file.h"
#include "app/config_lines.h"
#include "app/password_scramble.h"
#include "app/text_lines.h"
#include "messages/messages.h"
#include "model/numeric.h"
#include "model/settings_table.h"
#include "model/value_codecs.h"

namespace vq {

namespace {

// Thrown inside this file only, when a value does not fit its field; caught per line.
struct BadValue {
    std::string reason;
};

// The largest level, resolution or full scale the instrument's five-character fields show.
constexpr double kLevelMax = 99999;

std::string boundText(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", v);
    return text;
}

// The fields of one line after its key, with the conversions and bounds of the file.
class Fields {
  public:
    explicit Fields(std::vector<std::string> tokens) : tokens_(std::move(tokens)) {}

    // Field k, counted from 1 after the key; empty when the line has fewer fields.
    const std::string& text(size_t k) const {
        static const std::string empty;
        return k < tokens_.size() ? tokens_[k] : empty;
    }
    bool isNumber(size_t k) const { return IsNumeric(text(k)); }
    // "TRUE" in any case is true, anything else false.
    bool boolean(size_t k) const { return UpperKey(text(k)) == "TRUE"; }
    // A field that is not a number takes the key's default; a number outside [low, high] (or
    // one that does not fit the type) refuses the line.
    int16_t int16(size_t k, int16_t fallback, int low, int high, const char* what = "") const {
        if (!isNumber(k)) return fallback;
        auto v = ParseInt16(text(k));
        if (!v || *v < low || *v > high) outside(k, what, low, high);
        return *v;
    }
    int32_t int32(size_t k, int32_t fallback, int64_t low, int64_t high,
                  const char* what = "") const {
        if (!isNumber(k)) return fallback;
        auto v = ParseInt32(text(k));
        if (!v || *v < low || *v > high) outside(k, what, double(low), double(high));
        return *v;
    }
    float single(size_t k, float fallback, double low, double high, const char* what = "") const {
        if (!isNumber(k)) return fallback;
        auto v = ParseSingle(text(k));
        if (!v || *v < low || *v > high) outside(k, what, low, high);
        return *v;
    }
    // An alarm level: -101 (or the older -1) for "not used", else 0 to 99999.
    float level(size_t k, const char* what) const {
        if (!isNumber(k)) return 0;
        auto v = ParseSingle(text(k));
        if (v && (*v == -1.0f || *v == levelNoValue)) return levelNoValue;
        if (!v || *v < 0 || *v > kLevelMax) {
            throw BadValue{name(k, what) + " " + text(k) +
                           " is outside 0 to 99999 (or -101, not used)"};
        }
        return *v;
    }

  private:
    // "Retry" for a key of one field, "DefaultValue1 field 2 (LCD backlight time)" otherwise.
    std::string name(size_t k, const char* what) const {
        if (*what == '\0' && tokens_.size() <= 2) return tokens_[0];
        std::string out = tokens_[0] + " field " + std::to_string(k);
        if (*what != '\0') out += std::string(" (") + what + ")";
        return out;
    }
    [[noreturn]] void outside(size_t k, const char* what, double low, double high) const {
        throw BadValue{name(k, what) + " " + text(k) + " is outside " + boundText(low) + " to " +
                       boundText(high)};
    }

    std::vector<std::string> tokens_;  // [0] is the key as written
};

void readGasInst(AppConfig& c, const Fields& f) {
    if (!f.isNumber(1)) return;
    const int ch = f.int16(1, 0, 1, configChannels, "channel") - 1;
    InstrumentModel& d = c.ConfigDefaults;
    d.setGasName(ch, f.text(2));
    d.setGasEnabled(ch, f.boolean(3));
    c.gasLocked[ch] = f.boolean(4);
    d.setGasPoint(ch, f.int16(5, 0, 0, 3, "decimal places"));
    d.setGasUnit(ch, f.text(6));
    d.setWarning(ch, f.level(7, "warning"));
    d.setAlarm(ch, f.level(8, "alarm"));
    d.setStel(ch, f.level(9, "STEL"));
    d.setTwa(ch, f.level(10, "TWA"));
    d.setResolution(ch, f.single(11, 0, 0, kLevelMax, "resolution"));
    d.setGasFullScale(ch, f.single(12, 0, 0, kLevelMax, "full scale"));
    d.setAutoCalib(ch, f.single(13, 0, 0, kLevelMax, "auto calibration"));
    c.factoryAutoCal[ch] = f.level(14, "factory auto calibration");
    c.graphColour[ch] = f.int32(15, 0, 0, 0xFFFFFF, "graph colour");
}

void readChgGas(AppConfig& c, const Fields& f) {
    if (!f.isNumber(1) || !f.isNumber(2)) return;
    const int channel = f.int16(1, 0, 1, gasTableChannels, "channel");
    const int gas = f.int16(2, 0, 1, gasTableRows, "gas number");
    GasEntry g = c.gasTable.at(gas - 1, channel - 1);
    g.name = f.text(3);
    g.enabled = f.boolean(4);
    g.locked = f.boolean(5);
    g.decimals = f.int16(6, 0, 0, 3, "decimal places");
    g.unit = f.text(7);
    g.warning = f.level(8, "warning");
    g.alarm = f.level(9, "alarm");
    g.stel = f.level(10, "STEL");
    g.twa = f.level(11, "TWA");
    g.resolution = f.single(12, 0, 0, kLevelMax, "resolution");
    g.fullScale = f.single(13, 0, 0, kLevelMax, "full scale");
    g.autoCalib = f.single(14, 0, 0, kLevelMax, "auto calibration");
    c.gasTable.at(gas - 1, channel - 1) = g;
}

void readPassword(AppConfig& c, const Fields& f) {
    auto once = UnscramblePassword(f.text(1));
    auto twice = once ? UnscramblePassword(*once) : std::nullopt;
    if (!twice) throw BadValue{"the stored password is damaged"};
    c.userPassword = *twice;
}

// Whole 16-bit values the program keeps and writes back without using them.
constexpr int kKeptLow = -32768;
constexpr int kKeptHigh = 32767;
// Window sizes and positions in twips: 200 inches either way is more than any desktop.
constexpr double kTwipsMax = 288000;

using KeyReader = std::function<void(AppConfig&, const Fields&)>;

const std::map<std::string, KeyReader>& keyReaders() {
    static const std::map<std::string, KeyReader> readers = {
        {"FACTORY RECORD SUFFIX",
         [](AppConfig& c, const Fields& f) { c.factoryRecordSuffix = f.text(1); }},
        {"EXECUTE COUNT",
         [](AppConfig& c, const Fields& f) { c.executeCount = f.int32(1, 0, 0, INT32_MAX); }},
        {"SERIAL LOG FILE",
         [](AppConfig& c, const Fields& f) { c.serialLog = UpperKey(f.text(1)) == "ON"; }},
        {"DELAY", [](AppConfig& c, const Fields& f) { c.delay = f.int16(1, 100, 0, kKeptHigh); }},
        {"TIMEOUT",
         [](AppConfig& c, const Fields& f) {
             c.timeout = f.int16(1, kTimeoutDefaultSeconds, kTimeoutMinSeconds, kTimeoutMaxSeconds);
         }},
        {"RETRY",
         [](AppConfig& c, const Fields& f) {
             c.retry = f.int16(1, kRetryDefault, kRetryMin, kRetryMax);
         }},
        {"AUTO LOAD MODE",
         [](AppConfig& c, const Fields& f) {
             c.autoLoadMode = f.boolean(1);
             c.autoRemoveData = f.boolean(2);
         }},
        {"FONT",
         [](AppConfig& c, const Fields& f) {
             c.font.name = f.text(1);
             c.font.size = f.single(2, 9, 6, 72, "size");
             c.font.bold = f.boolean(3);
             c.font.italic = f.boolean(4);
             c.font.underline = f.boolean(5);
         }},
        {"CALIB. RANGE",
         [](AppConfig& c, const Fields& f) {
             for (size_t i = 0; i < 4; ++i) c.calibRange[i] = f.int16(i + 1, 0, 0, kKeptHigh);
         }},
        {"DEFAULTVALUE1",
         [](AppConfig& c, const Fields& f) {
             InstrumentModel& d = c.ConfigDefaults;
             const Setting& calLimit = *FindSettingOf("CalLimit");
             d.setCalLimit(f.int16(1, 90, calLimit.low, calLimit.high, "calibration time limit"));
             d.setLcdBackLight(f.int16(2, 30, 1, 255, "LCD backlight time"));
             d.setAlarmMode(f.int16(3, 1, 0, 1, "alarm pattern"));
             d.setIntervals(f.int16(4, 5, 0, 600, "logging interval"));
             d.setDispCalLimit(f.int16(5, 0, 0, 1, "calibration limit display"));
             d.setCalCheck(f.int16(6, 0, 0, 2, "calibration limit check"));
         }},
        {"DEFAULTVALUE2",
         [](AppConfig& c, const Fields& f) {
             InstrumentModel& d = c.ConfigDefaults;
             d.setLogOverWrite(f.int16(1, 1, 0, 1, "logger overwrite"));
             d.setFlowValue(f.int16(2, 128, 0, kKeptHigh, "flow"));
             d.setAlarmO2(f.int16(3, 1, 0, 2, "oxygen alarm type"));
             d.setAutoZero(f.int16(4, 0, 0, 1, "auto zero adjustment"));
             d.setDemandZero(f.int16(5, 1, 0, 1, "zero adjustment on demand"));
             d.setUseUserPassword(f.int16(6, 0, 0, 1, "user password"));
         }},
        {"GAS INST", readGasInst},
        {"CONV PARAM",
         [](AppConfig& c, const Fields& f) {
             c.conversionFactor = f.single(1, 0.2f, 0.0001, 1000, "conversion factor");
         }},
        {"CHGGAS", readChgGas},
        {"SIZE VALUES",
         [](AppConfig& c, const Fields& f) {
             int16_t state = f.int16(1, 0, kKeptLow, kKeptHigh, "window state");
             c.windowState = (state == 0 || state == 2) ? state : int16_t{0};
             c.windowWidth = f.single(2, 7680, 0, kTwipsMax, "width");
             c.windowHeight = f.single(3, 5760, 0, kTwipsMax, "height");
         }},
        {"WINDOW POSITION",
         [](AppConfig& c, const Fields& f) {
             // Half a position is no position: the window is centred instead.
             c.windowPositionKnown = f.isNumber(1) && f.isNumber(2);
             c.windowLeft = f.single(1, 0, -kTwipsMax, kTwipsMax, "left");
             c.windowTop = f.single(2, 0, -kTwipsMax, kTwipsMax, "top");
         }},
        {"RECORDS", [](AppConfig& c, const Fields& f) { c.recordsLocation = f.text(1); }},
        {"INSTRUMENT PORT", [](AppConfig& c, const Fields& f) { c.instrumentPort = f.text(1); }},
        {"PRT WIDTH",
         [](AppConfig& c, const Fields& f) {
             c.printWidth[0] = f.single(1, 1, 1, 100, "data line");
             c.printWidth[1] = f.single(2, 1, 1, 100, "scale line");
         }},
        {"VQ-5100", readPassword},
        {"CALUNITONWAIT",
         [](AppConfig& c, const Fields& f) { c.calUnitOnWait = f.int16(1, 120, 0, 3600); }},
        {"CALSPANONWAIT",
         [](AppConfig& c, const Fields& f) { c.calSpanOnWait = f.int16(1, 120, 0, 3600); }},
        {"CALSPANOFFWAIT",
         [](AppConfig& c, const Fields& f) { c.calSpanOffWait = f.int16(1, 30, 0, 3600); }},
        {"COMPLETELY VIEW", [](AppConfig& c, const Fields& f) { c.completelyView = f.boolean(1); }},
        {"TREND SEARCH",
         [](AppConfig& c, const Fields& f) {
             c.trendBefore = f.int16(1, 0, kKeptLow, kKeptHigh, "before");
             c.trendAfter = f.int16(2, 0, kKeptLow, kKeptHigh, "after");
         }},
    };
    return readers;
}

// "LimitDays" is read by older programs and used by none: checked, then kept as it was read.
void checkLimitDays(AppConfig& c, const Fields& f) {
    c.calibLimitDays = f.int16(1, 0, 0, kKeptHigh);
}

// The line the program writes for `place` in `written` (its own file text), tabs shown as
// spaces; empty when it writes none.
std::map<std::string, std::string> writtenLinesByPlace(const std::string& written) {
    std::map<std::string, std::string> out;
    for (std::string_view line : SplitLines(written)) {
        auto tokens = SplitConfigLine(line);
        if (!tokens) continue;
        if (auto place = ConfigLinePlace(*tokens)) out[*place] = std::string(line);
    }
    return out;
}

std::string shownLine(std::string line) {
    for (char& c : line) {
        if (c == '\t') c = ' ';
    }
    return line;
}

}  // namespace

ConfigLoadResult ReadConfigText(AppConfig& config, std::string_view text) {
    ConfigLoadResult result;
    result.found = true;
    // Held apart while reading: each line is tried on a copy of the configuration, and these
    // can grow with the file.
    std::map<std::string, AppConfig::RefusedLine> refused;
    std::vector<std::string> kept;
    // Places an earlier line of this file set: a refused line after one of them is kept at the
    // end, so the value in use keeps its own line in its place.
    std::set<std::string> taken;
    const auto lines = SplitLines(text);
    for (size_t i = 0; i < lines.size(); ++i) {
        const int lineNumber = static_cast<int>(i) + 1;
        auto tokens = SplitConfigLine(lines[i]);
        std::string reason;
        std::optional<std::string> place;
        if (!tokens) {
            reason = "more fields than a line may hold";
        } else {
            if (tokens->size() < 2) continue;
            const std::string key = UpperKey((*tokens)[0]);
            if (key == "LIMITDAYS") {
                // Read by older programs, used by none: checked, then kept as it was written.
                try {
                    checkLimitDays(config, Fields(*tokens));
                } catch (const BadValue& bad) {
                    result.complete = false;
                    if (result.badLine == 0) result.badLine = lineNumber;
                    result.problems.push_back({lineNumber, (*tokens)[0], bad.reason, {}});
                    config.backupBeforeSave = true;
                }
                kept.emplace_back(lines[i]);
                continue;
            }
            auto reader = keyReaders().find(key);
            if (reader == keyReaders().end()) {
                // Unknown to this program (a newer one's, or mistyped): kept as it was written.
                // The lines this program writes for information only are written anew.
                if (!IsWriteOnlyConfigKey(key)) kept.emplace_back(lines[i]);
                continue;
            }
            place = ConfigLinePlace(*tokens);
            try {
                // A line is taken whole or not at all: a bad field leaves every field of it as
                // it was, and the lines after it are read as usual.
                AppConfig scratch = config;
                reader->second(scratch, Fields(*tokens));
                config = std::move(scratch);
                if (place) {
                    refused.erase(*place);
                    taken.insert(*place);
                }
                continue;
            } catch (const BadValue& bad) {
                reason = bad.reason;
            }
        }
        result.complete = false;
        if (result.badLine == 0) result.badLine = lineNumber;
        result.problems.push_back(
            {lineNumber, tokens ? (*tokens)[0] : std::string(), std::move(reason), {}});
        config.backupBeforeSave = true;
        if (place && taken.count(*place) == 0) {
            refused[*place] = {std::string(lines[i]), {}};
        } else {
            kept.emplace_back(lines[i]);
        }
    }
    // What the program uses in place of each refused line, and the lines the program writes no
    // place for (a window position not yet known, gas 17): kept at the end instead.
    const auto written = writtenLinesByPlace(PlainConfigFileText(config, 0));
    for (auto it = refused.begin(); it != refused.end();) {
        auto own = written.find(it->first);
        if (own == written.end()) {
            kept.push_back(it->second.text);
            it = refused.erase(it);
        } else {
            it->second.inUse = own->second;
            ++it;
        }
    }
    config.refusedLines = std::move(refused);
    config.keptLines = std::move(kept);
    for (ConfigProblem& problem : result.problems) {
        auto tokens = SplitConfigLine(lines[problem.line - 1]);
        auto place = tokens ? ConfigLinePlace(*tokens) : std::nullopt;
        auto own = place ? written.find(*place) : written.end();
        if (own != written.end()) problem.inUse = shownLine(own->second);
    }
    if (!result.problems.empty()) result.error = result.problems.front().text();
    return result;
}

std::string ConfigProblem::text() const {
    std::string out = "line " + std::to_string(line) + ": " + reason;
    if (!inUse.empty()) out += "; in use: " + inUse;
    return out;
}

std::string ConfigProblemMessage(const ConfigProblem& problem, const std::filesystem::path& path) {
    return ResMessage(
        msg::ConfigLineRefused,
        {path.string(), std::to_string(problem.line), problem.reason,
         problem.inUse.empty() ? ResMessage(msg::ConfigBuiltInValue) : problem.inUse});
}

ConfigLoadResult LoadConfig(AppConfig& config, const std::filesystem::path& workDir) {
    const std::filesystem::path path = ConfigFilePath(workDir);
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return {};
    std::string error;
    auto text = ReadWholeFile(path, error);
    if (!text) {
        // The file is there but none of it was taken: it must not be overwritten unseen.
        config.backupBeforeSave = true;
        ConfigLoadResult result;
        result.complete = false;
        result.error = error;
        return result;
    }
    ConfigLoadResult result = ReadConfigText(config, *text);
    if (!result.complete) result.error = path.string() + ", " + result.error;
    return result;
}

}  // namespace vq
