#pragma once
// Line faults the virtual instrument can put on its answers, drawn from a seeded generator so a
// faulty run repeats byte for byte: a dropped answer, a corrupted byte, an answer split in two
// deliveries, a stray CR inside it, and a random hold-back of up to a given time. Raw memory
// bytes are only split and held back: they carry no checksum, so damage there could never be
// noticed and would only make a dump wrong.
//
// Text form: "drop=P,corrupt=P,split=P,cr=P,delay=MS", every part optional, P from 0 to 1.

#include <chrono>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "sim/handler_context.h"

namespace vq::sim {

struct FaultSettings {
    double drop = 0;
    double corrupt = 0;
    double split = 0;
    double cr = 0;
    int delayMs = 0;
    bool any() const { return drop > 0 || corrupt > 0 || split > 0 || cr > 0 || delayMs > 0; }
};

// nullopt (with the reason in `error`) for an unknown name, a probability outside 0..1 or a
// negative delay.
std::optional<FaultSettings> ParseFaultList(std::string_view text, std::string* error = nullptr);

// A piece of an answer and how long after the answer was ready it goes out.
struct Delivery {
    std::chrono::milliseconds after{0};
    std::string bytes;
    friend bool operator==(const Delivery&, const Delivery&) = default;
};

class FaultInjector {
  public:
    // The pause between the two halves of a split answer.
    static constexpr std::chrono::milliseconds kSplitGap{3};

    FaultInjector(FaultSettings faults, std::uint64_t seed);

    // The deliveries of one answer: none when dropped, two when split.
    std::vector<Delivery> apply(const Emission& emission);

  private:
    double chance();
    std::size_t position(std::size_t size);

    FaultSettings faults_;
    std::mt19937_64 rng_;
};

}  // namespace vq::sim
