#include "tests/support/link_harness.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "messages/messages.h"
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
    const auto tick = InstrumentLink::kTickInterval.count();
    const auto now = host.now().count();
    host.runFor(EventHost::Millis{(now / tick + 1) * tick - now});
}

std::string LinkHarness::logText() const {
    std::ifstream in(dir.file("SerialLog.log"), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> LinkHarness::logLines() const {
    return ReadLogLines(dir.file("SerialLog.log"));
}

std::vector<std::string> ReadLogLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        const bool stamped = line.size() >= 9 && line[2] == ':' && line[5] == ':' && line[8] == ' ';
        lines.push_back(stamped ? line.substr(9) : line);
        start = end + 2;
    }
    return lines;
}

}  // namespace vq::test
