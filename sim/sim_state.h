#pragma once
// Everything the virtual instrument remembers: what a read-all returns, the calibration data,
// the clock, the live values, the two memory areas, and the few behaviour knobs a test sets up
// through the state file (how long a clear or a zero takes, which channel fails calibration).
// Plain data: the command handlers read and change it, the state file stores it.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vq::sim {

inline constexpr float kNoValue = -101.0f;
inline constexpr float kOverRange = -107.0f;
inline constexpr int kGasCount = 5;
inline constexpr int kStationCount = 256;
inline constexpr int kLibraryCount = 31;  // entries 1 to 30 are used; 0 is unused
inline constexpr std::size_t kFlashSize = 524288;
inline constexpr std::size_t kFlashBlock = 512;
inline constexpr std::size_t kFramSize = 8192;
inline constexpr std::size_t kFramBlock = 128;
// Memory layout: the body-data logger in flash behind a header page; in FRAM a check-data
// record and the power log.
inline constexpr std::size_t kLoggerStart = 0x1000;
inline constexpr std::size_t kCheckDataAddress = 0x0800;
inline constexpr std::size_t kPowerLogStart = 0x1000;

// Field widths of the identity texts as the instrument stores them.
inline constexpr std::size_t kSerialWidth = 20;
inline constexpr std::size_t kUserIdWidth = 16;
inline constexpr std::size_t kStationWidth = 16;
inline constexpr std::size_t kSpecNoWidth = 10;

struct GasChannel {
    bool enabled = true;
    std::string name;  // up to 10 characters
    float fullScale = 100;
    float resolution = 1;
    int decimals = 0;  // decimal places of the resolution
    std::string unit;  // up to 4 characters
    float warning = kNoValue;
    float alarm = kNoValue;
    float stel = kNoValue;
    float twa = kNoValue;
    float autoCal = kNoValue;  // calibration gas concentration
    int zeroFlag = 0;
    int overScale = 0;

    // Latest calibration: local time in seconds since 1970-01-01, readings before and after.
    std::optional<std::int64_t> calibTime;
    float calibBefore = kNoValue;
    float calibAfter = kNoValue;

    float reading = 0;  // what the sensor sees now, before noise
    bool zeroFails = false;
    bool spanFails = false;
};

struct LibraryEntry {
    std::string name;  // up to 10 characters
    float fullScale = 0;
    float digit = 1;
    int point = 0;     // decimal places of digit
    std::string unit;  // up to 4 characters
    int elemVol = 0;   // 16 bits
    float ratio = 1;
    std::array<float, 8> linear{};  // Linear1 a-d, Linear2 a-d
    friend bool operator==(const LibraryEntry&, const LibraryEntry&) = default;
};

// The single settings, each carried on the wire by its two-letter code.
struct Settings {
    int hcMode = 0;                   // LP
    int alarmMode = 0;                // AP
    int calCheck = 0;                 // SM
    int logOverWrite = 0;             // XW
    int autoBackLight = 1;            // UQ
    int alarmOnOff = 1;               // AF
    int stelTwaOnOff = 1;             // AM
    int alarmO2 = 1;                  // AT
    int dispCalLimit = 0;             // SD
    int autoZero = 0;                 // SJ
    int demandZero = 0;               // SG
    int calLimit = 180;               // SC, days
    int intervals = 60;               // XP, seconds
    int confirmation = 0;             // XB
    int lcdBackLight = 30;            // XT, seconds
    int pressOffset = 0;              // HF, signed 16 bits
    std::int32_t flowLevel = 0x0200;  // CP
    int bumpTime = 2;                 // BU
    int bumpThreshold = 1;
    int bumpFailCalTime = 0;
    int bumpFailAfter = 1;
    int lcBhMode = 0;  // WB
    int bhTime = 0;
    int lcBuzzer = 0;
    friend bool operator==(const Settings&, const Settings&) = default;
};

struct SimState {
    // Identity (read-only on the wire except the texts).
    std::int32_t romNumber = 5100;
    std::string sum = "7A3C";
    std::string modelText = "VQ-5100";
    std::string serialNo;     // 20
    std::string dummySerial;  // 20
    std::string userId;       // 16
    std::string stationId;    // 16
    std::string specNo;       // 10
    std::string specType = "0";
    std::array<std::string, kStationCount> stations;  // 16 each

    Settings settings;
    std::array<GasChannel, kGasCount> gases;
    std::array<LibraryEntry, 2> special;              // "LS" entries 0 and 1
    std::array<LibraryEntry, kLibraryCount> library;  // "LI" entries 1 to 30

    std::int64_t clockOffsetSeconds = 0;  // instrument clock minus the host's local clock
    std::array<int, 8> analog{};          // A/D values in millivolts
    float adReal = 0;
    bool pumpOn = false;
    bool checkDataWritten = false;

    std::vector<std::uint8_t> flash;  // kFlashSize bytes
    std::vector<std::uint8_t> fram;   // kFramSize bytes

    // Behaviour knobs.
    int confirmSeconds = 6;  // a clear or a defaults restore takes this long
    int zeroSeconds = 3;     // a zero calibration takes this long
    int noiseSteps = 1;      // readings wander by up to this many resolution steps
    // Commands whose writes are answered with a bare ACK and not kept ("BU,WB"): an instrument
    // that acknowledges what it does not store, for the program's read-back to catch.
    std::string forgetWrites;
};

// A plausible instrument fresh from the factory: CH4 %LEL, O2 VOL%, H2S ppm, CO ppm and a
// second combustible channel in VOL%, with alarm levels, a library, a station list, a logger
// area in flash and a FRAM area.
SimState DefaultSimState();

// The user settings a defaults restore ("UX") brings back; identity, gas table, library and
// calibration data stay.
void RestoreDefaultSettings(SimState& state);

// Text cut or padded with spaces to `width` characters, as the instrument stores its texts.
std::string FixedWidth(std::string_view text, std::size_t width);

}  // namespace vq::sim
