#pragma once
// A link on the virtual host with a scripted instrument on an in-memory serial port, its events
// recorded and its communication log written into a scratch folder.

#include <string>
#include <vector>

#include "link/instrument_link.h"
#include "link/memory_port.h"
#include "link/port_script.h"
#include "link/virtual_host.h"
#include "tests/support/recording_events.h"
#include "tests/support/temp_dir.h"

namespace vq::test {

// The lines of a communication log file with their "hh:nn:ss " stamps removed (a text that
// itself ends in CR LF leaves an empty line after it).
std::vector<std::string> ReadLogLines(const std::string& path);

// The frame the instrument answers the probe with.
std::string ProbeReply();
// A reply frame: STX "0001" payload ETX checksum terminator.
std::string Reply(const std::string& payload, char terminator = 0x04);

class LinkHarness {
  public:
    // Texts are checked in English, whatever the test machine's locale.
    LinkHarness();

    VirtualHost host;
    MemorySerialPort serial{host};
    PortScript script{serial.farEnd()};
    RecordingEvents events;
    TempDir dir;
    InstrumentLink link{host, events, &serial, nullptr, dir.path()};

    // Sets Retry and Timeout, opens the port and lets the instrument answer the first probe.
    // Returns with the link Connected and idle, the probe exchange forgotten (written frames,
    // recorded events), so a test sees only its own traffic.
    void connect(int retry = 3, int timeoutSeconds = 2);
    // Runs the host to the next multiple of the link tick (after that tick has run), so a frame
    // sent next goes out exactly on a tick.
    void alignToTick();
    // The lines of SerialLog.log with their "hh:nn:ss " stamp removed.
    std::vector<std::string> logLines() const;
    // The whole log file as written.
    std::string logText() const;
    // Payloads of the frames the link has written.
    std::vector<std::string> sent() const { return script.payloads(); }
};

}  // namespace vq::test
