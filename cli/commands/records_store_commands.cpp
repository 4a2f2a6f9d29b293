// records sync | records check: the store itself rather than what it holds. `sync` sends the
// events the local file queued for a shared PostgreSQL store (exit 1 when the server cannot be
// reached: they stay queued); `check` runs the full integrity check of the local SQLite file
// (exit 1 when it is damaged, naming what is wrong). Both take --json. Every other "records"
// command is records_commands.cpp's.
#include <QJsonArray>
#include <filesystem>

#include "cli/command_table.h"
#include "cli/commands/command_support.h"
#include "cli/commands/commands.h"
#include "cli/exit_codes.h"
#include "cli/output.h"
#include "cli/session.h"
#include "messages/messages.h"
#include "platform/records_recorder.h"
#include "platform/records_sql_connection.h"

namespace vq::cli {
namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

int syncRecords(CommandContext& context, RecordsRecorder& recorder) {
    if (!recorder.shared()) {
        context.out.error(ResMessage(msg::RecordsNotShared, {recorder.localFile()}));
        return kExitUsage;
    }
    if (std::error_code error; !std::filesystem::exists(recorder.localFile(), error)) {
        context.out.error(ResMessage(msg::RecordsMissing, {recorder.localFile()}));
        return kExitUsage;
    }
    const SyncResult result = recorder.sync();
    context.out.field("sent", "Sent", static_cast<double>(result.sent));
    context.out.field("alreadyThere", "Already there", static_cast<double>(result.alreadyThere));
    context.out.field("waiting", "Still waiting", static_cast<double>(result.waiting));
    if (!result.status.ok) {
        context.out.error(result.status.error);
        return kExitFailed;
    }
    return kExitSuccess;
}

int checkRecords(CommandContext& context, RecordsRecorder& recorder) {
    const std::string file = recorder.localFile();
    RecordsLocation location;
    location.path = file;
    std::vector<std::string> findings;
    RecordsProblem problem = RecordsProblem::None;
    const StoreStatus status = CheckRecordsFile(location, findings, problem);
    if (problem == RecordsProblem::Missing) {
        context.out.error(status.error);
        return kExitUsage;
    }
    context.out.field("file", "", qs(file));
    QJsonArray found;
    for (const std::string& line : findings) found.append(qs(line));
    context.out.field("damage", "", found);
    if (!status.ok) {
        context.out.error(status.error);
        return kExitFailed;
    }
    if (!findings.empty()) {
        for (const std::string& line : findings) context.out.line(line);
        context.out.error(ResMessage(msg::RecordsWhere, {file}) + ": " +
                          ResMessage(msg::RecordsDamaged, {findings.front()}));
        return kExitFailed;
    }
    context.out.line(ResMessage(msg::RecordsCheckClean, {file}));
    return kExitSuccess;
}

}  // namespace

int runRecordsCommand(CommandContext& context) {
    const CommandArgs args(context.args, {"--days"}, {"--json"});
    const bool mine = args.ok() && !args.positional().empty() &&
                      (args.positional().front() == "sync" || args.positional().front() == "check");
    if (!mine) return runRecords(context);
    if (const int status = checkArgs(context, args, 1, 1); status != kExitSuccess) return status;
    if (args.has("--json")) context.out.setJson(true);
    if (args.value("--days")) {
        context.out.error("--days goes with records due");
        return kExitUsage;
    }
    RecordsRecorder* recorder = nullptr;
    if (const int status = context.session.openRecorder(context.out, recorder);
        status != kExitSuccess)
        return status;
    if (args.positional().front() == "sync") return syncRecords(context, *recorder);
    return checkRecords(context, *recorder);
}

}  // namespace vq::cli
