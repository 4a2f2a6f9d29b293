#pragma once
// A link connected to the virtual instrument with every setting read, and the frames of that read
// forgotten: what a test of one operation over the link's parts starts from.

#include <gtest/gtest.h>

#include "tests/support/sim_link.h"

namespace vq::test {

struct ConnectedSimLink {
    ConnectedSimLink() {
        EXPECT_TRUE(s.connect());
        EXPECT_TRUE(s.link.reads().GetInstrument(&s.model));
        s.port.frames.clear();
    }
    SimLink s;
};

}  // namespace vq::test
