#include "ui/dialogs/cal_open.h"

#include <QTimer>

#include "model/instrument.h"
#include "platform/calibration_access.h"
#include "platform/calibration_run.h"
#include "platform/instrument_session.h"
#include "ui/dialogs/cal_prompts.h"
#include "ui/dialogs/frm_calibration.h"
#include "ui/main/frm_main.h"

namespace vq {

namespace {

// A run of the calibration window goes into the instrument records.
void RecordCalibrationRun(frmMain& main, const frmCalibration& window, const ChannelFlags& listed,
                          const ChannelFlags& results, bool zeroRun) {
    // The history before is the one the last read brought; the concentrations those the window
    // calibrated with.
    main.session().records().record(CalibrationRunRecord(
        zeroRun ? CalibrationKind::Zero : CalibrationKind::Span, listed, results, main.model(),
        window.historyModel(), window.calibrationModel(), window.lastRunDate()));
}

}  // namespace

void OpenCalibrationWindow(frmMain& main) {
    QtCalibrationPrompts prompts;
    frmCalibration window(
        CalibrationDeps{
            main.session().calibration(), main.model(), main.state(), main.asker(), prompts,
            [&main](const std::string& text, const QColor& colour) { main.AddInfo(text, colour); }},
        &main);
    QObject::connect(&main, &frmMain::readingsArrived, &window,
                     &frmCalibration::Refresh_InstMoment);
    QObject::connect(
        &window, &frmCalibration::runFinished,
        [&main, &window](const ChannelFlags& listed, const ChannelFlags& results, bool zeroRun) {
            RecordCalibrationRun(main, window, listed, results, zeroRun);
        });
    // The main window waits for the calibration command to end before it closes; a close asked
    // for while the pump was being switched on leaves at once.
    QObject::connect(&main, &frmMain::closeDeferred, &window, &QWidget::close);
    if (main.closePending()) QTimer::singleShot(0, &window, &QWidget::close);
    window.exec();
}

}  // namespace vq
