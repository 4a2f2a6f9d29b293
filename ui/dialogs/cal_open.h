#pragma once
// The entry point of the main window's "Calibration" command: the calibration window on the main
// window's link, model and shared state, fed with the current readings, shown modally until the
// user leaves it.

namespace vq {

class frmMain;

void OpenCalibrationWindow(frmMain& main);

}  // namespace vq
