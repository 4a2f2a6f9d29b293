// Paced output: no byte leaves before it would have crossed the wire, the schedule runs by
// the clock (no drift over a long dump), and unpaced output leaves at once.

#include <gtest/gtest.h>

#include "sim/output_schedule.h"

namespace vq::sim {
namespace {

using Nanos = OutputSchedule::Nanos;

TEST(SimOutputSchedule, UnpacedPiecesLeaveWhenReady) {
    OutputSchedule schedule;
    schedule.add(Nanos{0}, "abc");
    schedule.add(Nanos{1000}, "de");
    EXPECT_EQ(schedule.nextRelease(), Nanos{0});
    EXPECT_EQ(schedule.take(Nanos{0}), "abc");
    EXPECT_EQ(schedule.take(Nanos{999}), "");
    EXPECT_EQ(schedule.take(Nanos{1000}), "de");
    EXPECT_TRUE(schedule.empty());
    EXPECT_FALSE(schedule.nextRelease());
}

TEST(SimOutputSchedule, PacedBytesNeverLeaveBeforeTheirWireTime) {
    const long baud = 921600;
    OutputSchedule schedule(baud);
    const std::size_t total = 524288 + 1024 * 9;  // a whole flash image and its requests
    for (int block = 0; block < 1024; ++block) {
        schedule.add(Nanos{0}, std::string(512 + 9, 'x'));
    }
    std::size_t released = 0;
    Nanos now{0};
    int wakeUps = 0;
    while (const auto next = schedule.nextRelease()) {
        ASSERT_GE(*next, now);
        now = *next;
        released += schedule.take(now).size();
        ++wakeUps;
        // Never ahead of the wire: byte k is out only after k * 10 bits.
        ASSERT_LE(static_cast<long double>(released) * 10 * 1e9L / baud,
                  static_cast<long double>(now.count()) + 1);
    }
    EXPECT_EQ(released, total);
    // The last byte leaves at the wire time of the whole, to the nanosecond: no drift.
    EXPECT_EQ(now, schedule.wireTime(total));
    // In batches, not byte by byte.
    EXPECT_LT(wakeUps, static_cast<int>(total / 20));
}

TEST(SimOutputSchedule, PausesAndLateReadinessAreRespected) {
    OutputSchedule schedule(9600);  // about 1.04 ms a byte
    schedule.add(Nanos{0}, "A");
    schedule.add(Nanos{50'000'000}, "B");  // ready long after the wire is free again
    EXPECT_EQ(schedule.take(Nanos{1'000'000}), "");
    EXPECT_EQ(schedule.take(schedule.wireTime(1)), "A");
    EXPECT_EQ(schedule.take(Nanos{50'000'000}), "");
    EXPECT_EQ(schedule.take(Nanos{50'000'000} + schedule.wireTime(1)), "B");
    schedule.add(Nanos{60'000'000}, "CD");
    schedule.clear();
    EXPECT_TRUE(schedule.empty());
    EXPECT_EQ(schedule.queuedBytes(), 0u);
}

}  // namespace
}  // namespace vq::sim
