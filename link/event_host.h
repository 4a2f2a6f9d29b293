#pragma once
// The event loop the link waits in. Nothing below platform/ reads a clock, sleeps or owns an
// event loop: it is handed a host. The Qt host (platform/) runs on QTimer and
// QCoreApplication::processEvents; the virtual host (link/virtual_host.h) runs on a virtual clock
// so tests of time-outs and resends are exact and take microseconds.

#include <chrono>
#include <functional>

namespace vq {

class EventHost {
  public:
    using Millis = std::chrono::milliseconds;
    using TimerId = int;

    virtual ~EventHost() = default;

    // Steady time since an arbitrary start.
    virtual Millis now() const = 0;

    // The local wall-clock time as an OLE automation date (days since 1899-12-30), for log
    // lines and the clock set. The virtual host lets a test set it.
    virtual double localDateTime() const = 0;

    // Runs one turn of the event loop: blocks until at least one event (a timer, port data, a
    // posted call) is due and runs what is due. Never spins: an idle wait costs no CPU.
    virtual void pumpOnce() = 0;

    // A periodic timer; the callback runs from inside pumpOnce().
    virtual TimerId startTimer(Millis interval, std::function<void()> callback) = 0;
    virtual void stopTimer(TimerId id) = 0;

    // Runs the callback once, from inside pumpOnce(), after the delay (0: on the next turn).
    virtual void callLater(Millis delay, std::function<void()> callback) = 0;
};

}  // namespace vq
