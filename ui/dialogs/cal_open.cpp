#include "ui/dialogs/cal_open.h"

#include <QTimer>

#include "ui/dialogs/cal_prompts.h"
#include "ui/dialogs/frm_calibration.h"
#include "ui/main/frm_main.h"

namespace vq {

void OpenCalibrationWindow(frmMain& main) {
    QtCalibrationPrompts prompts;
    frmCalibration window(
        CalibrationDeps{
            main.link(), main.model(), main.state(), main.asker(), prompts,
            [&main](const std::string& text, const QColor& colour) { main.AddInfo(text, colour); }},
        &main);
    QObject::connect(&main, &frmMain::readingsArrived, &window,
                     &frmCalibration::Refresh_InstMoment);
    // The main window waits for the calibration command to end before it closes; a close asked
    // for while the pump was being switched on leaves at once.
    QObject::connect(&main, &frmMain::closeDeferred, &window, &QWidget::close);
    if (main.closePending()) QTimer::singleShot(0, &window, &QWidget::close);
    window.exec();
}

}  // namespace vq
