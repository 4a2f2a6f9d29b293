#include "platform/records_import_file.h"

#include <QByteArray>
#include <QStringDecoder>
#include <fstream>
#include <functional>
#include <optional>

#include "app/records_import.h"
#include "model/setting_rules.h"

namespace vq {

namespace {

constexpr std::size_t kBatch = 500;

enum class Encoding { Undecided, Utf8, ShiftJis };

bool ascii(std::string_view line) {
    for (char c : line)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// Lines of the file (without their line ends), each handed over as UTF-8; a line too long to be
// a row is cut at the reader's limit and then refused by it. False when the file cannot be read
// or a line is not text in the file's encoding (`line` and `reason` say which).
class LineSource {
  public:
    explicit LineSource(const std::filesystem::path& file) : in_(file, std::ios::binary) {}
    bool opened() const { return static_cast<bool>(in_); }

    // Calls `sink` with each line; stops when it returns false.
    bool read(const std::function<bool(std::string_view)>& sink, int& line, std::string& reason) {
        std::string raw;
        line = 0;
        char c = 0;
        bool any = false;
        auto flush = [&]() -> std::optional<bool> {
            ++line;
            if (!raw.empty() && raw.back() == '\r') raw.pop_back();
            std::string text;
            if (!decode(raw, text)) {
                reason = "the line is not UTF-8 or Shift_JIS text";
                return false;
            }
            raw.clear();
            if (!sink(text)) return false;
            return std::nullopt;
        };
        while (in_.get(c)) {
            any = true;
            if (c != '\n') {
                // Past the limit the rest of the line is not kept: the reader refuses it anyway.
                if (raw.size() <= kMaxImportRowBytes) raw += c;
                continue;
            }
            if (auto stop = flush()) return *stop;
        }
        if (in_.bad()) {
            reason = "the file cannot be read";
            return false;
        }
        if (any && !raw.empty())
            if (auto stop = flush()) return *stop;
        return true;
    }

  private:
    bool decode(const std::string& raw, std::string& text) {
        if (ascii(raw)) {
            text = raw;
            return true;
        }
        if (encoding_ == Encoding::Undecided) {
            // A byte-order mark or well-formed UTF-8 says UTF-8; else it must be Shift_JIS.
            encoding_ = IsValidUtf8(raw) ? Encoding::Utf8 : Encoding::ShiftJis;
        }
        if (encoding_ == Encoding::Utf8) {
            text = raw;
            return IsValidUtf8(raw);
        }
        QStringDecoder decoder("Shift_JIS");
        if (!decoder.isValid()) return false;
        const QString decoded = decoder.decode(QByteArray::fromStdString(raw));
        if (decoder.hasError()) return false;
        text = decoded.toStdString();
        return true;
    }

    std::ifstream in_;
    Encoding encoding_ = Encoding::Undecided;
};

}  // namespace

RecordsImportOutcome ImportSettingsCsvHistoryFile(const std::filesystem::path& file,
                                                  double importTime, RecordsStore& store) {
    RecordsImportOutcome outcome;
    const std::string name = file.string();
    auto fileRefused = [&](std::string message) {
        outcome.fileProblem = true;
        outcome.message = std::move(message);
        return outcome;
    };
    // First the whole file is checked, keeping no event; then it is read again and added.
    for (const bool adding : {false, true}) {
        LineSource source(file);
        if (!source.opened()) return fileRefused(name + ": the file cannot be read");
        SettingsCsvHistoryReader reader(name, importTime);
        std::string storeError;
        auto addBatch = [&]() {
            std::vector<RecordEvent> events = reader.takeEvents();
            if (!adding || events.empty()) return true;
            int added = 0;
            const StoreStatus status = store.recordAll(events, &added);
            if (!status.ok) {
                storeError = status.error;
                return false;
            }
            outcome.added += added;
            return true;
        };
        int line = 0;
        std::string reason;
        const bool read = source.read(
            [&](std::string_view text) {
                if (!reader.addLine(text)) return false;
                return reader.result().events.size() < kBatch || addBatch();
            },
            line, reason);
        if (!storeError.empty()) {
            outcome.message = storeError;
            return outcome;
        }
        if (!read && !reason.empty())
            return fileRefused(line > 0 ? name + ", line " + std::to_string(line) + ": " + reason
                                        : name + ": " + reason);
        if (!reader.finish()) return fileRefused(reader.result().message(file));
        if (!addBatch()) {
            outcome.message = storeError;
            return outcome;
        }
        outcome.rows = reader.rows();
    }
    outcome.ok = true;
    return outcome;
}

}  // namespace vq
