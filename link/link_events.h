#pragma once
// What the link tells its host window. The declaration order is part of the interface: hosts
// written against it rely on it. Every event has an empty default so a host overrides only what
// it shows. Arguments are passed by reference, as the host may rewrite them.

#include <array>
#include <cstdint>
#include <string>

namespace vq {

class LinkEvents {
  public:
    virtual ~LinkEvents() = default;

    // The probe reply named the model: the instrument is connected.
    virtual void OnConnect() {}
    // New current readings of channels 0 to 4.
    virtual void NewReadings(std::array<float, 5>& /*readings*/) {}
    // A forced resend (the retry count, from 2 on) or every fifth probe (probes / 5).
    virtual void ConnectRetry(std::int16_t& /*count*/) {}
    // Progress text of a read.
    virtual void InstMessage(std::string& /*text*/) {}
    // Progress text of the calibration history read.
    virtual void InterMessage(std::string& /*text*/) {}
    // Probing gave up.
    virtual void AlarmMessage(std::string& /*text*/) {}
    // Progress of a memory dump.
    virtual void DumpMessage(std::string& /*text*/) {}
    // CTS and DSR both dropped.
    virtual void LineDropped() {}
    // Socket error, Windows-style number.
    virtual void OnSocketError(std::int16_t& /*errorNumber*/) {}
    // A frame was sent or data arrived.
    virtual void StsTransmit() {}
    // A socket receive event has been processed.
    virtual void StsIdle() {}
};

}  // namespace vq
