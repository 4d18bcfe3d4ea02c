// The user's dictionary as the engine sees it: words and their written form after ruby,
// readings in "<" ">" after their kanji (行<い>った).
#pragma once

#include <string>
#include <vector>

namespace velmora {

struct UserDictionary {
    std::vector<std::u16string> DicWord;
    std::vector<std::u16string> DicRubi;
    // Entries in use: indexes 0 to DicWordCount - 1 of both arrays.
    int DicWordCount = 0;
};

// Dictionary span markers: while the dictionary has entries they belong to the marking alone.
inline constexpr char16_t kSpanOpen = u'\u2606';   // ☆
inline constexpr char16_t kSpanClose = u'\u2605';  // ★

}  // namespace velmora
