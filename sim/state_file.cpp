#include "sim/state_file.h"

#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "model/numeric.h"
#include "model/ole_date.h"
#include "model/value_codecs.h"
#include "sim/wire_text.h"

namespace vq::sim {

namespace {

constexpr std::size_t kBytesPerLine = 64;
constexpr double kUnixEpochOleDate = 25569.0;  // 1970-01-01 as an OLE date
constexpr std::string_view kHeader =
    "# VQ-5100 virtual instrument state. Texts in double quotes; -101 is no value;\n"
    "# memory lines hold 64 bytes in hexadecimal, erased lines are left out.\n";

std::string quote(std::string_view text) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out = "\"";
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (ch == '"' || ch == '\\') {
            out += '\\';
            out += ch;
        } else if (c < 32 || c > 126) {
            out += "\\x";
            out += digits[c >> 4];
            out += digits[c & 0x0F];
        } else {
            out += ch;
        }
    }
    return out + '"';
}

std::optional<std::string> unquote(std::string_view text) {
    if (text.size() < 2 || text.front() != '"' || text.back() != '"') return std::nullopt;
    text = text.substr(1, text.size() - 2);
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"') return std::nullopt;
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i >= text.size()) return std::nullopt;
        if (text[i] == '"' || text[i] == '\\') {
            out += text[i];
        } else if (text[i] == 'x' && i + 2 < text.size()) {
            const auto value = ParseHex(text.substr(i + 1, 2));
            if (!value || text[i + 1] == ' ' || text[i + 2] == ' ') return std::nullopt;
            out += static_cast<char>(*value);
            i += 2;
        } else {
            return std::nullopt;
        }
    }
    return out;
}

std::vector<std::string> words(std::string_view text) {
    std::vector<std::string> out;
    std::istringstream in{std::string(text)};
    for (std::string word; in >> word;) out.push_back(word);
    return out;
}

std::string timeText(const std::optional<std::int64_t>& seconds) {
    if (!seconds) return "none";
    return GeneralDate(OleDateFromEpochSeconds(*seconds));
}

std::optional<std::optional<std::int64_t>> parseTime(std::string_view text) {
    if (text == "none") return std::optional<std::int64_t>{};
    const auto date = ParseGeneralDate(text);
    if (!date) return std::nullopt;
    const double seconds = (OleDateToLinear(*date) - kUnixEpochOleDate) * 86400.0;
    return std::optional<std::int64_t>{static_cast<std::int64_t>(std::llround(seconds))};
}

std::optional<std::int64_t> parseWhole(std::string_view text) {
    const auto value = ParseNumber(text);
    if (!value || *value != std::floor(*value) || std::fabs(*value) > 9.0e15) return std::nullopt;
    return static_cast<std::int64_t>(*value);
}

// Writes every value as a line.
class Writer {
  public:
    void operator()(const std::string& name, const int& v) { line(name, std::to_string(v)); }
    void operator()(const std::string& name, const std::int64_t& v) {
        line(name, std::to_string(v));
    }
    void operator()(const std::string& name, const bool& v) { line(name, v ? "1" : "0"); }
    void operator()(const std::string& name, const float& v) { line(name, SingleText(v)); }
    void operator()(const std::string& name, const std::string& v) { line(name, quote(v)); }
    void operator()(const std::string& name, const std::optional<std::int64_t>& v) {
        line(name, timeText(v));
    }
    template <class T, std::size_t N>
    void operator()(const std::string& name, const std::array<T, N>& values) {
        std::string text;
        for (const T& v : values) {
            if (!text.empty()) text += ' ';
            if constexpr (std::is_same_v<T, float>)
                text += SingleText(v);
            else
                text += std::to_string(v);
        }
        line(name, text);
    }
    std::string text;

  private:
    void line(const std::string& name, const std::string& value) {
        text += name + " = " + value + "\n";
    }
};

// Takes the values named in the file; remembers the first error.
class Reader {
  public:
    struct Entry {
        std::string value;
        int line = 0;
        bool used = false;
    };
    std::map<std::string, Entry> entries;
    std::string error;

    template <class T>
    void operator()(const std::string& name, T& target) {
        const auto found = entries.find(name);
        if (found == entries.end() || !error.empty()) return;
        found->second.used = true;
        if (!convert(found->second.value, target)) {
            error = "line " + std::to_string(found->second.line) + ": bad value for " + name;
        }
    }

