#include "cli/commands/settings_write.h"

#include <QJsonArray>
#include <QJsonObject>

#include "app/records.h"
#include "app/settings_csv.h"
#include "app/settings_review_text.h"
#include "app/update_flags.h"
#include "app/update_validation.h"
#include "cli/command_table.h"
#include "cli/commands/command_support.h"
#include "cli/exit_codes.h"
#include "cli/output.h"
#include "cli/session.h"
#include "link/write_failure_text.h"
#include "link/write_verify.h"
#include "messages/messages.h"
#include "model/instrument.h"
#include "model/ole_date.h"
#include "model/setting_rules.h"
#include "model/settings_review.h"

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

void printReview(Output& out, const clsInstrument& onInstrument, const clsInstrument& toWrite,
                 bool idOnly) {
    std::vector<ReviewRow> rows = ReviewRows(onInstrument, toWrite);
    // "Update ID" sends the identity texts and the station list only.
    if (idOnly) {
        std::erase_if(rows, [](const ReviewRow& row) {
            return row.group != ReviewGroup::Identity && row.group != ReviewGroup::Stations;
        });
    }
    // Listed as changes are only the settings this write sends.
    clsInstrument flagged = toWrite;
    PrepareUpdateFlags(flagged, idOnly);
    ReviewSummary summary = SummariseReview(rows, SentWriteKeys(flagged));
    if (idOnly) summary.unchangedSent = 0;
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

std::string notWrittenLine(const clsInstrument& onInstrument, const clsInstrument& toWrite,
                           bool idOnly) {
    clsInstrument flagged = toWrite;
    PrepareUpdateFlags(flagged, idOnly);
    return NotWrittenCountText(
        SummariseReview(ReviewRows(onInstrument, toWrite), SentWriteKeys(flagged)));
}

int writeSettings(CommandContext& context, const clsInstrument& onInstrument, clsInstrument& model,
                  bool idOnly) {
    Output& out = context.out;
    // What is about to be sent must pass the rules a window would have held it to; what the
    // instrument already holds and nobody changed is sent back as it is.
    if (const auto refusal = UpdateRefusalReason(model, idOnly, &onInstrument)) {
        out.error(*refusal);
        return kExitUsage;
    }
    PrepareUpdateFlags(model, idOnly);
    const std::string notWritten = notWrittenLine(onInstrument, model, idOnly);
    const clsInstrument sent = model;
    uclVqif& link = context.session.link();
    link.AddLog(
        ResMessage(msg::UploadStartSequenceLog, {GeneralDate(pcNow(context))}));  // upload start
    // The write and its read-back: succeeded() only when the instrument holds every setting sent.
    const SettingsWriteResult result = link.WriteSettings(&model);
    context.session.records().record(
        WriteRecord(onInstrument, model, result.succeeded(), pcNow(context)));
    if (!result.succeeded()) {
        std::vector<std::string> lines = WriteRunFailureLines(result);
        if (lines.empty()) lines.push_back("the instrument did not take the settings");
        if (context.session.events().lineDropped) lines.front() += " (the line dropped)";
        // What the instrument holds of it now, as the window lists it.
        if (result.held) {
            for (const std::string& line : WrittenBeforeStopLines(
                     onInstrument, HeldAfterWrite(onInstrument, sent, *result.held)))
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
