#pragma once
// A records store held in memory for the window tests: events kept as given, the fleet
// summarised from them the way the database store summarises its tables. A test can make every
// call fail with a reason, as a locked or missing database would.

#include <map>
#include <string>
#include <vector>

#include "app/records.h"

namespace vq::ui_test {

class MemoryRecordsStore final : public RecordsStore {
  public:
    StoreStatus record(const RecordEvent& event, bool* added = nullptr) override;
    StoreStatus recordAll(const std::vector<RecordEvent>& events, int* added = nullptr) override;
    StoreStatus instruments(std::vector<InstrumentSummary>& out) override;
    StoreStatus timeline(const std::string& serial, std::vector<TimelineEntry>& out) override;
    StoreStatus snapshot(long long eventId, std::string& text) override;

    // Non-empty: every call fails with this reason.
    std::string failure;

  private:
    std::vector<RecordEvent> events_;  // event id = index + 1
    std::map<std::string, InstrumentRecordState> states_;
    double newestTrusted_ = 0;
};

}  // namespace vq::ui_test
