#pragma once
// The user password is not stored as plain text in the configuration file. Each character at
// position k (from 0) with code c becomes two characters from "F" upwards: 70 + (c + k) mod 16,
// then 70 + (c + k) div 16. The file applies the scramble twice. This hides the word from a
// casual look at the file; it is not encryption (the file is also kept owner-only).
// Characters are handled as bytes, so a UTF-8 password round-trips.

#include <optional>
#include <string>
#include <string_view>

namespace vq {

std::string ScramblePassword(std::string_view text);

// The inverse of ScramblePassword. nullopt when the text cannot have come from it (odd length,
// a character below "F", a decoded code outside 0..255), so a damaged field is noticed instead
// of yielding a password nobody can type.
std::optional<std::string> UnscramblePassword(std::string_view text);

}  // namespace vq
