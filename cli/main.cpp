// vq5100ctl: the instrument operations from the command line, for scripts and service benches.
#include <QCoreApplication>
#include <csignal>
#include <iostream>
#include <string>
#include <variant>
#include <vector>

#include "cli/command_table.h"
#include "cli/exit_codes.h"
#include "cli/options.h"
#include "cli/output.h"
#include "cli/session.h"
#include "messages/messages.h"

int main(int argc, char** argv) {
    using namespace vq::cli;
    // A write past the file-size limit (as on a full disk) must fail with an error the file
    // writers report and undo, never end the process half-way through a file.
    std::signal(SIGXFSZ, SIG_IGN);
    QCoreApplication app(argc, argv);
    const std::vector<std::string> args(argv + 1, argv + argc);
    const auto parsed = parseCommandLine(args);
    if (const auto* usage = std::get_if<UsageError>(&parsed)) {
        const bool json = std::find(args.begin(), args.end(), "--json") != args.end();
        Output out(json, std::cout, std::cerr);
        out.error(usage->message);
        if (!json) std::cerr << usageText();
        return out.finish(kExitUsage);
    }
    const CommandLine& line = std::get<CommandLine>(parsed);
    if (line.options.help) {
        std::cout << usageText();
        return kExitSuccess;
    }
    if (!line.options.lang.empty()) {
        vq::setLanguage(line.options.lang == "ja" ? vq::Language::Japanese : vq::Language::English);
    }
    Output out(line.options.json, std::cout, std::cerr);
    out.setCommand(line.command);
    Session session(line.options);
    CommandContext context{line.options, line.args, session, out};
    return out.finish(findCommand(line.command)->run(context));
}
