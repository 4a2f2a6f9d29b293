#pragma once
// The way events reach a shared store: each is committed to the local SQLite file first, queued
// there in its own transaction, and sent from that queue whenever the shared store can be reached
// (after each event, when a program starts, and by `vq5100ctl records sync`).
//
// A batch is committed on the shared store, then taken off the local queue. When the answer is
// lost between the two, the batch goes again the next time and the shared store keeps each event
// once (by its event id): no event is lost, none is kept twice.

#include "platform/records_sql_store.h"

namespace vq {

struct SyncResult {
    StoreStatus status;
    long long sent = 0;          // added to the shared store
    long long alreadyThere = 0;  // the shared store had them (an earlier answer was lost)
    long long waiting = 0;       // still queued afterwards
};

// Sends everything queued in `local` to `shared`, `batch` events per transaction.
SyncResult SendQueued(RecordsSqlStore& local, RecordsSqlStore& shared, int batch = 200);

}  // namespace vq
