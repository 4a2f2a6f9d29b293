// MainWindow: the read commands, Power Off and the progress window they show.

#include <QApplication>
#include <QLineEdit>
#include <cmath>
#include <filesystem>

#include "app/config_file.h"
#include "app/records.h"
#include "app/rule_reason_text.h"
#include "app/settings_csv.h"
#include "messages/messages.h"
#include "model/held_values.h"
#include "model/settings_review.h"
#include "platform/instrument_session.h"
#include "ui/dialogs/progress_window.h"
#include "ui/main/instrument_operations.h"
#include "ui/main/main_window.h"
#include "ui/main/session_instrument_operations.h"
#include "ui/main/user_asker.h"

namespace vq {

namespace {

// Characters a file name cannot hold.
constexpr std::string_view kBadFileNameChars = "\"\\/:|<>*?";

}  // namespace

ProgressWindow* MainWindow::showProgress(std::int16_t transferMode, int captionId) {
    closeProgress();
    upload_ = new ProgressWindow(transferMode, line_.transferWatch(), this);
    upload_->setAttribute(Qt::WA_DeleteOnClose);
    upload_->setWindowTitle(QString::fromStdString(ResMessage(captionId)));
    upload_->show();
    return upload_;
}

void MainWindow::closeProgress() {
    framesTotal_ = 0;
    framesDone_ = 0;
    lastCountedFrame_.clear();
    if (upload_) upload_->finish();
    upload_ = nullptr;
}

int MainWindow::pendingEdits() const {
    if (!lastRead_) return 0;
    int count = 0;
    for (const ReviewRow& row : ReviewRows(*lastRead_, model_)) count += row.differs() ? 1 : 0;
    return count;
}

bool MainWindow::confirmDiscardEdits() {
    const int count = pendingEdits();
    if (count == 0) return true;
    const std::string text = count == 1
                                 ? ResMessage(msg::PendingEditQuestion)
                                 : ResMessage(msg::PendingEditsQuestion, {std::to_string(count)});
    return asker_.question(this, text, ResMessage(msg::ApplicationTitle));
}

void MainWindow::readButtonClicked(int index) {
    // A read replaces the window's settings and Power Off ends the session: edits not yet
    // written would be lost without a word.
    if ((index == ReadSettings || index == GetAndSave || index == PowerOff) &&
        !confirmDiscardEdits())
        return;
    // Power Off runs to its end: the instrument switches off whatever the window does.
    const OnClose onClose = index == PowerOff ? OnClose::FinishCommand : OnClose::CancelCommand;
    runCommand(onClose, [this, index] {
        switch (index) {
            case ReadSettings:
                instrumentsCommand(false);
                break;
            case GetAndSave:
                if (!suffixIsValid()) return;
                instrumentsCommand(true);
                break;
            case Download:
                downloadCommand();
                break;
            case PowerOff:
                powerOffCommand();
                break;
            default:
                return;
        }
        dateDifferenceWarning();
    });
}

void MainWindow::instrumentsCommand(bool saveCsv) {
    // "Download", with Cancel: a read on a bad line can take long, and stopping it loses nothing.
    showProgress(ProgressWindow::kDownloadWithCancel, msg::DownloadProgressTitle);
    framesTotal_ = ReadAllFrameCount();
    upload_->setProgress(0, framesTotal_);
    EnableCommandFrames(false);
    const bool ok = ReadInstrument();
    if (ok) {
        UpdateCommandStates();
        if (saveCsv) writeSettingsCsv();
    }
    closeProgress();
    EnableCommandFrames(true);
}

bool MainWindow::suffixIsValid() {
    // The box counts when it is left; a click on the command leaves it first, but take it here
    // too so a typed suffix is never skipped.
    config_.factoryRecordSuffix = suffixBox_->text().toStdString();
    if (config_.factoryRecordSuffix.find_first_of(kBadFileNameChars) == std::string::npos)
        return true;
    // "The character that cannot be used for the file name is included."
    asker_.error(this, ResMessage(msg::BadFileNameCharacter), AppTitle());
    suffixBox_->setFocus();
    return false;
}

bool MainWindow::ReadInstrument() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct RestoreCursor {
        ~RestoreCursor() { QApplication::restoreOverrideCursor(); }
    } restore;

    if (!line_.instrumentConnected()) {
        AddInfo(ResMessage(msg::NoResponse), info_colour::Failure);  // "VQ-5100 No Response. ..."
        AddLog(ResMessage(msg::ReadNoResponseLog, {nowText()}));
        return false;
    }
    AddInfo(ResMessage(msg::ReadStartedInfo), info_colour::Progress);
    AddLog(ResMessage(msg::ReadStartedLog, {nowText()}));
    const auto start = line_.now();

