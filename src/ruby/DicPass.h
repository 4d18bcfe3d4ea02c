// The user dictionary pass: marks every dictionary word in the page before the walk,
// and turns a marked span into the user's written form.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ruby/UserDictionary.h"

namespace velmora {

// Removes the page's own span markers and wraps every occurrence of each entry's word in
// ☆ + written form + ★, entry after entry. Words match exactly (letter case included), and a
// later entry never marks inside an earlier marking: only the text the user's own entry
// matched takes that entry's form.
void MarkDicWords(std::vector<std::u16string>& RubiSL, const UserDictionary& dic);
void MarkDicWordsInLine(std::u16string& line, const UserDictionary& dic);

// ☆行<い>った★ -> 行(い)った
std::u16string ConvertDicSpan(std::u16string_view span);

}  // namespace velmora
