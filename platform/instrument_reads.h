#pragma once
// The reads and dumps both programs run on the instrument, over the session's link: the
// read-all and its parts (with the words for a read that stopped), the readings poll, the flash
// image and the FRAM listing, and what a dump left behind.

#include <cstdint>
#include <string>

namespace vq {

class InstrumentModel;
class InstrumentLink;

class InstrumentReads {
  public:
    explicit InstrumentReads(InstrumentLink& link) : link_(&link) {}

    // How many frames a read-all sends (its progress bar counts them).
    static int readAllFrameCount();

    // ---- reads; true when the instrument answered ----
    // The read-all into `model` (cleared first); false at the first command that fails.
    bool readAll(InstrumentModel& model);
    // Which read stopped and why, in words, after readAll failed.
    std::string readFailureText(bool lineDropped) const;
    // The identity read (the first five commands of the read-all), without clearing.
    bool readIdentity(InstrumentModel& model);
    // The latest calibration history ("SO,R,").
    bool readLatestHistory(InstrumentModel& model);
    // The gas of every channel ("GJ,R,").
    bool readGases(InstrumentModel& model);

    // ---- the readings poll ("DN,R," every second), decoded into `model` ----
    void startReadings(InstrumentModel& model);
    // Stops the poll and lets go of the model.
    void stopReadings();
    // True while the current readings are polled every second (the calibration run).
    bool readingsPolled() const;

    // ---- memory dumps ----
    static int lastFlashBlock();
    // The flash image into `path`, blocks `first` to `last`.
    bool flashImage(const std::string& path, std::int32_t first, std::int32_t last);
    // The FRAM listing into `path`.
    bool framListing(const std::string& path);
    // Why the last dump's file could not be written ("" when it could).
    std::string dumpFileError() const;
    // The last flash dump broke off and may be tried once more.
    bool dumpMayRetry() const;

  private:
    InstrumentLink* link_;
};

}  // namespace vq
