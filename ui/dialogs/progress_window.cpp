#include "ui/dialogs/progress_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include "messages/messages.h"
#include "platform/transfer_watch.h"

namespace vq {

namespace {

QString text(int id) {
    return QString::fromStdString(ResMessage(id));
}

struct ModeTexts {
    int textId;
    bool cancel;
};

// Caption and label, and whether the transfer can be stopped, by TransferMode.
ModeTexts textsFor(std::int16_t mode) {
    switch (mode) {
        case 1:
            return {msg::NowUploading, true};  // "Now Uploading", with Cancel
        case 2:
            return {msg::NowUploading, false};  // "Now Uploading"
        case 3:
            return {msg::AdjustingZero, false};  // "Adjusting Zero"
        case 4:
            return {msg::AdjustingSpan, false};  // "Adjusting Span Settings."
        case 5:
            return {msg::NowDownloading, true};  // "Now Downloading", with Cancel
        case 6:
            return {msg::NowWriting, false};  // "Now Writing"
        default:
            return {msg::NowDownloading, false};  // "Now Downloading"
    }
}

}  // namespace

ProgressWindow::ProgressWindow(std::int16_t transferMode, TransferWatch watch, QWidget* parent)
    : QDialog(parent), watch_(watch) {
    setObjectName("frmUpload");
    setModal(false);
    progressLabel_ = new QLabel(this);
    progressLabel_->setObjectName("lblUpload");
    progressLabel_->setAlignment(Qt::AlignCenter);
    // Progress texts can be longer than the window is wide (the confirmation polls).
    progressLabel_->setWordWrap(true);
    resendsLabel_ = new QLabel(this);
    resendsLabel_->setObjectName("lblResends");
    resendsLabel_->setAlignment(Qt::AlignCenter);
    resendsLabel_->hide();
    bar_ = new QProgressBar(this);
    bar_->setObjectName("amnUpload");
    bar_->setTextVisible(false);
    progressButton_ = new QPushButton(text(msg::ProgressCancel), this);  // "Cancel"
    progressButton_->setObjectName("cmdUpload");
    connect(progressButton_, &QPushButton::clicked, this, &ProgressWindow::cancelClicked);

    auto* layout = new QVBoxLayout(this);
    // The bar keeps clear of the window's edges whether or not the Cancel button is below it.
    layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    layout->setSpacing(kMargin / 2);
    layout->addWidget(progressLabel_);
    layout->addWidget(resendsLabel_);
    layout->addWidget(bar_);
    layout->addWidget(progressButton_, 0, Qt::AlignHCenter);

    const ModeTexts texts = textsFor(transferMode);
    setWindowTitle(text(texts.textId));
    progressLabel_->setText(text(texts.textId));
    progressButton_->setVisible(texts.cancel);
    setBusy();

    // 288 pixels of bar plus a margin on each side.
    setFixedWidth(288 + 2 * kMargin);
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center());
    }

    tickTimer_ = new QTimer(this);
    tickTimer_->setInterval(kFrontIntervalMs);
    connect(tickTimer_, &QTimer::timeout, this, &ProgressWindow::keepInFront);
    tickTimer_->start();
}

ProgressWindow::~ProgressWindow() = default;

void ProgressWindow::setLabel(const QString& label) {
    progressLabel_->setText(label);
    progressLabel_->repaint();
}

QString ProgressWindow::label() const {
    return progressLabel_->text();
}

void ProgressWindow::setProgress(int done, int total) {
    if (total <= 0) {
        bar_->setRange(0, 0);
        return;
    }
    bar_->setRange(0, total);
    bar_->setValue(std::min(done, total));
}

void ProgressWindow::refreshResends() {
    const std::int32_t resends = watch_.resendsSinceStart();
    if (resends <= 0) return;
    resendsLabel_->setText(
        QString::fromStdString(ResMessage(msg::ReadResendsSoFar, {std::to_string(resends)})));
    resendsLabel_->show();
}

void ProgressWindow::reject() {
    if (!progressButton_->isHidden() && progressButton_->isEnabled()) cancelClicked();
}

void ProgressWindow::cancelClicked() {
    // Once only: the button goes grey before anything else can run.
    if (canceled_) return;
    progressButton_->setEnabled(false);
    setLabel(text(msg::NowCancelling));  // "Now Cancel Processing"
    canceled_ = true;
    if (watch_.attached()) watch_.stop(ResMessage(msg::UserCancelLog));  // "= User Cancel ="
}

void ProgressWindow::keepInFront() {
    refreshResends();
    if (!isVisible()) return;
    raise();
    activateWindow();
}

void ProgressWindow::finish() {
    finished_ = true;
    tickTimer_->stop();
    close();
}

void ProgressWindow::changeEvent(QEvent* event) {
    // Disabling the main window disables its child windows too; a window may be enabled on its
    // own again. Only a disable that came from the parent is undone.
    if (event->type() == QEvent::EnabledChange && !isEnabled() &&
        !testAttribute(Qt::WA_ForceDisabled))
        setEnabled(true);
    QDialog::changeEvent(event);
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
    if (!finished_) {
        event->ignore();
        return;
    }
    tickTimer_->stop();
    QWidget::closeEvent(event);
}

}  // namespace vq
