#include "settings/DicFile.h"

#include <cerrno>
#include <system_error>
#include <unordered_map>

#include "base/CodePage.h"
#include "base/Text.h"
#include "settings/IniFile.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

constexpr std::u16string_view kSection = u"RubiDic";

// Shift_JIS as Windows reads it (CP932). Strict: false for bytes that are not valid in it
// (code page 932 maps nothing to U+FFFD, so one in the text marks a bad byte); otherwise
// such bytes become U+FFFD.
bool DecodeCp932(std::string_view bytes, std::u16string& text, bool strict = false) {
    text = DecodeCodePage(bytes, CodePage::Cp932);
    return !strict || text.find(u'\uFFFD') == std::u16string::npos;
}

// Whether the bytes are well-formed UTF-8 (no overlong forms, surrogates or code points
// above U+10FFFF).
bool IsUtf8(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    for (size_t i = 0; i < n;) {
        const unsigned c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t len = 0;
        unsigned lo = 0x80, hi = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            if (c == 0xE0) lo = 0xA0;
            if (c == 0xED) hi = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            if (c == 0xF0) lo = 0x90;
            if (c == 0xF4) hi = 0x8F;
        } else {
            return false;
        }
        if (i + len > n || p[i + 1] < lo || p[i + 1] > hi) return false;
        for (size_t k = 2; k < len; ++k) {
            if (p[i + k] < 0x80 || p[i + k] > 0xBF) return false;
        }
        i += len;
    }
    return true;
}

std::u16string DecodeUtf16(std::string_view bytes, bool littleEndian) {
    std::u16string out;
    out.reserve(bytes.size() / 2);
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        out.push_back(static_cast<char16_t>(littleEndian ? a | b << 8 : a << 8 | b));
    }
    return out;
}

std::u16string OneLine(std::u16string_view s) {
    std::u16string out(s);
    for (char16_t& c : out) {
        if (c == u'\r' || c == u'\n') c = u' ';
    }
    return out;
}

// The file's text by its byte-order mark; without one UTF-8 when the bytes are valid
// UTF-8 (what every other text file of the tool is), else Shift_JIS (CP932). False when
// they are neither; `text` then holds a lenient reading.
bool Decode(std::string_view bytes, std::u16string& text) {
    if (bytes.starts_with("\xEF\xBB\xBF")) {
        text = FromUtf8(bytes.substr(3));
        return true;
    }
    if (bytes.starts_with("\xFF\xFE")) {
        text = DecodeUtf16(bytes.substr(2), true);
        return true;
    }
    if (bytes.starts_with("\xFE\xFF")) {
        text = DecodeUtf16(bytes.substr(2), false);
        return true;
    }
    if (IsUtf8(bytes)) {
        text = FromUtf8(bytes);
        return true;
    }
    if (DecodeCp932(bytes, text, true)) return true;
    DecodeCp932(bytes, text);
    return false;
}

// A row as a file line holds it: no line breaks, no blanks or controls around either part.
DicRow AsLine(const DicRow& row) {
    return DicRow{std::u16string(TrimControls(OneLine(row.word))),
                  std::u16string(TrimControls(OneLine(row.rubi)))};
}

// The file's lines for the rows: one per word, at its first row's place, last form kept.
std::vector<DicRow> MergeRows(const std::vector<DicRow>& rows) {
    std::vector<DicRow> lines;
    std::unordered_map<std::u16string, size_t> at;
    for (const DicRow& raw : rows) {
        const DicRow row = AsLine(raw);
        if (row.word.empty()) continue;
        const auto [it, added] = at.try_emplace(FoldCase(row.word), lines.size());
        if (added) {
            lines.push_back(row);
        } else {
            lines[it->second].rubi = row.rubi;
        }
    }
    return lines;
}

std::u16string ReadError(const fs::path& file, const std::string& reason) {
    return PathText(file) + u" を読み込めません\r\n" + FromUtf8(reason);
}

// Reads the section's rows; false on a read error, `found` false for a missing file.
bool ReadRows(const fs::path& file, std::vector<DicRow>& rows, bool& found, std::u16string* error) {
    std::string bytes;
    std::string reason;
    found = false;
    switch (ReadFileBytes(file, bytes, &reason)) {
        case FileRead::Missing:
            return true;
        case FileRead::Failed:
            if (error) *error = ReadError(file, reason);
            return false;
        case FileRead::Ok:
            break;
    }
    std::u16string text;
    if (!Decode(bytes, text)) {
        // Neither UTF-8 nor Shift_JIS: reading it as either would lose the user's words.
        if (error)
            *error = ReadError(file, "文字(もじ)コードが UTF-8 でも Shift_JIS でもありません。");
        return false;
    }
    found = true;
    rows = ParseDictionaryText(text);
    return true;
}

}  // namespace

fs::path DictionaryPath(std::u16string_view DataFolda) {
    return PathFromText(DataFolda) / "Dictionary.ini";
}

bool SameDicWord(std::u16string_view a, std::u16string_view b) {
    return FoldCase(a) == FoldCase(b);
}

