#include "cli/options.h"

#include <gtest/gtest.h>

#include <sstream>

#include "cli/output.h"

namespace vq::cli {
namespace {

CommandLine parsed(const std::vector<std::string>& args) {
    auto result = parseCommandLine(args);
    if (auto* error = std::get_if<UsageError>(&result)) {
        ADD_FAILURE() << "usage error: " << error->message;
        return {};
    }
    return std::get<CommandLine>(result);
}

std::string usageError(const std::vector<std::string>& args) {
    auto result = parseCommandLine(args);
    if (auto* error = std::get_if<UsageError>(&result)) return error->message;
    ADD_FAILURE() << "accepted";
    return {};
}

TEST(CommandLineOptions, DefaultsLeaveTheChoicesOpen) {
    const CommandLine line = parsed({"probe"});
    EXPECT_EQ(line.command, "probe");
    EXPECT_EQ(line.options.ports.mode, PortMode::Auto);
    EXPECT_EQ(line.options.ports.settings, "921600,n,8,1");
    EXPECT_FALSE(line.options.retry.has_value());
    EXPECT_FALSE(line.options.timeoutSeconds.has_value());
    EXPECT_FALSE(line.options.json);
    EXPECT_TRUE(line.args.empty());
}

TEST(CommandLineOptions, ReadsEveryGlobalOptionInBothSpellings) {
    const CommandLine line =
        parsed({"--port", "/dev/ttyUSB0", "--settings=9600,e,7,2", "--retry", "5", "--timeout=2",
                "--workdir", "/tmp/x", "--lang", "ja", "--records", "postgresql://vq@db:5432/r",
                "--json", "probe", "--not-mine", "arg"});
    EXPECT_EQ(line.options.ports.mode, PortMode::Serial);
    EXPECT_EQ(line.options.ports.device, "/dev/ttyUSB0");
    EXPECT_EQ(line.options.ports.settings, "9600,e,7,2");
    EXPECT_EQ(line.options.retry, 5);
    EXPECT_EQ(line.options.timeoutSeconds, 2);
    EXPECT_EQ(line.options.workDir, "/tmp/x");
    EXPECT_EQ(line.options.lang, "ja");
    EXPECT_EQ(line.options.records, "postgresql://vq@db:5432/r");
    EXPECT_TRUE(line.options.json);
    // Everything after the command is the command's own.
    EXPECT_EQ(line.args, (std::vector<std::string>{"--not-mine", "arg"}));

    EXPECT_EQ(parsed({"--socket", "127.0.0.1:5100", "probe"}).options.ports.mode, PortMode::Socket);
    EXPECT_EQ(parsed({"--simulator", "probe"}).options.ports.mode, PortMode::Simulator);
    EXPECT_EQ(parsed({"--retry", "0", "probe"}).options.retry, 0);
    // The bounds are the configuration file's: 0 to 10 resends, 1 to 60 seconds.
    const CommandLine edges = parsed({"--retry", "10", "--timeout", "60", "probe"});
    EXPECT_EQ(edges.options.retry, 10);
    EXPECT_EQ(edges.options.timeoutSeconds, 60);
    EXPECT_EQ(usageError({"--retry", "32767", "probe"}),
              "--retry needs a whole number from 0 to 10");
    EXPECT_EQ(usageError({"--timeout=61", "probe"}), "--timeout needs whole seconds from 1 to 60");
}

TEST(CommandLineOptions, RejectsWrongUseWithAReason) {
    EXPECT_EQ(usageError({}), "no command given");
    EXPECT_EQ(usageError({"--json"}), "no command given");
    EXPECT_NE(usageError({"fly"}).find("unknown command"), std::string::npos);
    EXPECT_NE(usageError({"--speed", "3", "probe"}).find("unknown option --speed"),
              std::string::npos);
    EXPECT_NE(usageError({"--port", "a", "--socket", "h:1", "probe"}).find("choose one"),
              std::string::npos);
    EXPECT_NE(usageError({"--simulator", "--port", "a", "probe"}).find("choose one"),
              std::string::npos);
    EXPECT_NE(usageError({"--socket", "h:1", "--settings", "9600,n,8,1", "probe"})
                  .find("--settings goes with --port"),
              std::string::npos);
    for (const std::vector<std::string>& bad :
         std::vector<std::vector<std::string>>{{"--retry", "-1", "probe"},
                                               {"--retry", "x", "probe"},
                                               {"--retry", "40000", "probe"},
                                               {"--retry", "11", "probe"},
                                               {"--timeout", "0", "probe"},
                                               {"--timeout", "61", "probe"},
                                               {"--timeout", "3277", "probe"},
                                               {"--timeout", "2.5", "probe"},
                                               {"--settings", "fast", "probe"},
                                               {"--socket", "host:99999", "probe"},
                                               {"--lang", "de", "probe"},
                                               {"--json=yes", "probe"},
                                               {"--port", "", "probe"},
                                               {"--records", "", "probe"},
                                               {"--records"},
                                               {"--port"}}) {
        EXPECT_FALSE(usageError(bad).empty());
    }
}

TEST(CommandLineOptions, HelpNeedsNoCommand) {
    EXPECT_TRUE(parsed({"--help"}).options.help);
    EXPECT_NE(usageText().find("probe"), std::string::npos);
}

TEST(CommandOutput, HumanTextGoesToStdoutAndErrorsToStderr) {
    std::ostringstream out;
    std::ostringstream err;
    Output output(false, out, err);
    output.field("model", "Model", QString("VQ-5100"));
    output.field("retries", "Retries", 3);
    output.field("fresh", "Fresh", true);
    output.error("no reply");
    EXPECT_EQ(output.finish(1), 1);
    EXPECT_EQ(out.str(), "Model: VQ-5100\nRetries: 3\nFresh: yes\n");
    EXPECT_EQ(err.str(), "vq5100ctl: no reply\n");
}

TEST(CommandOutput, JsonIsOneObjectWithStatusAndTheFirstError) {
    std::ostringstream out;
    std::ostringstream err;
    Output output(true, out, err);
    output.setCommand("probe");
    output.line("not for scripts");
    output.field("model", "Model", QString("VQ-5100 \"A\""));
    output.error("first");
    output.error("second");
    EXPECT_EQ(output.finish(3), 3);
    EXPECT_EQ(out.str(),
              "{\"command\":\"probe\",\"error\":\"first\",\"exitCode\":3,\"model\":\"VQ-5100 "
              "\\\"A\\\"\",\"ok\":false}\n");
    EXPECT_TRUE(err.str().empty());
}

}  // namespace
}  // namespace vq::cli
