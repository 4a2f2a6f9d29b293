#include "model/line_tokenizer.h"

#include <gtest/gtest.h>

#include <string>

namespace vq {
namespace {

LineTokenizer replyTokenizer() {
    LineTokenizer t;
    t.AddDelimiters("\r");
    t.AddDelimiters(",");
    return t;
}

LineTokenizer configTokenizer() {
    LineTokenizer t;
    t.AddDelimiters("\t");
    t.AddStrings("'");
    t.AddComments(";");
    return t;
}

TEST(Token, DelimitersNeverGiveEmptyTokens) {
    LineTokenizer t = replyTokenizer();
    EXPECT_TRUE(t.setSource("XS,R,,0001"));
    ASSERT_EQ(t.TokenCount(), 3);
    EXPECT_EQ(t.Tokens(0), "XS");
    EXPECT_EQ(t.Tokens(1), "R");
    EXPECT_EQ(t.Tokens(2), "0001");
    t.setSource(",,\r,a\r\rb,");
    ASSERT_EQ(t.TokenCount(), 2);
    EXPECT_EQ(t.Tokens(1), "b");
    EXPECT_EQ(t.Source(), ",,\r,a\r\rb,");
    t.setSource("");
    EXPECT_EQ(t.TokenCount(), 0);
    // Spaces are ordinary characters and stay in the token.
    t.setSource(" 25.0,*****");
    EXPECT_EQ(t.Tokens(0), " 25.0");
}

TEST(Token, StringsKeepDelimitersAndMayBeEmpty) {
    LineTokenizer t = configTokenizer();
    t.setSource("KEY\t'a\tb'");
    ASSERT_EQ(t.TokenCount(), 2);
    EXPECT_EQ(t.Tokens(0), "KEY");
    EXPECT_EQ(t.Tokens(1), "a\tb");
    t.setSource("''");
    ASSERT_EQ(t.TokenCount(), 1);
    EXPECT_EQ(t.Tokens(0), "");
    // A marker in the middle of a word ends the text before it without storing it.
    t.setSource("ab'cd'ef");
    ASSERT_EQ(t.TokenCount(), 2);
    EXPECT_EQ(t.Tokens(0), "cd");
    EXPECT_EQ(t.Tokens(1), "ef");
    // An unterminated string is stored at the end of the line.
    t.setSource("'open;text");
    ASSERT_EQ(t.TokenCount(), 1);
    EXPECT_EQ(t.Tokens(0), "open;text");
}

TEST(Token, CommentsEndTheSplitAndAreReadableAfterTheTokens) {
    LineTokenizer t = configTokenizer();
    t.setSource(";whole line");
    EXPECT_EQ(t.TokenCount(), 0);
    EXPECT_EQ(t.Tokens(0), "whole line");
    t.setSource("KEY\t5;note");
    ASSERT_EQ(t.TokenCount(), 1);
    EXPECT_EQ(t.Tokens(0), "KEY");
    EXPECT_EQ(t.Tokens(1), "note");
    t.setSource("KEY\t'x;y'\t;");
    ASSERT_EQ(t.TokenCount(), 2);
    EXPECT_EQ(t.Tokens(1), "x;y");
    EXPECT_EQ(t.Tokens(2), "");
}

TEST(Token, LastListDecidesACharactersClass) {
    LineTokenizer t;
    t.AddDelimiters(",");
    t.AddStrings(",");
    t.setSource("a,b c,d");
    // "," is a string marker here: "a" before the opening marker is dropped.
    ASSERT_EQ(t.TokenCount(), 2);
    EXPECT_EQ(t.Tokens(0), "b c");
    EXPECT_EQ(t.Tokens(1), "d");
    t.AddComments(",");
    t.setSource("a,b");
    EXPECT_EQ(t.TokenCount(), 0);
    EXPECT_EQ(t.Tokens(0), "b");
}

TEST(Token, MarkerListsHoldTenEntries) {
    LineTokenizer t;
    for (char c = 'a'; c <= 'l'; ++c) t.AddDelimiters(std::string(1, c));
    EXPECT_EQ(t.Delimiters(9), "j");
    EXPECT_EQ(t.Delimiters(10), "");
    t.setSource("1k2j3");  // "k" was the eleventh and is ignored
    ASSERT_EQ(t.TokenCount(), 2);
    EXPECT_EQ(t.Tokens(0), "1k2");
    t.setDelimiters(0, "2");
    t.setSource("1k2j3");
    ASSERT_EQ(t.TokenCount(), 2);
    EXPECT_EQ(t.Tokens(0), "1k");
    t.ClearDelimiters();
    EXPECT_EQ(t.Delimiters(0), "");
    t.setSource("1k2j3");
    EXPECT_EQ(t.TokenCount(), 1);
    // A slot set beyond the count takes no part until entries are added up to it.
    t.setStringRanges(5, "k");
    EXPECT_EQ(t.StringRanges(5), "");
    t.setSource("1k2");
    EXPECT_EQ(t.TokenCount(), 1);
    // Multi-character entries never match a single character.
    t.AddDelimiters("ab");
    t.setSource("xaby");
    EXPECT_EQ(t.TokenCount(), 1);
}

std::string numberedTokens(int count) {
    std::string line;
    for (int i = 0; i < count; ++i) line += std::to_string(i) + ",";
    return line;
}

TEST(Token, At256TokensTheSplitStopsAndReportsOverflow) {
    LineTokenizer t = replyTokenizer();
    EXPECT_TRUE(t.setSource(numberedTokens(256)));
    EXPECT_FALSE(t.Overflow());
    EXPECT_EQ(t.TokenCount(), 256);
    EXPECT_EQ(t.Tokens(255), "255");
    EXPECT_EQ(t.Tokens(256), "");
    EXPECT_EQ(t.Tokens(-1), "");

    EXPECT_FALSE(t.setSource(numberedTokens(257)));
    EXPECT_TRUE(t.Overflow());
    EXPECT_EQ(t.TokenCount(), 256);
    EXPECT_EQ(t.Tokens(255), "255");

    EXPECT_FALSE(t.setSource(numberedTokens(300)));
    EXPECT_EQ(t.TokenCount(), 256);

    // A comment after 256 tokens has no slot either.
    t.AddComments(";");
    EXPECT_FALSE(t.setSource(numberedTokens(256) + ";c"));
    EXPECT_TRUE(t.Overflow());
    EXPECT_TRUE(t.setSource("a"));
    EXPECT_FALSE(t.Overflow());
}

TEST(Token, ANewLineLeavesNoTokensOfTheLastOne) {
    LineTokenizer t = configTokenizer();
    t.setSource("A\tB\tC;old comment");
    t.setSource("X");
    ASSERT_EQ(t.TokenCount(), 1);
    EXPECT_EQ(t.Tokens(1), "");
    EXPECT_EQ(t.Tokens(3), "");
    t.setTokens(200, "set");
    t.setSource("Y");
    EXPECT_EQ(t.Tokens(200), "");
}

TEST(Token, TokensCanBeSetByIndex) {
    LineTokenizer t = replyTokenizer();
    t.setSource("a,b");
    t.setTokens(1, "z");
    t.setTokens(256, "ignored");
    EXPECT_EQ(t.Tokens(1), "z");
    EXPECT_EQ(t.Tokens(256), "");
}

}  // namespace
}  // namespace vq
