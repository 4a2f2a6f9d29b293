#pragma once
// The event host of the real programs: Qt timers and the Qt event loop. Every callback runs from
// inside pumpOnce(), which blocks in the event dispatcher until something is due, so a link
// waiting for a reply costs no CPU.

#include <QObject>
#include <chrono>
#include <map>

#include "link/event_host.h"

class QTimer;

namespace vq {

class QtEventHost : public EventHost {
  public:
    // A QCoreApplication (or QApplication) must exist for as long as the host is used.
    QtEventHost();
    ~QtEventHost() override;
    QtEventHost(const QtEventHost&) = delete;
    QtEventHost& operator=(const QtEventHost&) = delete;

    Millis now() const override;
    double localDateTime() const override;
    void pumpOnce() override;
    TimerId startTimer(Millis interval, std::function<void()> callback) override;
    void stopTimer(TimerId id) override;
    void callLater(Millis delay, std::function<void()> callback) override;

    // Timers started and not yet stopped.
    int activeTimerCount() const { return static_cast<int>(timers_.size()); }

  private:
    // Parent and context of every timer and posted call: none outlives the host.
    QObject context_;
    std::map<TimerId, QTimer*> timers_;
    TimerId nextId_ = 1;
    std::chrono::steady_clock::time_point start_;
};

}  // namespace vq
