#pragma once
// CalibrationWindow, the calibration window: the grid calibrationGrid of the five channels (gas,
// selection for span, calibration gas concentration, current reading), and the buttons
// calibrationButton(0..3): "Zero", "Span", "Set range" / "N2 Cal" and "Exit Calibration" / "N2 Cal
// END". Zero and span runs are made inside CalibrationRunDialog; the range and N2 steps of channel
// 4 run here.
//
// The main window opens it modally (OpenCalibrationWindow, ui/dialogs/calibration_open.h) between
// switching the calibration unit's pump on and off. It reaches the instrument through the
// session's CalibrationAccess (platform/calibration_access.h) and works on the main window's shared
// state; the gases and concentrations it edits are its own copy, read from the instrument
// on its first activation, so nothing it changes reaches the settings the main window writes.
//
// The current-reading poll runs while the window is open, except during a run or a range step.
// While the range calibration is under way (the buttons read "N2 Cal" / "N2 Cal END") the window
// stays open until "N2 Cal END" has put the instrument's range mode back, or has failed to: an
// instrument that no longer answers must not hold the program. Leaving then warns that the
// instrument is still in range mode; the mode to restore stays in the shared state, so the next
// calibration window opens ready for "N2 Cal END".
// A close asked for while a step runs (Escape, the close box, the main window closing) is carried
// out when the step is over; the step itself is never broken off.

#include <QColor>
#include <QDialog>
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "app/calibration_texts.h"
#include "model/instrument.h"
#include "platform/calibration_access.h"

class QGroupBox;
class QPushButton;
class QTableWidget;
class QTableWidgetItem;

namespace vq {

class CalibrationEditNotice;
class CalibrationPrompts;
class ReadingsChart;
class UserAsker;
struct MainState;

struct CalibrationDeps {
    CalibrationAccess instrument;
    // The main window's model: identity texts for the report, warning levels and the oxygen
    // mode that bound a concentration.
    const InstrumentModel& model;
    MainState& state;
    UserAsker& asker;
    CalibrationPrompts& prompts;
    // A line of the main window's information log.
    std::function<void(const std::string&, const QColor&)> addInfo;
};

class CalibrationWindow : public QDialog {
    Q_OBJECT
  public:
    enum Column { colGas = 0, colSelect = 1, colAutoCal = 2, colReading = 3 };
    enum Button { zeroButton = 0, spanButton = 1, rangeButton = 2, exitButton = 3 };
    static constexpr std::int16_t kRangeCalMode = 2;
    inline static const QColor kUnusableColour{192, 192, 192};

    explicit CalibrationWindow(CalibrationDeps deps, QWidget* parent = nullptr);
    ~CalibrationWindow() override;

    // ---- interfaces ----
    // The end of a run: stores the flag and builds the result text of the listed channels.
    void SetCalibResult(bool ok, const ChannelFlags& results, bool zeroRun);
    // New current readings are in the shared state: column 3 is rewritten.
    void Refresh_InstMoment();
    // The first-activation reads (gas definitions and concentrations); once only.
    void FirstActivate();

    // ---- commands ----
    void calibrationButtonClicked(int index);
    // Escape and the close box (QDialog routes it here): put off while a step runs, refused while
    // the range calibration is under way and its restore has not failed.
    void reject() override;
    // A concentration typed into row `channel`; false when it was refused (the cell shows the
    // stored value again, and the notice line says why, with a beep).
    bool finishAutoCalEdit(int channel, const QString& text);
    // Why the last concentration edit was refused, or that it was rounded; empty when neither.
    const QString& lastNotice() const;
    // Replaces the platform's beep of a refusal (tests count it).
    void setBeep(std::function<void()> beep);
    // The Select box of row `channel` set or cleared.
    void setSelection(int channel, bool on);

    // ---- state ----
    const ChannelFlags& CalSelection() const { return selection_; }
    const ChannelFlags& usable() const { return usable_; }
    bool resultFlag() const { return resultFlag_; }
    const std::string& resultText() const { return resultText_; }
    bool rangeMode() const { return rangeMode_; }
    // "N2 Cal END" could not write the range mode back: the window may be left.
    bool restoreFailed() const { return restoreFailed_; }
    std::int16_t savedRangeMode() const { return savedRangeMode_; }
    bool firstActivation() const { return firstActivation_; }
    const InstrumentModel& calibrationModel() const { return cal_; }
    const InstrumentModel& historyModel() const { return history_; }
    // When the last run ended (OLE date of the host's clock).
    double lastRunDate() const { return lastRunDate_; }
    // The report of the last successful run; false when there is none or it could not be written
    // (the user is told why).
    bool saveReport(const std::string& path);

    // ---- controls ----
    QTableWidget* calibrationGrid() const { return calibrationGrid_; }
    const ReadingsChart* readingsChart() const { return chart_; }
    const CalibrationEditNotice* noticeLine() const { return notice_; }
    QPushButton* calibrationButton(int i) const {
        return calibrationButtons_.at(static_cast<std::size_t>(i));
    }
    QGroupBox* calibrationGroup() const { return calibrationGroup_; }

  signals:
    // A zero or span run ended (SetCalibResult): the listed channels and their results.
    void runFinished(const ChannelFlags& listed, const ChannelFlags& results, bool zeroRun);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    // calibration_window.cpp
    void buildControls();
    void ApplyCaptions();
    void FillGrid();
    void fillRow(int channel);
    void itemChanged(QTableWidgetItem* item);
    bool greyed(int channel) const;
    bool mayLeave();
    void closeIfAsked();
    void closeDown();
    void setBusy(bool busy);

    // calibration_window_runs.cpp
    void runCommand(int index);
    void zeroCommand();
    void spanCommand();
    void showRunResult();
    void runInProgressWindow(std::int16_t transferMode);
    void rangeCommand();
    void n2CalCommand();
    void n2CalEndCommand();
    void setRangeCaptions(bool rangeMode);
    void rangeFailed();

    CalibrationAccess instrument_;
    const InstrumentModel& model_;
    MainState& state_;
    UserAsker& asker_;
    CalibrationPrompts& prompts_;
    std::function<void(const std::string&, const QColor&)> addInfo_;

    InstrumentModel cal_;      // gases and concentrations read on the first activation
    InstrumentModel history_;  // range mode and calibration history read during calibration
    InstrumentModel* boundBefore_ = nullptr;  // the bound model when the window opened
    ChannelFlags usable_{};
    ChannelFlags selection_{};
    bool resultFlag_ = false;
    std::string resultText_;
    std::int16_t savedRangeMode_ = 0;
    bool rangeMode_ = false;
    bool restoreFailed_ = false;
    bool closeAsked_ = false;
    bool firstActivation_ = true;
    bool filling_ = false;
    bool busy_ = false;
    bool closed_ = false;

    // What the report of the last run needs.
    ChannelFlags lastListed_{};
    ChannelFlags lastResults_{};
    bool lastZeroRun_ = true;
    double lastRunDate_ = 0;

    QGroupBox* calibrationGroup_ = nullptr;
    QTableWidget* calibrationGrid_ = nullptr;
    ReadingsChart* chart_ = nullptr;
    CalibrationEditNotice* notice_ = nullptr;
    std::array<QPushButton*, 4> calibrationButtons_{};
};

}  // namespace vq
