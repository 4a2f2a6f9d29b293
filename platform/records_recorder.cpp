#include "platform/records_recorder.h"

#include "messages/messages.h"

namespace vq {

namespace {

std::string kindText(RecordKind kind) {
    switch (kind) {
        case RecordKind::Read:
            return ResMessage(msg::RecordKindRead);
        case RecordKind::Write:
            return ResMessage(msg::RecordKindWrite);
        case RecordKind::Zero:
            return ResMessage(msg::RecordKindZero);
        case RecordKind::Span:
            return ResMessage(msg::RecordKindSpan);
        case RecordKind::Dump:
            break;
    }
    return ResMessage(msg::RecordKindDump);
}

}  // namespace

RecordsRecorder::RecordsRecorder(std::string location, std::string workDir)
    : location_(std::move(location)), workDir_(std::move(workDir)) {}

RecordsRecorder::~RecordsRecorder() = default;

void RecordsRecorder::setLocation(std::string location) {
    store_.reset();
    location_ = std::move(location);
    locationGiven_ = true;
}

void RecordsRecorder::setConfiguredLocation(std::string location) {
    if (locationGiven_) return;
    store_.reset();
    location_ = std::move(location);
}

RecordsStore* RecordsRecorder::store(StoreStatus& status) {
    status = {};
    if (store_) return store_.get();
    std::string error;
    const auto where = ParseRecordsLocation(location_, workDir_, &error);
    if (!where) {
        status = StoreStatus::failure(error);
        return nullptr;
    }
    store_ = RecordsSqlStore::open(*where, status);
    return store_.get();
}

bool RecordsRecorder::record(const RecordEvent& event) {
    StoreStatus status;
    RecordsStore* store = this->store(status);
    if (store) status = store->record(event);
    if (status.ok) return true;
    // A store that failed once is opened afresh next time: a server back up, a lock released.
    store_.reset();
    if (report_) report_(ResMessage(msg::RecordsNotRecorded, {kindText(event.kind), status.error}));
    return false;
}

}  // namespace vq
