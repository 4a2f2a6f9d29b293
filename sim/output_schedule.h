#pragma once
// When the virtual instrument's answer bytes may leave. Unpaced, an answer goes out whole the
// moment it is ready. Paced at a baud rate, the line is modelled as a wire of 10 bits a byte:
// an answer starts when it is ready and the wire is free, and each byte is released only once
// it would have finished crossing the wire. Release times come from the schedule, not from
// sleeping per byte, so no drift builds up. Bytes are released in batches of about two
// milliseconds of wire time: the last byte of an answer still leaves exactly on time, while the
// front and the reader wake a few times per answer instead of once per byte. The caller
// supplies the time.

#include <chrono>
#include <deque>
#include <optional>
#include <string>

namespace vq::sim {

class OutputSchedule {
  public:
    using Nanos = std::chrono::nanoseconds;

    // baud 0: unpaced.
    explicit OutputSchedule(long baud = 0);

    // Queues an answer piece that is ready at `readyAt`; pieces leave in the order added.
    void add(Nanos readyAt, std::string bytes);

    // The bytes whose time has come, removed from the queue.
    std::string take(Nanos now);

    // When take() will next have bytes; nullopt when nothing is queued.
    std::optional<Nanos> nextRelease() const;

    std::size_t queuedBytes() const { return queuedBytes_; }
    bool empty() const { return pieces_.empty(); }
    // Forgets everything queued (the peer went away); the wire is free at once.
    void clear();

    // Wire time of `bytes` bytes at the configured rate.
    Nanos wireTime(std::size_t bytes) const;

  private:
    // Times are counted from the start of the burst a piece belongs to (the wire was idle
    // before it), so rounding never accumulates over a long burst.
    struct Piece {
        Nanos origin;        // when the burst started on the wire
        std::size_t offset;  // burst bytes before this piece
        std::string bytes;
        std::size_t sent = 0;
    };
    // When byte `index` of the piece has crossed the wire.
    Nanos releaseOf(const Piece& piece, std::size_t index) const;

    long baud_;
    std::size_t batch_;
    std::deque<Piece> pieces_;
    Nanos burstOrigin_{0};
    std::size_t burstBytes_ = 0;
    Nanos lastReady_{0};
    std::size_t queuedBytes_ = 0;
};

}  // namespace vq::sim
