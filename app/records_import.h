#pragma once
// Brings the history of a settings CSV (app/settings_csv.h) into the instrument records: each
// "Read" row becomes a read, each "Write" and "WriteID" row a write, with the identity, the two
// clocks, CalLimit and each channel's gas and calibration history of the row. Every event carries
// a key made from its row, so importing the same file again adds nothing.
//
// An import must not be able to forge what the records say. Every event is marked imported
// (the file and the time of the import), and the state rule (app/records_state.h) never lets it
// outrank what an instrument reported. A row is refused, naming its line and the reason, when
// it is not what this program writes: a header other than the program's own (in its layout or
// an earlier one, which lacked the columns of settings added since), an empty serial
// number, a text with a control character or longer than the instrument's field, a number
// outside its setting's range, a date before 2000 or after the import's own time plus a day, a
// line that is not UTF-8 text. One refused row refuses the file.
//
// The reader is fed one line at a time, so a file of any size is read in little memory; the
// caller decodes the file's bytes (UTF-8, or Shift_JIS as a Japanese spreadsheet saves it) into
// UTF-8 lines first (platform/records_import_file.h).

#include <cstddef>
#include <filesystem>
#include <map>
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

// A row longer than this is refused before it is kept: no row this program writes comes near.
inline constexpr std::size_t kMaxImportRowBytes = 64 * 1024;

class SettingsCsvHistoryReader {
  public:
    // `file` and `importTime` (OLE date) are kept with every event.
    SettingsCsvHistoryReader(std::string file, double importTime);

    // One line of the file as UTF-8 text, without its line end (a byte-order mark on the first
    // line is taken off). False once the file is refused (see result()).
    bool addLine(std::string_view line);
    // The end of the file: an open quote or a file without a header is refused.
    bool finish();

    // The events of the rows read so far that nobody has taken yet.
    std::vector<RecordEvent> takeEvents();
    const RecordsImport& result() const { return result_; }
    int rows() const { return rows_; }

  private:
    bool refuse(int line, std::string reason);
    bool addRecord(int line, std::string_view raw, std::vector<std::string> fields);

    std::string file_;
    double importTime_;
    RecordsImport result_;
    int lineNumber_ = 0;
    int recordLine_ = 0;
    std::string pending_;  // a record whose quote runs on over the line end
    bool header_ = false;
    // Where the program's columns (SettingsCsvColumns) sit in this file: its header may be one
    // an earlier version wrote, without the columns of settings added since; npos for those.
    std::vector<std::size_t> columns_;
    std::size_t width_ = 0;  // the header's, which every row has
    int rows_ = 0;
    std::map<std::string, int> occurrences_;
};

// Where each of the program's columns sits in `header`, when it is a header the program writes
// or wrote (either language; only settings' columns may be missing, the others in their order);
// npos for a missing column. Empty when it is not such a header.
std::vector<std::size_t> SettingsCsvHeaderColumns(const std::vector<std::string>& header);

// A whole text at once (the tests, and small files).
RecordsImport ReadSettingsCsvHistory(std::string_view text, const std::string& file = {},
                                     double importTime = 0);

}  // namespace vq
