// The link's receive path: arbitrary byte chunks arrive on an open serial port while the link
// probes and waits, and are cut into frames, logged and decoded. Each input is split into
// chunks at 0xFF bytes (a chunk after the first 0xFF waits a few milliseconds, so the link timer
// runs between deliveries). The link must not crash, leak, throw or keep more than its receive
// buffer's cap.

#include <cstddef>
#include <cstdint>
#include <string>

#include "link/instrument_link.h"
#include "link/link_events.h"
#include "link/memory_port.h"
#include "link/virtual_host.h"
#include "messages/messages.h"

namespace {

class QuietEvents : public vq::LinkEvents {};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vq::VirtualHost host;
    vq::MemorySerialPort serial(host);
    QuietEvents events;
    vq::InstrumentLink link(host, events, &serial, nullptr, std::string());
    // The log lines are formed as always but kept from the disk: the fuzzer touches no file.
    std::size_t logged = 0;
    link.setLogWriter([&logged](std::string_view text) { logged += text.size(); });
    link.setRetry(1);
    link.setTimeout(1);
    link.setPortOpen(true);

    const std::string input(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    int gap = 0;
    while (start <= input.size()) {
        std::size_t end = input.find('\xFF', start);
        if (end == std::string::npos) end = input.size();
        serial.farEnd().send(input.substr(start, end - start), vq::EventHost::Millis{gap});
        gap += 7;
        start = end + 1;
    }
    host.runFor(vq::EventHost::Millis{gap + 500});
    if (link.ReceiveBuffer().size() > vq::FrameScanner::kReceiveBufferCap) __builtin_trap();
    link.setPortOpen(false);
    return 0;
}
