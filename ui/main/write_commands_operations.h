#pragma once
// The link operations the write commands run, behind one narrow interface: the program runs them
// on the main window's link (write_commands_link.h); a test may put the in-process virtual
// instrument or a recorder behind the same calls.

#include <string>

#include "protocol/settings_write.h"

namespace vq {

class clsInstrument;

class WriteOperations {
  public:
    virtual ~WriteOperations() = default;

    virtual bool Connected() const = 0;
    // Every flagged setting of the model, in the fixed order; succeeded() when all went through,
    // else the write that stopped it.
    virtual SettingsWriteResult WriteSettings(clsInstrument& model) = 0;
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
