#pragma once
// The instrument operations the main window starts, as one narrow interface: the window calls
// these and asks the session's line (platform/session_line.h) whether the instrument answered or
// the user cancelled. The program's implementation runs them on the window's session
// (session_instrument_operations.h); a window test may put its own behind the same calls.

#include <cstdint>
#include <functional>
#include <string>

namespace vq {

class InstrumentModel;

class InstrumentOperations {
  public:
    virtual ~InstrumentOperations() = default;

    // The read-all into `model` (cleared first); false at the first command that fails.
    virtual bool GetInstrument(InstrumentModel& model) = 0;
    // The identity read (the first five commands of the read-all), without clearing.
    virtual bool GetRomNo(InstrumentModel& model) = 0;
    // The latest calibration history ("SO,R,").
    virtual bool GetLatestHistory(InstrumentModel& model) = 0;
    // "RO,W,": the instrument switches itself off.
    virtual bool BodyPowerOff() = 0;
    // The flash image into `path`, blocks `first` to `last`.
    virtual bool GetBinDump(const std::string& path, std::int32_t first, std::int32_t last) = 0;
    // The FRAM listing into `path`.
    virtual bool GetMemoryListing(const std::string& path) = 0;
    // True while the current readings are polled every second (the calibration run).
    virtual bool RunReadings() const = 0;
};

}  // namespace vq
