#include "cli/commands/settings_write.h"

#include "app/settings_csv.h"
#include "app/update_flags.h"
#include "app/update_validation.h"
#include "cli/command_table.h"
#include "cli/commands/command_support.h"
#include "cli/exit_codes.h"
#include "cli/output.h"
#include "cli/session.h"
#include "link/write_failure_text.h"
#include "messages/messages.h"
#include "model/instrument.h"
#include "model/ole_date.h"
#include "model/setting_rules.h"

namespace vq::cli {
int writeSettings(CommandContext& context, clsInstrument& model, bool idOnly) {
    Output& out = context.out;
    if (const auto refusal = ValidateUpdate(model)) {
        out.error(messageLine(refusal->messageId));
        return kExitUsage;
    }
    PrepareUpdateFlags(model, idOnly);
    // What is about to be sent must pass the rules a window would have held it to.
    if (const auto problems = CheckSettingRules(model, RuleScope::Changed); !problems.empty()) {
        out.error(ResMessage(msg::SettingsRefusedInfo,
                             {problems.front().code + ": " + problems.front().reason}));
        return kExitUsage;
    }
    uclVqif& link = context.session.link();
    link.AddLog(
        ResMessage(msg::UploadStartSequenceLog, {GeneralDate(pcNow(context))}));  // upload start
    const SettingsWriteResult result = link.WriteSettings(&model);
    if (!result.succeeded()) {
        std::string text = result.failure ? WriteFailureText(*result.failure)
                                          : "the instrument did not take the settings";
        if (context.session.events().lineDropped) text += " (the line dropped)";
        out.error(text);
        return kExitFailed;
    }
    out.line("Settings written.");
    out.field("written", "Written", true);
    const auto action = idOnly ? CsvAction::WriteID : CsvAction::Write;
    return appendCsvRow(context, model, static_cast<int>(action)) ? kExitSuccess : kExitUsage;
}

}  // namespace vq::cli
