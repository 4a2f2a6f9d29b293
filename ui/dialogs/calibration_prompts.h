#pragma once
// The two questions the calibration window puts to the user besides its plain message boxes:
// the result box of a run, which also offers to save the calibration report, and where to save
// it. Behind an interface so a window test answers them instead of waiting on a modal box.

#include <string>

class QWidget;

namespace vq {

class CalibrationPrompts {
  public:
    virtual ~CalibrationPrompts() = default;
    // The result of a run: information icon, an OK button and a "Save calibration report..."
    // button. True when the user asks for the report.
    virtual bool resultBox(QWidget* parent, const std::string& text, const std::string& title) = 0;
    // The file the report goes to, starting from `suggested`; empty when the user cancels.
    virtual std::string reportPath(QWidget* parent, const std::string& suggested) = 0;
};

// The program's prompts: QMessageBox and the file dialog.
class QtCalibrationPrompts final : public CalibrationPrompts {
  public:
    bool resultBox(QWidget* parent, const std::string& text, const std::string& title) override;
    std::string reportPath(QWidget* parent, const std::string& suggested) override;
};

}  // namespace vq
