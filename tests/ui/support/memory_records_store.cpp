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
    if (!present) events_.push_back(event);
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
    std::vector<const RecordEvent*> ordered;
    for (const RecordEvent& e : events_) ordered.push_back(&e);
    std::stable_sort(
        ordered.begin(), ordered.end(),
        [](const RecordEvent* a, const RecordEvent* b) { return a->pcTime < b->pcTime; });
    for (const RecordEvent* e : ordered) {
        InstrumentSummary& it = fleet[e->serial];
        it.serial = e->serial;
        it.station = e->station;
        it.user = e->user;
        ++it.events;
        if (e->kind == RecordKind::Read && e->success) {
            it.lastRead = e->pcTime;
            it.calLimit = e->calLimit;
        }
        for (const ChannelRecord& ch : e->channels) {
            if (ch.channel < 0 || ch.channel >= 5) continue;
            ChannelSummary& summary = it.channels[static_cast<std::size_t>(ch.channel)];
            if (!ch.gas.empty()) summary.gas = ch.gas;
            if (e->kind == RecordKind::Read) summary.enabled = ch.enabled;
            summary.calDate = ch.history.date;
            if (e->kind == RecordKind::Zero || e->kind == RecordKind::Span)
                summary.result = ch.result;
        }
    }
    out.clear();
    for (auto& [serial, summary] : fleet) out.push_back(summary);
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
