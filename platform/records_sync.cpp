#include "platform/records_sync.h"

namespace vq {

SyncResult SendQueued(RecordsSqlStore& local, RecordsSqlStore& shared, int batch) {
    SyncResult result;
    std::vector<TimelineEntry> events;
    std::vector<RecordEvent> sending;
    std::vector<long long> ids;
    for (;;) {
        result.status = local.queued(batch, events);
        if (!result.status.ok || events.empty()) break;
        sending.clear();
        ids.clear();
        for (TimelineEntry& t : events) {
            ids.push_back(t.id);
            sending.push_back(std::move(t.event));
        }
        int added = 0;
        result.status = shared.recordAll(sending, &added);
        if (!result.status.ok) break;
        result.sent += added;
        result.alreadyThere += static_cast<long long>(sending.size()) - added;
        result.status = local.dequeue(ids);
        if (!result.status.ok) break;
    }
    const StoreStatus counted = local.queuedCount(result.waiting);
    if (result.status.ok && !counted.ok) result.status = counted;
    return result;
}

}  // namespace vq