    // The read fills a copy: a read that fails leaves the model shown (and the user's edits in
    // it) exactly as it was.
    InstrumentModel read = model_;
    const bool ok = ops_->GetInstrument(read);
    line_.bindModel(model_);  // the copy goes out of scope; the decoder fills the model
    if (ok) {
        lastRead_ = read;
        model_ = read;
        model_.setCommFlags(1);
        model_.setImportFlag(0);
        defaultsShown_ = false;
        emit settingsReplaced();
        ApplyLockedGases();
        ops_->GetLatestHistory(model_);
        session_.records().record(ReadRecord(model_, line_.localDateTime()));
        ListAnalogValues();
        AddInfo(ResMessage(msg::ReadCompleteInfo), info_colour::Progress);
        AddLog(ResMessage(msg::ReadFinishedLog, {nowText(), elapsedText(start)}));
        // Shown as held, and named: a value out of its range is never taken for a good one.
        for (const HeldValueProblem& problem : OutOfRangeValues(read)) {
            const std::string line =
                ResMessage(msg::HeldOutOfRangeInfo, {problem.code, ReasonText(problem.reason)});
            AddInfo(line, info_colour::Failure);
            AddLog(line);
        }
        return true;
    }
    if (line_.cancelRequested()) {
        AddInfo(ResMessage(msg::CancelledInfo), info_colour::Failure);  // "Cominucation Canceled."
        AddInfo(ResMessage(msg::ReadCancelledInfo), info_colour::Failure);
        AddLog(ResMessage(msg::CancelledLog, {nowText()}));
        return false;
    }
    // Never reported as complete: whatever arrived before the failure is not a read.
    AddInfo(ResMessage(msg::ReadFailedInfo), info_colour::Failure);
    AddLog(ResMessage(msg::ReadFailLineLog));
    if (read.FailLine() == "HC,R")
        AddInfo(ResMessage(msg::BadInstrumentDate), info_colour::Failure);
    AddLog(ResMessage(msg::ReadFailedLog, {nowText(), elapsedText(start)}));
    return false;
}

void MainWindow::ApplyLockedGases() {
    // A locked channel is a fitted sensor: it stays on whatever the instrument says.
    for (int ch = 0; ch < 4; ++ch)
        if (config_.gasLocked[static_cast<std::size_t>(ch)] && !model_.GasEnabled(ch))
            model_.setGasEnabled(ch, true);
    suffixBox_->setText(QString::fromStdString(config_.factoryRecordSuffix));
    ShowInstrument();
}

void MainWindow::writeSettingsCsv() {
    const SettingsCsvExport done = ExportSettingsRecord(
        model_, CsvAction::Read, workDir_, config_.factoryRecordSuffix, line_.localDateTime());
    const FileResult& result = done.result;
    if (!done.notice.empty()) AddInfo(done.notice, info_colour::Failure);
    if (!result.ok) {
        AddInfo(result.error, info_colour::Failure);
        asker_.error(this, result.error, AppTitle());
        return;
    }
    const auto path = std::filesystem::absolute(done.file);
    AddInfo(ResMessage(msg::CsvRowWrittenInfo, {path.lexically_normal().string()}),
            info_colour::Progress);
}

void MainWindow::dateDifferenceWarning() {
    if (std::fabs(model_.SysDateOffset()) > 1)
        AddInfo(ResMessage(msg::ClockDiffers), info_colour::Failure);  // clock differs from the PC
}

void MainWindow::powerOffCommand() {
    // "VQ-5100 Power off and Serial port off line.~cReady?" / "Power off"
    if (!asker_.question(this, ResMessage(msg::PowerOffQuestion), ResMessage(msg::PowerOffTitle)))
        return;
    setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (!line_.instrumentConnected()) {
        AddInfo(ResMessage(msg::NoResponse), info_colour::Failure);
    } else {
        AddInfo(ResMessage(msg::PowerOffInfo), info_colour::Progress);  // "VQ-5100 Auto Power OFF."
        if (ops_->BodyPowerOff()) {
            AddInfo(ResMessage(msg::PowerOffCompleteInfo), info_colour::Progress);
            loseInstrument(Loss::SwitchedOff);
            returnToStartState();
            // The built-in instrument stays off like a real one; the user switches it on.
            if (session_.builtInSwitchedOff()) offerSwitchOn();
        } else {
            AddInfo(ResMessage(msg::PowerOffFailedInfo), info_colour::Failure);
            // The port was cycled all the same: open it again and show the link as it is.
            setLamp(1, LampOff);
            OpenInstrumentPort();
            UpdateCommandStates();
        }
    }
    setEnabled(true);
    QApplication::restoreOverrideCursor();
}

void MainWindow::returnToStartState() {
    // The instrument is off: the defaults shown now are no edits of what it holds.
    lastRead_.reset();
    emit settingsReplaced();
    model_.setCommFlags(0);
    model_.setImportFlag(0);
    model_.ClearDatas();
    saveConfig();
    InitDefaults();
    FillBuiltInDefaults(config_);
    reloadConfig();
    line_.setRetries(config_.retry, config_.timeout);
    applyFont();
    suffixBox_->setText(QString::fromStdString(config_.factoryRecordSuffix));
    FirstActivation_ = true;
    FirstActivate();
    OpenInstrumentPort();
}

}  // namespace vq
