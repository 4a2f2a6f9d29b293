#pragma once
// The write operations (app/write_operations.h) on a link: each is the link's own. The settings
// write binds the model it writes, as the link compares every reply with the model it is filling.

#include "app/write_operations.h"

namespace vq {

class InstrumentLink;

class LinkWriteOperations final : public WriteOperations {
  public:
    explicit LinkWriteOperations(InstrumentLink& link) : link_(link) {}

    bool Connected() const override;
    SettingsWriteResult WriteSettings(InstrumentModel& model) override;
    bool ReadClock(InstrumentModel& clock) override;
    bool SetDateTime(double date) override;
    bool SetCheckData() override;
    bool SetPump(bool on) override;
    bool DefaultInstrument() override;
    bool PowerDataClear() override;
    bool BodyDataClear() override;
    void AddLog(const std::string& text) override;

  private:
    InstrumentLink& link_;
};

}  // namespace vq
