#pragma once
// The line under the calibration window's table that says why a typed concentration was refused
// (with a beep) or how the window changed it (rounded to the resolution, without a beep). The
// same text shows as a tooltip at the cell, where the user is looking when the edit ends.

#include <QLabel>
#include <functional>

class QTableWidget;

namespace vq {

class CalibrationEditNotice : public QLabel {
    Q_OBJECT
  public:
    explicit CalibrationEditNotice(QWidget* parent = nullptr);

    // Shows `text` at the cell and on the line; `refused` beeps.
    void say(QTableWidget& grid, int row, int column, const QString& text, bool refused);
    // A new edit: what was said about the last one no longer holds.
    void clearNotice();

    const QString& lastNotice() const { return last_; }
    // Replaces the platform's beep (tests count it).
    void setBeep(std::function<void()> beep) { beep_ = std::move(beep); }

  private:
    QString last_;
    std::function<void()> beep_;
};

}  // namespace vq
