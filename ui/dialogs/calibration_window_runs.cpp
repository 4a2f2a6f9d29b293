// The commands of the calibration window: zero and span runs (made in CalibrationRunDialog), their
// result box and report, and the range and N2 calibration of channel 4.

#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <algorithm>

#include "app/calibration_texts.h"
#include "messages/messages.h"
#include "ui/dialogs/calibration_prompts.h"
#include "ui/dialogs/calibration_report_pdf.h"
#include "ui/dialogs/calibration_run_dialog.h"
#include "ui/dialogs/calibration_window.h"
#include "ui/main/main_state.h"
#include "ui/main/user_asker.h"

namespace vq {

namespace {

constexpr int kRangeChannel = 4;
const QColor kSuccessColour{0, 192, 0};

// The window is disabled while a step talks to the instrument, so nothing starts twice.
class BusyScope {
  public:
    explicit BusyScope(std::function<void(bool)> setBusy) : setBusy_(std::move(setBusy)) {
        setBusy_(true);
    }
    ~BusyScope() { setBusy_(false); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

  private:
    std::function<void(bool)> setBusy_;
};

}  // namespace

void CalibrationWindow::calibrationButtonClicked(int index) {
    if (busy_) return;
    runCommand(index);
    closeIfAsked();
}

void CalibrationWindow::runCommand(int index) {
    switch (index) {
        case zeroButton:
            zeroCommand();
            break;
        case spanButton:
            spanCommand();
            break;
        case rangeButton:
            if (rangeMode_) {
                n2CalCommand();
            } else {
                rangeCommand();
            }
            break;
        case exitButton:
            if (rangeMode_) {
                n2CalEndCommand();
            } else {
                closeDown();
                accept();
            }
            break;
        default:
            break;
    }
}

void CalibrationWindow::zeroCommand() {
    // Zero sets whatever the sensors see now as clean air: with gas still on them, every later
    // reading would be off.
    if (!asker_.question(this, ResMessage(msg::ZeroQuestion), ResMessage(msg::ZeroCalibrationRun)))
        return;
    runInProgressWindow(transfer_mode::Zero);
    showRunResult();
}

void CalibrationWindow::spanCommand() {
    const bool any = std::find(selection_.begin(), selection_.end(), true) != selection_.end();
    if (!any) {
        asker_.error(this, ResMessage(msg::SpanNoSelectionText),
                     ResMessage(msg::SpanNoSelectionTitle));
        return;
    }
    // Each channel is adjusted to the concentration the table names: the user checks that the
    // gas on the instrument is that one.
    if (!asker_.question(this, ResMessage(msg::SpanQuestion, {SpanGasList(cal_, selection_)}),
                         ResMessage(msg::SpanCalibrationRun)))
        return;
    runInProgressWindow(transfer_mode::Span);
    showRunResult();
}

void CalibrationWindow::runInProgressWindow(std::int16_t transferMode) {
    BusyScope busy([this](bool on) { setBusy(on); });
    resultFlag_ = false;
    resultText_.clear();
    state_.TransferMode = transferMode;
    CalibrationRun run = instrument_.run();
    CalibRunContext context{run,
                            state_,
                            cal_,
                            history_,
                            selection_,
                            addInfo_,
                            [this](bool ok, const ChannelFlags& results, bool zeroRun) {
                                SetCalibResult(ok, results, zeroRun);
                            }};
    CalibrationRunDialog upload(std::move(context), this);
    upload.exec();
    state_.TransferMode = transfer_mode::None;
}

void CalibrationWindow::SetCalibResult(bool ok, const ChannelFlags& results, bool zeroRun) {
    resultFlag_ = ok;
    resultText_.clear();
    lastListed_ = ListedChannels(usable_, selection_, zeroRun);
    lastResults_ = results;
    lastZeroRun_ = zeroRun;
    lastRunDate_ = instrument_.localDateTime();
    resultText_ = CalibResultText(cal_, lastListed_, results, usable_, state_.LatestReadings);
    emit runFinished(lastListed_, results, zeroRun);
}

void CalibrationWindow::showRunResult() {
    if (!resultFlag_) return;
    if (!prompts_.resultBox(this, resultText_, ResMessage(msg::AdjustmentTitle))) return;
    const QString folder = instrument_.workDir().empty()
                               ? QDir::currentPath()
                               : QString::fromStdString(instrument_.workDir());
    const std::string suggested =
        QDir(folder)
            .filePath(QString::fromStdString(CalReportFileName(model_, lastRunDate_)))
            .toStdString();
    const std::string path = prompts_.reportPath(this, suggested);
    if (!path.empty()) saveReport(path);
}

bool CalibrationWindow::saveReport(const std::string& path) {
    if (!resultFlag_) return false;
    const CalReportContent content = BuildCalReport(model_, cal_, history_, lastListed_,
                                                    lastResults_, lastZeroRun_, lastRunDate_);
    QString error;
    if (!WriteCalReport(content, QString::fromStdString(path), &error)) {
        asker_.error(this, ResMessage(msg::ReportNotWritten, {error.toStdString()}), AppTitle());
        return false;
    }
    if (addInfo_)
        addInfo_(
            ResMessage(msg::ReportSaved,
                       {QFileInfo(QString::fromStdString(path)).absoluteFilePath().toStdString()}),
            kSuccessColour);
    return true;
}

// ---- range and N2 calibration of channel 4 ----

void CalibrationWindow::rangeFailed() {
    asker_.error(this, ResMessage(msg::RangeSettingFailed),
                 ResMessage(msg::RangeModeTitle));  // "Range setting failed"
}

void CalibrationWindow::rangeCommand() {
    if (!usable_[kRangeChannel]) {
        asker_.error(this, ResMessage(msg::TeDisabled),
                     ResMessage(msg::RangeModeTitle));  // "TE is Disabled "
        return;
    }
    BusyScope busy([this](bool on) { setBusy(on); });
    instrument_.pollReadings(false);
    // Without the mode the instrument had, it could not be put back afterwards: stop here.
    if (!instrument_.readRangeMode(history_)) {
        rangeFailed();
        instrument_.pollReadings(true);
        return;
    }
    savedRangeMode_ = history_.HcMode();
    history_.setHcMode(kRangeCalMode);
    if (instrument_.writeRangeMode(history_)) {
        setRangeCaptions(true);
        restoreFailed_ = false;
        state_.PendingRangeRestore = savedRangeMode_;
    } else {
        history_.setHcMode(savedRangeMode_);
        rangeFailed();
    }
    instrument_.pollReadings(true);
}

void CalibrationWindow::n2CalCommand() {
    std::string message;
    bool ok = false;
    {
        BusyScope busy([this](bool on) { setBusy(on); });
        instrument_.pollReadings(false);
        ok = instrument_.calibrateN2(N2ChannelText(cal_, state_.LatestReadings));
        message = N2ResultText(cal_, ok, usable_[kRangeChannel], state_.LatestReadings);
        instrument_.pollReadings(true);
    }
    if (ok) {
        asker_.information(this, message, ResMessage(msg::RangeModeTitle));
    } else {
        asker_.error(this, message, ResMessage(msg::RangeModeTitle));
    }
}

void CalibrationWindow::n2CalEndCommand() {
    BusyScope busy([this](bool on) { setBusy(on); });
    instrument_.pollReadings(false);
    history_.setHcMode(savedRangeMode_);
    if (instrument_.writeRangeMode(history_)) {
        state_.PendingRangeRestore.reset();
        restoreFailed_ = false;
        instrument_.endRangeCalibration();
        setRangeCaptions(false);
    } else {
        // The instrument may be gone for good: the user may leave now, warned (mayLeave).
        restoreFailed_ = true;
        rangeFailed();
    }
    instrument_.pollReadings(true);
}

}  // namespace vq
