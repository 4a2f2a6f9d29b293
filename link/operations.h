#pragma once
// The instrument operations besides calibration, reads and dumps: clock, check data, pump, the
// lamp mode, single reads, and the clear and default commands with their confirmation polls.
// Each sends one command over the link and waits; true when the transaction ends Done.

#include <cstdint>
#include <functional>
#include <string_view>

#include "link/operation_link.h"

namespace vq {

class InstrumentModel;

class LinkOperations {
  public:
    using Millis = OperationLink::Millis;

    static constexpr int kConfirmPollLimit = 120;  // 10 minutes of 5 s polls
    static constexpr Millis kConfirmPollPause{5000};

    // The wait between confirmation polls; only tests shorten it.
    Millis confirmPollPause() const { return confirmPollPause_; }
    void setConfirmPollPause(Millis pause) { confirmPollPause_ = pause; }

    explicit LinkOperations(OperationLink& link) : link_(link) {}

    // Hears the confirmation polls of the clears and DEFAULT, so a window can show them: 0 once
    // the instrument took the command, then the number of each poll that found it still at work,
    // with the limit and the pause before the next.
    using PollProgress = std::function<void(int polls, int limit, Millis pause)>;
    void setPollProgress(PollProgress progress) { pollProgress_ = std::move(progress); }

    bool SetDateTime(double dateTime);  // "HC,W,YYMMDDhhnnss"
    bool SetCheckData();                // "XH,E,"
    bool SetPump(bool on);              // "BP,W,1" / "BP,W,0"
    bool EndSettingsWrite();            // "DW,W,"
    // "LP,R," into the model (bound); "LP,W," + the model's HcMode.
    bool ReadHcMode(InstrumentModel* model);
    bool WriteHcMode(InstrumentModel* model);
    // "GJ,R," / "SA,R,"; on failure Status := Stopped and the channels get the blank gas record
    // (GetGasInfo) or AutoCalib -101 (GetAutoCalReadings).
    bool GetGasInfo(InstrumentModel* model);
    bool GetAutoCalReadings(InstrumentModel* model);
    // "SO,R," into the model (bound), progress texts raised as InterMessage.
    bool GetLatestHistory(InstrumentModel* model);
    // The command, then its confirmation polled every confirmPollPause() until the instrument
    // acknowledges it. A poll that does not end Done, Cancel, or kConfirmPollLimit polls without
    // the acknowledgement end it with false.
    bool BodyDataClear();      // "XC,W," then "XC,C,"
    bool PowerDataClear();     // "XY,W," then "XY,C,"
    bool DefaultInstrument();  // "UX,W," then "UX,C," (reads)

    // The decoder saw the instrument acknowledge a confirmation poll.
    bool confirmAcked() const { return confirmAcked_; }
    void setConfirmAcked(bool acked) { confirmAcked_ = acked; }

  private:
    bool clearWithConfirm(std::string_view command, std::string_view confirm,
                          std::int32_t pollStatus);

    OperationLink& link_;
    bool confirmAcked_ = false;
    Millis confirmPollPause_ = kConfirmPollPause;
    PollProgress pollProgress_;
};

}  // namespace vq
