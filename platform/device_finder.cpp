#include "platform/device_finder.h"

#include <QSerialPortInfo>
#include <cctype>

namespace vq {
namespace {

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    }
    return true;
}

std::optional<std::uint16_t> hexField(std::string_view digits) {
    if (digits.empty() || digits.size() > 4) return std::nullopt;
    std::uint16_t value = 0;
    for (const char c : digits) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
        const int digit = std::isdigit(static_cast<unsigned char>(c))
                              ? c - '0'
                              : std::toupper(static_cast<unsigned char>(c)) - 'A' + 10;
        value = static_cast<std::uint16_t>(value * 16 + digit);
    }
    return value;
}

}  // namespace

std::optional<UsbHardwareId> parseHardwareId(std::string_view text) {
    const auto amp = text.find('&');
    if (amp == std::string_view::npos) return std::nullopt;
    const std::string_view vid = text.substr(0, amp);
    const std::string_view pid = text.substr(amp + 1);
    if (!startsWithNoCase(vid, "VID_") || !startsWithNoCase(pid, "PID_")) return std::nullopt;
    const auto vendor = hexField(vid.substr(4));
    const auto product = hexField(pid.substr(4));
    if (!vendor || !product) return std::nullopt;
    return UsbHardwareId{*vendor, *product};
}

FoundPorts matchPorts(const std::vector<SerialPortRecord>& ports, const UsbHardwareId& id) {
    FoundPorts found;
    for (const auto& port : ports) {
        if (port.usbId && *port.usbId == id) found.names.push_back(port.systemLocation);
    }
    found.count = static_cast<int>(found.names.size());
    return found;
}

std::vector<SerialPortRecord> listSerialPorts() {
    std::vector<SerialPortRecord> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        SerialPortRecord record{info.portName().toStdString(), info.systemLocation().toStdString(),
                                std::nullopt};
        if (info.hasVendorIdentifier() && info.hasProductIdentifier()) {
            record.usbId = UsbHardwareId{info.vendorIdentifier(), info.productIdentifier()};
        }
        ports.push_back(std::move(record));
    }
    return ports;
}

FoundPorts FindUsbSerialPort(std::string_view hardwareId) {
    const auto id = parseHardwareId(hardwareId);
    if (!id) return {};
    return matchPorts(listSerialPorts(), *id);
}

}  // namespace vq
