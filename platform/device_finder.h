#pragma once
// Finds the serial ports of USB-serial converters by hardware id, "VID_10C4&PID_EA60" (vendor and
// product id in hexadecimal, as the id text of the converter reads).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vq {

inline constexpr const char* kConverterHardwareId = "VID_10C4&PID_EA60";

struct UsbHardwareId {
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    bool operator==(const UsbHardwareId&) const = default;
};

// The ids of "VID_xxxx&PID_xxxx" (case-insensitive, one to four hex digits each); nothing when
// the text has another shape.
std::optional<UsbHardwareId> parseHardwareId(std::string_view text);

// One serial port as the system lists it.
struct SerialPortRecord {
    std::string name;            // "ttyUSB0"
    std::string systemLocation;  // "/dev/ttyUSB0": what a port is opened by
    std::optional<UsbHardwareId> usbId;
};

struct FoundPorts {
    int count = 0;
    std::vector<std::string> names;  // system locations, in the order listed
};

// The ports among `ports` whose USB id matches `id`.
FoundPorts matchPorts(const std::vector<SerialPortRecord>& ports, const UsbHardwareId& id);

// The serial ports of this machine.
std::vector<SerialPortRecord> listSerialPorts();

// The ports of this machine whose converter has the hardware id text; none for a malformed text.
FoundPorts FindUsbSerialPort(std::string_view hardwareId);

}  // namespace vq
