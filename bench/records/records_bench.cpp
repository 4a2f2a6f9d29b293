// The instrument records at fleet size: a SQLite store of EVENTS events for INSTRUMENTS
// instruments (reads with their settings, writes with their review lists, zero and span runs,
// dumps) is built, then timed: the fleet list, the due list, one instrument's timeline, and one
// read-all's record (building the event from the model and committing it). Prints the medians
// and the size of the database file.
// Usage: bench_records FOLDER [EVENTS] [INSTRUMENTS] [HEAVY] [STORE]
//
// With HEAVY, the store also gets one instrument with HEAVY events (VQ-HEAVY), and the commands'
// own work is timed as `vq5100ctl records` does it, from opening the store read-only (with its
// opening check) on: the fleet list, the due list (its candidates, checked against the due list of
// the whole fleet), the heavy instrument's timeline with its own line, and the opening alone.
//
// With STORE as well, the store is that file, kept: built there when it does not exist, else
// reused as it is (building a million events takes minutes; a store of an older schema is
// migrated by the first, writing, opening).

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "app/records.h"
#include "model/instrument.h"
#include "platform/records_recorder.h"
#include "platform/records_sql_store.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Times {
    double wallMs = 0;
    double cpuMs = 0;  // this process's own: on a loaded machine the wall time is mostly waiting
};

