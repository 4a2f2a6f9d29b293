#include "app/records.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string_view>

#include "app/settings_file.h"
#include "app/settings_review_text.h"
#include "model/instrument.h"
#include "model/ole_date.h"
#include "model/text_rules.h"

namespace vq {

namespace {

constexpr const char* kKindNames[] = {"read", "write", "zero", "span", "dump", "serial"};

// Dates before 1900 are what an instrument without a history leaves in the model.
bool knownDate(double date) {
    return std::isfinite(date) && date > 1.0;
}

// An instrument without a manufacture number shows a row of dashes: that is none.
std::string ManufactureNumber(const InstrumentModel& m) {
    const std::string text = TrimText(m.DummySerial());
    return text.find_first_not_of('-') == std::string::npos ? std::string() : text;
}

CalHistory historyOf(const InstrumentModel& m, int ch) {
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

std::optional<double> RecordedLevel(float value) {
    // The model's no-value number is -101; no gas reading goes below -100.
    if (!std::isfinite(value) || value <= -100.0f) return std::nullopt;
    return static_cast<double>(value);
}

std::vector<DueEntry> DueList(const std::vector<InstrumentSummary>& fleet, double now, int days) {
    // Sorted by index, then copied once: an entry carries the instrument's whole evidence, and
    // moving entries about is most of the work when thousands are due.
    std::vector<std::pair<std::size_t, Assessment>> found;
    for (std::size_t i = 0; i < fleet.size(); ++i) {
        const Assessment a = Assess(fleet[i].record, now, days);
        if (NeedsAttention(a.state)) found.emplace_back(i, a);
    }
    std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
        const int sa = StateSeverity(a.second.state), sb = StateSeverity(b.second.state);
        if (sa != sb) return sa > sb;
        return a.second.due < b.second.due;
    });
    std::vector<DueEntry> list;
    list.reserve(found.size());
    for (const auto& [index, a] : found) list.push_back({fleet[index], a});
    return list;
}

RecordEvent RecordFor(RecordKind kind, const InstrumentModel& model, double pcTime) {
    RecordEvent event;
    event.kind = kind;
    event.serial = TrimText(model.SerialNo());
    event.station = TrimText(model.StationID());
    event.user = TrimText(model.UserID());
    event.manufactureNo = ManufactureNumber(model);
    event.pcTime = pcTime;
    // The read measured the offset between the two clocks; the instrument's is the PC's less it.
    const double offset = model.SysDateOffset();
    if (std::isfinite(offset) && knownDate(model.SysDate())) {
        event.instrumentTime = AddDays(pcTime, -offset);
    }
    return event;
}

namespace {

// The settings file leaves the station list out, so a snapshot carries it in comment lines the
// settings reader skips (";STATION,n,text"); "Compare" reads them back.
constexpr std::string_view kStationLine = ";STATION,";

std::string snapshotText(const InstrumentModel& model) {
    std::string text = SettingsFileText(model);
    for (int i = 0; i < InstrumentModel::stationCount; ++i)
        text +=
            std::string(kStationLine) + std::to_string(i + 1) + "," + model.StationList(i) + "\r\n";
    return text;
}

// The stations of a snapshot into `model`; false when the snapshot has none (older records).
bool readSnapshotStations(std::string_view text, InstrumentModel& model) {
    bool any = false;
    for (std::size_t at = text.find(kStationLine); at != std::string_view::npos;
         at = text.find(kStationLine, at + 1)) {
        std::string_view line = text.substr(at + kStationLine.size());
        line = line.substr(0, line.find_first_of("\r\n"));
        const std::size_t comma = line.find(',');
        if (comma == std::string_view::npos) continue;
        int number = 0;
        for (const char c : line.substr(0, comma)) number = number * 10 + (c - '0');
        if (number < 1 || number > InstrumentModel::stationCount) continue;
        model.setStationList(number - 1, std::string(line.substr(comma + 1)));
        any = true;
    }
    return any;
}

}  // namespace

RecordEvent ReadRecord(const InstrumentModel& model, double pcTime) {
    RecordEvent event = RecordFor(RecordKind::Read, model, pcTime);
    event.calLimit = model.CalLimit();
    event.snapshot = snapshotText(model);
    for (int ch = 0; ch < InstrumentModel::channelCount; ++ch) {
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

RecordEvent WriteRecord(const InstrumentModel& onInstrument, const InstrumentModel& written,
                        bool success, double pcTime) {
    RecordEvent event = RecordFor(RecordKind::Write, written, pcTime);
    event.success = success;
    event.snapshot = snapshotText(written);
    if (const std::string before = TrimText(onInstrument.SerialNo()); before != event.serial)
        event.previousSerial = before;
    for (const ReviewRow& row : ReviewRows(onInstrument, written)) {
        if (!row.differs()) continue;
        event.changes.push_back({row.code, row.number, ReviewCaptionText(row),
                                 ReviewValueText(row.onInstrument), ReviewValueText(row.toWrite)});
    }
    return event;
}

std::optional<RecordEvent> SerialChangeRecord(const RecordEvent& write) {
    if (write.kind != RecordKind::Write || !write.success || write.previousSerial.empty() ||
        write.serial.empty() || write.previousSerial == write.serial)
        return std::nullopt;
    RecordEvent change = write;
    change.kind = RecordKind::SerialChange;
    change.snapshot.clear();
    change.changes.clear();
    change.eventId.clear();
    change.importKey.clear();
    return change;
}

std::vector<InstrumentSummary> ShownFleet(std::vector<InstrumentSummary> fleet, bool simulated) {
    if (!simulated) std::erase_if(fleet, [](const InstrumentSummary& s) { return s.simulated; });
    return fleet;
}

RecordEvent CalibrationRecord(RecordKind kind, const InstrumentModel& before,
                              const InstrumentModel& after, const std::vector<int>& channels,
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

RecordEvent DumpRecord(const InstrumentModel& identity, const std::string& file, double pcTime) {
    RecordEvent event = RecordFor(RecordKind::Dump, identity, pcTime);
    event.file = file;
    std::error_code error;
    const auto size = std::filesystem::file_size(file, error);
    event.size = error ? 0 : static_cast<std::int64_t>(size);
    return event;
}

std::optional<std::vector<ReviewRow>> CompareSnapshots(const std::string& older,
                                                       const std::string& newer) {
    InstrumentModel a;
    InstrumentModel b;
    // Snapshots are what instruments held: compared as they are, not judged.
    if (!ReadHeldSettingsText(a, older).ok || !ReadHeldSettingsText(b, newer).ok)
        return std::nullopt;
    // Stations are compared only when both snapshots carry them: an older record without them
    // says nothing about the list.
    InstrumentModel stationsA;
    InstrumentModel stationsB;
    if (readSnapshotStations(older, stationsA) && readSnapshotStations(newer, stationsB))
        for (int i = 0; i < InstrumentModel::stationCount; ++i) {
            a.setStationList(i, stationsA.StationList(i));
            b.setStationList(i, stationsB.StationList(i));
        }
    return ReviewRows(a, b);
}

}  // namespace vq
