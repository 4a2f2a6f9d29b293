// Reading the configuration file: one key per line, converted field by field.
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "app/atomic_file.h"
#include "app/config_file.h"
#include "app/password_scramble.h"
#include "app/text_lines.h"
#include "model/numeric.h"
#include "model/token.h"

namespace vq {

namespace {

std::string upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

// Thrown inside this file only, when a value does not fit its field; caught per line.
struct BadValue {
    std::string reason;
};

// The fields of one line after its key, with the conversions of the file.
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
    bool boolean(size_t k) const { return upper(text(k)) == "TRUE"; }
    // A field that is not a number takes the key's default; a number that does not fit the
    // type ends the reading.
    int16_t int16(size_t k, int16_t fallback) const {
        if (!isNumber(k)) return fallback;
        auto v = ParseInt16(text(k));
        if (!v) throw BadValue{"field " + std::to_string(k) + " does not fit a 16-bit integer"};
        return *v;
    }
    int32_t int32(size_t k, int32_t fallback) const {
        if (!isNumber(k)) return fallback;
        auto v = ParseInt32(text(k));
        if (!v) throw BadValue{"field " + std::to_string(k) + " does not fit a 32-bit integer"};
        return *v;
    }
    float single(size_t k, float fallback) const {
        if (!isNumber(k)) return fallback;
        auto v = ParseSingle(text(k));
        if (!v) throw BadValue{"field " + std::to_string(k) + " does not fit a single"};
        return *v;
    }

