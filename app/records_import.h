#pragma once
// Brings the history of a settings CSV (app/settings_csv.h) into the instrument records: each
// "Read" row becomes a read, each "Write" and "WriteID" row a write, with the identity, the two
// clocks, CalLimit and each channel's gas and calibration history of the row. Every event carries
// a key made from its row, so importing the same file again adds nothing.
//
// It is all or nothing: a file that is not a settings CSV (a header or a row of another shape, an
// action or a date that is not one) is refused with the line that is wrong, before anything is
// added.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/records.h"

namespace vq {

struct RecordsImport {
    bool ok = true;
    int line = 0;  // the 1-based line of the refused row (0: the file itself)
    std::string reason;
    std::vector<RecordEvent> events;
    // "<file>, line <n>: <reason>".
    std::string message(const std::filesystem::path& file) const;
};

RecordsImport ReadSettingsCsvHistory(std::string_view text);
RecordsImport ReadSettingsCsvHistoryFile(const std::filesystem::path& file);

}  // namespace vq
