#pragma once
// The port options both programs take:
//   --simulator                        the virtual instrument inside this process;
//   --port DEVICE [--settings TEXT]    that serial device, at TEXT (default "921600,n,8,1");
//   --socket HOST:PORT                 the socket to that address;
//   (none)                             the device finder decides (see InstrumentSession).
// Each option is read as "--port DEVICE" or "--port=DEVICE".

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/qt_socket_port.h"

namespace vq {

inline constexpr const char* kDefaultSerialSettings = "921600,n,8,1";

enum class PortMode { Auto, Simulator, Serial, Socket };

struct PortOptions {
    PortMode mode = PortMode::Auto;
    std::string device;  // --port
    std::string settings = kDefaultSerialSettings;
    bool settingsGiven = false;
    SocketAddress address;  // --socket
};

// Reads the port option at arguments[i] into `options`, moving i to the last word it used.
// Nothing when arguments[i] is not a port option; otherwise the error text, empty when the option
// was taken.
std::optional<std::string> takePortOption(const std::vector<std::string>& arguments, std::size_t& i,
                                          PortOptions& options);

// What is wrong with the options once all are read ("--settings goes with --port"); empty when
// nothing is.
std::string checkPortOptions(const PortOptions& options);

}  // namespace vq
