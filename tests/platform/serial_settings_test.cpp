#include "platform/serial_settings.h"

#include <gtest/gtest.h>

namespace vq {
namespace {

using P = SerialSettings::Parity;
using S = SerialSettings::StopBits;

TEST(SerialSettings, ReadsEveryFieldOfWellFormedTexts) {
    EXPECT_EQ(parseSerialSettings("921600,n,8,1"), (SerialSettings{921600, P::None, 8, S::One}));
    EXPECT_EQ(parseSerialSettings("9600,E,7,2"), (SerialSettings{9600, P::Even, 7, S::Two}));
    EXPECT_EQ(parseSerialSettings(" 115200 , o , 5 , 1.5 "),
              (SerialSettings{115200, P::Odd, 5, S::OneAndHalf}));
    EXPECT_EQ(parseSerialSettings("300,m,6,1")->parity, P::Mark);
    EXPECT_EQ(parseSerialSettings("300,s,6,1")->parity, P::Space);
}

TEST(SerialSettings, RejectsMalformedOrOutOfRangeTexts) {
    for (const char* bad :
         {"", "921600", "921600,n,8", "921600,n,8,1,0", "fast,n,8,1", "0,n,8,1", "-9600,n,8,1",
          "9600,x,8,1", "9600,no,8,1", "9600,n,9,1", "9600,n,4,1", "9600,n,8,3", "9600,n,8,",
          "9600n,8,1", "99999999999,n,8,1", "9600,n,8,1.0"}) {
        EXPECT_FALSE(parseSerialSettings(bad).has_value()) << bad;
    }
}

TEST(SerialSettings, FormatsTheCanonicalTextThatParsesBack) {
    const SerialSettings settings{19200, P::Space, 7, S::OneAndHalf};
    EXPECT_EQ(formatSerialSettings(settings), "19200,s,7,1.5");
    EXPECT_EQ(parseSerialSettings(formatSerialSettings(settings)), settings);
    EXPECT_EQ(formatSerialSettings(*parseSerialSettings("921600,N,8,1")), "921600,n,8,1");
}

}  // namespace
}  // namespace vq
