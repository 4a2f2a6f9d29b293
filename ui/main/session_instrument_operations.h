#pragma once
// The instrument operations of the main window on its session: the reads and dumps it hands out
// (platform/instrument_reads.h) and its power-off.

#include "ui/main/instrument_operations.h"

namespace vq {

class InstrumentSession;

// How many frames a read-all sends (the non-empty entries of the read table).
int ReadAllFrameCount();

class SessionInstrumentOperations final : public InstrumentOperations {
  public:
    explicit SessionInstrumentOperations(InstrumentSession& session) : session_(session) {}

    bool GetInstrument(InstrumentModel& model) override;
    bool GetRomNo(InstrumentModel& model) override;
    bool GetLatestHistory(InstrumentModel& model) override;
    // The session cycles the port whatever the instrument said; success here means the
    // instrument acknowledged the power-off.
    bool BodyPowerOff() override;
    bool GetBinDump(const std::string& path, std::int32_t first, std::int32_t last) override;
    bool GetMemoryListing(const std::string& path) override;
    bool RunReadings() const override;

  private:
    InstrumentSession& session_;
};

}  // namespace vq
