#pragma once
// Small pure conversions shared by the link, the model, the files and the windows: the
// hexadecimal form of singles used on the wire, the reserved values that stand for instrument
// states and their texts, number formats by decimal places, gas titles and the 25-character
// gas record. No state; the unit conversion factor comes from the caller.
//
// Number formatting rounds the DECIMAL value a single stands for, half away from zero: the
// single is first written in its shortest round-trip decimal text (12.345f is "12.345", although
// its binary value is 12.3449997...), and that text is rounded. So 12.345f with two decimals is
// "12.35", as a technician reading the value expects.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vq {

class InstrumentModel;

// Reserved codes of a level or reading field (compared exactly).
inline constexpr float levelNoValue = -101.0f;
inline constexpr float levelNormal = -102.0f;
inline constexpr float levelWarning = -103.0f;
inline constexpr float levelAlarm = -104.0f;
inline constexpr float levelStel = -105.0f;
inline constexpr float levelTwa = -106.0f;
inline constexpr float levelOver = -107.0f;
inline constexpr float levelUndetermined = -118.0f;
inline constexpr float levelNotAvailable = -121.0f;

// The text of a reserved code ("-----", "NORMAL", "Fail(Air)", "CAL ON", ...), including the
// unsigned forms 65535, 65287 and 56797; nullopt for any other value.
std::optional<std::string_view> ReservedValueText(float value);
bool IsReservedValue(float value);

// Shortest text that reads back as the same single / double ("0.1", "-101", "1e-05",
// "3.4028235e+38"); "nan", "inf", "-inf" for the non-finite values.
std::string SingleText(float value);
std::string DoubleText(double value);

// The text with a "0" in front when it is one character long.
std::string HexPad2(std::string_view text);

// Eight upper-case hexadecimal digits of the IEEE-754 bytes, most significant first
// (1.0 -> "3F800000", -101 -> "C2CA0000").
std::string SingleToHex(float value);

// The inverse. Exactly eight hexadecimal digits (either case, surrounding spaces allowed);
// anything else gives nullopt. NaN and infinity bit patterns come back as such.
std::optional<float> HexToSingle(std::string_view text);

// Fixed-point text with `decimals` places (0 to 9; others count as 0), at least one integer
// digit, a "-" only when a non-zero digit is shown, rounded as described above.
// Non-finite values give "nan", "inf", "-inf".
std::string FormatNumber(float value, int decimals);
std::string FormatNumber(double value, int decimals);
// With a format of the "#0", "#0.0" ... "#0.000000000" family (the number of characters after
// the "." is the number of decimals). An empty format gives the shortest text (SingleText).
std::string FormatNumber(float value, std::string_view format);
std::string FormatNumber(double value, std::string_view format);

// "#0" for 0, "#0.0" for 1, ... "#0.000000000" for 9; empty for any other value.
std::string DecimalFormat(int16_t decimals);

// Display text of a level or reading: the reserved text of a reserved code; otherwise the
// value (times unitFactor when scaled) with 0..3 decimals (other counts give 0 decimals).
std::string ValueText(float value, int16_t decimals, bool scaled, double unitFactor);

// The 5-character level field: "*****" for a negative value (and for NaN / infinity);
// otherwise the value with 1, 2 or 3 decimals (others: 0), padded on the left with spaces and
// cut to its rightmost 5 characters. A value too wide for 5 characters loses its leading
// digits; callers that take values from a person check LevelFits5 first.
std::string LevelText5(float value, int16_t decimals);
// True when LevelText5 shows the value without cutting it.
bool LevelFits5(float value, int16_t decimals);

// A level text to its value: a number as itself (a number beyond single range as no value),
// else by the first three characters of the trimmed upper-case text: "OVE" -107, "WAR" -103,
// "ALR" -104, "STE" -105, "TWA" -106, "NOR" -102; anything else -101.
float ParseLevel(std::string_view text);

// Characters after the first "." (0 without one); at most 32767.
int16_t DecimalPlaces(std::string_view text);

// "NAME(100%LEL)": name, "(", full scale in the format of the decimals, unit, ")".
// A blank name gives "----(---)"; a full scale of -1 gives "NAME(unit)".
std::string GasTitle(std::string_view name, std::string_view unit, float fullScale,
                     int16_t decimals);

// The title of a model channel: "----(---)" when its gas name is blank; "NAME(unit)" when plain
// or for channel 4; otherwise "NAME(fullscale unit)" as GasTitle.
std::string ChannelTitle(const InstrumentModel& model, int channel, bool plain);

// Stores a 25-character gas record (name 1-10, separator 11, full scale 12-16, resolution
// 17-21, unit 22-25) into channel `channel` through the model's setters; 25 "*" is a channel
// without gas. Returns false on a record that is not 25 characters long (nothing stored) or
// whose full scale or resolution is not a number (the fields before it stay stored, as a
// conversion error ends decoding).
bool DecodeGasRecord(std::string_view record, InstrumentModel& model, int channel);

// List position of a logging interval in seconds: 10 0, 20 1, 30 2, 60 3, 180 4, 600 6,
// anything else 5.
int16_t IntervalIndex(int16_t seconds);

// The value as a whole multiple of step, the quotient rounded half to even. 0 when the value is
// negative or NaN, or the step is 0 or not finite.
float RoundToStep(float value, float step);

}  // namespace vq
