// zero and span CH[,CH...] [--conc V,...]: the calibration runs of the calibration window, with
// a result per channel. A channel that did not pass makes the run a failure.
#include <QJsonArray>
#include <QJsonObject>

#include "app/calibration_texts.h"
#include "app/records.h"
#include "cli/command_table.h"
#include "cli/commands/command_support.h"
#include "cli/commands/commands.h"
#include "cli/exit_codes.h"
#include "cli/output.h"
#include "cli/session.h"
#include "messages/message_ids.h"
#include "model/instrument.h"
#include "model/setting_rules.h"
#include "model/text_rules.h"
#include "platform/calibration_run.h"

namespace vq::cli {
namespace {

// The run goes into the instrument records with the calibration history before (as read) and
// after it (read by the run).
void recordRun(CommandContext& context, const CalibrationRun& run, const InstrumentModel& model,
               const InstrumentModel& after, const ChannelFlags& listed) {
    if (!run.outcome().historyRead)
        context.out.warning("the calibration history after the run could not be read");
    if (const auto event = run.record(listed, model, after, model))
        context.session.records().record(*event);
}

// Prints one line per listed channel; kExitFailed when one of them did not pass.
int reportResults(CommandContext& context, const CalibrationRun& run, const InstrumentModel& model,
                  const InstrumentModel& after, const ChannelFlags& listed) {
    const bool zeroRun = run.outcome().kind == CalibrationKind::Zero;
    QJsonArray channels;
    bool allPassed = true;
    for (int ch = 0; ch < kCalChannels; ++ch) {
        if (!listed[static_cast<std::size_t>(ch)]) continue;
        const bool passed = run.outcome().passed[static_cast<std::size_t>(ch)];
        allPassed = allPassed && passed;
        const std::string gas = ShownText(TrimText(model.GasName(ch)));
        context.out.line("CH" + std::to_string(ch + 1) + " " + gas + ": " +
                         (passed ? "Adjustment Complete." : "Failed"));
        QJsonObject channel;
        channel.insert("channel", ch + 1);
        channel.insert("gas", QString::fromStdString(gas));
        channel.insert("passed", passed);
        channels.append(channel);
    }
    context.out.field("channels", "", channels);
    recordRun(context, run, model, after, listed);
    if (!allPassed) {
        context.out.error(std::string(zeroRun ? "zero" : "span") +
                          " calibration failed on a channel");
        return kExitFailed;
    }
    return kExitSuccess;
}

// Channels "1,3" (1 to 5) into flags; nothing for a bad or repeated channel.
std::optional<ChannelFlags> parseChannels(const std::vector<std::string>& parts) {
    ChannelFlags selection{};
    if (parts.empty()) return std::nullopt;
    for (const auto& part : parts) {
        const auto ch = parseInt(part, 1, kCalChannels);
        if (!ch || selection[static_cast<std::size_t>(*ch - 1)]) return std::nullopt;
        selection[static_cast<std::size_t>(*ch - 1)] = true;
    }
    return selection;
}

}  // namespace

int runZero(CommandContext& context) {
    const CommandArgs args(context.args, {}, {});
    if (const int status = checkArgs(context, args, 0); status != kExitSuccess) return status;
    if (const int status = connectSession(context); status != kExitSuccess) return status;
    InstrumentModel model;
    if (const int status = readAllSettings(context, model); status != kExitSuccess) return status;
    CalibrationRun run = context.session.calibrationRun(kCtlRunStyle);
    InstrumentModel after = model;
    if (!run.zero(&after).taken) {
        context.out.error(messageLine(msg::CalibrationFailInfo));  // "VQ-5100 Calibration Fail."
        return kExitFailed;
    }
    ChannelFlags usable{};
    for (int ch = 0; ch < kCalChannels; ++ch)
        usable[static_cast<std::size_t>(ch)] = CalibrationUsable(model, ch);
    return reportResults(context, run, model, after, ListedChannels(usable, {}, true));
}

int runSpan(CommandContext& context) {
    const CommandArgs args(context.args, {"--conc"}, {});
    if (const int status = checkArgs(context, args, 1, 1); status != kExitSuccess) return status;
    const std::vector<std::string> channelParts = splitCommas(args.positional().front());
    const auto selection = parseChannels(channelParts);
    if (!selection) {
        context.out.error("channels \"" + args.positional().front() +
                          "\": give channels 1 to 5, separated by commas, each once");
        return kExitUsage;
    }
    std::vector<std::string> concentrations;
    if (const auto given = args.value("--conc")) {
        concentrations = splitCommas(*given);
        if (concentrations.size() != channelParts.size()) {
            context.out.error("--conc needs one concentration for each channel");
            return kExitUsage;
        }
    }
    if (const int status = connectSession(context); status != kExitSuccess) return status;
    InstrumentModel model;
    if (const int status = readAllSettings(context, model); status != kExitSuccess) return status;

    for (std::size_t i = 0; i < concentrations.size(); ++i) {
        const int ch = *parseInt(channelParts[i], 1, kCalChannels) - 1;
        const AutoCalEdit edit = EvaluateAutoCalEdit(model, model, ch, concentrations[i]);
        if (edit.kind != AutoCalEdit::Stored) {
            context.out.error("concentration \"" + concentrations[i] + "\" is not allowed on CH" +
                              std::to_string(ch + 1) +
                              (edit.notice.empty() ? std::string() : ": " + edit.notice));
            return kExitUsage;
        }
        model.setAutoCalib(ch, edit.value);
    }
    for (int ch = 0; ch < kCalChannels; ++ch) {
        if ((*selection)[static_cast<std::size_t>(ch)] && !CalibrationUsable(model, ch)) {
            context.out.error("CH" + std::to_string(ch + 1) +
                              " has no gas or no calibration gas concentration");
            return kExitUsage;
        }
    }
    CalibrationRun run = context.session.calibrationRun(kCtlRunStyle);
    InstrumentModel after = model;
    if (!run.span(model, *selection, &after).taken) {
        context.out.error(messageLine(msg::CalibrationFailInfo));
        return kExitFailed;
    }
    return reportResults(context, run, model, after, *selection);
}

}  // namespace vq::cli
