#pragma once
// LineTokenizer splits one line of text into tokens. Three lists of one-character markers steer it:
// delimiters (between tokens), string markers (a quoted run keeps its delimiters and may be
// empty) and comment markers (the rest of the line is a comment). Each list holds at most 10
// entries; further additions are ignored. Setting Source runs the split.
//
// Split rules:
//   - a character's class is decided by the last list containing it: comment marker, else
//     string marker, else delimiter, else ordinary;
//   - ordinary characters build the current token; a delimiter outside a string ends a
//     non-empty token (runs of delimiters give no empty tokens); inside a string it is text;
//   - a string marker opens a string; the next one stores the string as a token, even when
//     empty; in both cases the current token starts afresh;
//   - a comment marker outside a string ends the split: the current token is discarded and the
//     text after the marker is readable at Tokens(TokenCount) without being counted;
//   - at the end a non-empty current token is stored.
//
// At most 256 tokens (indexes 0..255) are kept. A line that needs more (or a comment after the
// 256th token) stops the split there: the first 256 tokens stay readable, TokenCount is 256,
// setSource returns false and Overflow() is true until the next split. Callers treat that as a
// conversion error: the line or reply is not decoded further.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vq {

class LineTokenizer {
  public:
    static constexpr int maxMarkers = 10;
    static constexpr int maxTokens = 256;

    void AddDelimiters(std::string_view marker) { delimiters_.add(marker); }
    void AddStrings(std::string_view marker) { strings_.add(marker); }
    void AddComments(std::string_view marker) { comments_.add(marker); }
    void ClearDelimiters() { delimiters_.count = 0; }
    void ClearStrings() { strings_.count = 0; }
    void ClearComments() { comments_.count = 0; }

    // An entry, or the empty text at an index not below the list's count.
    std::string Delimiters(int i) const { return delimiters_.get(i); }
    std::string StringRanges(int i) const { return strings_.get(i); }
    std::string Comments(int i) const { return comments_.get(i); }
    // Replaces slot i (0..9; others ignored). The count is not changed: a slot at or beyond the
    // count takes part only after enough entries have been added.
    void setDelimiters(int i, std::string_view marker) { delimiters_.set(i, marker); }
    void setStringRanges(int i, std::string_view marker) { strings_.set(i, marker); }
    void setComments(int i, std::string_view marker) { comments_.set(i, marker); }

    const std::string& Source() const { return source_; }
    // Splits the text; false when it held more than 256 tokens (see above).
    bool setSource(std::string_view text);

    int16_t TokenCount() const { return tokenCount_; }
    bool Overflow() const { return overflow_; }
    // A token; the empty text for an index outside 0..255 and for any slot the last split did
    // not fill (past the tokens and the comment), so a missing field never reads as a leftover
    // of an earlier line.
    std::string Tokens(int i) const;
    // The same without a copy; valid until the next split or setTokens.
    std::string_view TokenView(int i) const {
        return i >= 0 && i < maxTokens ? std::string_view(tokens_[i]) : std::string_view();
    }
    void setTokens(int i, std::string_view text);

  private:
    struct MarkerList {
        std::array<std::string, maxMarkers> entries;
        int count = 0;
        void add(std::string_view marker);
        std::string get(int i) const;
        void set(int i, std::string_view marker);
        bool contains(char c) const;
    };
    enum class CharClass { ordinary, delimiter, stringMarker, comment };

    CharClass classify(char c) const;
    bool store(std::string_view token);

    MarkerList delimiters_, strings_, comments_;
    std::string source_;
    std::array<std::string, maxTokens> tokens_;
    int16_t tokenCount_ = 0;
    int usedSlots_ = 0;  // slots written since the last split, cleared by the next one
    bool overflow_ = false;
};

}  // namespace vq
