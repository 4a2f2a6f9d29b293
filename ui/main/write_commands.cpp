#include "ui/main/write_commands.h"

#include <QApplication>
#include <filesystem>

#include "app/clock_set.h"
#include "app/pending_edits_text.h"
#include "app/settings_csv.h"
#include "app/settings_review_text.h"
#include "app/write_operations.h"
#include "messages/messages.h"
#include "model/instrument.h"
#include "model/ole_date.h"
#include "model/setting_rules.h"
#include "model/settings_review.h"
#include "platform/settings_update.h"
#include "ui/main/user_asker.h"

namespace vq {

namespace {

// Restores the pointer and the window and marks the command over, however the command ends.
class RunningScope {
  public:
    RunningScope(bool& running, WriteCommandWindow& window) : running_(running), window_(window) {
        running_ = true;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        window_.enableWindow(false);
    }
    ~RunningScope() {
        window_.enableWindow(true);
        QApplication::restoreOverrideCursor();
        running_ = false;
    }
    RunningScope(const RunningScope&) = delete;
    RunningScope& operator=(const RunningScope&) = delete;

  private:
    bool& running_;
    WriteCommandWindow& window_;
};

// The question, the start line, the operation and the two result lines of the three clearing
// commands, by writeButton index.
struct ClearCommandTexts {
    int question, title, start, success, failure;
};

ClearCommandTexts clearTexts(int index) {
    switch (index) {
        case WriteCommands::defaultsCommand:
            return {msg::DefaultQuestion, msg::DefaultTitle, msg::DefaultStartInfo,
                    msg::DefaultCompleteInfo, msg::DefaultFailInfo};
        case WriteCommands::clearPowerLogCommand:
            return {msg::ClearPowerQuestion, msg::ClearPowerTitle, msg::ClearPowerStartInfo,
                    msg::ClearPowerCompleteInfo, msg::ClearPowerFailInfo};
        default:
            return {msg::ClearLoggerQuestion, msg::ClearLoggerTitle, msg::DataRemovalStartInfo,
                    msg::DataRemovalCompleteInfo, msg::DataRemovalFailInfo};
    }
}

}  // namespace

WriteCommands::WriteCommands(WriteOperations& ops, InstrumentModel& model, UserAsker& asker,
                             QWidget* window, std::string workDir, WriteCommandWindow& host,
                             QObject* parent)
    : QObject(parent),
      ops_(ops),
      model_(model),
      asker_(asker),
      window_(window),
      workDir_(std::move(workDir)),
      host_(host) {}

void WriteCommands::commandClicked(int index) {
    if (running_) return;
    switch (index) {
        case updateCommand:
            Update(false);
            break;
        case updateIdCommand:
            Update(true);
            break;
        case clockCommand:
            SetClock(false);
            break;
        case checkDataCommand:
            SetClock(true);
            break;
        case calibrationCommand:
            Calibration();
            break;
        case defaultsCommand:
        case clearPowerLogCommand:
        case clearLoggerDataCommand:
            ClearCommand(index);
            break;
        default:
            break;
    }
}

void WriteCommands::addInfo(const std::string& text, const QColor& colour) {
    host_.addInfo(text, colour);
}

void WriteCommands::showProgress() {
    host_.showProgress();
}

void WriteCommands::closeProgress() {
    host_.closeProgress();
}

void WriteCommands::rememberWritten(bool idOnly, const InstrumentModel& sent,
                                    const SettingsWriteResult& result) {
    const InstrumentModel* before = host_.lastRead();
    // What the read-back found is what the instrument holds; a setting this write never sends
    // (a file's minimum flow) keeps the instrument's value.
    if (before != nullptr && result.held) {
        host_.setLastRead(HeldAfterWrite(*before, sent, *result.held));
        return;
    }
    if (!idOnly || before == nullptr) {
        host_.setLastRead(model_);
        return;
    }
    // "Update ID" changed the identity texts and the station list only.
    InstrumentModel held = *before;
    held.setSerialNo(model_.SerialNo());
    held.setDummySerial(model_.DummySerial());
    held.setStationID(model_.StationID());
    held.setUserID(model_.UserID());
    for (int n = 0; n < InstrumentModel::stationCount; ++n)
        held.setStationList(n, model_.StationList(n));
    host_.setLastRead(held);
}

void WriteCommands::rememberPartlyWritten(const SettingsUpdate::Result& run) {
    const InstrumentModel* before = host_.lastRead();
    if (before == nullptr || !run.held) return;
    const InstrumentModel held = *run.held;
    host_.setLastRead(held);
    // What did reach the instrument; the other edits stay pending for the next "Update".
    for (const std::string& line : WrittenBeforeStopLines(*before, held))
        addInfo(line, write_colour::Failure);
}

std::optional<WriteReview> WriteCommands::updateReview(const InstrumentModel& edited,
                                                       bool idOnly) const {
    const InstrumentModel* before = host_.lastRead();
    if (before == nullptr) return std::nullopt;
    WriteReview review;
    review.heading = ResMessage(msg::UpdateQuestion);
    review.summary = UpdateReview(*before, edited, idOnly);
    std::vector<std::string> lines = ReviewLines(review.summary);
    // A box holds a screenful; the count line at the end says how many there are in all.
    constexpr std::size_t kShownLines = 30;
    if (lines.size() > kShownLines + 1) {
        const std::string count = lines.back();
        lines.resize(kShownLines);
        lines.push_back("  ...");
        lines.push_back(count);
    }
    review.text = review.heading + "\n";
    for (const std::string& line : lines) review.text += "\n" + line;
    return review;
}

bool WriteCommands::Update(bool idOnly) {
    if (running_) return false;
    // The checks and the write are vq5100ctl's as well (platform/settings_update.h).
    SettingsUpdate update(ops_, model_, host_.lastRead(), idOnly);
    if (const std::optional<SettingsUpdate::Refusal> refusal = update.refusal()) {
        asker_.error(window_, refusal->text, ResMessage(refusal->titleId));
        return false;
    }
    const std::string title = ResMessage(msg::UpdateTitle);  // "Update"
    const std::optional<WriteReview> review = updateReview(model_, idOnly);
    const bool go = review ? asker_.review(window_, *review, title)
                           : asker_.question(window_, ResMessage(msg::UpdateQuestion), title);
    if (!go) return false;
    showProgress();
    bool ok = false;
    {
        RunningScope scope(running_, host_);
        addInfo(ResMessage(msg::UploadStartedInfo),
                write_colour::Progress);  // "... Information Upload."
        // The write and its read-back: succeeded() only when the instrument holds every
        // setting sent.
        const SettingsUpdate::Result run = update.run(host_.now());
        const SettingsWriteResult& result = run.write;
        const InstrumentModel& sent = run.sent;
        ok = result.succeeded();
        host_.recordWrite(model_, ok);
        if (ok) writeCsvRow(idOnly);
        if (ok) rememberWritten(idOnly, sent, result);
        if (ok) {
            addInfo(ResMessage(msg::UploadCompleteInfo),
                    write_colour::Progress);  // "VQ-5100 Upload Complete."
            if (review && !review->summary.notWritten.empty())
                addInfo(NotWrittenCountText(review->summary), write_colour::Failure);
        } else {
            // Which setting the instrument did not take or does not hold, and what it holds.
            for (const std::string& line : run.failureLines()) addInfo(line, write_colour::Failure);
            rememberPartlyWritten(run);
            addInfo(ResMessage(msg::UploadFailedInfo), write_colour::Failure);
        }
    }
    closeProgress();
    if (ok)
        asker_.information(window_, ResMessage(msg::UploadCompleteBox),
                           ResMessage(msg::UploadTitle));  // "Upload Complete."
    else
        asker_.error(window_, ResMessage(msg::UploadFailedBox), ResMessage(msg::UploadTitle));
    return ok;
}

void WriteCommands::writeCsvRow(bool idOnly) {
    const std::string suffix = host_.csvSuffix();
    const SettingsCsvExport done = ExportSettingsRecord(
        model_, idOnly ? CsvAction::WriteID : CsvAction::Write, workDir_, suffix, host_.now());
    const FileResult& result = done.result;
    if (!done.notice.empty()) addInfo(done.notice, write_colour::Failure);
    if (result.ok) {
        const auto path = std::filesystem::absolute(done.file);
        addInfo(ResMessage(msg::CsvRowWrittenInfo, {path.lexically_normal().string()}),
                write_colour::Progress);
        return;
    }
    // The write itself went through; only its record is missing.
    addInfo(result.error, write_colour::Failure);
    asker_.error(window_, result.error, AppTitle());
}

std::string WriteCommands::clockQuestion(double now) const {
    // The instrument's clock runs beside the PC's at the difference the last read found.
    const std::string shown =
        InstrumentClockText(host_.lastRead() != nullptr ? &model_ : nullptr, now);
    return ResMessage(msg::ClockReviewQuestion, {shown, GeneralDate(now)});
}

bool WriteCommands::SetClock(bool checkData) {
    if (running_) return false;
    const std::string question =
        checkData ? ResMessage(msg::UpdateQuestion) : clockQuestion(host_.now());
    const int title = checkData ? msg::UpdateTitle : msg::DateTimeSetButton;
    if (!asker_.question(window_, question, ResMessage(title))) return false;
    showProgress();
    bool ok = false;
    {
        RunningScope scope(running_, host_);
        addInfo(ResMessage(msg::UploadStartedInfo), write_colour::Progress);
        // The flow and its log lines are vq5100ctl's as well (app/clock_set.h).
        ok = checkData ? RunCheckData(ops_, host_.now())
                       : RunSetClock(
                             ops_, host_.now(), [this] { return host_.now(); }, &model_);
        if (ok) {
            addInfo(ResMessage(msg::UploadCompleteInfo), write_colour::Progress);
        } else {
            addInfo(ResMessage(checkData ? msg::UploadFailedInfo : msg::DateTimeSetFailedInfo),
                    write_colour::Failure);
        }
    }
    closeProgress();
    if (ok)
        asker_.information(window_, ResMessage(msg::UploadCompleteBox),
                           ResMessage(msg::UploadTitle));
    else
        asker_.error(window_, ResMessage(msg::UploadFailedBox), ResMessage(msg::UploadTitle));
    return ok;
}

void WriteCommands::Calibration() {
    if (running_) return;
    running_ = true;
    ops_.SetPump(true);
    host_.openCalibration();
    ops_.SetPump(false);
    running_ = false;
}

bool WriteCommands::ClearCommand(int index) {
    if (running_) return false;
    const ClearCommandTexts texts = clearTexts(index);
    std::string question = ResMessage(texts.question);
    // DEFAULT is followed by a read: edits not yet written are lost, and the question says which.
    if (const InstrumentModel* held = host_.lastRead();
        held != nullptr && index == defaultsCommand) {
        const std::string pending = PendingEditsText(*held, model_);
        if (!pending.empty()) question += "\r\n\r\n" + pending;
    }
    if (!asker_.question(window_, question, ResMessage(texts.title))) return false;
    RunningScope scope(running_, host_);
    if (!ops_.Connected()) {
        addInfo(ResMessage(msg::NoResponse), write_colour::Failure);  // "VQ-5100 No Response. ..."
        ops_.AddLog(ResMessage(msg::DataRemoveNoResponseLog));  // "--- Data Remove Failed--- ..."
        return false;
    }
    addInfo(ResMessage(texts.start), write_colour::Progress);
    // The instrument takes seconds: the progress window shows its confirmation polls.
    showProgress();
    bool ok = false;
    if (index == defaultsCommand)
        ok = ops_.DefaultInstrument();
    else if (index == clearPowerLogCommand)
        ok = ops_.PowerDataClear();
    else
        ok = ops_.BodyDataClear();
    closeProgress();
    addInfo(ResMessage(ok ? texts.success : texts.failure),
            ok ? write_colour::Progress : write_colour::Failure);
    // The grid still holds the settings from before the reset; an "Update" would quietly
    // write them back over it.
    if (ok && index == defaultsCommand) host_.readAgain();
    return ok;
}

}  // namespace vq
