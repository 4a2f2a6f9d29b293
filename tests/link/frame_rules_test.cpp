// The pure frame rules: frame ends, ACK/NAK frames, never-resent commands, reply checksums,
// and how frames and texts are written to the log.

#include "link/frame_rules.h"

#include <gtest/gtest.h>

#include "link/control_chars.h"
#include "protocol/frame.h"

namespace vq {
namespace {

TEST(FrameEnd, SmallestNonZeroPosition) {
    EXPECT_EQ(FrameEnd(0, 0, 0), 0u);
    EXPECT_EQ(FrameEnd(7, 0, 0), 7u);
    EXPECT_EQ(FrameEnd(0, 9, 0), 9u);
    EXPECT_EQ(FrameEnd(12, 9, 0), 9u);
    EXPECT_EQ(FrameEnd(3, 9, 5), 3u);
}

TEST(HandshakeFrame, TakesFiveCharactersFromTheSixthOfTheLastFrame) {
    const std::string last = BuildFrame("EF,R,", EOT);
    EXPECT_EQ(HandshakeFrame(ACK, last), BuildFrame("\x06"
                                                    "EF,R,",
                                                    ETB));
    EXPECT_EQ(HandshakeFrame(NAK, last), BuildFrame("\x15"
                                                    "EF,R,",
                                                    ETB));
}

TEST(HandshakeFrame, TakesSevenWhenTheLastFrameHoldsIH) {
    const std::string last = BuildFrame("IH,R,0012", EOT);
    EXPECT_EQ(HandshakeFrame(ACK, last), BuildFrame("\x06"
                                                    "IH,R,00",
                                                    ETB));
}

TEST(HandshakeFrame, ShortOrEmptyLastFrameGivesWhatItHas) {
    EXPECT_EQ(HandshakeFrame(ACK, ""), BuildFrame("\x06", ETB));
    EXPECT_EQ(HandshakeFrame(ACK,
                             "\x02"
                             "0001AB"),
              BuildFrame("\x06"
                         "AB",
                         ETB));
}

TEST(NeverResent, OnlyTheFourChangingCommands) {
    for (const char* payload : {"UX,W,", "XC,W,", "SZ,W,11111", "S1,W,10000"}) {
        EXPECT_TRUE(IsNeverResent(BuildFrame(payload, EOT))) << payload;
    }
    for (const char* payload : {"UX,C,", "XC,C,", "SZ,C,", "S2,W,1", "XS,R,****", "RC,R,"}) {
        EXPECT_FALSE(IsNeverResent(BuildFrame(payload, EOT))) << payload;
    }
}

TEST(ReplyChecksum, AcceptsTheRightSumAndRejectsAnyOther) {
    std::string reply = BuildFrame("RC,R,VQ-5100", EOT);
    EXPECT_TRUE(ReplyChecksumValid(reply));
    EXPECT_TRUE(ReplyChecksumValid(BuildFrame("XS,R,0001,A", ETB)));

    std::string corrupted = reply;
    corrupted[8] = 'X';  // a payload byte changed on the line
    EXPECT_FALSE(ReplyChecksumValid(corrupted));

    std::string wrongDigit = reply;
    wrongDigit[wrongDigit.size() - 2] = wrongDigit[wrongDigit.size() - 2] == '0' ? '1' : '0';
    EXPECT_FALSE(ReplyChecksumValid(wrongDigit));
}

TEST(ReplyChecksum, LowerCaseDigitsAndNoiseBeforeTheStxAreTolerated) {
    // "RC,R," sums to FB.
    EXPECT_TRUE(
        ReplyChecksumValid(std::string("\x02"
                                       "0001RC,R,\x03"
                                       "fb\x04")));
    EXPECT_TRUE(ReplyChecksumValid("\n\x7F" + BuildFrame("RC,R,VQ-5100", EOT)));
}

TEST(ReplyChecksum, FramesWithoutTheLayoutFail) {
    EXPECT_FALSE(ReplyChecksumValid(""));
    EXPECT_FALSE(ReplyChecksumValid("\x04"));
    EXPECT_FALSE(
        ReplyChecksumValid("0001RC,R,\x03"
                           "FB\x04"));  // no STX
    EXPECT_FALSE(
        ReplyChecksumValid("\x02"
                           "0001RC,R,FB\x04"));  // no ETX
    EXPECT_FALSE(
        ReplyChecksumValid("\x02"
                           "0001RC,R,\x03"
                           "F\x04"));  // one digit
}

TEST(AnswersRequest, IndexedRepliesMatchByTheNumberTheirIndexStandsFor) {
    struct Case {
        const char* request;
        const char* reply;
        bool answers;
    };
    const Case cases[] = {
        {"XS,R,0005", "XS,R,0005,NAME", true},
        {"XS,R,0005", "XS,R,5,NAME", true},
        {"XS,R,00FF", "XS,R,ff,NAME", true},
        {"XS,R,00FF", "XS,R, FF,NAME", true},
        {"LI,R,0A", "LI,R,a,GAS", true},
        {"LI,R,0A", "LI,R,000A,GAS", true},
        {"XS,R,****", "XS,R,****,STATION", true},
        // A late answer to an earlier request, however its index is written.
        {"XS,R,0005", "XS,R,4,OLD", false},
        {"XS,R,0005", "XS,R,0004,OLD", false},
        {"XS,R,0005", "XS,R,50,OLD", false},
        {"LI,R,0A", "LI,R,0B,GAS", false},
        {"LI,R,0A", "LI,R,1A,GAS", false},
        // The station id and an entry never stand for each other.
        {"XS,R,****", "XS,R,0000,NAME", false},
        {"XS,R,0000", "XS,R,****,STATION", false},
        {"XS,R,0005", "XS,R,5X,NAME", false},
        // Another key is never an answer; a refusal carries no index and is the decoder's.
        {"XS,R,0005", "LI,R,5,GAS", false},
        {"XS,R,0005", "XS,R,\x15", true},
        {"VP,R,", "VP,R,0123", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AnswersRequest(BuildFrame(c.reply, EOT), BuildFrame(c.request, EOT)), c.answers)
            << c.request << " <- " << c.reply;
    }
    // After a block the last frame is the acknowledgement: its key still names the request.
    EXPECT_TRUE(AnswersRequest(BuildFrame("XS,R,5,NAME", EOT),
                               HandshakeFrame(ACK, BuildFrame("XS,R,0005", EOT))));
}

TEST(RenderControlChars, ProbeFrameAsLogged) {
    EXPECT_EQ(RenderControlChars(BuildFrame("RC,R,", EOT)), "[STX]0001RC,R,[ETX]FB[EOT]");
}

TEST(RenderControlChars, NamedUnnamedAndKeptCharacters) {
    EXPECT_EQ(RenderControlChars(std::string("\x01\x05\x06\x15\x17\x1A\x1B\x00\x1F", 9)),
              "[01][ENQ][ACK][NAK][ETB][SUB][ESC][00][1F]");
    EXPECT_EQ(RenderControlChars("a\r\nb ~1"), "a\r\nb ~1");
    // High bytes stay characters of the same code, written as UTF-8.
    EXPECT_EQ(RenderControlChars("\xB5\xFF\x7F"), "\xC2\xB5\xC3\xBF\x7F");
}

TEST(BytesToText, MovesTheBytesOut) {
    std::string bytes("A\x00\xFF", 3);
    EXPECT_EQ(BytesToText(bytes), std::string("A\x00\xFF", 3));
    EXPECT_TRUE(bytes.empty());
}

}  // namespace
}  // namespace vq
