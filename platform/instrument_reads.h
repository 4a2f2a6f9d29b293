#pragma once
// The reads and dumps the main window runs on the instrument, over the session's link: the
// read-all and its parts, the flash image and the FRAM listing, and what a dump left behind.

#include <cstdint>
#include <string>

namespace vq {

class clsInstrument;
class uclVqif;

class InstrumentReads {
  public:
    explicit InstrumentReads(uclVqif& link) : link_(&link) {}

    // How many frames a read-all sends (its progress bar counts them).
    static int readAllFrameCount();

    // The read-all into `model` (cleared first); false at the first command that fails.
    bool readAll(clsInstrument& model);
    // The identity read (the first five commands of the read-all), without clearing.
    bool readIdentity(clsInstrument& model);
    // The latest calibration history ("SO,R,").
    bool readLatestHistory(clsInstrument& model);
    // The flash image into `path`, blocks `first` to `last`.
    bool flashImage(const std::string& path, std::int32_t first, std::int32_t last);
    // The FRAM listing into `path`.
    bool framListing(const std::string& path);
    // Why the last dump's file could not be written ("" when it could).
    std::string dumpFileError() const;
    // The last flash dump broke off and may be tried once more.
    bool dumpMayRetry() const;
    // True while the current readings are polled every second (the calibration run).
    bool readingsPolled() const;

  private:
    uclVqif* link_;
};

}  // namespace vq
