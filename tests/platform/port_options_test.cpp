// The port options as both programs read them.
#include "platform/port_options.h"

#include <gtest/gtest.h>

namespace vq {
namespace {

struct Parsed {
    PortOptions options;
    std::string error;                // the first error, or what checkPortOptions says
    std::vector<std::string> others;  // the words that are no port option
};

Parsed parse(const std::vector<std::string>& args) {
    Parsed parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const auto error = takePortOption(args, i, parsed.options);
        if (!error) {
            parsed.others.push_back(args[i]);
        } else if (!error->empty() && parsed.error.empty()) {
            parsed.error = *error;
        }
    }
    if (parsed.error.empty()) parsed.error = checkPortOptions(parsed.options);
    return parsed;
}

TEST(PortOptions, ReadsEachOptionInBothSpellingsAndLeavesTheRest) {
    using Args = std::vector<std::string>;
    struct Case {
        Args args;
        PortMode mode;
        std::string device;
        std::string settings;  // empty: the default
        std::string socket;    // "HOST:PORT"; empty: the default
        Args others;
    };
    const std::vector<Case> cases = {
        {{}, PortMode::Auto, "", "", "", {}},
        {{"--simulator"}, PortMode::Simulator, "", "", "", {}},
        {{"--port", "/dev/ttyUSB3", "-DEBUG"},
         PortMode::Serial,
         "/dev/ttyUSB3",
         "",
         "",
         {"-DEBUG"}},
        {{"--port=/dev/ttyS1", "--settings=9600,e,7,2"},
         PortMode::Serial,
         "/dev/ttyS1",
         "9600,e,7,2",
         "",
         {}},
        {{"--settings", "19200,n,8,2", "--port", "/dev/ttyS0"},
         PortMode::Serial,
         "/dev/ttyS0",
         "19200,n,8,2",
         "",
         {}},
        {{"--lang", "ja", "--socket", "10.0.0.5:7000"},
         PortMode::Socket,
         "",
         "",
         "10.0.0.5:7000",
         {"--lang", "ja"}},
        {{"--socket=:6000"}, PortMode::Socket, "", "", "127.0.0.1:6000", {}},
        // The same choice twice is no conflict.
        {{"--simulator", "--simulator"}, PortMode::Simulator, "", "", "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        const Parsed p = parse(c.args);
        EXPECT_EQ(p.error, "");
        EXPECT_EQ(p.options.mode, c.mode);
        EXPECT_EQ(p.options.device, c.device);
        EXPECT_EQ(p.options.settings, c.settings.empty() ? "921600,n,8,1" : c.settings);
        EXPECT_EQ(p.options.address.host + ":" + std::to_string(p.options.address.port),
                  c.socket.empty() ? "127.0.0.1:5100" : c.socket);
        EXPECT_EQ(p.others, c.others);
    }
}

TEST(PortOptions, WrongUseHasAReason) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--port"}, "--port needs a value"},
        {{"--port", ""}, "--port needs a device"},
        {{"--port="}, "--port needs a device"},
        {{"--socket", "host:99999"}, "--socket \"host:99999\" is not HOST:PORT"},
        {{"--socket="}, "--socket \"\" is not HOST:PORT"},
        {{"--settings", "fast", "--port", "a"}, "--settings \"fast\" is not valid"},
        {{"--simulator=yes"}, "--simulator takes no value"},
        {{"--simulator", "--port", "/dev/ttyS0"}, "choose one of --simulator, --port and --socket"},
        {{"--port", "a", "--socket", "h:1"}, "choose one of --simulator, --port and --socket"},
        {{"--socket", "h:1", "--settings", "9600,n,8,1"}, "--settings goes with --port"},
        {{"--settings", "9600,n,8,1"}, "--settings goes with --port"},
    };
    for (const auto& [args, error] : cases) {
        SCOPED_TRACE(testing::PrintToString(args));
        EXPECT_EQ(parse(args).error, error);
    }
}

TEST(PortOptions, AValueIsNeverTakenForAnOption) {
    // "--port --simulator": the device is the word after --port, whatever it looks like, and the
    // reader moves past it.
    const std::vector<std::string> args = {"--port", "--simulator", "rest"};
    std::size_t i = 0;
    PortOptions options;
    EXPECT_EQ(takePortOption(args, i, options), std::optional<std::string>(""));
    EXPECT_EQ(i, 1u);
    EXPECT_EQ(options.mode, PortMode::Serial);
    EXPECT_EQ(options.device, "--simulator");
    i = 2;
    EXPECT_EQ(takePortOption(args, i, options), std::nullopt);
    EXPECT_EQ(i, 2u);
}

}  // namespace
}  // namespace vq