  private:
    static bool convert(const std::string& text, int& v) {
        const auto whole = parseWhole(text);
        if (!whole || *whole < INT32_MIN || *whole > INT32_MAX) return false;
        v = static_cast<int>(*whole);
        return true;
    }
    static bool convert(const std::string& text, std::int64_t& v) {
        const auto whole = parseWhole(text);
        if (whole) v = *whole;
        return whole.has_value();
    }
    static bool convert(const std::string& text, bool& v) {
        if (text != "0" && text != "1") return false;
        v = text == "1";
        return true;
    }
    static bool convert(const std::string& text, float& v) {
        const auto value = ParseSingle(text);
        if (value) v = *value;
        return value.has_value();
    }
    static bool convert(const std::string& text, std::string& v) {
        auto value = unquote(text);
        if (value) v = std::move(*value);
        return value.has_value();
    }
    static bool convert(const std::string& text, std::optional<std::int64_t>& v) {
        const auto value = parseTime(text);
        if (value) v = *value;
        return value.has_value();
    }
    template <class T, std::size_t N>
    static bool convert(const std::string& text, std::array<T, N>& values) {
        const auto parts = words(text);
        if (parts.size() != N) return false;
        std::array<T, N> parsed{};
        for (std::size_t i = 0; i < N; ++i) {
            if (!convert(parts[i], parsed[i])) return false;
        }
        values = parsed;
        return true;
    }
};

template <class V>
void visitEntry(V& v, const std::string& p, LibraryEntry& e) {
    v(p + "name", e.name);
    v(p + "full_scale", e.fullScale);
    v(p + "digit", e.digit);
    v(p + "point", e.point);
    v(p + "unit", e.unit);
    v(p + "elem_vol", e.elemVol);
    v(p + "ratio", e.ratio);
    v(p + "linear", e.linear);
}

template <class V>
void visitGas(V& v, const std::string& p, GasChannel& g) {
    v(p + "enabled", g.enabled);
    v(p + "name", g.name);
    v(p + "full_scale", g.fullScale);
    v(p + "resolution", g.resolution);
    v(p + "decimals", g.decimals);
    v(p + "unit", g.unit);
    v(p + "warning", g.warning);
    v(p + "alarm", g.alarm);
    v(p + "stel", g.stel);
    v(p + "twa", g.twa);
    v(p + "auto_cal", g.autoCal);
    v(p + "zero_flag", g.zeroFlag);
    v(p + "over_scale", g.overScale);
    v(p + "calib_time", g.calibTime);
    v(p + "calib_before", g.calibBefore);
    v(p + "calib_after", g.calibAfter);
    v(p + "reading", g.reading);
    v(p + "zero_fails", g.zeroFails);
    v(p + "span_fails", g.spanFails);
}

template <class V>
void visitSettings(V& v, Settings& s) {
    const std::string p = "settings.";
    v(p + "hc_mode", s.hcMode);
    v(p + "alarm_mode", s.alarmMode);
    v(p + "cal_check", s.calCheck);
    v(p + "log_overwrite", s.logOverWrite);
    v(p + "auto_backlight", s.autoBackLight);
    v(p + "alarm_on_off", s.alarmOnOff);
    v(p + "stel_twa_on_off", s.stelTwaOnOff);
    v(p + "alarm_o2", s.alarmO2);
    v(p + "disp_cal_limit", s.dispCalLimit);
    v(p + "auto_zero", s.autoZero);
    v(p + "demand_zero", s.demandZero);
    v(p + "cal_limit", s.calLimit);
    v(p + "intervals", s.intervals);
    v(p + "confirmation", s.confirmation);
    v(p + "lcd_backlight", s.lcdBackLight);
    v(p + "press_offset", s.pressOffset);
    v(p + "flow_level", s.flowLevel);
    v(p + "bump_time", s.bumpTime);
    v(p + "bump_threshold", s.bumpThreshold);
    v(p + "bump_fail_cal_time", s.bumpFailCalTime);
    v(p + "bump_fail_after", s.bumpFailAfter);
    v(p + "lc_bh_mode", s.lcBhMode);
    v(p + "bh_time", s.bhTime);
    v(p + "lc_buzzer", s.lcBuzzer);
}

template <class V>
void visitState(V& v, SimState& s) {
    v("rom_number", s.romNumber);
    v("sum", s.sum);
    v("model", s.modelText);
    v("serial_no", s.serialNo);
    v("dummy_serial", s.dummySerial);
    v("user_id", s.userId);
    v("station_id", s.stationId);
    v("spec_no", s.specNo);
    v("spec_type", s.specType);
    v("clock_offset", s.clockOffsetSeconds);
    v("pump_on", s.pumpOn);
    v("check_data_written", s.checkDataWritten);
    v("confirm_seconds", s.confirmSeconds);
    v("zero_seconds", s.zeroSeconds);
    v("noise_steps", s.noiseSteps);
    v("forget_writes", s.forgetWrites);
    v("analog", s.analog);
    v("ad_real", s.adReal);
    visitSettings(v, s.settings);
    for (int g = 0; g < kGasCount; ++g) visitGas(v, "gas." + std::to_string(g) + ".", s.gases[g]);
    for (int i = 0; i < 2; ++i) visitEntry(v, "special." + std::to_string(i) + ".", s.special[i]);
    for (int i = 1; i < kLibraryCount; ++i) {
        visitEntry(v, "library." + std::to_string(i) + ".", s.library[i]);
    }
    for (int n = 0; n < kStationCount; ++n) v("station." + std::to_string(n), s.stations[n]);
}

