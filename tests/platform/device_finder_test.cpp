#include "platform/device_finder.h"

#include <gtest/gtest.h>

namespace vq {
namespace {

TEST(DeviceFinder, ParsesTheConverterIdText) {
    EXPECT_EQ(parseHardwareId(kConverterHardwareId), (UsbHardwareId{0x10C4, 0xEA60}));
    EXPECT_EQ(parseHardwareId("vid_0403&pid_6001"), (UsbHardwareId{0x0403, 0x6001}));
    EXPECT_EQ(parseHardwareId("VID_1&PID_ffff"), (UsbHardwareId{0x0001, 0xFFFF}));
}

TEST(DeviceFinder, RejectsIdTextsOfAnotherShape) {
    for (const char* bad :
         {"", "VID_10C4", "VID_10C4&", "VID_10C4&PID_", "VID_&PID_EA60", "VID_10C4&PID_EA601",
          "VID_10G4&PID_EA60", "PID_EA60&VID_10C4", "VID10C4&PID_EA60",
          "VID_10C4&PID_EA60&REV_0100", "USB\\VID_10C4&PID_EA60"}) {
        EXPECT_FALSE(parseHardwareId(bad).has_value()) << bad;
    }
}

TEST(DeviceFinder, ReturnsCountAndNamesOfMatchingConvertersOnly) {
    const UsbHardwareId id{0x10C4, 0xEA60};
    const std::vector<SerialPortRecord> ports{
        {"ttyS0", "/dev/ttyS0", std::nullopt},
        {"ttyUSB0", "/dev/ttyUSB0", UsbHardwareId{0x10C4, 0xEA60}},
        {"ttyUSB1", "/dev/ttyUSB1", UsbHardwareId{0x0403, 0x6001}},
        {"ttyUSB2", "/dev/ttyUSB2", UsbHardwareId{0x10C4, 0xEA61}},
        {"ttyUSB3", "/dev/ttyUSB3", UsbHardwareId{0x10C4, 0xEA60}},
    };
    const FoundPorts found = matchPorts(ports, id);
    EXPECT_EQ(found.count, 2);
    EXPECT_EQ(found.names, (std::vector<std::string>{"/dev/ttyUSB0", "/dev/ttyUSB3"}));

    EXPECT_EQ(matchPorts({ports[0], ports[2]}, id).count, 0);
    EXPECT_TRUE(matchPorts({}, id).names.empty());
}

TEST(DeviceFinder, MalformedIdFindsNothingOnThisMachine) {
    EXPECT_EQ(FindUsbSerialPort("not an id").count, 0);
    // Whatever this machine has, the count and the list agree.
    const FoundPorts found = FindUsbSerialPort(kConverterHardwareId);
    EXPECT_EQ(found.count, static_cast<int>(found.names.size()));
}

}  // namespace
}  // namespace vq
