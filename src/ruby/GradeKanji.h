// The ruby level filter: kanji taught up to a school grade need no reading.
#pragma once

#include <string>
#include <string_view>

namespace velmora {

// The kanji of one school grade (1..6) of the 1989 grade allocation table.
std::u16string_view GradeKanji(int grade);

// Whether kanji c is taught in grades 1..level.
bool IsKnownAtLevel(char16_t c, int level);

// Sets KanjiCount to 0 when every kanji of the run (the first KanjiCount code units of
// KanjiString) is taught in grades 1..level; leaves it unchanged otherwise.
void CheckExceptRubi(std::u16string_view KanjiString, int& KanjiCount, int level);

}  // namespace velmora
