#include "sim/output_schedule.h"

#include <algorithm>

namespace vq::sim {

namespace {
constexpr long kBitsPerByte = 10;  // start bit, 8 data bits, stop bit
constexpr long kBatchMicros = 2000;
}  // namespace

OutputSchedule::OutputSchedule(long baud)
    : baud_(baud > 0 ? baud : 0),
      batch_(baud_ > 0
                 ? std::max<std::size_t>(
                       1, static_cast<std::size_t>(baud_ / kBitsPerByte * kBatchMicros / 1'000'000))
                 : 1) {}

OutputSchedule::Nanos OutputSchedule::wireTime(std::size_t bytes) const {
    if (baud_ == 0) return Nanos{0};
    // Exact in nanoseconds: bytes * 10 bits * 1e9 / baud, without overflow for any answer.
    const long double ns = static_cast<long double>(bytes) * kBitsPerByte * 1e9L / baud_;
    return Nanos{static_cast<long long>(ns)};
}

void OutputSchedule::add(Nanos readyAt, std::string bytes) {
    if (bytes.empty()) return;
    readyAt = std::max(readyAt, lastReady_);
    lastReady_ = readyAt;
    if (readyAt >= burstOrigin_ + wireTime(burstBytes_)) {
        burstOrigin_ = readyAt;  // the wire is idle: a new burst
        burstBytes_ = 0;
    }
    const std::size_t size = bytes.size();
    queuedBytes_ += size;
    pieces_.push_back({burstOrigin_, burstBytes_, std::move(bytes), 0});
    burstBytes_ += size;
}

OutputSchedule::Nanos OutputSchedule::releaseOf(const Piece& piece, std::size_t index) const {
    return piece.origin + wireTime(piece.offset + index + 1);
}

std::string OutputSchedule::take(Nanos now) {
    std::string out;
    while (!pieces_.empty()) {
        Piece& piece = pieces_.front();
        std::size_t ready = piece.sent;
        if (baud_ == 0) {
            ready = now >= piece.origin ? piece.bytes.size() : piece.sent;
        } else {
            while (ready < piece.bytes.size() && releaseOf(piece, ready) <= now) ++ready;
        }
        out.append(piece.bytes, piece.sent, ready - piece.sent);
        queuedBytes_ -= ready - piece.sent;
        piece.sent = ready;
        if (piece.sent < piece.bytes.size()) break;
        pieces_.pop_front();
    }
    return out;
}

std::optional<OutputSchedule::Nanos> OutputSchedule::nextRelease() const {
    if (pieces_.empty()) return std::nullopt;
    const Piece& piece = pieces_.front();
    if (baud_ == 0) return piece.origin;
    const std::size_t last = std::min(piece.sent + batch_, piece.bytes.size()) - 1;
    return releaseOf(piece, last);
}

void OutputSchedule::clear() {
    pieces_.clear();
    queuedBytes_ = 0;
    burstOrigin_ = Nanos{0};
    burstBytes_ = 0;
    lastReady_ = Nanos{0};
}

}  // namespace vq::sim
