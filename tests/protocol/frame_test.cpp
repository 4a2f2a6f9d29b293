#include "protocol/frame.h"

#include <gtest/gtest.h>

namespace vq {
namespace {

TEST(Frame, ChecksumOfProbeIsFB) {
    const std::string frame = BuildFrame("RC,R,", EOT);
    EXPECT_EQ(frame, std::string("\x02"
                                 "0001RC,R,\x03"
                                 "FB\x04"));
}

TEST(Frame, ChecksumOfMultipleOf256IsZeroZero) {
    // 0x80 + 0x80 = 256: the negated sum modulo 256 is 0, written with its leading zero.
    EXPECT_EQ(FrameChecksum("\x80\x80"), "00");
    EXPECT_EQ(FrameChecksum(""), "00");
    EXPECT_EQ(FrameChecksum("\xFF"), "01");
}

TEST(Frame, TerminatorIsKept) {
    const std::string block = BuildFrame(
        "\x06"
        "XS,R",
        ETB);
    EXPECT_EQ(block.back(), ETB);
    EXPECT_EQ(block.substr(0, 5),
              "\x02"
              "0001");
}

}  // namespace
}  // namespace vq
