#pragma once
// What the instrument session records: opens the store on first use and adds events to it. A
// store that cannot be opened or written never stops the operation that made the event: the
// recorder reports one line saying the event was not recorded (the window's log, vq5100ctl's
// stderr) and the operation's result stands.
//
// Every event is committed to a local SQLite file first: the file the location names, or, when
// the location is a shared PostgreSQL store, the default file in the working folder, which then
// also queues the events for the shared store (records_sync.h). They are sent after each event,
// when a program starts (setConfiguredLocation, sendQueuedAtStart) and by sync(); a shared store
// that cannot be reached leaves them queued and says so in one line.
//
// A local file found damaged stops the recording for the rest of the run: nothing more is written
// into it, and every event says it was not recorded and why.

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "app/records.h"
#include "platform/records_sql_store.h"
#include "platform/records_sync.h"

namespace vq {

class RecordsRecorder {
  public:
    using Report = std::function<void(const std::string& line)>;

    // `location`: the --records value or the configuration key ("" for the default file in
    // `workDir`).
    RecordsRecorder(std::string location, std::string workDir);
    ~RecordsRecorder();
    RecordsRecorder(const RecordsRecorder&) = delete;
    RecordsRecorder& operator=(const RecordsRecorder&) = delete;

    void setReport(Report report) { report_ = std::move(report); }
    // Another place for the records; the store in use (if any) is closed.
    void setLocation(std::string location);
    // The configuration's place: taken unless the command line named one (setLocation). The
    // first call is the window's start: what is queued for a shared store is sent then.
    void setConfiguredLocation(std::string location);
    const std::string& location() const { return location_; }

    // Adds the event; false (and one reported line) when it was not recorded. A successful write
    // that changed the serial number is first recorded as a serial change (SerialChangeRecord):
    // both programs' identity writes pass through here, so the old serial's history becomes the
    // new one's. One line says so when the new serial already had a history of its own.
    bool record(const RecordEvent& event);
    // The session's instrument is the built-in virtual one: every event it records is marked
    // simulated. A virtual instrument on a serial line is real as far as the program can know.
    void setSimulated(bool simulated) { simulated_ = simulated; }
    bool simulated() const { return simulated_; }

    // The store for the tools that read and import; null with the reason in `status`.
    RecordsStore* store(StoreStatus& status);
    // The store opened read-only (listing, showing, exporting): nothing is created or written,
    // and a read-only file in a read-only folder can be read. Null with the reason in `status`
    // and its kind in `problem`.
    RecordsStore* readOnlyStore(StoreStatus& status, RecordsProblem* problem = nullptr);

    // Whether the location is a shared server (events then go through the local queue).
    bool shared() const;
    // The local SQLite file events are committed to first.
    std::string localFile() const;
    // Sends the queued events now; `status` says why not when the shared store or the local file
    // cannot be used. Without a shared store, nothing to do.
    SyncResult sync();
    // A program's start: sends what earlier runs left queued, if anything (one line when it
    // cannot). Opens nothing when there is no local file.
    void sendQueuedAtStart();

  private:
    RecordsSqlStore* openLocal(StoreStatus& status);
    RecordsSqlStore* openShared(StoreStatus& status);
    // After an event: sends the queue unless the shared store failed a moment ago; one line when
    // the event stays queued.
    void sendAfterEvent();
    void reportQueued(const std::string& why, long long waiting);
    bool add(RecordsSqlStore* local, const RecordEvent& event, StoreStatus& status);

    std::string location_;
    bool locationGiven_ = false;
    bool simulated_ = false;
    bool started_ = false;
    std::string workDir_;
    Report report_;
    std::unique_ptr<RecordsSqlStore> local_;
    std::unique_ptr<RecordsSqlStore> shared_;
    std::unique_ptr<RecordsSqlStore> reader_;
    // What the local file's damage was; once set, nothing is written for the rest of the run.
    std::string damage_;
    // A shared store that failed is not tried again after every event until then.
    std::chrono::steady_clock::time_point retryShared_{};
    std::string sharedFailure_;
};

}  // namespace vq
