#pragma once
// What the calibration window asks of the instrument, over the session's link: the gases and
// concentrations it shows, the readings poll it runs while it is open, the model the readings go
// into, the zero and span runs (platform/calibration_run.h), and the range and N2 steps of
// channel 4. The window holds this, never the link itself.

#include <string>

#include "platform/calibration_run.h"

namespace vq {

class InstrumentModel;
class InstrumentLink;

class CalibrationAccess {
  public:
    explicit CalibrationAccess(InstrumentLink& link) : link_(&link) {}

    // A zero or span run made the window's way.
    CalibrationRun run() const { return CalibrationRun(*link_, kWindowRunStyle); }

    // Forgets a Cancel of an earlier command.
    void clearCancel();
    // The readings poll, once a second.
    bool readingsPolled() const;
    void pollReadings(bool on);
    // The model the link's replies and readings go into.
    InstrumentModel* boundModel() const;
    void bindModel(InstrumentModel* model);

    // Gas definitions and calibration gas concentrations of the five channels.
    bool readGases(InstrumentModel& model);
    bool readConcentrations(InstrumentModel& model);
    // The instrument's range mode ("LP,R") and its writing back ("LP,W").
    bool readRangeMode(InstrumentModel& model);
    bool writeRangeMode(InstrumentModel& model);
    // The N2 calibration of channel 4 with the reading `channels` holds.
    bool calibrateN2(const std::string& channels);
    // Leaves the range calibration ("DW,W").
    bool endRangeCalibration();

    // The host's steady clock in seconds (the live chart's time axis) and its local OLE date.
    double secondsNow() const;
    double localDateTime() const;
    // The working folder (where the report is suggested); empty when none was set.
    const std::string& workDir() const;

  private:
    InstrumentLink* link_;
};

}  // namespace vq
