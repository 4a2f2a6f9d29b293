#pragma once
// CalibrationRunDialog, the small modal window a zero or span run runs in. The calibration window
// sets TransferMode (3 zero, 4 span) and shows it modally; one millisecond after it loads, its
// timer (which switches itself off at once) makes the run (platform/calibration_run.h: the poll
// paused, the calibration sent, its per-channel results and the history after it read) and hands
// the result back through SetCalibResult. Then the window closes itself. A busy bar moves while the
// link waits. The cancel button stays disabled: a calibration the instrument has started is not
// stopped half-way.

#include <QColor>
#include <QDialog>
#include <cstdint>
#include <functional>
#include <string>

#include "app/calibration_texts.h"
#include "platform/calibration_run.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

namespace vq {

class InstrumentModel;
struct MainState;

// What a run works with, all owned by the calibration window.
struct CalibRunContext {
    CalibrationRun& run;
    MainState& state;          // TransferMode picks the run; ReadingsFresh is cleared after it
    InstrumentModel& cal;      // gases and concentrations
    InstrumentModel& history;  // the calibration history read after the run
    ChannelFlags selection{};  // the channels to span
    // A line of the main window's information log.
    std::function<void(const std::string&, const QColor&)> addInfo;
    // SetCalibResult of the calibration window: run succeeded, per-channel results, zero run.
    std::function<void(bool, const ChannelFlags&, bool)> setCalibResult;
};

class CalibrationRunDialog : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kStartDelayMs = 1;

    explicit CalibrationRunDialog(CalibRunContext context, QWidget* parent = nullptr);

    bool Canceled() const { return canceled_; }
    void setCanceled(bool canceled) { canceled_ = canceled; }

    QLabel* progressLabel() const { return progressLabel_; }
    QPushButton* progressButton() const { return progressButton_; }
    QTimer* tickTimer() const { return tickTimer_; }
    // True once the run has been made (the window then closes).
    bool ran() const { return ran_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override {}  // Escape does not leave a run

  private:
    void startTimerFired();
    void progressButtonClicked();
    void zeroRun();
    void spanRun();
    void finishRun(const CalibrationOutcome& outcome);

    CalibRunContext context_;
    bool canceled_ = false;
    bool ran_ = false;
    QLabel* progressLabel_;
    QProgressBar* bar_;
    QPushButton* progressButton_;
    QTimer* tickTimer_;
};

}  // namespace vq
