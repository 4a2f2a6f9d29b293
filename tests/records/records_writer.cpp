#include "records/records_writer.h"

#include <sys/resource.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "app/settings_file.h"
#include "model/instrument.h"
#include "platform/records_recorder.h"
#include "platform/records_sql_store.h"

namespace vq::test {

std::optional<WriterJob> writerFromEnvironment() {
    const char* location = std::getenv("VQ_RECORDS_WRITER");
    if (location == nullptr) return std::nullopt;
    WriterJob job;
    job.location = location;
    if (const char* serial = std::getenv("VQ_RECORDS_SERIAL")) job.serial = serial;
    if (const char* count = std::getenv("VQ_RECORDS_COUNT")) job.count = std::atoi(count);
    if (const char* limit = std::getenv("VQ_RECORDS_FILE_LIMIT")) job.fileLimit = std::atoll(limit);
    if (const char* dir = std::getenv("VQ_RECORDS_WORKDIR")) job.workDir = dir;
    job.import = std::getenv("VQ_RECORDS_IMPORT") != nullptr;
    return job;
}

RecordEvent sampleRead(const std::string& serial, int n) {
    InstrumentModel model;
    model.setSerialNo(serial);
    model.setStationID("ST-" + std::to_string(n % 7));
    model.setUserID("user " + std::to_string(n % 3));
    model.setCalLimit(static_cast<int16_t>(30 + n % 60));
    model.setIntervals(60);
    for (int ch = 0; ch < InstrumentModel::channelCount; ++ch) {
        model.setGasEnabled(ch, true);
        model.setGasName(ch, "G" + std::to_string(ch));
        model.setGasFullScale(ch, 100);
        model.setResolution(ch, 1);
        model.setGasUnit(ch, "ppm");
        model.setCalibDate(ch, 46000.0 + n % 50 + ch);
        model.setCalibBefore(ch, static_cast<float>(n % 10));
        model.setCalibAfter(ch, static_cast<float>(ch));
    }
    RecordEvent event = ReadRecord(model, 46000.0 + n / 1000.0);
    return event;
}

namespace {

int runRecorder(const WriterJob& job) {
    RecordsRecorder recorder(job.location, job.workDir);
    recorder.setReport([](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); });
    recorder.sendQueuedAtStart();
    for (int n = 1; job.count == 0 || n <= job.count; ++n) {
        if (!recorder.record(sampleRead(job.serial, n))) return 1;
        std::printf("committed %d\n", n);
        std::fflush(stdout);
    }
    return 0;
}

}  // namespace

int runWriter(const WriterJob& job) {
    if (!job.workDir.empty()) return runRecorder(job);
    std::string error;
    const auto where = ParseRecordsLocation(job.location, "", &error);
    if (!where) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    StoreStatus status;
    auto store = RecordsSqlStore::open(*where, status);
    if (!store) {
        std::fprintf(stderr, "%s\n", status.error.c_str());
        return 2;
    }
    if (job.fileLimit > 0) {
        // A disk that fills up: every write past the limit fails with EFBIG, as on a full
        // disk it fails with ENOSPC, instead of the signal ending the process.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{static_cast<rlim_t>(job.fileLimit), static_cast<rlim_t>(job.fileLimit)};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) {
            std::fprintf(stderr, "no file size limit\n");
            return 2;
        }
    }
    if (job.import) {
        std::vector<RecordEvent> events;
        for (int n = 1; n <= job.count; ++n) {
            events.push_back(sampleRead(job.serial, n));
            events.back().importKey = job.serial + "/" + std::to_string(n);
        }
        std::printf("importing\n");
        std::fflush(stdout);
        int added = 0;
        status = store->recordAll(events, &added);
        if (!status.ok) {
            std::fprintf(stderr, "import: %s\n", status.error.c_str());
            return 1;
        }
        std::printf("committed %d\n", added);
        return 0;
    }
    for (int n = 1; job.count == 0 || n <= job.count; ++n) {
        status = store->record(sampleRead(job.serial, n));
        if (!status.ok) {
            std::fprintf(stderr, "event %d: %s\n", n, status.error.c_str());
            return 1;
        }
        std::printf("committed %d\n", n);
        std::fflush(stdout);
    }
    return 0;
}

}  // namespace vq::test
