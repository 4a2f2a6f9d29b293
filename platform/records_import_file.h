#pragma once
// Imports a settings CSV file into a records store, reading it as a stream: a file of any size
// costs a line's worth of memory and a batch of events, never the whole file.
//
// The text is UTF-8 (with or without a byte-order mark) or Shift_JIS (CP932, as a Japanese
// spreadsheet program saves a CSV), decided by the first line that is not plain ASCII; a line
// that is not text in the file's encoding is refused by its number, never read with replacement
// characters. The rows themselves are judged by app/records_import.h.
//
// The whole file is checked before anything is added: a refused row adds nothing. The events
// are then added in batches; should the store fail halfway, the import can simply be repeated:
// every row carries a key, and rows already added are not added again.

#include <filesystem>
#include <string>

#include "app/records.h"

namespace vq {

struct RecordsImportOutcome {
    bool ok = false;
    bool fileProblem = false;  // the file could not be read or was refused (not the store)
    std::string message;       // why not, naming the file and the line
    int rows = 0;
    int added = 0;
};

// `importTime` (OLE date) is kept with every event, and a date later than it by more than a day
// is refused.
RecordsImportOutcome ImportSettingsCsvHistoryFile(const std::filesystem::path& file,
                                                  double importTime, RecordsStore& store);

}  // namespace vq
