#pragma once
// The review of a write in words: captions and values from the message tables, grouped, with the
// count of unchanged settings a write sends along.

#include <string>
#include <vector>

#include "model/settings_review.h"

namespace vq {

std::string ReviewGroupText(ReviewGroup group);
// "Warning, channel 2", "Station3", "Leak check buzzer".
std::string ReviewCaptionText(const ReviewRow& row);
std::string ReviewValueText(const ShownValue& value);

// The rows that differ, and how many unchanged settings a write of every setting (identity texts
// and the station list excepted) sends as well.
struct ReviewSummary {
    std::vector<ReviewRow> changes;
    int unchangedSent = 0;
};
ReviewSummary SummariseReview(const std::vector<ReviewRow>& rows);

// "3 settings change. 56 unchanged settings are written as well ...", or that nothing changes.
std::string ReviewCountText(const ReviewSummary& summary);

// For people: the changes under their group headings, then the count line.
std::vector<std::string> ReviewLines(const ReviewSummary& summary);

}  // namespace vq
