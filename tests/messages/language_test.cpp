// The process-wide language: the locale rule, the override, and the tag the program decides by.

#include <gtest/gtest.h>

#include "messages/messages.h"

namespace vq {
namespace {

TEST(LanguageFromLocale, FirstNonEmptyVariableDecides) {
    EXPECT_EQ(languageFromLocale("ja_JP.UTF-8", nullptr, nullptr), Language::Japanese);
    EXPECT_EQ(languageFromLocale(nullptr, "ja_JP.eucJP", nullptr), Language::Japanese);
    EXPECT_EQ(languageFromLocale(nullptr, nullptr, "ja"), Language::Japanese);
    // LC_ALL wins over the others, LC_MESSAGES over LANG.
    EXPECT_EQ(languageFromLocale("en_US.UTF-8", "ja_JP.UTF-8", "ja_JP.UTF-8"), Language::English);
    EXPECT_EQ(languageFromLocale(nullptr, "C", "ja_JP.UTF-8"), Language::English);
    EXPECT_EQ(languageFromLocale("ja_JP", "en_GB", "en_GB"), Language::Japanese);
    // An empty variable counts as unset.
    EXPECT_EQ(languageFromLocale("", "", "ja_JP.UTF-8"), Language::Japanese);
    EXPECT_EQ(languageFromLocale("", nullptr, ""), Language::English);
}

TEST(LanguageFromLocale, AnythingButJaIsEnglish) {
    EXPECT_EQ(languageFromLocale(nullptr, nullptr, nullptr), Language::English);
    EXPECT_EQ(languageFromLocale("C", nullptr, nullptr), Language::English);
    EXPECT_EQ(languageFromLocale("POSIX", nullptr, nullptr), Language::English);
    EXPECT_EQ(languageFromLocale("de_DE.UTF-8", nullptr, nullptr), Language::English);
    EXPECT_EQ(languageFromLocale("j", nullptr, nullptr), Language::English);
    EXPECT_EQ(languageFromLocale("en_JP.UTF-8", nullptr, nullptr), Language::English);
    EXPECT_EQ(languageFromLocale("JA_JP", nullptr, nullptr), Language::Japanese);
}

TEST(LanguageFromLocale, EnvironmentIsRead) {
    const char* saved = std::getenv("LC_ALL");
    const std::string savedValue = saved ? saved : "";
    setenv("LC_ALL", "ja_JP.UTF-8", 1);
    EXPECT_EQ(languageFromEnvironment(), Language::Japanese);
    setenv("LC_ALL", "en_US.UTF-8", 1);
    EXPECT_EQ(languageFromEnvironment(), Language::English);
    if (saved) {
        setenv("LC_ALL", savedValue.c_str(), 1);
    } else {
        unsetenv("LC_ALL");
    }
}

class ProcessLanguage : public ::testing::Test {
  protected:
    void SetUp() override { saved_ = currentLanguage(); }
    void TearDown() override { setLanguage(saved_); }

  private:
    Language saved_ = Language::English;
};

TEST_F(ProcessLanguage, OverrideSwitchesEveryText) {
    setLanguage(Language::Japanese);
    EXPECT_EQ(currentLanguage(), Language::Japanese);
    EXPECT_EQ(LanguageTag(), "JP");
    EXPECT_TRUE(isJapaneseTag());
    EXPECT_EQ(ResMessage(msg::AlreadyRunning), ResMessage(Language::Japanese, 99));
    EXPECT_NE(AppTitle(), "VQ-5100 - Setup Program");

    setLanguage(Language::English);
    EXPECT_EQ(LanguageTag(), "EN");
    EXPECT_FALSE(isJapaneseTag());
    EXPECT_EQ(AppTitle(), "VQ-5100 - Setup Program");
    EXPECT_EQ(ResMessage(msg::AlreadyRunning), "It has already started.");
}

}  // namespace
}  // namespace vq
