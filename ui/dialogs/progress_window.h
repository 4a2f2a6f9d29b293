#pragma once
// ProgressWindow, the progress window: one line of progress text, a progress bar and, for the
// transfers that can be stopped, a Cancel button that asks the session's line to stop. A command of
// the main window creates it, shows it modeless, sets its caption and label, and closes it when the
// command ends. It raises itself every 500 ms so it stays in front of the disabled main window,
// and it stays enabled when that window is disabled under it: its Cancel must work while a
// command runs.
//
// The bar is determinate when the command knows its total (frames of the read-all, blocks of the
// flash dump) and busy otherwise. Under the label a second line counts the frames that had to be
// sent again since the window opened (shown from the first one): a bad line is plain to see.
// Escape is the Cancel button where there is one.

#include <QDialog>
#include <cstdint>

#include "platform/transfer_watch.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace vq {

class ProgressWindow : public QDialog {
    Q_OBJECT
  public:
    // `transferMode` picks the first caption, label and whether Cancel is offered; `watch` (from
    // the session's line, or one without a link) counts the resends and is what Cancel stops.
    ProgressWindow(std::int16_t transferMode, TransferWatch watch, QWidget* parent = nullptr);

    // The transfer mode of a read that can be cancelled ("Now Downloading", with Cancel).
    static constexpr std::int16_t kDownloadWithCancel = 5;
    ~ProgressWindow() override;

    bool Canceled() const { return canceled_; }
    void setCanceled(bool canceled) { canceled_ = canceled; }

    // The progress text (the session's dumpMessage texts land here too).
    void setLabel(const QString& text);
    QString label() const;
    // Determinate: `done` of `total`. A total of 0 makes the bar busy.
    void setProgress(int done, int total);
    void setBusy() { setProgress(0, 0); }
    // The command that opened the window is over: the window closes and deletes itself if it was
    // made to. Only this closes it; the close box and Escape do nothing while the command runs.
    void finish();

    QLabel* progressLabel() const { return progressLabel_; }
    QLabel* resendsLabel() const { return resendsLabel_; }
    // Shows the resends the watch counted since the window opened (also every kFrontIntervalMs).
    void refreshResends();
    QPushButton* progressButton() const { return progressButton_; }
    QProgressBar* progressBar() const { return bar_; }
    QTimer* tickTimer() const { return tickTimer_; }

    static constexpr int kFrontIntervalMs = 500;
    // Space between the window's edges and its label, bar and button, in pixels.
    static constexpr int kMargin = 16;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    // Escape: Cancel where the transfer can be stopped; otherwise nothing.
    void reject() override;

  private:
    void cancelClicked();
    void keepInFront();

    TransferWatch watch_;
    bool canceled_ = false;
    bool finished_ = false;
    QLabel* progressLabel_;
    QLabel* resendsLabel_;
    QProgressBar* bar_;
    QPushButton* progressButton_;
    QTimer* tickTimer_;
};

}  // namespace vq
