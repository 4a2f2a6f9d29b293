// Any reply bytes: wrong token counts, wrong lengths, non-hexadecimal text, hundreds of tokens,
// impossible dates, negative block numbers, corrupted bytes. The decoder never crashes, never
// throws, and never accepts a frame whose checksum does not match.

#include <cctype>
#include <random>

#include "decoder_fixture.h"

namespace vq::testing {
namespace {

using RobustnessTest = DecoderTest;

// The tokens most likely to break a conversion, and random bytes.
std::string randomToken(std::mt19937& rng) {
    static const char* const pool[] = {"",
                                       "*****",
                                       "0",
                                       "1",
                                       "-1",
                                       "FFFF",
                                       "FFFFFFFF",
                                       "7FFF",
                                       "8000",
                                       "100000000",
                                       "40000",
                                       "-32769",
                                       "2147483648",
                                       "1e999",
                                       "1e-999",
                                       "-",
                                       ".",
                                       "+",
                                       "nan",
                                       "inf",
                                       "&H10",
                                       "0x10",
                                       "****",
                                       "OVER",
                                       "  12.5",
                                       "12.5  ",
                                       "3F800000",
                                       "7FC00000",
                                       "7F800000",
                                       "0000000000000000000000000",
                                       "*************************",
                                       "CH4          100    1%LEL",
                                       "991231235959-1.0  20.9",
                                       "251399996161  1.0  2.0",
                                       "-1-1-1-1-1-1  1.0  2.0",
                                       "999999999999",
                                       "000000000000",
                                       "251302030405",
                                       "1x01",
                                       "0101",
                                       "00FF",
                                       "0100"};
    std::uniform_int_distribution<size_t> pick(0, std::size(pool));
    size_t i = pick(rng);
    if (i < std::size(pool)) return pool[i];
    std::uniform_int_distribution<int> length(0, 40), byte(0, 255);
    std::string s(static_cast<size_t>(length(rng)), ' ');
    for (char& c : s) c = static_cast<char>(byte(rng));
    return s;
}

std::string randomBody(std::string_view key, std::mt19937& rng) {
    std::uniform_int_distribution<int> count(0, 40);
    std::string body(key);
    body += ',';
    int n = count(rng);
    for (int i = 0; i < n; ++i) {
        if (i > 0) body += (rng() % 8 == 0) ? '\r' : ',';
        body += randomToken(rng);
    }
    return body;
}

TEST_F(RobustnessTest, RandomPayloadsForEveryKeyNeverThrow) {
    std::mt19937 rng(5100);
    host.lastFrame = Reply("HC,W,240305140709");
    for (const KeyRule& rule : decoder.rules()) {
        for (int round = 0; round < 300; ++round) {
            std::string frame = Reply(randomBody(rule.key, rng), round % 2 ? ETB : EOT);
            InstrumentModel fresh;
            EXPECT_NO_THROW(decoder.DecodeReply(frame, &fresh, host)) << rule.key;
            EXPECT_NO_THROW(decoder.DecodeReply(frame, nullptr, host)) << rule.key;
        }
    }
}

TEST_F(RobustnessTest, RandomBytesNeverThrowAndAreNeverAccepted) {
    std::mt19937 rng(31743);
    std::uniform_int_distribution<int> length(0, 600), byte(0, 255);
    for (int round = 0; round < 3000; ++round) {
        std::string frame(static_cast<size_t>(length(rng)), ' ');
        for (char& c : frame) c = static_cast<char>(byte(rng));
        bool accepted = true;
        EXPECT_NO_THROW(accepted = decodeFrame(frame));
        // Random bytes that happen to form a frame with a good checksum are astronomically rare
        // with STX, ETX and the checksum all required.
        EXPECT_FALSE(accepted);
    }
}

TEST_F(RobustnessTest, ThreeHundredTokensAreRefusedForEveryKey) {
    for (const KeyRule& rule : decoder.rules()) {
        std::string body = std::string(rule.key) + ",";
        for (int i = 0; i < 300; ++i) body += "1,";
        InstrumentModel fresh;
        EXPECT_FALSE(decoder.DecodeReply(Reply(body), &fresh, host)) << rule.key;
    }
}

// A few model values that every refused reply below must leave alone.
std::string fingerprint(const InstrumentModel& m) {
    std::string s = std::to_string(m.HcMode()) + m.SerialNo() + m.StationList(0) +
                    std::to_string(m.BumpTime()) + std::to_string(m.RomNumber()) + m.SUM();
    for (int gas = 0; gas < 5; ++gas) {
        s += std::to_string(m.Warning(gas)) + m.GasName(gas) + std::to_string(m.LimitValue(gas));
    }
    return s;
}

TEST_F(RobustnessTest, AnySingleCorruptedByteIsRefusedAndStoresNothing) {
    const std::string goodBodies[] = {
        "LP,R,2",
        "IN,R,SN-1",
        "XS,R,0000,NAME",
        "BU,R,1,2,1,0",
        "A1,R,1,2,3,4,5",
        "VP,R,42",
        "VS,R,AB12",
        "DN,R,1,2,3,4,5",
        "GJ,R,*************************,"
        "*************************,*************************,*************************,"
        "CH4          100    1%LEL"};
    const std::string pristine = fingerprint(InstrumentModel{});
    for (const std::string& body : goodBodies) {
        std::string good = Reply(body);
        ASSERT_TRUE(decoder.DecodeReply(good, &model, host)) << body;
        // Every byte but the terminator is covered by the frame checks.
        for (size_t at = 0; at + 1 < good.size(); ++at) {
            for (int delta : {1, 0x20, 0x80, 0xFF}) {
                std::string bad = good;
                bad[at] = static_cast<char>(static_cast<unsigned char>(bad[at]) + delta);
                // A checksum letter turned to lower case is the same checksum.
                bool checksumDigit = at + 3 >= good.size();
                auto lower = [](char c) { return std::tolower(static_cast<unsigned char>(c)); };
                if (checksumDigit && lower(bad[at]) == lower(good[at])) continue;
                InstrumentModel fresh;
                EXPECT_FALSE(decoder.DecodeReply(bad, &fresh, host)) << body << " at " << at;
                EXPECT_EQ(fingerprint(fresh), pristine) << body << " at " << at;
            }
        }
    }
    EXPECT_TRUE(host.readingsRaised.size() == 1u);  // only the good DN reply raised it
}

TEST_F(RobustnessTest, AHostThatThrowsDoesNotCarryTheExceptionOut) {
    struct ThrowingHost : FakeDecoderHost {
        void AddLog(const std::string&) override { throw std::runtime_error("disk full"); }
        void raiseReadings(std::array<float, 5>&) override { throw std::runtime_error("closed"); }
    } throwing;
    bool accepted = true;
    EXPECT_NO_THROW(accepted = decoder.DecodeReply("short", &model, throwing));
    EXPECT_FALSE(accepted);
    EXPECT_NO_THROW(accepted = decoder.DecodeReply(Reply("DN,R,1,2,3,4,5"), &model, throwing));
    EXPECT_FALSE(accepted);
    // The decoder still works afterwards.
    EXPECT_TRUE(decode("LP,R,4"));
}

}  // namespace
}  // namespace vq::testing
