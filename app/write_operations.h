#pragma once
// The operations that write to the instrument, behind one narrow interface: the settings write
// with its read-back, the clock, the check date, the pump, the clears and the defaults. The
// shared "Update", "Update ID" and "Date/Time Set" flows (platform/settings_update.h,
// app/clock_set.h) run over it; the session hands out the one over its link
// (platform/link_write_operations.h), and a test may put a recorder behind the same calls.

#include <string>

#include "protocol/settings_write.h"

namespace vq {

class InstrumentModel;

class WriteOperations {
  public:
    virtual ~WriteOperations() = default;

    virtual bool Connected() const = 0;
    // Every flagged setting of the model, in the fixed order; succeeded() when all went through,
    // else the write that stopped it.
    virtual SettingsWriteResult WriteSettings(InstrumentModel& model) = 0;
    // The instrument clock into `clock` (its SysDateOffset); true when the instrument answered.
    // The model the link fills stays the one it was.
    virtual bool ReadClock(InstrumentModel& clock) = 0;
    // The instrument clock to `date` (an OLE date, local time).
    virtual bool SetDateTime(double date) = 0;
    virtual bool SetCheckData() = 0;
    // The calibration unit's pump.
    virtual bool SetPump(bool on) = 0;
    virtual bool DefaultInstrument() = 0;
    virtual bool PowerDataClear() = 0;
    virtual bool BodyDataClear() = 0;
    // One line of the communication log.
    virtual void AddLog(const std::string& text) = 0;
};

}  // namespace vq
