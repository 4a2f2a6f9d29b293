#include "ui/dialogs/calibration_open.h"

#include <QTimer>

#include "model/instrument.h"
#include "platform/calibration_access.h"
#include "platform/calibration_run.h"
#include "platform/instrument_session.h"
#include "ui/dialogs/calibration_host.h"
#include "ui/dialogs/calibration_prompts.h"
#include "ui/dialogs/calibration_window.h"

namespace vq {

namespace {

// A run of the calibration window goes into the instrument records.
void RecordCalibrationRun(CalibrationHost& host, const CalibrationWindow& window,
                          const ChannelFlags& listed, const ChannelFlags& results, bool zeroRun) {
    // The history before is the one the last read brought; the concentrations those the window
    // calibrated with.
    host.session().records().record(CalibrationRunRecord(
        zeroRun ? CalibrationKind::Zero : CalibrationKind::Span, listed, results, host.model(),
        window.historyModel(), window.calibrationModel(), window.lastRunDate()));
}

}  // namespace

void OpenCalibrationWindow(CalibrationHost& host) {
    QtCalibrationPrompts prompts;
    CalibrationWindow window(
        CalibrationDeps{
            host.session().calibration(), host.model(), host.state(), host.asker(), prompts,
            [&host](const std::string& text, const QColor& colour) { host.AddInfo(text, colour); }},
        &host.widget());
    host.whenReadingsArrive(&window, [&window] { window.Refresh_InstMoment(); });
    QObject::connect(
        &window, &CalibrationWindow::runFinished,
        [&host, &window](const ChannelFlags& listed, const ChannelFlags& results, bool zeroRun) {
            RecordCalibrationRun(host, window, listed, results, zeroRun);
        });
    // The main window waits for the calibration command to end before it closes; a close asked
    // for while the pump was being switched on leaves at once.
    host.whenCloseDeferred(&window, [&window] { window.close(); });
    if (host.closePending()) QTimer::singleShot(0, &window, &QWidget::close);
    window.exec();
}

}  // namespace vq
