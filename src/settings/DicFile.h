// Dictionary.ini: the user dictionary on disk. One section "RubiDic" with "word=written form"
// lines, written as UTF-16LE with a byte-order mark and CR LF line ends.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "ruby/UserDictionary.h"

namespace velmora {

// One row of the dictionary editor, or one line of the file's "RubiDic" section.
struct DicRow {
    std::u16string word;  // the text to look for in a page
    std::u16string rubi;  // its written form, readings in "<" ">": へ行<い>った
    bool operator==(const DicRow&) const = default;
};

// "<DataFolda>/Dictionary.ini".
std::filesystem::path DictionaryPath(std::u16string_view DataFolda);

// The lines of the first section named "RubiDic" (in any letter case), in file order.
// Decoding goes by the byte-order mark (UTF-8, UTF-16LE, UTF-16BE); without one the bytes
// are UTF-8 when they are valid UTF-8, else Shift_JIS (CP932), invalid bytes read as U+FFFD
// (the loads refuse such a file). Lines end at CR LF, CR or LF; blanks and control
// characters around a line, a name and a value are dropped; empty lines, lines starting with
// ";", lines without "=" and lines with an empty word are skipped; a word ends at its first
// "=".
std::vector<DicRow> ParseDictionary(std::string_view bytes);
std::vector<DicRow> ParseDictionaryText(std::u16string_view text);

// Why a word cannot be registered, or empty when it can: a word that starts with "[" or
// ";" would read back as a section or a comment, and one holding "=" would be cut there.
std::u16string DicWordRefusal(std::u16string_view word);

// Words compare without regard to letter case (Unicode case folding, so full-width letters
// too). Both true for "ＡＢＣ" and "ａｂｃ".
bool SameDicWord(std::u16string_view a, std::u16string_view b);

// The dictionary in effect for the file's rows: one entry per word (compared as
// SameDicWord does), the first row's, in order.
UserDictionary DictionaryFromFileRows(const std::vector<DicRow>& rows);

// Start-up load. A missing file is an empty dictionary. On a read error, and for a file
// that is neither UTF-8 nor Shift_JIS, `dic` is left empty and `error` gets
// "<path> を読み込めません" and the reason.
bool LoadDictionary(const std::filesystem::path& file, UserDictionary& dic,
                    std::u16string* error = nullptr);

// Editor load: the section's rows. A missing file leaves `rows` as they are; so does an error
// (reported as in LoadDictionary).
bool LoadDictionaryRows(const std::filesystem::path& file, std::vector<DicRow>& rows,
                        std::u16string* error = nullptr);

// The file's bytes for the editor's rows: rows of the same word become one line at the first
// row's place holding the last row's written form. Line breaks inside a word or a form are
// written as blanks (they would start lines of their own), blanks around them are dropped
// (reading drops them). Rows with an empty word are left out.
std::string EncodeDictionary(const std::vector<DicRow>& rows);

// Save from the editor. `dic` is refreshed first, to the entries the saved file will give on
// the next load: one per word, in order, with the written form the file keeps for it. Then
// the file is replaced through a temporary file, or removed when no rows are left. The new
// file is read back first: when a line would read as something else (a section, a
// comment, a word cut at "="), nothing is written. On failure the old file stays as it
// was, `error` gets "<path> に書き込めません" (or "を削除(さくじょ)できません") and the
// reason, and false comes back.
bool SaveDictionary(const std::filesystem::path& file, const std::vector<DicRow>& rows,
                    UserDictionary& dic, std::u16string* error = nullptr);

}  // namespace velmora
