#include "app/clock_set.h"

#include "app/write_operations.h"
#include "messages/messages.h"
#include "model/instrument.h"
#include "model/ole_date.h"

namespace vq {

std::string InstrumentClockText(const InstrumentModel* clock, double now) {
    // The instrument's clock runs beside the PC's at the difference its read found.
    return clock != nullptr ? GeneralDate(AddDays(now, -clock->SysDateOffset()))
                            : ResMessage(msg::ClockNotRead);
}

bool RunSetClock(WriteOperations& operations, double when, const std::function<double()>& now,
                 InstrumentModel* model) {
    operations.AddLog(ResMessage(msg::UploadStartSequenceLog, {GeneralDate(now())}));
    if (!operations.SetDateTime(when)) {
        // A clock that was not set keeps its difference from the PC's.
        operations.AddLog(ResMessage(msg::DateTimeSetFailedLog, {GeneralDate(now())}));
        return false;
    }
    if (model != nullptr) model->setSysDateOffset(0);
    return true;
}

bool RunCheckData(WriteOperations& operations, double now) {
    operations.AddLog(ResMessage(msg::UploadStartSequenceLog, {GeneralDate(now)}));
    return operations.SetCheckData();
}

}  // namespace vq
