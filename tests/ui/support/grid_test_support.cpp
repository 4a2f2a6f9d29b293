#include "ui/support/grid_test_support.h"

#include <algorithm>

#include "link/link_status.h"
#include "sim/sim_state.h"

namespace vq::grid_test {

SimBench::SimBench()
    : instrument(host, sim::DefaultSimState()), link(host, events, &port, nullptr) {
    link.setLogWriter([this](std::string_view text) { log_.emplace_back(text); });
    link.setSerialComm(true);
    link.setRetry(2);
    link.setTimeout(1);
}

SimBench::~SimBench() {
    link.setTimerEnabled(false);
    link.setPortOpen(false);
}

bool SimBench::connect() {
    link.setPortOpen(true);
    const bool ok = host.pumpUntil([this] { return link.Connected(); }, std::chrono::seconds(30));
    takeSent();
    return ok;
}

bool SimBench::readAll(InstrumentModel& model) {
    const bool ok = link.reads().GetInstrument(&model);
    if (ok) model.setCommFlags(1);
    takeSent();
    return ok;
}

std::vector<std::string> SimBench::takeSent() {
    std::vector<std::string> sent;
    for (const std::string& line : log_)
        if (line.rfind("W : ", 0) == 0) {
            // "W : " then the frame with its control characters shown in brackets.
            std::string frame = line.substr(4);
            const auto stx = frame.find("[STX]");
            const auto etx = frame.find("[ETX]");
            if (stx != std::string::npos && etx != std::string::npos && etx > stx + 9)
                sent.push_back(frame.substr(stx + 9, etx - stx - 9));  // after STX and "0001"
        }
    log_.clear();
    return sent;
}

InstrumentModel readDefaultInstrument() {
    SimBench bench;
    InstrumentModel model;
    if (bench.connect()) bench.readAll(model);
    return model;
}

}  // namespace vq::grid_test
