// Line faults: reproducible from the seed, each doing what its name says.

#include <gtest/gtest.h>

#include "sim/faults.h"
#include "sim_test_support.h"

namespace vq::sim::testing {
namespace {

// A whole session's bytes as they would leave the instrument, with the time of each piece.
std::vector<Delivery> faultyRun(std::uint64_t seed) {
    const FaultSettings settings =
        *ParseFaultList("drop=0.1,corrupt=0.1,split=0.2,cr=0.1,delay=40");
    Responder responder(DefaultSimState(), seed);
    FaultInjector faults(settings, seed);
    std::vector<Delivery> out;
    long long second = 0;
    for (int cycle = 0; cycle < 5; ++cycle) {
        for (const std::string& payload : ReadAllPayloads()) {
            for (const Emission& e : responder.receive(Request(payload), At(second++))) {
                for (Delivery& d : faults.apply(e)) out.push_back(std::move(d));
            }
        }
        for (const Emission& e : responder.receive(Request("DN,R,"), At(second++))) {
            for (Delivery& d : faults.apply(e)) out.push_back(std::move(d));
        }
    }
    return out;
}

TEST(SimFaults, SameSeedRepeatsByteForByte) {
    const auto first = faultyRun(42);
    const auto second = faultyRun(42);
    EXPECT_EQ(first, second);
    EXPECT_NE(first, faultyRun(43));
}

TEST(SimFaults, EachFaultDoesWhatItSays) {
    const Emission frame{Request("LP,R,0"), false};
    {
        FaultInjector drop(*ParseFaultList("drop=1"), 1);
        EXPECT_TRUE(drop.apply(frame).empty());
    }
    {
        FaultInjector split(*ParseFaultList("split=1"), 1);
        const auto pieces = split.apply(frame);
        ASSERT_EQ(pieces.size(), 2u);
        EXPECT_EQ(pieces[0].bytes + pieces[1].bytes, frame.bytes);
        EXPECT_EQ(pieces[1].after - pieces[0].after, FaultInjector::kSplitGap);
    }
    {
        FaultInjector cr(*ParseFaultList("cr=1"), 1);
        const auto pieces = cr.apply(frame);
        ASSERT_EQ(pieces.size(), 1u);
        EXPECT_EQ(pieces[0].bytes.size(), frame.bytes.size() + 1);
        EXPECT_NE(pieces[0].bytes.find(CR), std::string::npos);
        EXPECT_EQ(pieces[0].bytes.front(), STX);
    }
    {
        FaultInjector corrupt(*ParseFaultList("corrupt=1"), 1);
        const auto pieces = corrupt.apply(frame);
        ASSERT_EQ(pieces.size(), 1u);
        int differing = 0;
        for (std::size_t i = 0; i < frame.bytes.size(); ++i) {
            differing += pieces[0].bytes[i] != frame.bytes[i];
        }
        EXPECT_EQ(differing, 1);
    }
    {
        FaultInjector delay(*ParseFaultList("delay=50"), 1);
        for (int i = 0; i < 100; ++i) {
            const auto pieces = delay.apply(frame);
            ASSERT_EQ(pieces.size(), 1u);
            EXPECT_LE(pieces[0].after.count(), 50);
        }
    }
    // Raw memory bytes are never dropped or damaged, only split or held back.
    FaultInjector all(*ParseFaultList("drop=1,corrupt=1,cr=1"), 1);
    const Emission raw{std::string(512, '\x5A'), true};
    const auto pieces = all.apply(raw);
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_EQ(pieces[0].bytes, raw.bytes);
}

TEST(SimFaults, FaultListIsChecked) {
    const auto faults = ParseFaultList("drop=0.25,delay=10");
    ASSERT_TRUE(faults);
    EXPECT_DOUBLE_EQ(faults->drop, 0.25);
    EXPECT_EQ(faults->delayMs, 10);
    EXPECT_TRUE(ParseFaultList("")->drop == 0);
    std::string error;
    for (const char* bad : {"drop=2", "drop=-0.1", "lose=0.1", "drop", "delay=-1", "cr=x"}) {
        EXPECT_FALSE(ParseFaultList(bad, &error)) << bad;
        EXPECT_FALSE(error.empty());
    }
}

}  // namespace
}  // namespace vq::sim::testing
