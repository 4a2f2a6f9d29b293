#pragma once
// The commands of vq5100ctl. Each command lives in its own file under cli/commands/ and is
// listed once in command_table.cpp.

#include <string>
#include <string_view>
#include <vector>

namespace vq::cli {

class Output;
class Session;
struct GlobalOptions;

struct CommandContext {
    const GlobalOptions& options;
    const std::vector<std::string>& args;
    Session& session;
    Output& out;
};

// Runs the command and returns its exit status (exit_codes.h).
using CommandRun = int (*)(CommandContext& context);

struct CommandSpec {
    std::string_view name;
    std::string_view summary;
    CommandRun run;
};

const std::vector<CommandSpec>& commandTable();
const CommandSpec* findCommand(std::string_view name);

}  // namespace vq::cli
