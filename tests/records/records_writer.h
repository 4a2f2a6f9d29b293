#pragma once
// A writer of records in a child process, for the tests a single process cannot make: killed with
// SIGKILL in the middle of its writes, or two of them writing one store at once. The child is this
// test program run again with VQ_RECORDS_WRITER (the store), VQ_RECORDS_SERIAL (the serial number
// its events carry), VQ_RECORDS_COUNT (how many; 0: until killed or a write fails) and
// VQ_RECORDS_FILE_LIMIT (bytes no file of the process may grow past: a full disk). After each
// committed event it prints "committed N" on stdout.
//
// With VQ_RECORDS_WORKDIR set, the writer records as the programs do, through a RecordsRecorder
// working in that folder (the local file first, a shared store from its queue), sending what
// earlier runs queued when it starts; a line the recorder reports goes to stderr, and an event
// not recorded ends it with status 1. With VQ_RECORDS_IMPORT set, it instead imports COUNT events
// at once (recordAll, each with an import key), printing "importing" before and "committed N"
// after.

#include <optional>
#include <string>

#include "app/records.h"

namespace vq::test {

struct WriterJob {
    std::string location;
    std::string serial;
    int count = 0;
    long long fileLimit = 0;
    std::string workDir;  // through a recorder working there
    bool import = false;
};

std::optional<WriterJob> writerFromEnvironment();
int runWriter(const WriterJob& job);

// A read of instrument `serial` with a snapshot and five channels; `n` makes it differ from the
// others (time, settings, calibration history).
RecordEvent sampleRead(const std::string& serial, int n);

}  // namespace vq::test
