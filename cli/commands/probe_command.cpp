// probe: connect with the "RC,R," probe, then the identity read; print what the instrument says
// it is.
#include <string>

#include "cli/command_table.h"
#include "cli/commands/commands.h"
#include "cli/exit_codes.h"
#include "cli/output.h"
#include "cli/session.h"
#include "model/instrument.h"
#include "model/setting_rules.h"
#include "protocol/frame.h"

namespace vq::cli {
namespace {

// The payload of the probe reply: what follows "RC,R," up to the ETX, every byte that is not
// printable ASCII shown as "\xHH" so nothing the instrument sends acts on the terminal.
std::string probeReplyText(const std::string& frame) {
    const auto key = frame.find("RC,R,");
    if (key == std::string::npos) return {};
    const auto start = key + 5;
    const auto end = frame.find(ETX, start);
    return ShownText(frame.substr(start, end == std::string::npos ? end : end - start));
}

// An identity text the instrument holds, as a person is shown it.
QString shown(const std::string& text) {
    return QString::fromStdString(ShownText(text));
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
    SessionLine ops = context.session.line();
    Output& out = context.out;
    const std::string model = probeReplyText(ops.lastReply());
    out.field("port", "Port", QString::fromStdString(context.session.portDescription()));
    out.field("model", "Model", QString::fromStdString(model));

    InstrumentModel instrument;
    if (!context.session.reads().readIdentity(instrument)) {
        out.error("the identity read failed");
        return kExitFailed;
    }
    out.field("romNumber", "ROM number", static_cast<double>(instrument.RomNumber()));
    out.field("serialNumber", "Serial number", shown(instrument.SerialNo()));
    out.field("secondSerialNumber", "Second serial number", shown(instrument.DummySerial()));
    out.field("userId", "User ID", shown(instrument.UserID()));
    out.field("stationId", "Station ID", shown(instrument.StationID()));
    return kExitSuccess;
}

}  // namespace vq::cli
