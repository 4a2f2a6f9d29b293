#include "platform/qt_event_host.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <chrono>
#include <cmath>
#include <vector>

#include "platform/ole_clock.h"
#include "platform/pump.h"

namespace vq {
namespace {

using namespace std::chrono_literals;

double cpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& tv) { return tv.tv_sec + tv.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

TEST(QtEventHost, IdlePumpSleepsUntilTheEventIsDue) {
    QtEventHost host;
    // A timer stopped just before leaves its deletion pending: that must not wake the loop.
    host.stopTimer(host.startTimer(1ms, [] {}));
    bool fired = false;
    host.callLater(300ms, [&] { fired = true; });
    const double cpuBefore = cpuSeconds();
    const auto start = host.now();
    int turns = 0;
    while (!fired) {
        host.pumpOnce();
        ++turns;
    }
    // A spinning pump would take thousands of turns and the whole wait in CPU time.
    EXPECT_GE(host.now() - start, 290ms);
    EXPECT_LE(turns, 5);
    EXPECT_LT(cpuSeconds() - cpuBefore, 0.1);
}

TEST(QtEventHost, PumpReturnsAfterOneBatchWithoutWaitingForLaterTimers) {
    QtEventHost host;
    std::vector<int> order;
    host.startTimer(1h, [&] { order.push_back(99); });
    host.callLater(0ms, [&] { order.push_back(1); });
    host.callLater(0ms, [&] { order.push_back(2); });
    ASSERT_TRUE(test::pumpUntil(host, [&] { return order.size() >= 2; }));
    // Posted calls run in the order they were posted; the hour timer kept nobody waiting.
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST(QtEventHost, PeriodicTimerRepeatsUntilStoppedEvenFromItsOwnCallback) {
    QtEventHost host;
    int ticks = 0;
    EventHost::TimerId id = 0;
    id = host.startTimer(10ms, [&] {
        if (++ticks == 3) host.stopTimer(id);
    });
    EXPECT_EQ(host.activeTimerCount(), 1);
    ASSERT_TRUE(test::pumpUntil(host, [&] { return ticks >= 3; }));
    EXPECT_EQ(host.activeTimerCount(), 0);
    // Give a stopped timer several intervals to misfire.
    bool later = false;
    host.callLater(60ms, [&] { later = true; });
    ASSERT_TRUE(test::pumpUntil(host, [&] { return later; }));
    EXPECT_EQ(ticks, 3);
    host.stopTimer(id);     // already stopped: nothing happens
    host.stopTimer(12345);  // never started: nothing happens
}

TEST(QtEventHost, TwoTimersKeepTheirOwnIdsAndCallbacks) {
    QtEventHost host;
    int a = 0;
    int b = 0;
    const auto idA = host.startTimer(5ms, [&] { ++a; });
    const auto idB = host.startTimer(5ms, [&] { ++b; });
    EXPECT_NE(idA, idB);
    host.stopTimer(idA);
    ASSERT_TRUE(test::pumpUntil(host, [&] { return b >= 3; }));
    EXPECT_EQ(a, 0);
}

TEST(QtEventHost, CallsPendingWhenTheHostGoesAreDropped) {
    bool fired = false;
    {
        QtEventHost host;
        host.callLater(0ms, [&] { fired = true; });
        host.startTimer(1ms, [&] { fired = true; });
    }
    QtEventHost other;
    bool mine = false;
    other.callLater(20ms, [&] { mine = true; });
    ASSERT_TRUE(test::pumpUntil(other, [&] { return mine; }));
    EXPECT_FALSE(fired);
}

TEST(QtEventHost, ClocksAdvanceAndTellLocalTimeAsOleDate) {
    QtEventHost host;
    const auto first = host.now();
    bool done = false;
    host.callLater(20ms, [&] { done = true; });
    ASSERT_TRUE(test::pumpUntil(host, [&] { return done; }));
    EXPECT_GE(host.now() - first, 20ms);

    const double expected = oleDateFromLocal(QDateTime::currentDateTime());
    EXPECT_NEAR(host.localDateTime(), expected, 1.0 / 86400.0 * 5);
}

TEST(OleClock, CountsDaysFromTheEpochWithTheTimeAsFraction) {
    EXPECT_DOUBLE_EQ(oleDateFromLocal(QDateTime(QDate(1899, 12, 30), QTime(0, 0))), 0.0);
    EXPECT_DOUBLE_EQ(oleDateFromLocal(QDateTime(QDate(1900, 1, 1), QTime(0, 0))), 2.0);
    EXPECT_DOUBLE_EQ(oleDateFromLocal(QDateTime(QDate(2000, 1, 1), QTime(12, 0))), 36526.5);
    const double t = oleDateFromLocal(QDateTime(QDate(2025, 1, 2), QTime(3, 4, 5)));
    EXPECT_NEAR(t - std::floor(t), (3 * 3600 + 4 * 60 + 5) / 86400.0, 1e-9);
}

}  // namespace
}  // namespace vq
