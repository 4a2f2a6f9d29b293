// A whole read-all, reply by reply as the instrument answers it: every reply is accepted, the
// values land in the model, and no change flag is left set (a flag left set would make the next
// write send a setting the user never touched).

#include <cstdio>

#include "decoder_fixture.h"
#include "tests/support/change_flags.h"

namespace vq::testing {
namespace {

std::vector<std::string> readAllReplies() {
    const std::string gas = "CH4          100    1%LEL";
    const std::string entry =
        "NAME,100,0.5,ppm,0010,3F800000,3F800000,3F800000,3F800000,"
        "3F800000,3F800000,3F800000,3F800000,3F800000";
    std::vector<std::string> bodies = {
        "VP,R,1234",
        "XZ,R,USER",
        "XS,R,****,STATION",
        "IN,R,SERIAL",
        "HN,R,SECOND",
        "HC,R,250102030405",
        "AP,R,1",
        "XP,R,003C",
        "SD,R,1",
        "SM,R,1",
        "SC,R,0002",
        "XB,R,0001",
        "XW,R,1",
        "XT,R,0002",
        "HF,R,FFFE",
        "GJ,R," + gas + "," + gas + "," + gas + "," + gas + "," + gas,
        "A1,R,   10,   10,   10,   10,   10",
        "A2,R,   20,   20,   20,   20,   20",
        "AS,R,    5,    5,    5,    5,    5",
        "AW,R,    2,    2,    2,    2,    2",
        "HA,R,0001,0002,0003,0004,0005,0006,0007,0008,3F800000",
        "VS,R,ABCD",
        "SA,R,   50,   50,   50,   50,   50",
        "AT,R,0",
        "UJ,R,1",
        "SJ,R,1",
        "SG,R,1",
        "LP,R,1",
        "CP,R,00000010",
        "AM,R,0",
        "UQ,R,0",
        "BU,R,1,2,1,0",
        "WB,R,1,1,1",
        "AF,R,0",
        "BS,R,TYPE",
        "LS,R,201," + entry + ",201," + entry,
        "UZ,R,1111",
        "AO,R,1111",
        "SO,R,2501021030000012300100,2501021030000012300100,2501021030000012300100,"
        "2501021030000012300100,2501021030000012300100"};
    for (int n = 1; n <= 15; ++n) {
        char number[4];
        std::snprintf(number, sizeof number, "%02X", n);
        bodies.push_back("LI,R," + std::string(number) + "," + entry + "," + entry);
    }
    for (int n = 0; n < 256; ++n) {
        char number[8];
        std::snprintf(number, sizeof number, "%04X", n);
        bodies.push_back("XS,R," + std::string(number) + ",STATION " + std::to_string(n));
    }
    return bodies;
}

using ReadAllTest = DecoderTest;

TEST_F(ReadAllTest, EveryReplyIsAcceptedAndNoChangeFlagIsLeftSet) {
    const auto bodies = readAllReplies();
    ASSERT_EQ(bodies.size(), 36u + 15u + 256u + 3u);  // the read table, plus flags and history
    for (const std::string& body : bodies) EXPECT_TRUE(decode(body)) << body;
    EXPECT_TRUE(host.log.empty());
    for (const auto& [name, set] : test::NamedChangeFlags(model)) EXPECT_FALSE(set) << name;

    EXPECT_EQ(model.StationList(200), "STATION 200");
    EXPECT_EQ(model.LI_Name(30), "NAME");
    EXPECT_EQ(model.pressOffset(), -2);
    EXPECT_EQ(model.Intervals(), 60);
}

TEST_F(ReadAllTest, ReadingBackClearsFlagsAnEditHadSet) {
    model.SetChangeFlags(true, true);
    for (const std::string& body : readAllReplies()) ASSERT_TRUE(decode(body)) << body;
    // What no reply carries stays marked: the user password pair, the channel ratios, and the
    // zero and over-scale flags of gas 4 (the instrument reports gases 0 to 3).
    std::vector<std::string> stillSet;
    for (const auto& [name, set] : test::NamedChangeFlags(model)) {
        if (set) stillSet.push_back(name);
    }
    std::vector<std::string> expected = {"UseUserPassword", "UserPassword2"};
    for (int i = 0; i < 5; ++i) expected.push_back("Ratio[" + std::to_string(i) + "]");
    expected.push_back("Zero[4]");
    expected.push_back("OverScale[4]");
    std::sort(stillSet.begin(), stillSet.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(stillSet, expected);
}

}  // namespace
}  // namespace vq::testing
