#include "platform/link_write_operations.h"

#include "link/link_status.h"
#include "link/vqif.h"
#include "model/instrument.h"

namespace vq {

bool LinkWriteOperations::Connected() const {
    return link_.Connected();
}

void LinkWriteOperations::AddLog(const std::string& text) {
    link_.AddLog(text);
}

SettingsWriteResult LinkWriteOperations::WriteSettings(clsInstrument& model) {
    link_.setInstrument(&model);
    return link_.WriteSettings(&model);
}

bool LinkWriteOperations::ReadClock(clsInstrument& clock) {
    clsInstrument* const bound = link_.Instrument();
    link_.setInstrument(&clock);
    const bool read = link_.WaitFor(link_status::AwaitRead, "HC,R,");
    link_.setInstrument(bound);
    return read;
}

bool LinkWriteOperations::SetDateTime(double date) {
    return link_.SetDateTime(date);
}

bool LinkWriteOperations::SetCheckData() {
    return link_.SetCheckData();
}

bool LinkWriteOperations::SetPump(bool on) {
    return link_.SetPump(on);
}

bool LinkWriteOperations::DefaultInstrument() {
    return link_.DefaultInstrument();
}

bool LinkWriteOperations::PowerDataClear() {
    return link_.PowerDataClear();
}

bool LinkWriteOperations::BodyDataClear() {
    return link_.BodyDataClear();
}

}  // namespace vq
