#include "model/line_tokenizer.h"

#include <algorithm>

namespace vq {

void LineTokenizer::MarkerList::add(std::string_view marker) {
    if (count >= maxMarkers) return;
    entries[count++] = std::string(marker);
}

std::string LineTokenizer::MarkerList::get(int i) const {
    return i >= 0 && i < count ? entries[i] : std::string();
}

void LineTokenizer::MarkerList::set(int i, std::string_view marker) {
    if (i >= 0 && i < maxMarkers) entries[i] = std::string(marker);
}

bool LineTokenizer::MarkerList::contains(char c) const {
    for (int i = 0; i < count; ++i) {
        if (entries[i].size() == 1 && entries[i][0] == c) return true;
    }
    return false;
}

LineTokenizer::CharClass LineTokenizer::classify(char c) const {
    if (comments_.contains(c)) return CharClass::comment;
    if (strings_.contains(c)) return CharClass::stringMarker;
    if (delimiters_.contains(c)) return CharClass::delimiter;
    return CharClass::ordinary;
}

bool LineTokenizer::store(std::string_view token) {
    if (tokenCount_ >= maxTokens) {
        overflow_ = true;
        return false;
    }
    tokens_[tokenCount_++] = std::string(token);
    usedSlots_ = tokenCount_;
    return true;
}

bool LineTokenizer::setSource(std::string_view text) {
    source_ = std::string(text);
    // A token the new line does not have reads empty, never as a leftover of an earlier line.
    for (int i = 0; i < usedSlots_; ++i) tokens_[i].clear();
    usedSlots_ = 0;
    tokenCount_ = 0;
    overflow_ = false;
    std::string current;
    bool inString = false;
    for (size_t i = 0; i < source_.size(); ++i) {
        const char c = source_[i];
        switch (classify(c)) {
            case CharClass::ordinary:
                current += c;
                break;
            case CharClass::delimiter:
                if (inString) {
                    current += c;
                } else {
                    if (!current.empty() && !store(current)) return false;
                    current.clear();
                }
                break;
            case CharClass::stringMarker:
                if (inString && !store(current)) return false;
                inString = !inString;
                current.clear();
                break;
            case CharClass::comment:
                if (inString) {
                    current += c;
                    break;
                }
                // The comment text sits after the counted tokens without being counted.
                if (tokenCount_ >= maxTokens) {
                    overflow_ = true;
                    return false;
                }
                tokens_[tokenCount_] = source_.substr(i + 1);
                usedSlots_ = tokenCount_ + 1;
                return true;
        }
    }
    if (!current.empty() && !store(current)) return false;
    return true;
}

std::string LineTokenizer::Tokens(int i) const {
    return i >= 0 && i < maxTokens ? tokens_[i] : std::string();
}

void LineTokenizer::setTokens(int i, std::string_view text) {
    if (i < 0 || i >= maxTokens) return;
    tokens_[i] = std::string(text);
    usedSlots_ = std::max(usedSlots_, i + 1);
}

}  // namespace vq
