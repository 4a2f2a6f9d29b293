#include "app/settings_review_text.h"

#include "messages/message_ids.h"
#include "messages/messages.h"
#include "model/setting_rules.h"

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
    lines.push_back(ReviewCountText(summary));
    return lines;
}

}  // namespace vq
