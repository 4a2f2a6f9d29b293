#include "platform/settings_update.h"

#include <algorithm>

#include "app/rule_reason_text.h"
#include "app/update_flags.h"
#include "app/update_validation.h"
#include "app/write_operations.h"
#include "link/write_failure_text.h"
#include "link/write_verify.h"
#include "messages/messages.h"
#include "model/ole_date.h"
#include "model/setting_rules.h"
#include "model/settings_review.h"

namespace vq {

InstrumentModel UpdateToSend(const InstrumentModel& model, bool idOnly,
                             const InstrumentModel* held) {
    InstrumentModel flagged = model;
    PrepareUpdateFlags(flagged, idOnly, held);
    return flagged;
}

ReviewSummary UpdateReview(const InstrumentModel& held, const InstrumentModel& model, bool idOnly) {
    std::vector<ReviewRow> rows = ReviewRows(held, model);
    if (idOnly) {
        std::erase_if(rows, [](const ReviewRow& row) {
            return row.group != ReviewGroup::Identity && row.group != ReviewGroup::Stations;
        });
    }
    // Listed as changes are only the settings this write sends.
    ReviewSummary summary =
        SummariseReview(rows, SentWriteKeys(UpdateToSend(model, idOnly, &held)));
    if (idOnly) summary.unchangedSent = 0;
    return summary;
}

std::vector<std::string> SettingsUpdate::Result::failureLines() const {
    return WriteRunFailureLines(write);
}

SettingsUpdate::SettingsUpdate(WriteOperations& operations, InstrumentModel& model,
                               const InstrumentModel* held, bool idOnly)
    : operations_(operations), model_(model), held_(held), idOnly_(idOnly) {}

std::optional<SettingsUpdate::Refusal> SettingsUpdate::refusal() const {
    // What the instrument already holds and nobody changed is sent back as it is, not judged.
    if (const std::optional<UpdateRefusal> refused = ValidateUpdate(model_, held_))
        return Refusal{UpdateRefusalText(model_, *refused, held_), refused->titleId};
    // The same rules a settings file is held to, on exactly what will be sent.
    if (const auto problems =
            CheckSettingRules(UpdateToSend(model_, idOnly_, held_), RuleScope::Changed, held_);
        !problems.empty())
        return Refusal{ResMessage(msg::SettingsRefusedInfo, {problems.front().code + ": " +
                                                             ReasonText(problems.front().reason)}),
                       msg::UpdateTitle};
    return std::nullopt;
}

ReviewSummary SettingsUpdate::review() const {
    return held_ != nullptr ? UpdateReview(*held_, model_, idOnly_) : ReviewSummary{};
}

SettingsUpdate::Result SettingsUpdate::run(double now) {
    PrepareUpdateFlags(model_, idOnly_, held_);
    Result result{{}, model_, std::nullopt};
    operations_.AddLog(ResMessage(msg::UploadStartSequenceLog, {GeneralDate(now)}));
    // succeeded() only when the instrument holds every setting sent.
    result.write = operations_.WriteSettings(model_);
    if (held_ != nullptr) {
        // The read-back says what the instrument holds; without one, what it acknowledged.
        result.held =
            HeldAfterWrite(*held_, result.sent, result.write.held ? *result.write.held : model_);
    }
    return result;
}

}  // namespace vq
