#include "platform/link_write_operations.h"

#include "link/instrument_link.h"
#include "link/link_status.h"
#include "model/instrument.h"

namespace vq {

bool LinkWriteOperations::Connected() const {
    return link_.Connected();
}

void LinkWriteOperations::AddLog(const std::string& text) {
    link_.AddLog(text);
}

SettingsWriteResult LinkWriteOperations::WriteSettings(InstrumentModel& model) {
    link_.setInstrument(&model);
    return link_.WriteSettings(&model);
}

bool LinkWriteOperations::ReadClock(InstrumentModel& clock) {
    InstrumentModel* const bound = link_.Instrument();
    link_.setInstrument(&clock);
    const bool read = link_.WaitFor(link_status::AwaitRead, "HC,R,");
    link_.setInstrument(bound);
    return read;
}

bool LinkWriteOperations::SetDateTime(double date) {
    return link_.operations().SetDateTime(date);
}

bool LinkWriteOperations::SetCheckData() {
    return link_.operations().SetCheckData();
}

bool LinkWriteOperations::SetPump(bool on) {
    return link_.operations().SetPump(on);
}

bool LinkWriteOperations::DefaultInstrument() {
    return link_.operations().DefaultInstrument();
}

bool LinkWriteOperations::PowerDataClear() {
    return link_.operations().PowerDataClear();
}

bool LinkWriteOperations::BodyDataClear() {
    return link_.operations().BodyDataClear();
}

}  // namespace vq