void writeMemory(std::string& text, std::string_view area, const std::vector<std::uint8_t>& bytes,
                 std::uint8_t erased, int addressDigits) {
    static constexpr char digits[] = "0123456789ABCDEF";
    for (std::size_t at = 0; at < bytes.size(); at += kBytesPerLine) {
        const std::size_t end = std::min(bytes.size(), at + kBytesPerLine);
        bool blank = true;
        for (std::size_t i = at; i < end && blank; ++i) blank = bytes[i] == erased;
        if (blank) continue;
        text += std::string(area) + "." +
                Hex8(static_cast<std::int32_t>(at)).substr(8 - addressDigits) + " = ";
        for (std::size_t i = at; i < end; ++i) {
            text += digits[bytes[i] >> 4];
            text += digits[bytes[i] & 0x0F];
        }
        text += '\n';
    }
}

// A "flash.ADDR" or "fram.ADDR" line into the memory; false when it does not fit.
bool readMemory(std::vector<std::uint8_t>& bytes, std::string_view address, std::string_view hex) {
    const auto at = ParseHex(address);
    if (!at || hex.size() % 2 != 0 || *at + hex.size() / 2 > bytes.size()) return false;
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const auto value = ParseHex(hex.substr(i, 2));
        if (!value || hex[i] == ' ' || hex[i + 1] == ' ') return false;
        bytes[*at + i / 2] = static_cast<std::uint8_t>(*value);
    }
    return true;
}

std::string trim(std::string_view text) {
    const std::size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string_view::npos) return {};
    const std::size_t end = text.find_last_not_of(" \t\r");
    return std::string(text.substr(begin, end - begin + 1));
}

}  // namespace

std::string StateToText(const SimState& state) {
    Writer writer;
    writer.text = kHeader;
    visitState(writer, const_cast<SimState&>(state));  // the writer only reads
    writeMemory(writer.text, "flash", state.flash, 0xFF, 6);
    writeMemory(writer.text, "fram", state.fram, 0x00, 4);
    return writer.text;
}

std::optional<SimState> StateFromText(std::string_view text, std::string* error) {
    const auto fail = [error](std::string why) -> std::optional<SimState> {
        if (error) *error = std::move(why);
        return std::nullopt;
    };
    SimState state = DefaultSimState();
    Reader reader;
    std::vector<std::uint8_t> flash(kFlashSize, 0xFF);
    std::vector<std::uint8_t> fram(kFramSize, 0x00);
    bool flashGiven = false;
    bool framGiven = false;
    int lineNumber = 0;
    std::istringstream in{std::string(text)};
    for (std::string raw; std::getline(in, raw);) {
        ++lineNumber;
        const std::string line = trim(raw);
        if (line.empty() || line[0] == '#') continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) {
            return fail("line " + std::to_string(lineNumber) + ": expected NAME = VALUE");
        }
        const std::string name = trim(std::string_view(line).substr(0, equals));
        const std::string value = trim(std::string_view(line).substr(equals + 1));
        const std::string where = "line " + std::to_string(lineNumber) + ": ";
        if (name.starts_with("flash.")) {
            if (!readMemory(flash, name.substr(6), value)) return fail(where + "bad flash line");
            flashGiven = true;
        } else if (name.starts_with("fram.")) {
            if (!readMemory(fram, name.substr(5), value)) return fail(where + "bad FRAM line");
            framGiven = true;
        } else if (!reader.entries.emplace(name, Reader::Entry{value, lineNumber}).second) {
            return fail(where + name + " given twice");
        }
    }
    visitState(reader, state);
    if (!reader.error.empty()) return fail(reader.error);
    for (const auto& [name, entry] : reader.entries) {
        if (!entry.used)
            return fail("line " + std::to_string(entry.line) + ": unknown name " + name);
    }
    // Texts are kept at the widths the instrument stores them with, whatever the file holds.
    state.serialNo = FixedWidth(state.serialNo, kSerialWidth);
    state.dummySerial = FixedWidth(state.dummySerial, kSerialWidth);
    state.userId = FixedWidth(state.userId, kUserIdWidth);
    state.stationId = FixedWidth(state.stationId, kStationWidth);
    state.specNo = FixedWidth(state.specNo, kSpecNoWidth);
    for (std::string& station : state.stations) station = FixedWidth(station, kStationWidth);
    if (flashGiven) state.flash = std::move(flash);
    if (framGiven) state.fram = std::move(fram);
    return state;
}

bool SaveStateFile(const std::string& path, const SimState& state, std::string* error) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << StateToText(state);
        out.flush();
        if (!out) {
            // A full disk leaves the saved state as it was and no part of the new one.
            if (error) *error = "cannot write " + temporary;
            out.close();
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return false;
        }
    }
    std::error_code code;
    std::filesystem::rename(temporary, path, code);
    if (code) {
        if (error) *error = "cannot replace " + path + ": " + code.message();
        return false;
    }
    return true;
}

std::optional<SimState> LoadStateFile(const std::string& path, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error) *error = "cannot read " + path;
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return StateFromText(text.str(), error);
}

}  // namespace vq::sim
