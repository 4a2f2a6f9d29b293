// The debug switch and the language option.

#include <gtest/gtest.h>

#include "app/command_line.h"

namespace vq {
namespace {

using Args = std::vector<std::string>;

TEST(DebugMode, SwitchAnywhereInAnyCase) {
    EXPECT_TRUE(DebugModeFromArguments({"-DEBUG"}));
    EXPECT_TRUE(DebugModeFromArguments({"-debug"}));
    EXPECT_TRUE(DebugModeFromArguments({"-DeBuG"}));
    EXPECT_TRUE(DebugModeFromArguments({"--port", "/dev/ttyUSB0", "-debug"}));
    // Text before or after it, in the same word, still counts.
    EXPECT_TRUE(DebugModeFromArguments({"x-debugy"}));
    EXPECT_TRUE(DebugModeFromArguments({"--debug"}));
    EXPECT_TRUE(DebugModeFromArguments({"-DEBUGGING"}));
}

TEST(DebugMode, WordWithoutHyphenOrSplitDoesNotCount) {
    EXPECT_FALSE(DebugModeFromArguments({}));
    EXPECT_FALSE(DebugModeFromArguments({"DEBUG"}));
    EXPECT_FALSE(DebugModeFromArguments({"debug", "--lang", "en"}));
    EXPECT_FALSE(DebugModeFromArguments({"-", "DEBUG"}));  // joined by a space: "- DEBUG"
    EXPECT_FALSE(DebugModeFromArguments({"-DEBU"}));
}

TEST(DebugMode, ProgramPathIsNotPartOfTheCommandLine) {
    const char* argv[] = {"/opt/my-debug-build/vq5100-setup", "--simulator"};
    const Args arguments = argumentsOf(2, argv);
    EXPECT_EQ(arguments, Args{"--simulator"});
    EXPECT_FALSE(DebugModeFromArguments(arguments));

    const char* withSwitch[] = {"vq5100-setup", "-Debug", nullptr};
    EXPECT_TRUE(DebugModeFromArguments(argumentsOf(3, withSwitch)));
    EXPECT_TRUE(argumentsOf(0, nullptr).empty());
}

TEST(LanguageOption, ValuesAndForms) {
    EXPECT_FALSE(parseLanguageOption({}).language.has_value());
    EXPECT_TRUE(parseLanguageOption({}).error.empty());
    EXPECT_FALSE(parseLanguageOption({"-DEBUG", "read"}).language.has_value());

    EXPECT_EQ(parseLanguageOption({"--lang", "ja"}).language, Language::Japanese);
    EXPECT_EQ(parseLanguageOption({"--lang", "EN"}).language, Language::English);
    EXPECT_EQ(parseLanguageOption({"--lang=ja"}).language, Language::Japanese);
    EXPECT_EQ(parseLanguageOption({"probe", "--lang=en", "--json"}).language, Language::English);
    // The last occurrence wins.
    EXPECT_EQ(parseLanguageOption({"--lang", "en", "--lang", "ja"}).language, Language::Japanese);
}

TEST(LanguageOption, BadOrMissingValueIsAnError) {
    const auto missing = parseLanguageOption({"--lang"});
    EXPECT_FALSE(missing.language.has_value());
    EXPECT_FALSE(missing.error.empty());

    const auto wrong = parseLanguageOption({"--lang", "de"});
    EXPECT_FALSE(wrong.language.has_value());
    EXPECT_NE(wrong.error.find("de"), std::string::npos);

    EXPECT_FALSE(parseLanguageOption({"--lang="}).error.empty());
    EXPECT_FALSE(parseLanguageOption({"--lang", "ja", "--lang", "jp"}).error.empty());
    // A look-alike option is not this one.
    EXPECT_TRUE(parseLanguageOption({"--language", "xx"}).error.empty());
}

}  // namespace
}  // namespace vq
