// probe: connect with the "RC,R," probe and print what the instrument says it is.
#include <string>

#include "cli/command_table.h"
#include "cli/commands/commands.h"
#include "cli/exit_codes.h"
#include "cli/output.h"
#include "cli/session.h"
#include "protocol/frame.h"

namespace vq::cli {
namespace {

// The payload of the probe reply: what follows "RC,R," up to the ETX, printable characters only.
std::string probeReplyText(const std::string& frame) {
    const auto key = frame.find("RC,R,");
    if (key == std::string::npos) return {};
    const auto start = key + 5;
    const auto end = frame.find(ETX, start);
    std::string text;
    for (const char c : frame.substr(start, end == std::string::npos ? end : end - start)) {
        if (static_cast<unsigned char>(c) >= 32 && static_cast<unsigned char>(c) < 127) {
            text += c;
        }
    }
    return text;
}

}  // namespace

int runProbe(CommandContext& context) {
    if (!context.args.empty()) {
        context.out.error("probe takes no arguments");
        return kExitUsage;
    }
    if (const int status = context.session.connect(context.out); status != kExitSuccess) {
        return status;
    }
    const std::string model = probeReplyText(context.session.link().LastReply());
    context.out.field("port", "Port", QString::fromStdString(context.session.portDescription()));
    context.out.field("model", "Model", QString::fromStdString(model));
    return kExitSuccess;
}

}  // namespace vq::cli
