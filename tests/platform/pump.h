#pragma once
// Runs the event host until a condition holds. The limit only keeps a broken build from hanging
// the suite; the tests never depend on how long anything takes.

#include <chrono>

#include "link/event_host.h"

namespace vq::test {

template <typename Condition>
bool pumpUntil(EventHost& host, Condition condition,
               std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    // A guard timer wakes the loop so the limit is checked even when nothing else happens.
    const auto guard = host.startTimer(std::chrono::milliseconds(50), [] {});
    const auto end = host.now() + limit;
    while (!condition() && host.now() < end) host.pumpOnce();
    host.stopTimer(guard);
    return condition();
}

}  // namespace vq::test
