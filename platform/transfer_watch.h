#pragma once
// What a progress window does to the transfer it shows, over the link: counts the frames the
// link had to send again since the window opened, and stops the transfer when the user cancels
// (the link's Cancel, and a line in the communication log). Without a link it does nothing.

#include <cstdint>
#include <string>

namespace vq {

class InstrumentLink;

class TransferWatch {
  public:
    // Remembers the link's resend count now; `link` may be null.
    explicit TransferWatch(InstrumentLink* link);

    bool attached() const { return link_ != nullptr; }
    // Frames sent again since this watch was made (0 without a link).
    std::int32_t resendsSinceStart() const;
    // Asks the link to stop and writes `logLine` to the communication log.
    void stop(const std::string& logLine);

  private:
    InstrumentLink* link_;
    std::int32_t resendsAtStart_ = 0;
};

}  // namespace vq
