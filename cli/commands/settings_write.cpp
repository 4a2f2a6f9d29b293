#include "cli/commands/settings_write.h"

#include <QJsonArray>
#include <QJsonObject>

#include "app/records.h"
#include "app/settings_csv.h"
#include "app/settings_review_text.h"
#include "cli/command_table.h"
#include "cli/commands/command_support.h"
#include "cli/exit_codes.h"
#include "cli/output.h"
#include "cli/session.h"
#include "messages/messages.h"
#include "model/instrument.h"
#include "model/ole_date.h"
#include "model/setting_rules.h"
#include "model/settings_review.h"
#include "platform/settings_update.h"

namespace vq::cli {

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

const char* groupKey(ReviewGroup group) {
    switch (group) {
        case ReviewGroup::Identity:
            return "identity";
        case ReviewGroup::Stations:
            return "stations";
        case ReviewGroup::Channels:
            return "channels";
        case ReviewGroup::Instrument:
            return "instrument";
        case ReviewGroup::Library:
            return "library";
    }
    return "";
}

}  // namespace

void printReview(Output& out, const InstrumentModel& onInstrument, const InstrumentModel& toWrite,
                 bool idOnly) {
    // The window's review of "Update" (platform/settings_update.h).
    const ReviewSummary summary = UpdateReview(onInstrument, toWrite, idOnly);
    for (const std::string& line : ReviewLines(summary)) out.line(line);
    QJsonArray changes;
    for (const ReviewRow& row : summary.changes) {
        QJsonObject change{{"group", groupKey(row.group)},
                           {"code", qs(row.code)},
                           {"setting", qs(ReviewCaptionText(row))},
                           {"instrument", qs(ReviewValueText(row.onInstrument))},
                           {"write", qs(ReviewValueText(row.toWrite))}};
        if (row.number != 0) change["number"] = row.number;
        changes.append(change);
    }
    out.field("changes", "", changes);
    QJsonArray notWritten;
    for (const ReviewRow& row : summary.notWritten) {
        notWritten.append(QJsonObject{{"group", groupKey(row.group)},
                                      {"code", qs(row.code)},
                                      {"setting", qs(ReviewCaptionText(row))},
                                      {"instrument", qs(ReviewValueText(row.onInstrument))},
                                      {"file", qs(ReviewValueText(row.toWrite))}});
    }
    out.field("not_written", "", notWritten);
    out.field("unchanged_written", "", summary.unchangedSent);
}

int writeSettings(CommandContext& context, const InstrumentModel& onInstrument,
                  InstrumentModel& model, bool idOnly) {
    Output& out = context.out;
    // The window's "Update" flow: the same checks, the same flags of what is sent, the same
    // write and read-back (platform/settings_update.h).
    SettingsUpdate update(context.session.writes(), model, &onInstrument, idOnly);
    if (const auto refusal = update.refusal()) {
        out.error(refusal->text);
        return kExitUsage;
    }
    const std::string notWritten = NotWrittenCountText(update.review());
    // The write and its read-back: succeeded() only when the instrument holds every setting sent.
    const SettingsUpdate::Result run = update.run(pcNow(context));
    const SettingsWriteResult& result = run.write;
    context.session.records().record(
        WriteRecord(onInstrument, model, result.succeeded(), pcNow(context)));
    if (!result.succeeded()) {
        std::vector<std::string> lines = run.failureLines();
        if (lines.empty()) lines.push_back("the instrument did not take the settings");
        if (context.session.events().lineDropped) lines.front() += " (the line dropped)";
        // What the instrument holds of it now, as the window lists it.
        if (result.held && run.held) {
            for (const std::string& line : WrittenBeforeStopLines(onInstrument, *run.held))
                lines.push_back(line);
        }
        for (const std::string& line : lines) out.error(line);
        return kExitFailed;
    }
    out.line("Settings written.");
    if (!notWritten.empty()) out.line(notWritten);
    out.field("written", "Written", true);
    const auto action = idOnly ? CsvAction::WriteID : CsvAction::Write;
    return appendCsvRow(context, model, static_cast<int>(action)) ? kExitSuccess : kExitUsage;
}

}  // namespace vq::cli
