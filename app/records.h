#pragma once
// The instrument records: every successful read, every write, every zero and span run and every
// dump, kept per instrument (by serial number) so a bench can tell when an instrument was last
// calibrated, with what result, when it is due and what was changed by whom. The settings CSV
// stays as it is; the records are kept beside it.
//
// This header holds what the records are, the due-date rule and the store's interface; the
// database behind it lives in platform/ (records_sql_store.h). A snapshot of the settings is the
// settings command file text (app/settings_file.h): comparing two snapshots loads both and builds
// the review rows, the same list a write shows before it sends anything.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/records_state.h"
#include "model/settings_review.h"

namespace vq {

class InstrumentModel;

// SerialChange: a serial number this program wrote and read back; the store joins the old
// serial's history to the new one (RecordEvent::previousSerial, serialJoined).
enum class RecordKind { Read = 0, Write = 1, Zero = 2, Span = 3, Dump = 4, SerialChange = 5 };

// "read", "write", "zero", "span", "dump", "serial": the words the store and the tools use.
const char* RecordKindName(RecordKind kind);
std::optional<RecordKind> RecordKindFromName(std::string_view name);

// The calibration history of one channel ("SO,R"): when, and the reading before and after.
struct CalHistory {
    double date = 0;  // OLE date; 0 when the instrument holds none
    float before = 0;
    float after = 0;
};

// One channel of a record. A read fills gas, enabled and history; a zero or span run fills every
// field (history is the history after the run, historyBefore the one before it).
struct ChannelRecord {
    int channel = 0;  // 0..4
    std::string gas;
    bool enabled = true;
    double concentration = 0;  // the span gas (0 for a zero)
    std::string result;        // "OK", "NG" or empty (a read)
    CalHistory historyBefore;
    CalHistory history;
};

// One line of the review list of a write: what the instrument held and what was sent.
struct RecordChange {
    std::string code;
    int number = 0;
    std::string caption;
    std::string from;
    std::string to;
};

struct RecordEvent {
    RecordKind kind = RecordKind::Read;
    std::string serial;
    std::string station;
    std::string user;
    double pcTime = 0;          // OLE date
    double instrumentTime = 0;  // OLE date; 0 when unknown
    bool success = true;
    int calLimit = 0;                     // a read: the instrument's CalLimit days
    std::string snapshot;                 // a read: the settings read; a write: what was written
    std::vector<RecordChange> changes;    // a write
    std::vector<ChannelRecord> channels;  // a read, a zero or a span
    std::string file;                     // a dump
    std::int64_t size = 0;                // a dump
    // An event brought in from elsewhere (the settings CSV): the same key is never added twice.
    std::string importKey;
    std::string note;  // free text kept with the event (an imported row's action)
    RecordOrigin origin = RecordOrigin::Reported;
    std::string importFile;  // an imported event: the file it came from
    double importTime = 0;   // and when it was imported (OLE date)
    // Set by the store: the PC time lay too far past the store's newest evidence to be believed.
    bool clockAhead = false;
    // 32 hexadecimal digits (128 random bits), given when the event is first stored and the same
    // in every store it reaches: a store never adds an event with an id it holds.
    std::string eventId;
    // The manufacture number the instrument reports (its read-only second number): kept with the
    // serial, never used to join instruments (virtual instruments all share one). Empty: unknown.
    std::string manufactureNo;
    // A write that changed the serial number, and the serial change made of it: the serial before.
    std::string previousSerial;
    // Set by the store on a serial change: false when the new serial already named another
    // instrument's history, so the two were not joined (the change stays in the old history).
    bool serialJoined = true;
};

// ---- what the store gives back ----

struct InstrumentSummary {
    std::string serial;
    std::string station;
    std::string user;
    long long events = 0;
    std::string manufactureNo;
    // Every event came from the built-in virtual instrument: left out of the fleet unless asked.
    bool simulated = false;
    InstrumentRecordState record;  // what the state rule needs (app/records_state.h)
    // The evidence the state is read from: gas, enabled, CalLimit, dates per channel.
    const InstrumentEvidence& evidence() const { return record.evidence(); }
};

// A calibration reading the instrument has got; nothing for its no-value number (-101) or
// anything else that cannot be a reading.
std::optional<double> RecordedLevel(float value);

struct TimelineEntry {
    long long id = 0;
    RecordEvent event;  // without the snapshot text (see RecordsStore::snapshot)
    bool hasSnapshot = false;
};

// ---- building records from the model ----

// The header fields (serial, station, user, instrument clock from the offset the read measured).
RecordEvent RecordFor(RecordKind kind, const InstrumentModel& model, double pcTime);
// A successful read: the snapshot, CalLimit and each channel's gas and history.
RecordEvent ReadRecord(const InstrumentModel& model, double pcTime);
// A write: the rows that differ between what the instrument held and what was written.
RecordEvent WriteRecord(const InstrumentModel& onInstrument, const InstrumentModel& written,
                        bool success, double pcTime);
// A zero or span run of `channels` (0-based): history before from `before`, after from `after`,
// the result per channel as the instrument reported it.
RecordEvent CalibrationRecord(RecordKind kind, const InstrumentModel& before,
                              const InstrumentModel& after, const std::vector<int>& channels,
                              const std::vector<std::string>& results, double pcTime);

// The serial change a write made: a successful write (the instrument read back every setting
// sent) whose serial differs from the one it replaced. Nothing for any other event.
std::optional<RecordEvent> SerialChangeRecord(const RecordEvent& write);

// A dump written to `file` (its size read from the file) of the instrument `identity` names.
RecordEvent DumpRecord(const InstrumentModel& identity, const std::string& file, double pcTime);

// Two snapshots as the review list; nothing when either does not load.
std::optional<std::vector<ReviewRow>> CompareSnapshots(const std::string& older,
                                                       const std::string& newer);

// ---- the store ----

struct StoreStatus {
    bool ok = true;
    std::string error;  // why not, for one line of a log
    static StoreStatus failure(std::string why) { return {false, std::move(why)}; }
};

struct InstrumentSerials {
    std::string current;
    std::vector<std::string> former;
};

class RecordsStore {
  public:
    virtual ~RecordsStore() = default;
    // Adds the event in one transaction. An event with an importKey already present is not
    // added again (`added` false).
    virtual StoreStatus record(const RecordEvent& event, bool* added = nullptr) = 0;
    // Adds all of them; `added` counts those not present before. A long run commits in slices
    // (SQLite: about 0.4 s each) so other programs' events are not held off; a slice that fails
    // adds nothing, and running the same import again adds only what is missing (import keys).
    virtual StoreStatus recordAll(const std::vector<RecordEvent>& events, int* added = nullptr) = 0;
    virtual StoreStatus instruments(std::vector<InstrumentSummary>& out) = 0;
    // The instruments that may need attention at `now` within `days`, in the fleet list's
    // order: at least every one DueList keeps of the whole fleet, so DueList of these is DueList
    // of the fleet. A store that keeps nothing for it gives the whole fleet.
    virtual StoreStatus dueCandidates(double now, int days, std::vector<InstrumentSummary>& out) {
        (void)now;
        (void)days;
        return instruments(out);
    }
    // The one instrument of that serial, as instruments() lists it; nothing when there is none.
    virtual StoreStatus instrument(const std::string& serial,
                                   std::optional<InstrumentSummary>& out) {
        out.reset();
        std::vector<InstrumentSummary> fleet;
        const StoreStatus status = instruments(fleet);
        for (InstrumentSummary& s : fleet)
            if (s.serial == serial) out = std::move(s);
        return status;
    }
    // Oldest first.
    virtual StoreStatus timeline(const std::string& serial, std::vector<TimelineEntry>& out) = 0;
    // The same reading as a piece of work that may run on another thread (on a connection of its
    // own), so that a window can read a long history without waiting for it; empty when this
    // store can only be read where it was opened.
    virtual std::function<StoreStatus(std::vector<TimelineEntry>&)> timelineReader(
        const std::string& serial) {
        (void)serial;
        return {};
    }
    virtual StoreStatus snapshot(long long eventId, std::string& text) = 0;
    // The instrument `serial` finds: its serial now and those it had before serial changes
    // (oldest change first). A store without serial changes gives `serial` itself.
    virtual StoreStatus serials(const std::string& serial, InstrumentSerials& out) {
        out = {serial, {}};
        return {};
    }
};

// The fleet as shown: instruments of the built-in virtual instrument only when asked.
std::vector<InstrumentSummary> ShownFleet(std::vector<InstrumentSummary> fleet, bool simulated);

// The instruments that need attention: failed and overdue whatever `days` says, and those due
// within `days`; most severe first, then the soonest due.
struct DueEntry {
    InstrumentSummary instrument;
    Assessment assessment;
};
std::vector<DueEntry> DueList(const std::vector<InstrumentSummary>& fleet, double now, int days);

}  // namespace vq
