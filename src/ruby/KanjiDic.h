// Readings of single kanji from the kanji dictionary file (the kanjidic package), for
// kanji that the reading service has no word for: 顫える ふる, 偶に たま, 銷磨 しょう+ま.
#pragma once

#include <string>
#include <string_view>

namespace velmora {

// The file in use (by default the kanjidic package's). Set it before the first lookup.
void SetKanjiDicPath(const std::string& path);

// The reading of kanji `c` (one code point), followed in the text by `after`:
// - alone in its run, the kun reading whose okurigana match the kana after it, else a kun
//   reading without okurigana;
// - otherwise (or when no kun reading fits) its first on reading, in hiragana.
// False when the file cannot be read or has no reading for the kanji.
bool KanjiDicReading(char32_t c, std::u16string_view after, bool aloneInRun,
                     std::u16string& reading);

}  // namespace velmora
