#include "app/settings_review_text.h"

#include "messages/message_ids.h"
#include "messages/messages.h"
#include "model/record_fields.h"
#include "model/setting_rules.h"
#include "model/settings_table.h"

namespace vq {

std::string ReviewGroupText(ReviewGroup group) {
    switch (group) {
        case ReviewGroup::Identity:
            return ResMessage(msg::ReviewGroupIdentity);
        case ReviewGroup::Stations:
            return ResMessage(msg::ReviewGroupStations);
        case ReviewGroup::Channels:
            return ResMessage(msg::ReviewGroupChannels);
        case ReviewGroup::Instrument:
            return ResMessage(msg::ReviewGroupInstrument);
        case ReviewGroup::Library:
            return ResMessage(msg::ReviewGroupLibrary);
    }
    return {};
}

std::string ReviewCaptionText(const ReviewRow& row) {
    const std::string number = std::to_string(row.number);
    if (row.group == ReviewGroup::Channels)
        return ResMessage(msg::ReviewChannelItem, {ResMessage(row.caption), number});
    if (row.number != 0) return ResMessage(row.caption, {number});
    return ResMessage(row.caption);
}

std::string ReviewValueText(const ShownValue& value) {
    // A text the instrument holds is shown with every byte that is not printable ASCII escaped.
    return value.messageId != 0 ? ResMessage(value.messageId) : ShownText(value.text);
}

ReviewSummary SummariseReview(const std::vector<ReviewRow>& rows) {
    ReviewSummary summary;
    for (const ReviewRow& row : rows) {
        if (row.differs()) {
            summary.changes.push_back(row);
        } else if (row.group != ReviewGroup::Identity && row.group != ReviewGroup::Stations) {
            ++summary.unchangedSent;
        }
    }
    return summary;
}

ReviewSummary SummariseReview(const std::vector<ReviewRow>& rows,
                              const std::set<std::string>& sentKeys) {
    std::vector<ReviewRow> sent;
    std::vector<ReviewRow> notSent;
    for (const ReviewRow& row : rows)
        (sentKeys.contains(ReviewRowWriteKey(row)) ? sent : notSent).push_back(row);
    ReviewSummary summary = SummariseReview(sent);
    for (const ReviewRow& row : notSent)
        if (row.differs()) summary.notWritten.push_back(row);
    return summary;
}

std::string ReviewRowWriteKey(const ReviewRow& row) {
    if (row.code != "XS") return row.code;
    if (row.group == ReviewGroup::Stations && row.number > 0)
        return "XS," + HexDigits(static_cast<std::uint32_t>(row.number - 1), 4);
    return "XS,****";
}

std::string NotWrittenCountText(const ReviewSummary& summary) {
    if (summary.notWritten.empty()) return {};
    return ResMessage(msg::NotWrittenCount, {std::to_string(summary.notWritten.size())});
}

std::vector<std::string> WrittenBeforeStopLines(const InstrumentModel& before,
                                                const InstrumentModel& held) {
    const ReviewSummary written = SummariseReview(ReviewRows(before, held));
    if (written.changes.empty()) return {ResMessage(msg::NothingWrittenBeforeFailure)};
    std::vector<std::string> lines{ResMessage(msg::WrittenBeforeFailure)};
    for (const ReviewRow& row : written.changes) {
        lines.push_back("  " + ReviewCaptionText(row) + ": " + ReviewValueText(row.onInstrument) +
                        " -> " + ReviewValueText(row.toWrite));
    }
    return lines;
}

std::string ReviewCountText(const ReviewSummary& summary) {
    if (summary.changes.empty()) return ResMessage(msg::ReviewNothingChanges);
    const std::string changed = std::to_string(summary.changes.size());
    if (summary.unchangedSent == 0) return ResMessage(msg::ReviewCountOnly, {changed});
    return ResMessage(msg::ReviewCount, {changed, std::to_string(summary.unchangedSent)});
}

std::vector<std::string> ReviewLines(const ReviewSummary& summary) {
    std::vector<std::string> lines;
    bool first = true;
    ReviewGroup group{};
    for (const ReviewRow& row : summary.changes) {
        if (first || row.group != group) lines.push_back(ReviewGroupText(row.group));
        first = false;
        group = row.group;
        lines.push_back("  " + ReviewCaptionText(row) + ": " + ReviewValueText(row.onInstrument) +
                        " -> " + ReviewValueText(row.toWrite));
    }
    if (!summary.notWritten.empty()) lines.push_back(ResMessage(msg::NotWrittenHeading));
    for (const ReviewRow& row : summary.notWritten) {
        lines.push_back(ResMessage(msg::NotWrittenRow,
                                   {ReviewCaptionText(row), ReviewValueText(row.onInstrument),
                                    ReviewValueText(row.toWrite)}));
    }
    lines.push_back(ReviewCountText(summary));
    if (!summary.notWritten.empty()) lines.push_back(NotWrittenCountText(summary));
    return lines;
}

}  // namespace vq
