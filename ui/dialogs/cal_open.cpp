#include "ui/dialogs/cal_open.h"

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
    window.exec();
}

}  // namespace vq
