#pragma once
// Puts the link into a transaction state no operation leaves it in by itself, for tests that
// start from the middle of an exchange.

#include <cstdint>

#include "link/instrument_link.h"

namespace vq::test {

struct LinkTestAccess {
    static void setStatus(InstrumentLink& link, std::int32_t status) { link.tx_.setStatus(status); }
    // Ticks left before the next socket poll.
    static std::int16_t pollCountdown(const InstrumentLink& link) { return link.pollCountdown_; }
};

}  // namespace vq::test
