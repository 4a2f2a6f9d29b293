#pragma once
// The review of a write in words: captions and values from the message tables, grouped, with the
// count of unchanged settings a write sends along.

#include <set>
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
    // Settings that differ but that the command never sends (a settings file's minimum flow):
    // listed apart, never as a change.
    std::vector<ReviewRow> notWritten{};
};
ReviewSummary SummariseReview(const std::vector<ReviewRow>& rows);
// The same, knowing the requests the write sends (by their key, "WB", "XS,0005", "XS,****"):
// a row whose request is not among them is not written, whether it differs or not.
ReviewSummary SummariseReview(const std::vector<ReviewRow>& rows,
                              const std::set<std::string>& sentKeys);

// The key of the write request that carries a row: its command, and for the station list and
// the station id the entry ("XS,0005", "XS,****").
std::string ReviewRowWriteKey(const ReviewRow& row);

// "3 settings change. 56 unchanged settings are written as well ...", or that nothing changes.
std::string ReviewCountText(const ReviewSummary& summary);

// For people: the changes under their group headings, the settings not written under their own
// heading, then the count line and, when some are not written, the line that says so.
std::vector<std::string> ReviewLines(const ReviewSummary& summary);

// "2 settings in the file are not written by this command."; empty when there are none.
std::string NotWrittenCountText(const ReviewSummary& summary);

// After a write that stopped: the settings whose value on the instrument `held` now differs from
// `before`, under the heading that says they were written before the stop, or the line that
// nothing was written.
std::vector<std::string> WrittenBeforeStopLines(const InstrumentModel& before,
                                                const InstrumentModel& held);

}  // namespace vq
