#pragma once
// Character filters for identity and name entry, and the identity-text normalisation. Key
// codes are the codes a text box sees for a typed character (8 is backspace); any int is
// accepted and anything outside the rules, including codes above 127, is refused.

#include <string>
#include <string_view>

namespace vq {

// Kinds of identity text for DashIfBlank.
inline constexpr int idKindUser = 0;         // UserID
inline constexpr int idKindStation = 1;      // StationID
inline constexpr int idKindSerial = 2;       // SerialNo
inline constexpr int idKindDummySerial = 3;  // DummySerial

// Digits, letters A-Z / a-z, space, "*", "-" and backspace.
bool IsIdKey(int keyCode);

// Space, "-", "_", "/", ">", "<", digits, letters and backspace.
bool IsNameKey(int keyCode);

// Every character is one IsNameKey accepts (backspace excepted); the empty text is true.
bool IsNameText(std::string_view text);

// Every character is "0"-"9"; the empty text is true.
bool IsDigitsOnly(std::string_view text);

// The text without leading and trailing spaces (spaces only, as identity texts are padded).
std::string TrimText(std::string_view text);

// The trimmed text; when nothing is left, 16 "-" for kinds 0 and 1, 20 "-" for kinds 2 and 3,
// the empty text for any other kind.
std::string DashIfBlank(std::string_view text, int kind);

}  // namespace vq
