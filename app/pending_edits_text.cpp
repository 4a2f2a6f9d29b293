#include "app/pending_edits_text.h"

#include "app/settings_review_text.h"
#include "messages/messages.h"
#include "model/settings_review.h"

namespace vq {

std::string PendingEditsText(const InstrumentModel& held, const InstrumentModel& edited,
                             std::size_t maxLines) {
    const ReviewSummary summary = SummariseReview(ReviewRows(held, edited));
    const std::size_t count = summary.changes.size();
    if (count == 0) return {};
    std::string text = count == 1 ? ResMessage(msg::DefaultLosesOneEdit)
                                  : ResMessage(msg::DefaultLosesEdits, {std::to_string(count)});
    std::size_t shown = 0;
    for (const ReviewRow& row : summary.changes) {
        if (shown == maxLines) break;
        text += "\r\n" + ResMessage(msg::PendingEditLine,
                                    {ReviewCaptionText(row), ReviewValueText(row.toWrite),
                                     ReviewValueText(row.onInstrument)});
        ++shown;
    }
    if (shown < count)
        text += "\r\n" + ResMessage(msg::PendingEditsMore, {std::to_string(count - shown)});
    return text;
}

}  // namespace vq
