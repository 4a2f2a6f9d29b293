#pragma once
// The command line of vq5100-setup:
//   vq5100-setup [--simulator | --port DEVICE [--settings TEXT] | --socket HOST:PORT]
//                [--lang en|ja] [--records FILE|postgresql://USER@HOST:PORT/DB] [-DEBUG]
// "-DEBUG" counts anywhere and in any case; other words are ignored.

#include <optional>
#include <string>
#include <vector>

#include "messages/messages.h"
#include "platform/port_options.h"

namespace vq {

struct SetupOptions {
    PortOptions ports;
    std::optional<Language> language;
    bool debugMode = false;
    // Where the instrument records are kept; unset: the configuration, else the default file.
    std::optional<std::string> records;
    std::string error;  // non-empty: the command line cannot be used
};

SetupOptions parseSetupOptions(const std::vector<std::string>& arguments);

}  // namespace vq
