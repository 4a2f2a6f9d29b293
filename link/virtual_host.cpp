#include "link/virtual_host.h"

#include <algorithm>
#include <utility>

namespace vq {

namespace {
constexpr double kMillisPerDay = 86'400'000.0;
}

double VirtualHost::localDateTime() const {
    return dateAtZero_ + static_cast<double>(now_.count()) / kMillisPerDay;
}

void VirtualHost::setLocalDateTime(double oleDate) {
    dateAtZero_ = oleDate - static_cast<double>(now_.count()) / kMillisPerDay;
}

void VirtualHost::schedule(Millis due, TimerId timer, std::function<void()> call) {
    queue_.push_back(Entry{due, nextSequence_++, timer, std::move(call)});
    std::push_heap(queue_.begin(), queue_.end());
}

VirtualHost::Entry VirtualHost::popNext() {
    std::pop_heap(queue_.begin(), queue_.end());
    Entry entry = std::move(queue_.back());
    queue_.pop_back();
    return entry;
}

// Entries of stopped timers stay queued until they come up; they are not events.
void VirtualHost::dropStale() {
    while (!queue_.empty() && queue_.front().timer != 0) {
        auto found = timers_.find(queue_.front().timer);
        if (found != timers_.end() && found->second->active) return;
        popNext();
    }
}

void VirtualHost::pumpOnce() {
    dropStale();
    if (queue_.empty()) throw Idle();
    // Taken off the queue before running: the callback may schedule more.
    Entry entry = popNext();
    if (entry.due > now_) now_ = entry.due;
    if (entry.timer == 0) {
        entry.call();
        return;
    }
    // Held while it runs: the callback may stop its own timer.
    std::shared_ptr<Timer> timer = timers_.at(entry.timer);
    schedule(entry.due + timer->interval, entry.timer, {});
    timer->callback();
}

EventHost::TimerId VirtualHost::startTimer(Millis interval, std::function<void()> callback) {
    // A zero interval would make the clock stand still for ever.
    if (interval < Millis{1}) interval = Millis{1};
    const TimerId id = nextTimer_++;
    timers_.emplace(id, std::make_shared<Timer>(Timer{interval, std::move(callback)}));
    schedule(now_ + interval, id, {});
    return id;
}

void VirtualHost::stopTimer(TimerId id) {
    auto found = timers_.find(id);
    if (found == timers_.end()) return;
    found->second->active = false;
    timers_.erase(found);
}

void VirtualHost::callLater(Millis delay, std::function<void()> callback) {
    if (delay < Millis{0}) delay = Millis{0};
    schedule(now_ + delay, 0, std::move(callback));
}

void VirtualHost::runFor(Millis duration) {
    const Millis until = now_ + duration;
    for (;;) {
        dropStale();
        if (queue_.empty() || queue_.front().due > until) break;
        pumpOnce();
    }
    if (now_ < until) now_ = until;
}

bool VirtualHost::pumpUntil(const std::function<bool()>& done, Millis limit) {
    const Millis until = now_ + limit;
    while (!done()) {
        dropStale();
        if (queue_.empty() || queue_.front().due > until) return false;
        pumpOnce();
    }
    return true;
}

std::size_t VirtualHost::pendingEvents() const {
    const auto calls = std::count_if(queue_.begin(), queue_.end(),
                                     [](const Entry& entry) { return entry.timer == 0; });
    return static_cast<std::size_t>(calls) + timers_.size();
}

}  // namespace vq
