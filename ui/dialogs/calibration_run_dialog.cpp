#include "ui/dialogs/calibration_run_dialog.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "messages/messages.h"
#include "model/instrument.h"
#include "ui/main/main_state.h"

namespace vq {

namespace {

const QColor kFailureColour{255, 0, 0};

QString q(int id) {
    return QString::fromStdString(ResMessage(id));
}

}  // namespace

CalibrationRunDialog::CalibrationRunDialog(CalibRunContext context, QWidget* parent)
    : QDialog(parent),
      context_(std::move(context)),
      progressLabel_(new QLabel(this)),
      bar_(new QProgressBar(this)),
      progressButton_(new QPushButton(this)),
      tickTimer_(new QTimer(this)) {
    setObjectName("frmUploadCalib");
    setModal(true);
    setWindowFlag(Qt::WindowCloseButtonHint, false);
    progressLabel_->setObjectName("lblUpload");
    progressButton_->setObjectName("cmdUpload");
    tickTimer_->setObjectName("tmrInter");

    const int captionId = context_.state.TransferMode == transfer_mode::Zero ? msg::AdjustingZero
                                                                             : msg::AdjustingSpan;
    setWindowTitle(q(captionId));
    progressLabel_->setText(q(captionId));
    progressLabel_->setAlignment(Qt::AlignCenter);
    bar_->setRange(0, 0);  // busy: the link does not say how far it is
    progressButton_->setText(q(msg::ProgressCancel));
    progressButton_->setEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(progressLabel_);
    layout->addWidget(bar_);
    layout->addWidget(progressButton_, 0, Qt::AlignHCenter);
    setMinimumWidth(320);

    connect(progressButton_, &QPushButton::clicked, this,
            &CalibrationRunDialog::progressButtonClicked);
    tickTimer_->setInterval(kStartDelayMs);
    connect(tickTimer_, &QTimer::timeout, this, &CalibrationRunDialog::startTimerFired);
    tickTimer_->start();
}

void CalibrationRunDialog::closeEvent(QCloseEvent* event) {
    // Only the end of the run closes the window.
    if (!ran_) event->ignore();
}

void CalibrationRunDialog::progressButtonClicked() {
    progressLabel_->setText(q(msg::NowCancelling));
    context_.run.cancel();
    canceled_ = true;
    progressButton_->setEnabled(false);
}

void CalibrationRunDialog::startTimerFired() {
    tickTimer_->stop();
    if (ran_) return;
    if (context_.state.TransferMode == transfer_mode::Zero) {
        zeroRun();
    } else if (context_.state.TransferMode == transfer_mode::Span) {
        spanRun();
    } else {
        ran_ = true;  // nothing to run: the window only closes
    }
    accept();
}

void CalibrationRunDialog::zeroRun() {
    finishRun(context_.run.zero(&context_.history));
}

void CalibrationRunDialog::spanRun() {
    finishRun(context_.run.span(context_.cal, context_.selection, &context_.history));
}

void CalibrationRunDialog::finishRun(const CalibrationOutcome& outcome) {
    ran_ = true;
    // The link has written "---Calibration Upload Failed---" to the communication log.
    if (!outcome.taken)
        context_.addInfo(CalibrationRun::failureText(),
                         kFailureColour);  // "VQ-5100 Calibration Fail."
    if (context_.setCalibResult)
        context_.setCalibResult(outcome.taken, outcome.passed,
                                outcome.kind == CalibrationKind::Zero);
    context_.state.ReadingsFresh = false;
}

}  // namespace vq
