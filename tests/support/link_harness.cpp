#include "tests/support/link_harness.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "app/messages.h"
#include "protocol/frame.h"

namespace vq::test {

std::string ProbeReply() {
    return Reply("RC,R,VQ-5100 ,01");
}

std::string Reply(const std::string& payload, char terminator) {
    return BuildFrame(payload, terminator);
}

LinkHarness::LinkHarness() {
    setLanguage(Language::English);
}

void LinkHarness::connect(int retry, int timeoutSeconds) {
    link.setRetry(static_cast<std::int16_t>(retry));
    link.setTimeout(timeoutSeconds);
    script.answer("RC,R,", ProbeReply(), EventHost::Millis{5}, 1);
    link.setPortOpen(true);
    if (!host.pumpUntil([this] { return link.Connected() && link.Status() == link_status::Done; },
                        EventHost::Millis{5000})) {
        throw std::runtime_error("the scripted instrument did not connect");
    }
    serial.farEnd().clearWritten();
    events.raised.clear();
}

void LinkHarness::alignToTick() {
    const auto tick = uclVqif::kTickInterval.count();
    const auto now = host.now().count();
    host.runFor(EventHost::Millis{(now / tick + 1) * tick - now});
}

std::string LinkHarness::logText() const {
    std::ifstream in(dir.file("SerialLog.log"), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> LinkHarness::logLines() const {
    std::vector<std::string> lines;
    const std::string text = logText();
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        // "hh:nn:ss " stamps every line; a text that itself ends in CR LF leaves an empty line.
        lines.push_back(line.size() >= 9 && line[2] == ':' && line[5] == ':' ? line.substr(9)
                                                                             : line);
        start = end + 2;
    }
    return lines;
}

}  // namespace vq::test
