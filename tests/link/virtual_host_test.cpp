// The virtual host: events in time order, periodic timers, and a wait that can never end
// reported instead of hanging.

#include "link/virtual_host.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vq {
namespace {

using Millis = EventHost::Millis;

TEST(VirtualHost, RunsEventsInTimeOrderAndSameInstantInSchedulingOrder) {
    VirtualHost host;
    std::vector<std::string> order;
    host.callLater(Millis{30}, [&] { order.push_back("c30"); });
    host.callLater(Millis{10}, [&] { order.push_back("a10"); });
    host.callLater(Millis{10}, [&] { order.push_back("b10"); });
    host.callLater(Millis{0}, [&] { order.push_back("now"); });

    std::vector<long> times;
    for (int i = 0; i < 4; ++i) {
        host.pumpOnce();
        times.push_back(static_cast<long>(host.now().count()));
    }
    EXPECT_EQ(order, (std::vector<std::string>{"now", "a10", "b10", "c30"}));
    EXPECT_EQ(times, (std::vector<long>{0, 10, 10, 30}));
}

TEST(VirtualHost, PeriodicTimerTicksAtExactMultiplesAndStopsFromItsOwnCallback) {
    VirtualHost host;
    std::vector<long> ticks;
    EventHost::TimerId id = 0;
    int count = 0;
    id = host.startTimer(Millis{100}, [&] {
        ticks.push_back(static_cast<long>(host.now().count()));
        if (++count == 3) host.stopTimer(id);
    });
    host.callLater(Millis{250}, [&] { ticks.push_back(-250); });
    host.runFor(Millis{1000});
    EXPECT_EQ(ticks, (std::vector<long>{100, 200, -250, 300}));
    EXPECT_EQ(host.now(), Millis{1000});
    EXPECT_EQ(host.pendingEvents(), 0u);
}

TEST(VirtualHost, CallbacksMaySchedulePastNowWithoutTheClockGoingBack) {
    VirtualHost host;
    std::vector<long> times;
    host.callLater(Millis{50}, [&] {
        host.callLater(Millis{0}, [&] { times.push_back(static_cast<long>(host.now().count())); });
        host.callLater(Millis{-5}, [&] { times.push_back(static_cast<long>(host.now().count())); });
    });
    host.runFor(Millis{100});
    EXPECT_EQ(times, (std::vector<long>{50, 50}));
}

TEST(VirtualHost, NothingScheduledThrowsInsteadOfHanging) {
    VirtualHost host;
    EXPECT_THROW(host.pumpOnce(), VirtualHost::Idle);
    const auto id = host.startTimer(Millis{100}, [] {});
    host.stopTimer(id);
    EXPECT_THROW(host.pumpOnce(), VirtualHost::Idle);
    EXPECT_EQ(host.now(), Millis{0});  // a stopped timer moves no clock
}

TEST(VirtualHost, PumpUntilGivesUpAtTheLimit) {
    VirtualHost host;
    int ticks = 0;
    host.startTimer(Millis{100}, [&] { ++ticks; });
    EXPECT_TRUE(host.pumpUntil([&] { return ticks == 5; }, Millis{1000}));
    EXPECT_EQ(host.now(), Millis{500});
    EXPECT_FALSE(host.pumpUntil([] { return false; }, Millis{1000}));
    EXPECT_EQ(ticks, 15);
}

TEST(VirtualHost, LocalClockRunsWithTheVirtualClock) {
    VirtualHost host;
    EXPECT_DOUBLE_EQ(host.localDateTime(), VirtualHost::kDefaultStartDate);
    host.runFor(Millis{43'200'000});  // half a day
    EXPECT_DOUBLE_EQ(host.localDateTime(), VirtualHost::kDefaultStartDate + 0.5);
    host.setLocalDateTime(45000.25);
    host.runFor(Millis{21'600'000});
    EXPECT_DOUBLE_EQ(host.localDateTime(), 45000.5);
}

}  // namespace
}  // namespace vq
