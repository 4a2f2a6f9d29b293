#pragma once
// The serial settings text of the link, "921600,n,8,1": baud rate, parity letter (n none, e even,
// o odd, m mark, s space), data bits (5 to 8) and stop bits (1, 1.5 or 2), separated by commas.

#include <optional>
#include <string>
#include <string_view>

namespace vq {

struct SerialSettings {
    enum class Parity { None, Even, Odd, Mark, Space };
    enum class StopBits { One, OneAndHalf, Two };

    int baud = 9600;
    Parity parity = Parity::None;
    int dataBits = 8;
    StopBits stopBits = StopBits::One;

    bool operator==(const SerialSettings&) const = default;
};

// The settings of a text, or nothing when any field is missing, extra or out of range. Spaces
// around a field and the case of the parity letter do not matter.
std::optional<SerialSettings> parseSerialSettings(std::string_view text);

// The canonical text of settings: "921600,n,8,1", "9600,e,7,1.5".
std::string formatSerialSettings(const SerialSettings& settings);

}  // namespace vq
