#include "cli/commands/command_support.h"

#include <gtest/gtest.h>

namespace vq::cli {
namespace {

TEST(CommandArgs, SeparatesOptionsSwitchesAndWords) {
    const CommandArgs args({"1,2", "--conc", "50,-1", "--csv", "--conc", "60"}, {"--conc"},
                           {"--csv"});
    ASSERT_TRUE(args.ok()) << args.error();
    EXPECT_EQ(args.value("--conc"), "60");  // the last one given wins
    EXPECT_TRUE(args.has("--csv"));
    EXPECT_FALSE(args.value("--seq"));
    EXPECT_EQ(args.positional(), std::vector<std::string>{"1,2"});
    // A lone "-" or a negative number is a word, not an option.
    const CommandArgs words({"-", "-5"}, {}, {});
    EXPECT_TRUE(words.ok());
    EXPECT_EQ(words.positional().size(), 2u);
}

TEST(CommandArgs, RefusesUnknownOptionsAndMissingValues) {
    const CommandArgs unknown({"--bogus"}, {"--seq"}, {"--csv"});
    EXPECT_FALSE(unknown.ok());
    EXPECT_NE(unknown.error().find("--bogus"), std::string::npos);
    const CommandArgs missing({"--seq"}, {"--seq"}, {});
    EXPECT_FALSE(missing.ok());
    EXPECT_NE(missing.error().find("needs a value"), std::string::npos);
    // A switch given a value leaves the value as a word, which the command then refuses.
    const CommandArgs switchValue({"--csv", "x"}, {}, {"--csv"});
    EXPECT_TRUE(switchValue.ok());
    EXPECT_EQ(switchValue.positional().size(), 1u);
}

TEST(CommandArgs, NumbersAndListsParseWhole) {
    EXPECT_EQ(parseInt("1023", 0, 1023), 1023);
    EXPECT_FALSE(parseInt("1024", 0, 1023));
    EXPECT_FALSE(parseInt("-1", 0, 1023));
    EXPECT_FALSE(parseInt("12x", 0, 1023));
    EXPECT_FALSE(parseInt("", 0, 1023));
    EXPECT_FALSE(parseInt(" 1", 0, 1023));
    EXPECT_EQ(splitCommas("1,,3"), (std::vector<std::string>{"1", "", "3"}));
    EXPECT_TRUE(splitCommas("").empty());
    EXPECT_EQ(splitCommas("5"), std::vector<std::string>{"5"});
}

}  // namespace
}  // namespace vq::cli
