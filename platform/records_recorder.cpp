#include "platform/records_recorder.h"

#include <filesystem>

#include "messages/messages.h"

namespace vq {

namespace {

// How long after a failed attempt the shared store is left alone (each attempt may wait for the
// connection time-out); an explicit sync always tries.
constexpr auto kSharedRetryPause = std::chrono::seconds(30);

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
        case RecordKind::SerialChange:
            return ResMessage(msg::RecordKindSerialChange);
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
    local_.reset();
    shared_.reset();
    reader_.reset();
    damage_.clear();
    location_ = std::move(location);
    locationGiven_ = true;
}

void RecordsRecorder::setConfiguredLocation(std::string location) {
    if (!locationGiven_) {
        local_.reset();
        shared_.reset();
        reader_.reset();
        damage_.clear();
        location_ = std::move(location);
    }
    if (!started_) sendQueuedAtStart();
}

bool RecordsRecorder::shared() const {
    const auto where = ParseRecordsLocation(location_, workDir_);
    return where && where->postgres;
}

std::string RecordsRecorder::localFile() const {
    const auto where = ParseRecordsLocation(shared() ? std::string() : location_, workDir_);
    return where ? where->path : std::string();
}

RecordsSqlStore* RecordsRecorder::openLocal(StoreStatus& status) {
    status = {};
    if (!damage_.empty()) {
        status = StoreStatus::failure(damage_);
        return nullptr;
    }
    if (local_) return local_.get();
    std::string error;
    const bool toShared = shared();
    const auto where = ParseRecordsLocation(toShared ? std::string() : location_, workDir_, &error);
    if (!where) {
        status = StoreStatus::failure(error);
        return nullptr;
    }
    RecordsProblem problem = RecordsProblem::None;
    local_ = RecordsSqlStore::open(*where, status, RecordsAccess::Write, &problem);
    if (problem == RecordsProblem::Damaged) damage_ = status.error;
    if (local_) local_->setQueueForShared(toShared);
    return local_.get();
}

RecordsSqlStore* RecordsRecorder::openShared(StoreStatus& status) {
    status = {};
    if (shared_) return shared_.get();
    std::string error;
    const auto where = ParseRecordsLocation(location_, workDir_, &error);
    if (!where) {
        status = StoreStatus::failure(error);
        return nullptr;
    }
    shared_ = RecordsSqlStore::open(*where, status);
    return shared_.get();
}

RecordsStore* RecordsRecorder::store(StoreStatus& status) {
    if (shared()) return openShared(status);
    return openLocal(status);
}

RecordsStore* RecordsRecorder::readOnlyStore(StoreStatus& status, RecordsProblem* problem) {
    status = {};
    if (problem) *problem = RecordsProblem::None;
    if (reader_) return reader_.get();
    std::string error;
    const auto where = ParseRecordsLocation(location_, workDir_, &error);
    if (!where) {
        status = StoreStatus::failure(error);
        if (problem) *problem = RecordsProblem::Other;
        return nullptr;
    }
    reader_ = RecordsSqlStore::open(*where, status, RecordsAccess::ReadOnly, problem);
    return reader_.get();
}

bool RecordsRecorder::add(RecordsSqlStore* local, const RecordEvent& event, StoreStatus& status) {
    const auto change = SerialChangeRecord(event);
    if (!change) {
        status = local->record(event);
        return status.ok;
    }
    bool joined = true;
    status = local->recordSerialChange(*change, joined);
    if (status.ok && !joined && report_)
        report_(ResMessage(msg::RecordsSerialNotJoined, {change->previousSerial, change->serial}));
    if (status.ok) status = local->record(event);
    return status.ok;
}

bool RecordsRecorder::record(const RecordEvent& given) {
    RecordEvent marked;
    if (simulated_ && given.origin == RecordOrigin::Reported) {
        marked = given;
        marked.origin = RecordOrigin::Simulated;
    }
    const RecordEvent& event =
        simulated_ && given.origin == RecordOrigin::Reported ? marked : given;
    StoreStatus status;
    RecordsSqlStore* local = openLocal(status);
    if (local) add(local, event, status);
    if (!status.ok) {
        if (local && local->damaged()) damage_ = status.error;
        // A store that failed once is opened afresh next time: a lock released, a folder made
        // writable. Not a damaged one: that stays untouched.
        local_.reset();
        if (report_)
            report_(ResMessage(msg::RecordsNotRecorded, {kindText(event.kind), status.error}));
        return false;
    }
    if (shared()) sendAfterEvent();
    return true;
}

SyncResult RecordsRecorder::sync() {
    SyncResult result;
    if (!shared()) {
        result.status = StoreStatus::failure(ResMessage(msg::RecordsNotShared, {localFile()}));
        return result;
    }
    RecordsSqlStore* local = openLocal(result.status);
    if (!local) return result;
    RecordsSqlStore* shared = openShared(result.status);
    if (!shared) {
        local->queuedCount(result.waiting);
        return result;
    }
    result = SendQueued(*local, *shared);
    if (!result.status.ok) {
        // The next attempt connects afresh: the server may be back by then.
        shared_.reset();
        if (local->damaged()) {
            damage_ = result.status.error;
            local_.reset();
        }
    } else {
        retryShared_ = {};
        sharedFailure_.clear();
    }
    return result;
}

void RecordsRecorder::sendQueuedAtStart() {
    started_ = true;
    if (!shared()) return;
    std::error_code error;
    if (!std::filesystem::exists(localFile(), error)) return;
    StoreStatus status;
    RecordsSqlStore* local = openLocal(status);
    long long waiting = 0;
    if (!local) {
        if (report_) report_(status.error);
        return;
    }
    if (!local->queuedCount(waiting).ok || waiting == 0) return;
    const SyncResult result = sync();
    if (!result.status.ok) {
        retryShared_ = std::chrono::steady_clock::now() + kSharedRetryPause;
        sharedFailure_ = result.status.error;
        reportQueued(result.status.error, result.waiting);
    }
}

void RecordsRecorder::sendAfterEvent() {
    if (std::chrono::steady_clock::now() < retryShared_) {
        long long waiting = 0;
        if (local_) local_->queuedCount(waiting);
        reportQueued(sharedFailure_, waiting);
        return;
    }
    const SyncResult result = sync();
    if (result.status.ok) return;
    retryShared_ = std::chrono::steady_clock::now() + kSharedRetryPause;
    sharedFailure_ = result.status.error;
    reportQueued(result.status.error, result.waiting);
}

void RecordsRecorder::reportQueued(const std::string& why, long long waiting) {
    if (!report_) return;
    const auto where = ParseRecordsLocation(location_, workDir_);
    report_(ResMessage(msg::RecordsQueued, {localFile(), where ? where->describe() : location_, why,
                                            std::to_string(waiting)}));
}

}  // namespace vq
