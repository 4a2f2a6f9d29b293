// Live values and identity: clock, current readings, A/D values, firmware number and checksum,
// zero and over-scale flags, and the connection probe.

#include "decoder_fixture.h"
#include "model/ole_date.h"
#include "model/value_codecs.h"

namespace vq::testing {
namespace {

using LiveReplyTest = DecoderTest;

TEST_F(LiveReplyTest, ClockSetsTheDateAndTheOffsetToThePc) {
    host.now = *MakeOleDate(2025, 1, 3, 3, 4, 5);
    EXPECT_TRUE(decode("HC,R,250102030405"));
    EXPECT_EQ(OleDateToParts(model.SysDate()), (DateTimeParts{2025, 1, 2, 3, 4, 5}));
    EXPECT_NEAR(model.SysDateOffset(), 1.0, 1e-9);
}

TEST_F(LiveReplyTest, ImproperClockIsLoggedWithItsDigitsAndNamesTheFailedRead) {
    for (const char* digits :
         {"251302030405", "250230000000", "250102240000", "2501020304x5", "25010203045 "}) {
        host.log.clear();
        EXPECT_FALSE(decode(std::string("HC,R,") + digits)) << digits;
        EXPECT_EQ(host.log,
                  std::vector<std::string>{std::string("<<< improper date at HC >>> ") + digits});
        EXPECT_EQ(model.FailLine(), "HC,R");
    }
    EXPECT_EQ(model.SysDate(), 0.0);
}

TEST_F(LiveReplyTest, ClockOfTheWrongLengthIsRefusedSilently) {
    EXPECT_FALSE(decode("HC,R,2501020304"));
    EXPECT_FALSE(decode("HC,R,2501020304050"));
    EXPECT_TRUE(host.log.empty());
    EXPECT_EQ(model.FailLine(), "");
}

TEST_F(LiveReplyTest, ReadingsRaiseReadingsAndKeepValuesThatAreNotNumbers) {
    EXPECT_TRUE(decode("DN,R,1.5,20.9,0,-104,7"));
    ASSERT_EQ(host.readingsRaised.size(), 1u);
    EXPECT_EQ(host.readingsRaised[0], (std::array<float, 5>{1.5f, 20.9f, 0.0f, -104.0f, 7.0f}));

    EXPECT_TRUE(decode("DN,R,2.5,ERR"));  // no count check; gases 1 to 4 keep their value
    ASSERT_EQ(host.readingsRaised.size(), 2u);
    EXPECT_EQ(host.readingsRaised[1], (std::array<float, 5>{2.5f, 20.9f, 0.0f, -104.0f, 7.0f}));
    EXPECT_EQ(model.LimitValue(0), 2.5f);
}

TEST_F(LiveReplyTest, AnalogValuesAndTheConvertedValue) {
    std::string body = "HA,R,0001,0002,FFFF,zz,0005,0006,0007,0008," + SingleToHex(3.25f);
    EXPECT_TRUE(decode(body));
    EXPECT_EQ(model.AnalogValue(0), 1);
    EXPECT_EQ(model.AnalogValue(2), -1);
    EXPECT_EQ(model.AnalogValue(3), 0);  // not hex: unchanged
    EXPECT_EQ(model.AnalogValue(7), 8);
    EXPECT_EQ(model.AdrealValue(), 3.25f);

    EXPECT_TRUE(decode("HA,R,0009"));
    EXPECT_EQ(model.AnalogValue(0), 9);
    EXPECT_EQ(model.AnalogValue(1), 2);
    EXPECT_EQ(model.AdrealValue(), 3.25f);
}

TEST_F(LiveReplyTest, FirmwareNumberAndChecksumText) {
    EXPECT_TRUE(decode("VP,R,123456"));
    EXPECT_EQ(model.RomNumber(), 123456);
    EXPECT_FALSE(decode("VP,R,12A"));
    EXPECT_EQ(model.RomNumber(), 123456);
    EXPECT_TRUE(decode("VS,R,aB12"));
    EXPECT_EQ(model.SUM(), "aB12");
    EXPECT_FALSE(decode("VS,R,XYZ"));
    EXPECT_EQ(model.SUM(), "aB12");
}

TEST_F(LiveReplyTest, ZeroFlagsWithANonDigitAreStoredAroundItAndRefused) {
    model.setZero(1, 1);
    EXPECT_FALSE(decode("UZ,R,1x01"));
    EXPECT_EQ(model.Zero(0), 1);
    EXPECT_EQ(model.Zero(1), 1);
    EXPECT_TRUE(model.isChanged(SettingId::Zero, 1));
    EXPECT_EQ(model.Zero(2), 0);
    EXPECT_EQ(model.Zero(3), 1);
    EXPECT_FALSE(model.isChanged(SettingId::Zero, 3));

    EXPECT_TRUE(decode("AO,R,0120"));
    EXPECT_EQ(model.OverScale(1), 1);
    EXPECT_EQ(model.OverScale(2), 0);  // any digit but "1" is 0
    EXPECT_FALSE(model.isChanged(SettingId::OverScale, 2));
}

TEST_F(LiveReplyTest, FlagsOfTheWrongLengthAreAFormatError) {
    EXPECT_FALSE(decode("UZ,R,101"));
    EXPECT_FALSE(decode("AO,R,10101"));
    EXPECT_EQ(host.log, std::vector<std::string>(2, kFormatError));
}

TEST_F(LiveReplyTest, ProbeReplyConnectsOnce) {
    EXPECT_FALSE(decode("RC,R,VQ-3300"));
    EXPECT_EQ(host.connectCalls, 0);

    EXPECT_TRUE(decode("RC,R,VQ-5100,1"));
    EXPECT_TRUE(host.connected);
    EXPECT_EQ(host.log, std::vector<std::string>{"---StartUp Connect Sequence Finished---\r\n"});

    EXPECT_TRUE(decode("RC,R,MODEL VQ-5100"));
    EXPECT_EQ(host.connectCalls, 1);
    EXPECT_EQ(host.log.size(), 1u);
}

}  // namespace
}  // namespace vq::testing
