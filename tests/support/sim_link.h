#pragma once
// The link control talking to the virtual instrument through an in-process serial port on the
// virtual host: the real decoder, the real responder, the communication log in a scratch
// folder. The port records every frame the link writes and can rewrite what the instrument
// answers, for replies the instrument would never send.

#include <functional>
#include <string>
#include <vector>

#include "link/instrument_link.h"
#include "link/port_script.h"
#include "link/virtual_host.h"
#include "messages/messages.h"
#include "model/instrument.h"
#include "sim/inproc_port.h"
#include "sim/sim_instrument.h"
#include "tests/support/link_harness.h"
#include "tests/support/recording_events.h"
#include "tests/support/temp_dir.h"

namespace vq::test {

class TappedPort : public sim::InProcessSerialPort {
  public:
    using sim::InProcessSerialPort::InProcessSerialPort;

    std::vector<std::string> frames;
    // Applied to everything the instrument sends, before the link reads it.
    std::function<std::string(std::string)> rewrite;

    void write(const std::string& bytes) override {
        frames.push_back(bytes);
        sim::InProcessSerialPort::write(bytes);
    }
    std::string readAll() override {
        std::string bytes = sim::InProcessSerialPort::readAll();
        return rewrite ? rewrite(std::move(bytes)) : bytes;
    }
    std::vector<std::string> payloads() const {
        std::vector<std::string> out;
        for (const auto& frame : frames) out.push_back(PortScript::PayloadOf(frame));
        return out;
    }
};

struct SimLink {
    explicit SimLink(sim::SimState state = sim::DefaultSimState())
        : instrument(host, std::move(state)) {
        setLanguage(Language::English);
    }

    // Opens the port and waits for the probe to connect; then forgets the probe's traffic.
    bool connect(int retry = 3, int timeoutSeconds = 2) {
        link.setRetry(static_cast<std::int16_t>(retry));
        link.setTimeout(timeoutSeconds);
        link.setPortOpen(true);
        const bool connected =
            host.pumpUntil([this] { return link.Connected(); }, EventHost::Millis{10000});
        port.frames.clear();
        events.raised.clear();
        return connected;
    }
    std::vector<std::string> logLines() const { return ReadLogLines(dir.file("SerialLog.log")); }

    VirtualHost host;
    sim::SimInstrument instrument;
    TappedPort port{instrument};
    RecordingEvents events;
    TempDir dir;
    InstrumentLink link{host, events, &port, nullptr, dir.path()};
    InstrumentModel model;
};

}  // namespace vq::test