std::u16string DicWordRefusal(std::u16string_view word) {
    const std::u16string_view w = TrimControls(word);
    if (w.empty()) return u"言葉(ことば)を入(い)れてください。";
    if (w.front() == u'[' || w.front() == u';')
        return u"「[」や「;」で始(はじ)まる言葉(ことば)は登録(とうろく)できません。";
    if (w.find(u'=') != std::u16string_view::npos)
        return u"「=」をふくむ言葉(ことば)は登録(とうろく)できません。";
    return {};
}

std::vector<DicRow> ParseDictionary(std::string_view bytes) {
    std::u16string text;
    Decode(bytes, text);
    return ParseDictionaryText(text);
}

std::vector<DicRow> ParseDictionaryText(std::u16string_view text) {
    const std::u16string section = FoldCase(kSection);
    std::vector<DicRow> rows;
    // 0: before the first section or in another one; 1: in the first "RubiDic"; 2: after it.
    int state = 0;
    size_t start = 0;
    while (start <= text.size() && state < 2) {
        size_t end = text.find_first_of(u"\r\n", start);
        if (end == std::u16string::npos) end = text.size();
        const std::u16string_view line =
            TrimControls(std::u16string_view(text).substr(start, end - start));
        start = end + 1;
        if (end < text.size() && text[end] == u'\r' && start < text.size() &&
            text[start] == u'\n') {
            ++start;
        }
        if (line.empty() || line.front() == u';') continue;
        if (line.size() >= 2 && line.front() == u'[' && line.back() == u']') {
            const bool ours = FoldCase(TrimControls(line.substr(1, line.size() - 2))) == section;
            if (state == 1) {
                state = 2;
            } else if (ours) {
                state = 1;
            }
            continue;
        }
        if (state != 1) continue;
        const size_t eq = line.find(u'=');
        if (eq == std::u16string_view::npos) continue;
        DicRow row{std::u16string(TrimControls(line.substr(0, eq))),
                   std::u16string(TrimControls(line.substr(eq + 1)))};
        if (!row.word.empty()) rows.push_back(std::move(row));
    }
    return rows;
}

UserDictionary DictionaryFromFileRows(const std::vector<DicRow>& rows) {
    UserDictionary dic;
    std::unordered_map<std::u16string, size_t> first;
    for (const DicRow& row : rows) {
        if (row.word.empty()) continue;
        // One entry per word: a second one would mark the first one's marking again.
        if (!first.try_emplace(FoldCase(row.word), dic.DicWord.size()).second) continue;
        dic.DicWord.push_back(row.word);
        dic.DicRubi.push_back(row.rubi);
    }
    dic.DicWordCount = static_cast<int>(dic.DicWord.size());
    return dic;
}

bool LoadDictionary(const fs::path& file, UserDictionary& dic, std::u16string* error) {
    dic = UserDictionary{};
    std::vector<DicRow> rows;
    bool found = false;
    if (!ReadRows(file, rows, found, error)) return false;
    dic = DictionaryFromFileRows(rows);
    return true;
}

bool LoadDictionaryRows(const fs::path& file, std::vector<DicRow>& rows, std::u16string* error) {
    std::vector<DicRow> read;
    bool found = false;
    if (!ReadRows(file, read, found, error)) return false;
    if (found) rows = std::move(read);
    return true;
}

std::string EncodeDictionary(const std::vector<DicRow>& rows) {
    std::u16string text = u"[" + std::u16string(kSection) + u"]\r\n";
    for (const DicRow& line : MergeRows(rows)) {
        text += OneLine(line.word) + u"=" + OneLine(line.rubi) + u"\r\n";
    }
    text += u"\r\n";
    std::string bytes = "\xFF\xFE";
    bytes.reserve(2 + text.size() * 2);
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

bool SaveDictionary(const fs::path& file, const std::vector<DicRow>& rows, UserDictionary& dic,
                    std::u16string* error) {
    // What the file will hold, one entry per word, so this run and the next one agree.
    const std::vector<DicRow> lines = MergeRows(rows);
    dic = DictionaryFromFileRows(lines);

    if (lines.empty()) {
        // No rows: no file is the empty dictionary.
        std::error_code ec;
        fs::remove(file, ec);
        if (ec && ec != std::errc::no_such_file_or_directory && ec != std::errc::not_a_directory) {
            if (error)
                *error =
                    PathText(file) + u" を削除(さくじょ)できません\r\n" + FromUtf8(ec.message());
            return false;
        }
        return true;
    }
    // Every line must read back as the entry it was written for: a word that reads as a
    // section or a comment would take all later entries with it on the next start.
    const std::string bytes = EncodeDictionary(rows);
    const std::vector<DicRow> back = ParseDictionary(bytes);
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i < back.size() && back[i] == lines[i]) continue;
        if (error) {
            std::u16string why = DicWordRefusal(lines[i].word);
            if (why.empty()) why = u"読(よ)み直(なお)すと別(べつ)の行(ぎょう)になってしまいます。";
            *error = PathText(file) + u" に書き込めません\r\n「" + lines[i].word + u"」: " + why;
        }
        return false;
    }
    std::string reason;
    if (!WriteFileReplacing(file, bytes, &reason)) {
        if (error) *error = PathText(file) + u" に書き込めません\r\n" + FromUtf8(reason);
        return false;
    }
    return true;
}

}  // namespace velmora
