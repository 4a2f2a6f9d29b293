#include "app/records.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "app/settings_file.h"
#include "app/settings_review_text.h"
#include "model/instrument.h"
#include "model/ole_date.h"
#include "model/text_rules.h"

namespace vq {

namespace {

constexpr const char* kKindNames[] = {"read", "write", "zero", "span", "dump"};

// Dates before 1900 are what an instrument without a history leaves in the model.
bool knownDate(double date) {
    return std::isfinite(date) && date > 1.0;
}

CalHistory historyOf(const clsInstrument& m, int ch) {
    return CalHistory{m.CalibDate(ch), m.CalibBefore(ch), m.CalibAfter(ch)};
}

}  // namespace

const char* RecordKindName(RecordKind kind) {
    return kKindNames[static_cast<int>(kind)];
}

std::optional<RecordKind> RecordKindFromName(std::string_view name) {
    for (int i = 0; i < static_cast<int>(std::size(kKindNames)); ++i)
        if (name == kKindNames[i]) return static_cast<RecordKind>(i);
    return std::nullopt;
}

Due DueFor(double calDate, int calLimit, double now, int soonDays) {
    if (!knownDate(calDate) || calLimit <= 0) return {};
    Due due;
    due.date = AddDays(calDate, calLimit);
    const double left = DaysBetween(due.date, now);
    due.state = left < 0 ? DueState::Overdue : left <= soonDays ? DueState::DueSoon : DueState::Ok;
    return due;
}

Due InstrumentDue(const InstrumentSummary& summary, double now, int soonDays) {
    Due earliest;
    for (const ChannelSummary& ch : summary.channels) {
        if (!ch.enabled) continue;
        const Due due = DueFor(ch.calDate, summary.calLimit, now, soonDays);
        if (due.state == DueState::Unknown) continue;
        if (earliest.state == DueState::Unknown || due.date < earliest.date) earliest = due;
    }
    return earliest;
}

const char* DueStateName(DueState state) {
    switch (state) {
        case DueState::Ok:
            return "ok";
        case DueState::DueSoon:
            return "due";
        case DueState::Overdue:
            return "overdue";
        case DueState::Unknown:
            break;
    }
    return "unknown";
}

std::vector<DueEntry> DueList(const std::vector<InstrumentSummary>& fleet, double now, int days) {
    std::vector<DueEntry> list;
    for (const InstrumentSummary& instrument : fleet) {
        const Due due = InstrumentDue(instrument, now, days);
        if (due.state == DueState::Overdue || due.state == DueState::DueSoon)
            list.push_back({instrument, due});
    }
    std::stable_sort(list.begin(), list.end(),
                     [](const DueEntry& a, const DueEntry& b) { return a.due.date < b.due.date; });
    return list;
}

RecordEvent RecordFor(RecordKind kind, const clsInstrument& model, double pcTime) {
    RecordEvent event;
    event.kind = kind;
    event.serial = TrimText(model.SerialNo());
    event.station = TrimText(model.StationID());
    event.user = TrimText(model.UserID());
    event.pcTime = pcTime;
    // The read measured the offset between the two clocks; the instrument's is the PC's less it.
    const double offset = model.SysDateOffset();
    if (std::isfinite(offset) && knownDate(model.SysDate())) {
        event.instrumentTime = AddDays(pcTime, -offset);
    }
    return event;
}

RecordEvent ReadRecord(const clsInstrument& model, double pcTime) {
    RecordEvent event = RecordFor(RecordKind::Read, model, pcTime);
    event.calLimit = model.CalLimit();
    event.snapshot = SettingsFileText(model);
    for (int ch = 0; ch < clsInstrument::channelCount; ++ch) {
        ChannelRecord channel;
        channel.channel = ch;
        channel.gas = TrimText(model.GasName(ch));
        channel.enabled = model.GasEnabled(ch);
        channel.history = historyOf(model, ch);
        channel.historyBefore = channel.history;
        event.channels.push_back(std::move(channel));
    }
    return event;
}

RecordEvent WriteRecord(const clsInstrument& onInstrument, const clsInstrument& written,
                        bool success, double pcTime) {
    RecordEvent event = RecordFor(RecordKind::Write, written, pcTime);
    event.success = success;
    event.snapshot = SettingsFileText(written);
    for (const ReviewRow& row : ReviewRows(onInstrument, written)) {
        if (!row.differs()) continue;
        event.changes.push_back({row.code, row.number, ReviewCaptionText(row),
                                 ReviewValueText(row.onInstrument), ReviewValueText(row.toWrite)});
    }
    return event;
}

RecordEvent CalibrationRecord(RecordKind kind, const clsInstrument& before,
                              const clsInstrument& after, const std::vector<int>& channels,
                              const std::vector<std::string>& results, double pcTime) {
    RecordEvent event = RecordFor(kind, before, pcTime);
    bool allPassed = true;
    for (std::size_t i = 0; i < channels.size(); ++i) {
        const int ch = channels[i];
        ChannelRecord channel;
        channel.channel = ch;
        channel.gas = TrimText(before.GasName(ch));
        channel.enabled = before.GasEnabled(ch);
        channel.concentration = kind == RecordKind::Span ? before.AutoCalib(ch) : 0.0;
        channel.result = i < results.size() ? results[i] : std::string();
        channel.historyBefore = historyOf(before, ch);
        channel.history = historyOf(after, ch);
        allPassed = allPassed && channel.result == "OK";
        event.channels.push_back(std::move(channel));
    }
    event.success = allPassed;
    return event;
}

RecordEvent DumpRecord(const clsInstrument& identity, const std::string& file, double pcTime) {
    RecordEvent event = RecordFor(RecordKind::Dump, identity, pcTime);
    event.file = file;
    std::error_code error;
    const auto size = std::filesystem::file_size(file, error);
    event.size = error ? 0 : static_cast<std::int64_t>(size);
    return event;
}

std::optional<std::vector<ReviewRow>> CompareSnapshots(const std::string& older,
                                                       const std::string& newer) {
    clsInstrument a;
    clsInstrument b;
    // Snapshots are what instruments held: compared as they are, not judged.
    if (!ReadHeldSettingsText(a, older).ok || !ReadHeldSettingsText(b, newer).ok)
        return std::nullopt;
    return ReviewRows(a, b);
}

}  // namespace vq
