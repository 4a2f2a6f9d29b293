#pragma once
// The calibration steps (zero, span, oxygen) and the current-reading poll, over the link's wait.
// The decoder leaves each step's result here.

#include <string>

#include "link/event_host.h"
#include "link/operation_link.h"

namespace vq {

class CalibrationSteps {
  public:
    using Millis = OperationLink::Millis;

    static constexpr int kZeroPollLimit = 600;  // 10 minutes of 1 s polls
    static constexpr Millis kZeroPollPause{1000};
    static constexpr Millis kReadingsInterval{1000};

    explicit CalibrationSteps(OperationLink& link) : link_(link) {}
    ~CalibrationSteps();
    CalibrationSteps(const CalibrationSteps&) = delete;
    CalibrationSteps& operator=(const CalibrationSteps&) = delete;

    bool ZeroCal(const std::string& channels);
    bool SpanCal(const std::string& channels);
    bool OxygenCal(const std::string& channels);
    // True when the result holds five characters and channel's (0..4) is "0".
    bool ZeroStatus(int channel) const;
    bool SpanStatus(int channel) const;
    bool RunReadings() const { return readingsTimerId_ != 0; }
    void setRunReadings(bool on);

    const std::string& zeroResult() const { return zeroResult_; }
    const std::string& spanResult() const { return spanResult_; }
    const std::string& o2Result() const { return o2Result_; }
    void setZeroResult(const std::string& result) { zeroResult_ = result; }
    void setSpanResult(const std::string& result) { spanResult_ = result; }
    void setO2Result(const std::string& result) { o2Result_ = result; }

  private:
    void onReadingsTick();
    void logFailure();

    OperationLink& link_;
    EventHost::TimerId readingsTimerId_ = 0;
    std::string zeroResult_;
    std::string spanResult_;
    std::string o2Result_;
};

}  // namespace vq
