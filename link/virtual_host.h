#pragma once
// An event host on a virtual clock, for tests, benchmarks, fuzzers and the in-process
// instrument. Time stands still until pumpOnce() moves it to the next due event and runs that
// event, so time-outs and resends happen at exact instants and a 10-second exchange takes
// microseconds. Events due at the same instant run in the order they were scheduled.

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <unordered_map>
#include <vector>

#include "link/event_host.h"

namespace vq {

class VirtualHost : public EventHost {
  public:
    // Thrown by pumpOnce() when nothing at all is scheduled: a wait that can never end. Tests
    // see it as a failure instead of hanging.
    class Idle : public std::logic_error {
      public:
        Idle() : std::logic_error("virtual host: nothing is scheduled, the wait can never end") {}
    };

    // The OLE date the local clock shows at virtual time 0 (2026-01-01 00:00:00).
    static constexpr double kDefaultStartDate = 46023.0;

    Millis now() const override { return now_; }
    double localDateTime() const override;
    // Sets the local clock to `oleDate` at the current virtual instant; it runs on with now().
    void setLocalDateTime(double oleDate);

    // Moves the clock to the next due event and runs it. Throws Idle when nothing is scheduled.
    void pumpOnce() override;

    TimerId startTimer(Millis interval, std::function<void()> callback) override;
    void stopTimer(TimerId id) override;
    void callLater(Millis delay, std::function<void()> callback) override;

    // Runs every event due up to now() + duration, then leaves the clock there.
    void runFor(Millis duration);
    // Pumps until `done` holds; false when `limit` of virtual time passed first.
    bool pumpUntil(const std::function<bool()>& done, Millis limit);
    // Events scheduled (timers count once).
    std::size_t pendingEvents() const;

  private:
    struct Timer {
        Millis interval;
        std::function<void()> callback;
        bool active = true;
    };
    struct Entry {
        Millis due;
        std::uint64_t sequence;
        TimerId timer;  // 0: a one-shot call
        std::function<void()> call;
        // Heap order: the latest entry compares lowest, so the earliest comes first.
        bool operator<(const Entry& other) const {
            return due != other.due ? due > other.due : sequence > other.sequence;
        }
    };

    void schedule(Millis due, TimerId timer, std::function<void()> call);
    void dropStale();
    Entry popNext();

    Millis now_{0};
    double dateAtZero_ = kDefaultStartDate;
    std::uint64_t nextSequence_ = 0;
    TimerId nextTimer_ = 1;
    std::vector<Entry> queue_;  // a heap
    std::unordered_map<TimerId, std::shared_ptr<Timer>> timers_;
};

}  // namespace vq