template <typename F>
Times medianMs(int runs, F&& work) {
    std::vector<double> wall, cpu;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        const std::clock_t cpuStart = std::clock();
        work(i);
        wall.push_back(msSince(start));
        cpu.push_back(static_cast<double>(std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC);
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    return {wall[wall.size() / 2], cpu[cpu.size() / 2]};
}

// An instrument as a read leaves it: five gases, settings that differ between instruments and a
// little between reads, a calibration history.
vq::InstrumentModel instrument(int index, int event) {
    vq::InstrumentModel m;
    m.setSerialNo("VQ" + std::to_string(100000 + index));
    m.setStationID("Station " + std::to_string(index % 40));
    m.setUserID("Tech " + std::to_string(index % 12));
    m.setCalLimit(static_cast<int16_t>(30 + index % 300));
    constexpr int16_t intervals[] = {10, 20, 30, 60, 180, 300, 600};
    m.setIntervals(intervals[(index + event) % 7]);
    for (int ch = 0; ch < vq::InstrumentModel::channelCount; ++ch) {
        m.setGasEnabled(ch, true);
        m.setGasName(ch, "GAS" + std::to_string(ch));
        m.setGasFullScale(ch, 100);
        m.setResolution(ch, 1);
        m.setGasUnit(ch, "ppm");
        m.setCalibDate(ch, 45500.0 + (index * 7 + event * 3 + ch) % 400);
        m.setCalibBefore(ch, static_cast<float>(event % 17));
        m.setCalibAfter(ch, static_cast<float>(ch * 10));
    }
    for (int s = 0; s < 8; ++s) m.setStationList(s, "P" + std::to_string((index + s) % 90));
    return m;
}

vq::RecordEvent event(int index, int n, double when) {
    const vq::InstrumentModel m = instrument(index, n);
    switch (n % 10) {
        case 1:
        case 5: {
            vq::InstrumentModel written = m;
            written.setCalLimit(static_cast<int16_t>(m.CalLimit() % 365 + 1));
            return vq::WriteRecord(m, written, true, when);
        }
        case 3:
            return vq::CalibrationRecord(vq::RecordKind::Zero, m, m, {0, 1, 2, 3, 4},
                                         {"OK", "OK", "OK", "OK", "OK"}, when);
        case 7:
            return vq::CalibrationRecord(vq::RecordKind::Span, m, instrument(index, n + 1), {0, 2},
                                         {"OK", n % 20 == 7 ? "NG" : "OK"}, when);
        case 9:
            if (n % 50 == 49) return vq::DumpRecord(m, "/bench/VQ5100.DAT", when);
            [[fallthrough]];
        default:
            return vq::ReadRecord(m, when);
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr,
                     "usage: bench_records FOLDER [EVENTS] [INSTRUMENTS] [HEAVY] [STORE]\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    const int events = argc > 2 ? std::atoi(argv[2]) : 100000;
    const int instruments = argc > 3 ? std::atoi(argv[3]) : 2000;
    const int heavy = argc > 4 ? std::atoi(argv[4]) : 0;
    const bool kept = argc > 5;
    const std::string file = kept ? std::string(argv[5]) : (folder / vq::kRecordsFileName).string();
    const bool reuse = kept && std::filesystem::exists(file);
    if (!kept) std::filesystem::remove(file);

    vq::StoreStatus status;
    const auto where = vq::ParseRecordsLocation(file, "");
    auto store = vq::RecordsSqlStore::open(*where, status);
    if (!store) {
        std::fprintf(stderr, "%s\n", status.error.c_str());
        return 1;
    }
    // Built a thousand events to a transaction: the figures are of reading the store, and of
    // one event recorded on its own below.
    const auto built = Clock::now();
    std::vector<vq::RecordEvent> batch;
    for (int n = 0; n < (reuse ? 0 : events); ++n) {
        const int index = n % instruments;
        batch.push_back(event(index, n / instruments, 45000.0 + n * 0.01));
        if (batch.size() == 1000 || n + 1 == events) {
            status = store->recordAll(batch);
            if (!status.ok) {
                std::fprintf(stderr, "%s\n", status.error.c_str());
                return 1;
            }
            batch.clear();
        }
    }
    for (int n = 0; n < (reuse ? 0 : heavy); ++n) {
        vq::RecordEvent e = event(instruments, n, 45000.0 + n * 0.1);
        e.serial = "VQ-HEAVY";
        batch.push_back(std::move(e));
        if (batch.size() == 1000 || n + 1 == heavy) {
            status = store->recordAll(batch);
            if (!status.ok) {
                std::fprintf(stderr, "%s\n", status.error.c_str());
                return 1;
            }
            batch.clear();
        }
    }
    const double buildS = msSince(built) / 1000.0;
    if (heavy > 0) {
        store.reset();
        // As the commands do it: a store opened read-only for each, checked, then read.
        const auto opened = [&] {
            vq::StoreStatus why;
            auto reader = vq::RecordsSqlStore::open(*where, why, vq::RecordsAccess::ReadOnly);
            if (!reader) {
                std::fprintf(stderr, "%s\n", why.error.c_str());
                std::exit(1);
            }
            return reader;
        };
        // The opening alone (with its check), the part every command pays before its query.
        const Times openMs = medianMs(9, [&](int) { opened(); });
        std::vector<vq::InstrumentSummary> fleet;
        const Times listMs = medianMs(9, [&](int) { opened()->instruments(fleet); });
        std::size_t dueCount = 0;
        std::vector<vq::InstrumentSummary> candidates;
        const Times dueMs = medianMs(9, [&](int) {
            opened()->dueCandidates(45900.0, vq::kDueSoonDays, candidates);
            dueCount = vq::DueList(candidates, 45900.0, vq::kDueSoonDays).size();
        });
        if (dueCount != vq::DueList(fleet, 45900.0, vq::kDueSoonDays).size()) {
            std::fprintf(stderr, "the due list of the candidates differs from the fleet's\n");
            return 1;
        }
        std::vector<vq::TimelineEntry> timeline;
        // As `records show` does it: the timeline, then that instrument's line.
        std::optional<vq::InstrumentSummary> heavySummary;
        const Times showMs = medianMs(9, [&](int) {
            auto reader = opened();
            reader->timeline("VQ-HEAVY", timeline);
            reader->instrument("VQ-HEAVY", heavySummary);
        });
        if (!heavySummary || heavySummary->events != heavy) {
            std::fprintf(stderr, "VQ-HEAVY is not listed with its %d events\n", heavy);
            return 1;
        }
        std::uintmax_t bytes = std::filesystem::file_size(file);
        std::printf(
            "events=%d instruments=%zu build_s=%.1f list_ms=%.2f list_cpu_ms=%.2f due_ms=%.2f "
            "due_cpu_ms=%.2f due_count=%zu show_ms=%.2f show_cpu_ms=%.2f show_events=%zu "
            "db_mb=%.1f open_ms=%.2f open_cpu_ms=%.2f\n",
            events + heavy, fleet.size(), buildS, listMs.wallMs, listMs.cpuMs, dueMs.wallMs,
            dueMs.cpuMs, dueCount, showMs.wallMs, showMs.cpuMs, timeline.size(),
            static_cast<double>(bytes) / (1024.0 * 1024.0), openMs.wallMs, openMs.cpuMs);
        return 0;
    }

    std::vector<vq::InstrumentSummary> fleet;
    const Times fleetMs = medianMs(9, [&](int) { store->instruments(fleet); });
    if (static_cast<int>(fleet.size()) != instruments) {
        std::fprintf(stderr, "%zu instruments listed, %d expected\n", fleet.size(), instruments);
        return 1;
    }
    std::size_t dueCount = 0;
    const double today = 45900.0;
    std::vector<vq::InstrumentSummary> candidates;
    const Times dueMs = medianMs(9, [&](int) {
        store->dueCandidates(today, vq::kDueSoonDays, candidates);
        dueCount = vq::DueList(candidates, today, vq::kDueSoonDays).size();
    });
    std::mt19937 random(5100);
    std::vector<vq::TimelineEntry> timeline;
    std::size_t timelineEvents = 0;
    const Times timelineMs = medianMs(51, [&](int) {
        store->timeline(fleet[random() % fleet.size()].serial, timeline);
        timelineEvents = timeline.size();
    });

    // One read-all as the programs record it: the event from the model, then its transaction.
    vq::RecordsRecorder recorder(file, folder.string());
    recorder.setReport([](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); });
    recorder.record(vq::ReadRecord(instrument(1, 0), today));  // opened once, as in a session
    const Times recordMs = medianMs(21, [&](int i) {
        recorder.record(vq::ReadRecord(instrument(i % instruments, 1000 + i), today + i));
    });
    recorder.setLocation(file);  // closes it: the file below is the whole store
    store.reset();

    std::uintmax_t bytes = 0;
    for (const char* suffix : {"", "-wal", "-shm"}) {
        std::error_code error;
        const auto size = std::filesystem::file_size(file + suffix, error);
        if (!error) bytes += size;
    }
    std::printf(
        "events=%d instruments=%d build_s=%.1f fleet_ms=%.2f fleet_cpu_ms=%.2f "
        "due_ms=%.2f due_cpu_ms=%.2f due_count=%zu timeline_ms=%.3f timeline_cpu_ms=%.3f "
        "timeline_events=%zu record_ms=%.3f record_cpu_ms=%.3f db_mb=%.1f\n",
        events, instruments, buildS, fleetMs.wallMs, fleetMs.cpuMs, dueMs.wallMs, dueMs.cpuMs,
        dueCount, timelineMs.wallMs, timelineMs.cpuMs, timelineEvents, recordMs.wallMs,
        recordMs.cpuMs, static_cast<double>(bytes) / (1024.0 * 1024.0));
    return 0;
}
