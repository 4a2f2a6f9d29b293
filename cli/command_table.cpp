#include "cli/command_table.h"

#include "cli/commands/commands.h"

namespace vq::cli {

const std::vector<CommandSpec>& commandTable() {
    static const std::vector<CommandSpec> table{
        {"probe", "connect, read the identity; print model, ROM number, serial number", &runProbe},
    };
    return table;
}

const CommandSpec* findCommand(std::string_view name) {
    for (const auto& command : commandTable()) {
        if (command.name == name) return &command;
    }
    return nullptr;
}

}  // namespace vq::cli
