#pragma once
// The entry point of the main window's "Calibration" command: the calibration window on the
// opener's session, model and shared state, fed with the current readings, shown modally until the
// user leaves it.

namespace vq {

class CalibrationHost;

void OpenCalibrationWindow(CalibrationHost& host);

}  // namespace vq
