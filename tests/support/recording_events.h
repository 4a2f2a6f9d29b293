#pragma once
// Link events written down as text, in the order they were raised: "OnConnect",
// "ConnectRetry 2", "AlarmMessage <text>", ... StsTransmit and StsIdle are only counted, as they
// come with every frame.

#include <string>
#include <vector>

#include "link/link_events.h"

namespace vq::test {

class RecordingEvents : public LinkEvents {
  public:
    std::vector<std::string> raised;
    int transmits = 0;
    int idles = 0;

    void OnConnect() override { raised.push_back("OnConnect"); }
    void NewReadings(std::array<float, 5>& readings) override;
    void ConnectRetry(std::int16_t& count) override;
    void InstMessage(std::string& text) override { raised.push_back("InstMessage " + text); }
    void InterMessage(std::string& text) override { raised.push_back("InterMessage " + text); }
    void AlarmMessage(std::string& text) override { raised.push_back("AlarmMessage " + text); }
    void DumpMessage(std::string& text) override { raised.push_back("DumpMessage " + text); }
    void LineDropped() override { raised.push_back("LineDropped"); }
    void OnSocketError(std::int16_t& errorNumber) override;
    void StsTransmit() override { ++transmits; }
    void StsIdle() override { ++idles; }
};

}  // namespace vq::test
