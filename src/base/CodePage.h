// The system's code page converters: Japanese page encodings to UTF-16, and case folding.
// One implementation per system (ICU on Linux, the Win32 National Language Support
// functions on Windows); both give the same text for the same bytes.
#pragma once

#include <string>
#include <string_view>

namespace velmora {

enum class CodePage {
    Cp932,      // Shift_JIS as Windows-31J, with the NEC and IBM extensions
    EucJp,      // EUC-JP as code page 20932 maps it, with the 3-byte JIS X 0212 set
    Iso2022Jp,  // ISO-2022-JP with half-width katakana (ESC ( I, and SO/SI)
    Utf7,
};

// Decodes `bytes` whole. A byte or sequence that is not valid in the code page, or that the
// code page does not map, becomes one U+FFFD; decoding goes on after it. Never fails.
std::u16string DecodeCodePage(std::string_view bytes, CodePage cp);

// Case folding for comparing words without regard to letter case (Latin, Greek, Cyrillic,
// full-width letters): the same text for "ABC", "abc", "ＡＢＣ" and "ａｂｃ".
std::u16string FoldCase(std::u16string_view s);

}  // namespace velmora
