#include "sim/inproc_port.h"

#include <algorithm>

namespace vq::sim {

InProcessLine::InProcessLine(SimInstrument& instrument)
    : instrument_(instrument), self_(std::make_shared<InProcessLine*>(this)) {}

// Callbacks still queued on the host hold a weak reference and find it expired.
InProcessLine::~InProcessLine() = default;

void InProcessLine::open(int eventAfterOpen) {
    if (open_) return;
    open_ = true;
    ++generation_;
    received_.clear();
    lastArrival_ = instrument_.host().now();  // nothing of an earlier opening holds us back
    instrument_.portOpened();
    raise(std::chrono::milliseconds{0}, eventAfterOpen);
}

void InProcessLine::close() {
    open_ = false;
    ++generation_;
    received_.clear();
}

void InProcessLine::dropPending() {
    ++generation_;
    received_.clear();
}

void InProcessLine::raise(std::chrono::milliseconds delay, int code) {
    std::weak_ptr<InProcessLine*> weak = self_;
    const int generation = generation_;
    instrument_.host().callLater(delay, [weak, generation, code] {
        const auto self = weak.lock();
        if (!self) return;
        InProcessLine& line = **self;
        if (!line.open_ || line.generation_ != generation) return;
        if (line.sink_) line.sink_(code);
    });
}

void InProcessLine::write(const std::string& bytes) {
    if (!open_) return;
    EventHost& host = instrument_.host();
    const auto now = host.now();
    for (Delivery& d : instrument_.exchange(bytes)) {
        // Pieces arrive in the order they were sent, whatever hold-back each one drew.
        const auto arrival = std::max(now + d.after, lastArrival_);
        lastArrival_ = arrival;
        std::weak_ptr<InProcessLine*> weak = self_;
        const int generation = generation_;
        host.callLater(arrival - now, [weak, generation, piece = std::move(d.bytes)] {
            const auto self = weak.lock();
            if (!self) return;
            InProcessLine& line = **self;
            if (!line.open_ || line.generation_ != generation) return;
            line.received_ += piece;
            if (line.sink_) line.sink_(port_event::Receive);
        });
    }
}

std::string InProcessLine::readAll() {
    std::string out;
    out.swap(received_);
    return out;
}

}  // namespace vq::sim
