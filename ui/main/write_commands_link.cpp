#include "ui/main/write_commands_link.h"

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
