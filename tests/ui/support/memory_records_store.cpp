#include "tests/ui/support/memory_records_store.h"

#include <algorithm>
#include <map>

namespace vq::ui_test {

StoreStatus MemoryRecordsStore::record(const RecordEvent& event, bool* added) {
    if (!failure.empty()) return StoreStatus::failure(failure);
    const bool present = !event.importKey.empty() &&
                         std::any_of(events_.begin(), events_.end(), [&](const RecordEvent& e) {
                             return e.importKey == event.importKey;
                         });
    if (!present) {
        // Flagged and folded as the database store does, by the same rule.
        RecordEvent kept = event;
        kept.clockAhead = kept.origin == RecordOrigin::Reported &&
                          IsClockAhead(kept.pcTime, kept.instrumentTime, newestTrusted_);
        FoldEvent(states_[kept.serial], kept, newestTrusted_);
        if (kept.origin == RecordOrigin::Reported && !kept.clockAhead)
            newestTrusted_ = std::max(newestTrusted_, kept.pcTime);
        events_.push_back(std::move(kept));
    }
    if (added) *added = !present;
    return {};
}

StoreStatus MemoryRecordsStore::recordAll(const std::vector<RecordEvent>& events, int* added) {
    if (!failure.empty()) return StoreStatus::failure(failure);
    int count = 0;
    for (const RecordEvent& event : events) {
        bool one = false;
        record(event, &one);
        count += one ? 1 : 0;
    }
    if (added) *added = count;
    return {};
}

StoreStatus MemoryRecordsStore::instruments(std::vector<InstrumentSummary>& out) {
    if (!failure.empty()) return StoreStatus::failure(failure);
    std::map<std::string, InstrumentSummary> fleet;
    for (const RecordEvent& e : events_) {
        InstrumentSummary& it = fleet[e.serial];
        it.serial = e.serial;
        if (!e.station.empty()) it.station = e.station;
        if (!e.user.empty()) it.user = e.user;
        ++it.events;
    }
    out.clear();
    for (auto& [serial, summary] : fleet) {
        summary.record = states_[serial];
        out.push_back(summary);
    }
    return {};
}

StoreStatus MemoryRecordsStore::timeline(const std::string& serial,
                                         std::vector<TimelineEntry>& out) {
    if (!failure.empty()) return StoreStatus::failure(failure);
    out.clear();
    for (std::size_t i = 0; i < events_.size(); ++i) {
        if (events_[i].serial != serial) continue;
        TimelineEntry entry;
        entry.id = static_cast<long long>(i + 1);
        entry.event = events_[i];
        entry.hasSnapshot = !entry.event.snapshot.empty();
        entry.event.snapshot.clear();
        out.push_back(std::move(entry));
    }
    std::stable_sort(out.begin(), out.end(), [](const TimelineEntry& a, const TimelineEntry& b) {
        return a.event.pcTime < b.event.pcTime;
    });
    return {};
}

StoreStatus MemoryRecordsStore::snapshot(long long eventId, std::string& text) {
    if (!failure.empty()) return StoreStatus::failure(failure);
    if (eventId < 1 || eventId > static_cast<long long>(events_.size()))
        return StoreStatus::failure("no event " + std::to_string(eventId));
    text = events_[static_cast<std::size_t>(eventId - 1)].snapshot;
    return {};
}

}  // namespace vq::ui_test
