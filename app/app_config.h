#pragma once
// The program's own settings: everything the configuration file (VQ5100Config.ini) holds. One
// AppConfig lives for the whole run, owned by the main window (or the command-line tool) and
// passed by reference to whoever reads it; there are no globals behind it.

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "app/gas_table.h"
#include "model/instrument.h"

namespace vq {

inline constexpr int configChannels = gasChannelCount;

// RGB colours are stored as Windows does: red in the low byte.
constexpr int32_t rgbColour(int red, int green, int blue) {
    return red | (green << 8) | (blue << 16);
}

struct FontSetting {
    std::string name;  // empty: the platform's default font
    float size = 9;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    friend bool operator==(const FontSetting&, const FontSetting&) = default;
};

struct AppConfig {
    // Communication and logs.
    int32_t executeCount = 0;  // 1 marks the first run
    // On (the default): the link writes the communication log SerialLog.log and the older logs
    // are kept as numbered generations; off: no communication log is written.
    bool serialLog = true;
    std::string factoryRecordSuffix;  // part of the settings CSV file name
    int16_t delay = 300;              // kept and written back only
    int16_t timeout = 3;              // link time-out, seconds (1-60)
    int16_t retry = 3;                // link resends (0-10; 0: one try)
    // Port in use, written for the reader's information only (never read back).
    int16_t portNumber = 0;
    std::string portSettings = "921600,n,8,1";

    bool autoLoadMode = false;    // kept and written back only
    bool autoRemoveData = false;  // kept and written back only
    FontSetting font;

    int16_t calibLimitDays = 0;  // read, never written, used by nothing
    std::array<float, 4> calibRange{50, 12, 25, 50};

    // Per channel: a locked channel is a fitted sensor the user cannot switch off.
    std::array<bool, 6> gasLocked{};
    // The factory auto-calibration value of each channel; -101 when not set.
    std::array<float, configChannels> factoryAutoCal{-101, -101, -101, -101, 0};
    std::array<int32_t, configChannels> graphColour{rgbColour(255, 255, 0), rgbColour(0, 128, 255),
                                                    rgbColour(128, 64, 64), rgbColour(255, 0, 0),
                                                    0};

    float conversionFactor = 0.05f;  // the unit conversion factor of ValueText

    GasTable gasTable;

    // Main window state (0 normal, 2 maximised) and size in twips.
    int16_t windowState = 0;
    float windowWidth = 11640;
    float windowHeight = 9285;
    // Its position in twips (top left corner of the frame), from the "Window Position" key that
    // this program adds; a file without the key (an older program's) leaves it unknown.
    bool windowPositionKnown = false;
    float windowLeft = 0;
    float windowTop = 0;

    std::array<float, 2> printWidth{1, 1};  // kept and written back only

    // Where the instrument records are kept: a SQLite file (empty: VQ5100Records.sqlite in the
    // working folder) or "postgresql://USER@HOST:PORT/DB". Written only when set.
    std::string recordsLocation;

    // The port chosen with "Port..." in the window: "serial:DEVICE" or "socket:HOST:PORT"; empty:
    // the device finder decides. Written only when set.
    std::string instrumentPort;

    // The access code the password window asks for.
    std::string userPassword = "7395";

    // Calibration wait times, seconds.
    int16_t calUnitOnWait = 45;
    int16_t calSpanOnWait = 90;
    int16_t calSpanOffWait = 45;

    bool completelyView = true;  // kept and written back only
    int16_t trendBefore = -30;   // kept and written back only
    int16_t trendAfter = 45;     // kept and written back only

    // The default instrument settings: a second model, apart from the working one.
    InstrumentModel ConfigDefaults;

    // Bookkeeping of the file itself.
    bool builtInsFilled = false;  // the channel defaults are set once per run
    // The last load stopped at a bad line: the file on disk still holds lines this object does
    // not, so it is kept as a backup before it is first overwritten.
    bool backupBeforeSave = false;
    // What the last load did not take, kept so that saving never drops a line the user wrote.
    // A refused line, by its place in the file ("RETRY", "GAS INST|3", "CHGGAS|2|7"): written
    // back as it was read while the program's own line for that place is still `inUse` (what
    // the program used instead); once the program changes that setting, its new line replaces it.
    struct RefusedLine {
        std::string text;
        std::string inUse;  // the line the program would write at load; empty: none
    };
    std::map<std::string, RefusedLine> refusedLines;
    // Lines the program reads but does not use, kept in their order at the end of the file:
    // unknown keys, "LimitDays", and refused lines that have no place of their own.
    std::vector<std::string> keptLines;
};

// The built-in values, set before the file is read (on each main window load and again before
// the reload after a power-off): the gas table, the factory auto-calibration values of channels
// 0-3 unset, calibration ranges and waits that are 0 get their defaults, print widths outside
// 1-100 become 1, an empty password becomes a fixed word chosen by the language tag (message
// 101: "EN" or other). On the first fill of the run the channel defaults of ConfigDefaults, the
// factory auto-calibration values and the locked flags are set too.
void FillBuiltInDefaults(AppConfig& config);

// The fixed password word used when none is held, by language tag.
std::string DefaultPasswordWord(std::string_view languageTag);

}  // namespace vq
