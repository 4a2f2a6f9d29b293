#include "platform/calibration_access.h"

#include "link/instrument_link.h"

namespace vq {

void CalibrationAccess::clearCancel() {
    link_->setCancel(false);
}

bool CalibrationAccess::readingsPolled() const {
    return link_->calibration().RunReadings();
}

void CalibrationAccess::pollReadings(bool on) {
    link_->calibration().setRunReadings(on);
}

InstrumentModel* CalibrationAccess::boundModel() const {
    return link_->Instrument();
}

void CalibrationAccess::bindModel(InstrumentModel* model) {
    link_->setInstrument(model);
}

bool CalibrationAccess::readGases(InstrumentModel& model) {
    return link_->operations().GetGasInfo(&model);
}

bool CalibrationAccess::readConcentrations(InstrumentModel& model) {
    return link_->operations().GetAutoCalReadings(&model);
}

bool CalibrationAccess::readRangeMode(InstrumentModel& model) {
    return link_->operations().ReadHcMode(&model);
}

bool CalibrationAccess::writeRangeMode(InstrumentModel& model) {
    return link_->operations().WriteHcMode(&model);
}

bool CalibrationAccess::calibrateN2(const std::string& channels) {
    return link_->calibration().OxygenCal(channels);
}

bool CalibrationAccess::endRangeCalibration() {
    return link_->operations().EndSettingsWrite();
}

double CalibrationAccess::secondsNow() const {
    return static_cast<double>(link_->Host().now().count()) / 1000.0;
}

double CalibrationAccess::localDateTime() const {
    return link_->Host().localDateTime();
}

const std::string& CalibrationAccess::workDir() const {
    return link_->WorkDir();
}

}  // namespace vq
