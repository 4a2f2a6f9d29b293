// Pre-processing of every reply: length, frame shape and checksum, AckChar, CR as a separator,
// stripping of control bytes, key lookup and the bound model.

#include "decoder_fixture.h"

namespace vq::testing {
namespace {

using FrameTest = DecoderTest;

TEST_F(FrameTest, FrameShorterThanFifteenIsAFormatErrorWhateverItsKey) {
    std::string frame = Reply("RC,R");  // 1 + 4 + 4 + 1 + 2 + 1 = 13 characters
    frame.insert(frame.size() - 4, ",");
    ASSERT_EQ(frame.size(), 14u);
    EXPECT_FALSE(decodeFrame(frame));
    EXPECT_EQ(host.log, std::vector<std::string>{kFormatError});

    host.log.clear();
    EXPECT_FALSE(decodeFrame(""));
    EXPECT_EQ(host.log, std::vector<std::string>{kFormatError});
}

TEST_F(FrameTest, ChecksumMismatchIsNotAcceptedAndStoresNothing) {
    std::string frame = Reply("LP,R,2");
    frame[frame.size() - 2] = frame[frame.size() - 2] == '0' ? '1' : '0';
    EXPECT_FALSE(decodeFrame(frame));
    EXPECT_EQ(model.HcMode(), 0);
    EXPECT_EQ(host.log, std::vector<std::string>{kChecksumError});

    // A corrupted payload byte under an intact checksum: the same.
    host.log.clear();
    frame = Reply("LP,R,2");
    frame[10] = '3';
    EXPECT_FALSE(decodeFrame(frame));
    EXPECT_EQ(model.HcMode(), 0);
    EXPECT_EQ(host.log, std::vector<std::string>{kChecksumError});
}

TEST_F(FrameTest, LowerCaseChecksumDigitsReadTheSame) {
    // A serial number whose frame has a letter among its checksum digits.
    std::string frame;
    for (char c = 'A'; c <= 'Z' && frame.empty(); ++c) {
        std::string candidate = Reply(std::string("IN,R,SN") + c);
        if (candidate.substr(candidate.size() - 3, 2).find_first_of("ABCDEF") !=
            std::string::npos) {
            frame = candidate;
        }
    }
    ASSERT_FALSE(frame.empty());
    for (size_t i = frame.size() - 3; i < frame.size() - 1; ++i) {
        if (frame[i] >= 'A' && frame[i] <= 'F') frame[i] = static_cast<char>(frame[i] + 32);
    }
    EXPECT_TRUE(decodeFrame(frame));
    EXPECT_EQ(model.SerialNo().substr(0, 2), "SN");
}

TEST_F(FrameTest, FrameWithoutStxOrEtxInPlaceIsAFormatError) {
    std::string frame = Reply("LP,R,2");
    frame[0] = 'X';
    EXPECT_FALSE(decodeFrame(frame));
    frame = Reply("LP,R,2");
    frame[frame.size() - 4] = ',';
    EXPECT_FALSE(decodeFrame(frame));
    EXPECT_EQ(host.log, (std::vector<std::string>{kFormatError, kFormatError}));
    EXPECT_EQ(model.HcMode(), 0);
}

TEST_F(FrameTest, GoodFrameIsAcceptedWithEitherTerminator) {
    EXPECT_TRUE(decodeFrame(Reply("LP,R,2", EOT)));
    EXPECT_TRUE(decodeFrame(Reply("LP,R,3", ETB)));
    EXPECT_EQ(model.HcMode(), 3);
    EXPECT_TRUE(host.log.empty());
}

TEST_F(FrameTest, CrSeparatesTokensLikeAComma) {
    EXPECT_TRUE(decode("BU,R,2\r1\r,1,0"));
    EXPECT_EQ(model.BumpTime(), 2);
    EXPECT_EQ(model.BumpThreshold(), 1);
    EXPECT_EQ(model.BumpFailCalTime(), 1);
    EXPECT_EQ(model.BumpFailAfter(), 0);
}

TEST_F(FrameTest, ControlBytesInThePayloadAreDroppedAndBytesAbove127AreText) {
    // Control bytes are framing and vanish; DEL and every byte above 127 are kept as the
    // instrument sent them (a text written in UTF-8, or any other bytes).
    const struct {
        std::string body;
        std::string serial;
    } cases[] = {
        {"IN,R,AB\x01"
         "C\xFF"
         "D",
         "ABC\xFF"
         "D"},
        {"IN,R,A\x7F", "A\x7F"},
        {"IN,R,H2S\xC3\xA9", "H2S\xC3\xA9"},
        {"IN,R,\x80\x81 ", "\x80\x81"},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(decode(c.body)) << c.body;
        EXPECT_EQ(model.SerialNo(), c.serial) << c.body;
    }
}

TEST_F(FrameTest, UnknownKeysAreNotAcceptedAndNotLogged) {
    for (const char* body : {"ZZ,R,1", "lp,R,2", "LP,X,2", "LP,r,2", "YW,R,1", "LPR,,,,2"}) {
        EXPECT_FALSE(decode(body)) << body;
    }
    EXPECT_TRUE(host.log.empty());
    EXPECT_EQ(model.HcMode(), 0);
}

TEST_F(FrameTest, EveryNamedKeyHasARule) {
    const char* keys[] = {
        "IN,R", "IN,W", "HN,R", "HN,W", "XZ,R", "XZ,W", "BS,R", "BS,W", "UJ,R", "UJ,W", "LP,R",
        "LP,W", "AP,R", "AP,W", "SM,R", "SM,W", "XW,R", "XW,W", "UQ,R", "UQ,W", "AF,R", "AF,W",
        "AM,R", "AM,W", "AT,R", "AT,W", "SD,R", "SD,W", "SJ,R", "SJ,W", "SG,R", "SG,W", "SC,R",
        "SC,W", "XP,R", "XP,W", "XB,R", "XB,W", "XT,R", "XT,W", "HF,R", "HF,W", "CP,R", "CP,W",
        "XS,R", "XS,W", "BU,R", "BU,W", "WB,R", "WB,W", "SA,R", "SA,W", "A1,R", "A1,W", "A2,R",
        "A2,W", "AS,R", "AS,W", "AW,R", "AW,W", "SZ,R", "S1,R", "SZ,W", "SZ,C", "S1,W", "S2,W",
        "S2,C", "SN,W", "XC,W", "XY,W", "RO,W", "UX,W", "UD,W", "UP,W", "DW,W", "XH,E", "XC,C",
        "XY,C", "UX,C", "HC,W", "UZ,W", "GJ,W", "LS,W", "UG,R", "UG,W", "BP,R", "BP,W", "GJ,R",
        "LS,R", "LI,R", "SO,R", "HC,R", "DN,R", "HA,R", "VP,R", "VS,R", "UZ,R", "AO,R", "EP,R",
        "EF,R", "ES,R", "RC,R"};
    for (const char* key : keys) EXPECT_NE(decoder.findRule(key), nullptr) << key;
    for (char letter = 'A'; letter <= 'V'; ++letter) {
        std::string key = std::string("Y") + letter + ",R";
        EXPECT_NE(decoder.findRule(key), nullptr) << key;
    }
    EXPECT_EQ(decoder.findRule("YW,R"), nullptr);
    EXPECT_EQ(decoder.findRule("RC,W"), nullptr);
}

TEST_F(FrameTest, WithoutABoundModelOnlyModelFreeRepliesAreAccepted) {
    EXPECT_FALSE(decoder.DecodeReply(Reply("LP,R,2"), nullptr, host));
    EXPECT_FALSE(decoder.DecodeReply(Reply("DN,R,1,2,3,4,5"), nullptr, host));
    EXPECT_TRUE(decoder.DecodeReply(Reply("RC,R,VQ-5100"), nullptr, host));
    EXPECT_TRUE(decoder.DecodeReply(AckReply("DW,W", ACK), nullptr, host));
    EXPECT_TRUE(host.readingsRaised.empty());
}

TEST_F(FrameTest, MoreThan256TokensEndTheDecodingBeforeAnythingIsStored) {
    // Five good levels followed by 295 more tokens: the reply is refused as a whole.
    std::string body = "A1,R,1,2,3,4,5";
    for (int i = 0; i < 295; ++i) body += ",9";
    EXPECT_FALSE(decode(body));
    EXPECT_EQ(model.Warning(0), -101.0f);

    // Exactly 256 tokens still split; the count rule then decides.
    std::string dump = "EF,R,0,1,0,00112233445566778899AABBCCDDEEFF";
    for (int i = 4; i < 256; ++i) dump += ",0";
    EXPECT_TRUE(decode(dump));
    EXPECT_EQ(host.dumpLines.size(), 1u);
}

TEST_F(FrameTest, DecoderIsReusableAcrossReplies) {
    // A long reply followed by a short one: nothing of the first leaks into the second.
    EXPECT_TRUE(decode("A1,R,1,2,3,4,5"));
    EXPECT_FALSE(decode("A1,R,6,7,8,9"));
    EXPECT_EQ(model.Warning(0), 1.0f);
    EXPECT_TRUE(decode("A1,R,6,7,8,9,10"));
    EXPECT_EQ(model.Warning(4), 10.0f);
}

}  // namespace
}  // namespace vq::testing
