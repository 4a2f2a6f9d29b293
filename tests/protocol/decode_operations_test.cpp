// Acknowledgements, confirmations, calibration results, the clock-write echo and the keys that
// are accepted without looking at the payload.

#include "decoder_fixture.h"

namespace vq::testing {
namespace {

using OperationReplyTest = DecoderTest;

TEST_F(OperationReplyTest, AckKeysNeedAckAndLogAnythingElse) {
    for (const char* key :
         {"XC,W", "XY,W", "RO,W", "UX,W", "UD,W", "UP,W", "DW,W", "XH,E", "SZ,W"}) {
        host.log.clear();
        EXPECT_TRUE(decodeFrame(AckReply(key, ACK))) << key;
        EXPECT_FALSE(decodeFrame(AckReply(key, NAK))) << key;
        EXPECT_FALSE(decodeFrame(AckReply(key, SUB))) << key;
        EXPECT_FALSE(decode(std::string(key) + ",OK")) << key;
        EXPECT_EQ(host.log, std::vector<std::string>(3, kResponseError)) << key;
    }
}

TEST_F(OperationReplyTest, ConfirmIsAlwaysAcceptedAndRecordsTheAck) {
    for (const char* key : {"XC,C", "XY,C", "UX,C"}) {
        EXPECT_TRUE(decodeFrame(AckReply(key, ACK))) << key;
        EXPECT_EQ(host.confirmAcked, true) << key;
        EXPECT_TRUE(decodeFrame(AckReply(key, NAK))) << key;
        EXPECT_EQ(host.confirmAcked, false) << key;
    }
    EXPECT_TRUE(host.log.empty());
}

TEST_F(OperationReplyTest, ZeroConfirmCarriesFiveResultsOrSubWhileRunning) {
    EXPECT_TRUE(decode("SZ,C, 00100 "));
    EXPECT_EQ(host.zeroCalResult, "00100");

    EXPECT_TRUE(decodeFrame(AckReply("SZ,C", SUB)));
    EXPECT_EQ(host.zeroCalResult, "");

    host.zeroCalResult.reset();
    EXPECT_FALSE(decodeFrame(AckReply("SZ,C", ACK)));
    EXPECT_FALSE(decode("SZ,C,0010"));
    EXPECT_FALSE(host.zeroCalResult.has_value());
    EXPECT_EQ(host.log, std::vector<std::string>(2, kResponseError));
}

TEST_F(OperationReplyTest, SpanRepliesAlwaysAcceptAndKeepOnlyFiveCharacterResults) {
    for (const char* key : {"S1,W", "S2,W", "S2,C"}) {
        EXPECT_TRUE(decode(std::string(key) + ",01000")) << key;
        EXPECT_EQ(host.spanCalResult, "01000") << key;
        EXPECT_TRUE(decode(std::string(key) + ",010")) << key;
        EXPECT_EQ(host.spanCalResult, "") << key;
    }
}

TEST_F(OperationReplyTest, OxygenCalibrationRefusedByNak) {
    EXPECT_FALSE(decodeFrame(AckReply("SN,W", NAK)));
    EXPECT_EQ(host.o2CalResult, "");
    EXPECT_TRUE(decode("SN,W,20.9"));
    EXPECT_EQ(host.o2CalResult, "20.9");
    EXPECT_TRUE(host.log.empty());
}

TEST_F(OperationReplyTest, CalibrationStepReadsNeedFourTokens) {
    EXPECT_TRUE(decode("SZ,R,1,2,3,4"));
    EXPECT_TRUE(decode("S1,R,1,2,3,4"));
    EXPECT_FALSE(decode("S1,R,1,2,3"));
    EXPECT_EQ(host.log, std::vector<std::string>{kFormatError});
}

TEST_F(OperationReplyTest, ClockWriteMustEchoTheSentFrame) {
    host.lastFrame = BuildFrame("HC,W,240305140709", EOT);
    EXPECT_TRUE(decodeFrame(host.lastFrame));
    EXPECT_FALSE(decodeFrame(BuildFrame("HC,W,240305140710", EOT)));
    EXPECT_FALSE(decodeFrame(BuildFrame("HC,W,240305140709", ETB)));
    EXPECT_EQ(host.log, std::vector<std::string>(2, kResponseError));
}

TEST_F(OperationReplyTest, ClockWriteEchoIsComparedWithCrsAsCommas) {
    host.lastFrame = BuildFrame("HC,W,240305,140709", EOT);
    EXPECT_TRUE(decodeFrame(host.lastFrame));
    // A CR where the comma was: its checksum was taken over the CR, so the echo is not the frame
    // that was sent.
    EXPECT_FALSE(decodeFrame(BuildFrame("HC,W,240305\r140709", EOT)));
}

TEST_F(OperationReplyTest, ZeroFlagsWriteNeedsFourCharacters) {
    EXPECT_TRUE(decode("UZ,W,0101"));
    EXPECT_FALSE(decode("UZ,W,010"));
    EXPECT_EQ(host.log, std::vector<std::string>{kResponseError});
}

TEST_F(OperationReplyTest, AcceptOnlyKeysIgnoreThePayload) {
    for (const char* body :
         {"LS,W,?", "UG,R,1", "UG,W,1", "BP,R,1", "BP,W,0", "YA,R,abc", "YK,R,,", "YV,R,1,2,3"}) {
        EXPECT_TRUE(decode(body)) << body;
    }
    EXPECT_TRUE(host.log.empty());
}

// A write the instrument refused must not pass as written: the change flags would be cleared
// and the technician told the settings are in the instrument.
TEST_F(OperationReplyTest, WritesWithoutEchoAreRefusedByNak) {
    for (const char* key : {"GJ,W", "LS,W", "UG,W", "BP,W"}) {
        host.log.clear();
        EXPECT_FALSE(decodeFrame(AckReply(key, NAK))) << key;
        EXPECT_EQ(host.log, std::vector<std::string>{kResponseError}) << key;
        EXPECT_TRUE(decodeFrame(AckReply(key, ACK))) << key;
    }
    EXPECT_TRUE(decodeFrame(AckReply("UG,R", NAK)));
    EXPECT_TRUE(decodeFrame(AckReply("BP,R", NAK)));
}

}  // namespace
}  // namespace vq::testing