  private:
    std::vector<std::string> tokens_;  // [0] is the key
};

// -1 was the old way of writing "not used"; the program uses -101.
float levelRead(float v) {
    return v == -1.0f ? -101.0f : v;
}

void readGasInst(AppConfig& c, const Fields& f) {
    if (!f.isNumber(1)) return;
    int16_t number = f.int16(1, 0);
    if (number < 1 || number > configChannels) {
        throw BadValue{"channel number " + f.text(1) + " is outside 1-5"};
    }
    const int ch = number - 1;
    clsInstrument& d = c.ConfigDefaults;
    d.setGasName(ch, f.text(2));
    d.setGasEnabled(ch, f.boolean(3));
    c.gasLocked[ch] = f.boolean(4);
    d.setGasPoint(ch, f.int16(5, 0));
    d.setGasUnit(ch, f.text(6));
    d.setWarning(ch, f.single(7, 0));
    d.setAlarm(ch, f.single(8, 0));
    d.setStel(ch, levelRead(f.single(9, 0)));
    d.setTwa(ch, levelRead(f.single(10, 0)));
    d.setGasDesit(ch, f.single(11, 0));
    d.setGasFullScale(ch, f.single(12, 0));
    d.setAutoCalib(ch, f.single(13, 0));
    c.factoryAutoCal[ch] = f.single(14, 0);
    c.graphColour[ch] = f.int32(15, 0);
}

void readChgGas(AppConfig& c, const Fields& f) {
    if (!f.isNumber(1) || !f.isNumber(2)) return;
    int16_t channel = f.int16(1, 0);
    int16_t gas = f.int16(2, 0);
    if (channel < 1 || channel > gasTableChannels) {
        throw BadValue{"channel number " + f.text(1) + " is outside 1-6"};
    }
    if (gas < 1 || gas > gasTableRows) {
        throw BadValue{"gas number " + f.text(2) + " is outside 1-17"};
    }
    GasEntry& g = c.gasTable.at(gas - 1, channel - 1);
    g.name = f.text(3);
    g.enabled = f.boolean(4);
    g.locked = f.boolean(5);
    g.points = f.int16(6, 0);
    g.unit = f.text(7);
    g.warning = f.single(8, 0);
    g.alarm = f.single(9, 0);
    g.stel = levelRead(f.single(10, 0));
    g.twa = levelRead(f.single(11, 0));
    g.digit = f.single(12, 0);
    g.fullScale = f.single(13, 0);
    g.autoCalib = f.single(14, 0);
}

void readPassword(AppConfig& c, const Fields& f) {
    auto once = UnscramblePassword(f.text(1));
    auto twice = once ? UnscramblePassword(*once) : std::nullopt;
    if (!twice) throw BadValue{"the stored password is damaged"};
    c.userPassword = *twice;
}

using KeyReader = std::function<void(AppConfig&, const Fields&)>;

const std::map<std::string, KeyReader>& keyReaders() {
    static const std::map<std::string, KeyReader> readers = {
        {"FACTORY RECORD SUFFIX",
         [](AppConfig& c, const Fields& f) { c.factoryRecordSuffix = f.text(1); }},
        {"EXECUTE COUNT", [](AppConfig& c, const Fields& f) { c.executeCount = f.int32(1, 0); }},
        {"SERIAL LOG FILE",
         [](AppConfig& c, const Fields& f) { c.serialLog = upper(f.text(1)) == "ON"; }},
        {"DELAY", [](AppConfig& c, const Fields& f) { c.delay = f.int16(1, 100); }},
        {"TIMEOUT", [](AppConfig& c, const Fields& f) { c.timeout = f.int16(1, 3); }},
        {"RETRY", [](AppConfig& c, const Fields& f) { c.retry = f.int16(1, 3); }},
        {"AUTO LOAD MODE",
         [](AppConfig& c, const Fields& f) {
             c.autoLoadMode = f.boolean(1);
             c.autoRemoveData = f.boolean(2);
         }},
        {"FONT",
         [](AppConfig& c, const Fields& f) {
             c.font.name = f.text(1);
             c.font.size = f.single(2, 9);
             c.font.bold = f.boolean(3);
             c.font.italic = f.boolean(4);
             c.font.underline = f.boolean(5);
         }},
        {"LIMITDAYS", [](AppConfig& c, const Fields& f) { c.calibLimitDays = f.int16(1, 0); }},
        {"CALIB. RANGE",
         [](AppConfig& c, const Fields& f) {
             for (size_t i = 0; i < 4; ++i) c.calibRange[i] = f.int16(i + 1, 0);
         }},
        {"DEFAULTVALUE1",
         [](AppConfig& c, const Fields& f) {
             clsInstrument& d = c.ConfigDefaults;
             d.setCalLimit(f.int16(1, 90));
             d.setLcdBackLight(f.int16(2, 30));
             d.setAlarmMode(f.int16(3, 1));
             d.setIntervals(f.int16(4, 5));
             d.setDispCalLimit(f.int16(5, 0));
             d.setCalCheck(f.int16(6, 0));
         }},
        {"DEFAULTVALUE2",
         [](AppConfig& c, const Fields& f) {
             clsInstrument& d = c.ConfigDefaults;
             d.setLogOverWrite(f.int16(1, 1));
             d.setFlowValue(f.int16(2, 128));
             d.setAlarmO2(f.int16(3, 1));
             d.setAutoZero(f.int16(4, 0));
             d.setDemandZero(f.int16(5, 1));
             d.setUseUserPassword(f.int16(6, 0));
         }},
        {"GAS INST", readGasInst},
        {"CONV PARAM",
         [](AppConfig& c, const Fields& f) { c.conversionFactor = f.single(1, 0.2f); }},
        {"CHGGAS", readChgGas},
        {"SIZE VALUES",
         [](AppConfig& c, const Fields& f) {
             int16_t state = f.int16(1, 0);
             c.windowState = (state == 0 || state == 2) ? state : int16_t{0};
             c.windowWidth = f.single(2, 7680);
             c.windowHeight = f.single(3, 5760);
         }},
        {"WINDOW POSITION",
         [](AppConfig& c, const Fields& f) {
             // Half a position is no position: the window is centred instead.
             c.windowPositionKnown = f.isNumber(1) && f.isNumber(2);
             c.windowLeft = f.single(1, 0);
             c.windowTop = f.single(2, 0);
         }},
        {"RECORDS", [](AppConfig& c, const Fields& f) { c.recordsLocation = f.text(1); }},
        {"INSTRUMENT PORT", [](AppConfig& c, const Fields& f) { c.instrumentPort = f.text(1); }},
        {"PRT WIDTH",
         [](AppConfig& c, const Fields& f) {
             c.printWidth[0] = f.single(1, 1);
             c.printWidth[1] = f.single(2, 1);
         }},
        {"VQ-5100", readPassword},
        {"CALUNITONWAIT", [](AppConfig& c, const Fields& f) { c.calUnitOnWait = f.int16(1, 120); }},
        {"CALSPANONWAIT", [](AppConfig& c, const Fields& f) { c.calSpanOnWait = f.int16(1, 120); }},
        {"CALSPANOFFWAIT",
         [](AppConfig& c, const Fields& f) { c.calSpanOffWait = f.int16(1, 30); }},
        {"COMPLETELY VIEW", [](AppConfig& c, const Fields& f) { c.completelyView = f.boolean(1); }},
        {"TREND SEARCH",
         [](AppConfig& c, const Fields& f) {
             c.trendBefore = f.int16(1, 0);
             c.trendAfter = f.int16(2, 0);
         }},
    };
    return readers;
}

// The tokens of one line: tab-separated, "'" quotes, ";" comments. nullopt when the line holds
// more fields than the tokenizer keeps.
std::optional<std::vector<std::string>> splitLine(std::string_view line) {
    clsToken token;
    token.AddDelimiters("\t");
    token.AddStrings("'");
    token.AddComments(";");
    if (!token.setSource(std::string(line))) return std::nullopt;
    std::vector<std::string> out;
    for (int i = 0; i < token.TokenCount(); ++i) out.push_back(token.Tokens(i));
    return out;
}

}  // namespace

ConfigLoadResult ReadConfigText(AppConfig& config, std::string_view text) {
    ConfigLoadResult result;
    result.found = true;
    const auto lines = SplitLines(text);
    for (size_t i = 0; i < lines.size(); ++i) {
        const int lineNumber = static_cast<int>(i) + 1;
        auto tokens = splitLine(lines[i]);
        std::string reason;
        if (!tokens) {
            reason = "too many fields";
        } else {
            if (tokens->size() < 2) continue;
            auto reader = keyReaders().find(upper((*tokens)[0]));
            if (reader == keyReaders().end()) continue;
            try {
                reader->second(config, Fields(std::move(*tokens)));
                continue;
            } catch (const BadValue& bad) {
                reason = bad.reason;
            }
        }
        result.complete = false;
        result.badLine = lineNumber;
        result.error = "line " + std::to_string(lineNumber) + ": " + reason;
        config.backupBeforeSave = true;
        break;
    }
    return result;
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
        return {true, false, 0, error};
    }
    ConfigLoadResult result = ReadConfigText(config, *text);
    if (!result.complete) result.error = path.string() + ", " + result.error;
    return result;
}

}  // namespace vq
