#pragma once
// A settings-write channel that records every payload and answers each write as an instrument
// that accepts it does (the request frame echoed back).

#include <string>
#include <vector>

#include "protocol/settings_write.h"

namespace vq::fs_test {

class RecordingChannel : public SettingsWriteChannel {
  public:
    bool sendAndWait(const std::string& payload) override;
    std::string lastReply() const override { return reply_; }
    void logMessage(int, const std::vector<std::string>&) override {}
    std::string generalDateNow() const override { return "2026/12/07 09:00:00"; }
    std::chrono::milliseconds steadyNow() const override { return std::chrono::milliseconds(0); }

    std::vector<std::string> sent;

  private:
    std::string reply_;
};

}  // namespace vq::fs_test
