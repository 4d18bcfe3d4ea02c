// Small helpers for the UTF-16 text the core works on.
#pragma once

#include <string>
#include <string_view>

namespace velmora {

// UTF-8 to UTF-16; invalid bytes become U+FFFD.
std::u16string FromUtf8(std::string_view s);
// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view s);

// Without leading and trailing spaces and control characters (code units up to U+0020).
std::u16string_view TrimControls(std::u16string_view s);

// ASCII letters to lower case, everything else unchanged.
std::u16string LowerAscii(std::u16string_view s);
std::string LowerAscii(std::string_view s);

// ASCII letters compared without regard to case; no copies made.
char16_t LowerChar(char16_t c);
// First position of `part` in `s`, or npos.
size_t FindCi(std::u16string_view s, std::u16string_view part);
bool ContainsCi(std::u16string_view s, std::u16string_view part);
bool StartsWithCi(std::u16string_view s, std::u16string_view prefix);

// Replaces every occurrence of `from` (non-empty) in `s` by `to`, left to right,
// going on after each inserted text.
std::u16string ReplaceAll(std::u16string_view s, std::u16string_view from, std::u16string_view to);

// Text literal helper: u"" literals are already UTF-16; this turns a UTF-8 literal.
inline std::u16string U(std::string_view utf8) {
    return FromUtf8(utf8);
}

}  // namespace velmora
