#pragma once
// What the instrument session records: opens the store on first use and adds events to it. A
// store that cannot be opened or written never stops the operation that made the event: the
// recorder reports one line saying the event was not recorded (the window's log, vq5100ctl's
// stderr) and the operation's result stands.

#include <functional>
#include <memory>
#include <string>

#include "app/records.h"
#include "platform/records_sql_store.h"

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
    // The configuration's place: taken unless the command line named one (setLocation).
    void setConfiguredLocation(std::string location);
    const std::string& location() const { return location_; }

    // Adds the event; false (and one reported line) when it was not recorded.
    bool record(const RecordEvent& event);

    // The store for the tools that read it; null with the reason in `status`.
    RecordsStore* store(StoreStatus& status);

  private:
    std::string location_;
    bool locationGiven_ = false;
    std::string workDir_;
    Report report_;
    std::unique_ptr<RecordsSqlStore> store_;
};

}  // namespace vq
