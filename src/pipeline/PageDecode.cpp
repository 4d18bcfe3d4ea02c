#include "pipeline/PageDecode.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "base/CodePage.h"
#include "base/Text.h"
#include "ruby/EncodeDetect.h"

namespace velmora {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

// The code page of a decoder that the system converts.
CodePage CodePageOf(Decoder d) {
    switch (d) {
        case Decoder::EucJp:
            return CodePage::EucJp;
        case Decoder::Iso2022Jp:
            return CodePage::Iso2022Jp;
        case Decoder::Utf7:
            return CodePage::Utf7;
        default:
            return CodePage::Cp932;
    }
}

std::u16string DecodeSystem(std::string_view bytes, Decoder d) {
    return DecodeCodePage(bytes, CodePageOf(d));
}

std::u16string DecodeUtf16(std::string_view bytes, bool bigEndian) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    size_t n = bytes.size();
    size_t i = 0;
    if (n >= 2 && ((bigEndian && p[0] == 0xFE && p[1] == 0xFF) ||
                   (!bigEndian && p[0] == 0xFF && p[1] == 0xFE))) {
        i = 2;
    }
    std::u16string out;
    out.resize((n - i) / 2 + (n - i) % 2);
    size_t k = 0;
    for (; i + 1 < n; i += 2) {
        const unsigned hi = bigEndian ? p[i] : p[i + 1];
        const unsigned lo = bigEndian ? p[i + 1] : p[i];
        out[k++] = static_cast<char16_t>((hi << 8) | lo);
    }
    if (i < n) out[k++] = kReplacement;  // an odd byte at the end
    out.resize(k);
    return out;
}

// ASCII case folding of the sniff: letters to lower case, an apostrophe counts as a
// double quote.
char16_t SniffFold(char16_t c) {
    if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 32);
    if (c == u'\'') return u'"';
    return c;
}

// First position of `needle` (lower case, no apostrophes) in `hay` as the sniff sees it.
size_t FindFolded(std::u16string_view hay, std::u16string_view needle) {
    if (needle.size() > hay.size()) return std::u16string_view::npos;
    const size_t last = hay.size() - needle.size();
    for (size_t i = 0; i <= last; ++i) {
        if (SniffFold(hay[i]) != needle[0]) continue;
        size_t k = 1;
        while (k < needle.size() && SniffFold(hay[i + k]) == needle[k])
            ++k;
        if (k == needle.size()) return i;
    }
    return std::u16string_view::npos;
}

// The characters that follow a declaration name `value` if they are the value itself or
// the value after one opening quote. A window that runs into a line break or the end of
// the text never matches.
bool ValueAt(std::u16string_view hay, size_t at, std::u16string_view value) {
    size_t start = at;
    if (start < hay.size() && SniffFold(hay[start]) == u'"') ++start;
    if (hay.size() - std::min(start, hay.size()) < value.size()) return false;
    for (size_t k = 0; k < value.size(); ++k) {
        if (SniffFold(hay[start + k]) != value[k]) return false;
    }
    return true;
}

std::optional<Decoder> DecoderNamedAt(std::u16string_view hay, size_t at) {
    if (ValueAt(hay, at, u"utf-8")) return Decoder::Utf8;
    if (ValueAt(hay, at, u"euc-jp")) return Decoder::EucJp;
    if (ValueAt(hay, at, u"shift_jis")) return Decoder::Ansi;
    return std::nullopt;
}

constexpr std::u16string_view kDeclarations[] = {u"charset=", u"encoding=\""};

bool EndsHeadValue(char16_t c) {
    return c == u'"' || c == u'\'' || c == u'>' || c == u'/' || c == u';' || c == u',' || c <= u' ';
}

// Where a declaration may stand in the bytes: the first "charset=" and the first
// "encoding=" followed by a quote, compared as the sniff compares. Every ASCII character of
// the Shift_JIS reading of a page is the byte of the same value, so a declaration in that
// text is always one of these byte runs (the reverse fails when the run lies inside
// double-byte characters).
struct DeclarationBytes {
    size_t charset = std::string_view::npos;
    size_t encoding = std::string_view::npos;
};

DeclarationBytes FindDeclarationBytes(std::string_view bytes) {
    DeclarationBytes found;
    auto foldedBefore = [&bytes](size_t eq, std::string_view name) {
        if (eq < name.size()) return false;
        for (size_t k = 0; k < name.size(); ++k) {
            if (SniffFold(static_cast<unsigned char>(bytes[eq - name.size() + k])) != name[k])
                return false;
        }
        return true;
    };
    for (size_t eq = bytes.find('='); eq != std::string_view::npos; eq = bytes.find('=', eq + 1)) {
        if (foldedBefore(eq, "charset")) {
            found.charset = eq - 7;
            return found;
        }
        if (found.encoding == std::string_view::npos && eq + 1 < bytes.size() &&
            SniffFold(static_cast<unsigned char>(bytes[eq + 1])) == u'"' &&
            foldedBefore(eq, "encoding")) {
            found.encoding = eq - 8;
        }
    }
    return found;
}

// The sniff of a page read as Shift_JIS. Only the text up to just past the declaration is
// decoded when that suffices; when the whole text had to be decoded, it is left in
// `wholeText` for reuse.
std::optional<Decoder> SniffAnsi(std::string_view bytes, std::u16string& wholeText,
                                 bool& haveWholeText) {
    const DeclarationBytes at = FindDeclarationBytes(bytes);
    const size_t first = at.charset != std::string_view::npos ? at.charset : at.encoding;
    if (first == std::string_view::npos) return std::nullopt;  // the text holds none either
    // Enough bytes for the declaration and the 10 characters after it, at two bytes each.
    const size_t end = std::min(bytes.size(), first + 10 + 2 * 11);
    const std::u16string head = DecodeBytes(bytes.substr(0, end), Decoder::Ansi);
    const std::u16string_view decl =
        at.charset != std::string_view::npos ? kDeclarations[0] : kDeclarations[1];
    const size_t pos = FindFolded(head, decl);
    // The last character of the head may be cut short; the window must end before it.
    if (pos != std::u16string::npos &&
        (end == bytes.size() || pos + decl.size() + 10 < head.size())) {
        return DecoderNamedAt(head, pos + decl.size());
    }
    wholeText = DecodeBytes(bytes, Decoder::Ansi);
    haveWholeText = true;
    return SniffDeclarationText(wholeText);
}

}  // namespace

std::u16string DecodeBytes(std::string_view bytes, Decoder d) {
    switch (d) {
        case Decoder::Utf8:
            if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
            return FromUtf8(bytes);
        case Decoder::Utf16LE:
            return DecodeUtf16(bytes, false);
        case Decoder::Utf16BE:
            return DecodeUtf16(bytes, true);
        case Decoder::Iso2022Jp: {
            // Code page 50222 reads JIS-Roman (ESC ( J) as ASCII; ICU would turn its
            // backslash and tilde into a yen sign and an overline, breaking paths in links.
            if (bytes.find("\x1b(J") == std::string_view::npos) return DecodeSystem(bytes, d);
            std::string copy(bytes);
            for (size_t at = copy.find("\x1b(J"); at != std::string::npos;
                 at = copy.find("\x1b(J", at + 3)) {
                copy[at + 2] = 'B';
            }
            return DecodeSystem(copy, d);
        }
        case Decoder::Utf7: {
            std::u16string text = DecodeSystem(bytes, d);
            if (!text.empty() && text[0] == 0xFEFF) text.erase(0, 1);
            return text;
        }
        case Decoder::Ansi:
        case Decoder::EucJp:
            return DecodeSystem(bytes, d);
    }
    return DecodeSystem(bytes, Decoder::Ansi);
}

namespace {

// Calls `take` with each line of `text`; lines end at CR LF, CR or LF, and a break at
// the very end opens no further line.
template <class Char, class Take>
void ForEachLine(std::basic_string_view<Char> text, Take take) {
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        size_t end = i;
        while (end < n && text[end] != Char('\r') && text[end] != Char('\n'))
            ++end;
        take(text.substr(i, end - i));
        i = end;
        if (i < n && text[i] == Char('\r')) {
            ++i;
            if (i < n && text[i] == Char('\n')) ++i;
        } else if (i < n) {
            ++i;  // LF
        }
    }
}

}  // namespace

std::vector<std::u16string> SplitLines(std::u16string_view text) {
    std::vector<std::u16string> lines;
    ForEachLine(text, [&](std::u16string_view line) { lines.emplace_back(line); });
    return lines;
}

Decoder ProvisionalDecoder(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) return Decoder::Utf8;
    if (bytes.starts_with("\xFF\xFE")) return Decoder::Utf16LE;
    if (bytes.starts_with("\xFE\xFF")) return Decoder::Utf16BE;
    return Decoder::Ansi;
}

std::optional<Decoder> SniffDeclaration(const std::vector<std::u16string>& provisionalLines) {
    // The lines are sniffed as one text joined with CR LF. No declaration name holds a line
    // break, and a value window that reaches one cannot match, so each line can be looked
    // at on its own.
    for (std::u16string_view decl : kDeclarations) {
        for (const std::u16string& line : provisionalLines) {
            const size_t at = FindFolded(line, decl);
            if (at != std::u16string_view::npos) return DecoderNamedAt(line, at + decl.size());
        }
    }
    return std::nullopt;
}

std::optional<Decoder> SniffDeclarationText(std::u16string_view provisionalText) {
    for (std::u16string_view decl : kDeclarations) {
        const size_t at = FindFolded(provisionalText, decl);
        if (at != std::u16string_view::npos)
            return DecoderNamedAt(provisionalText, at + decl.size());
    }
    return std::nullopt;
}

Decoder DecoderForCode(int detectionCode) {
    switch (detectionCode) {
        case kEncShiftJis:
            return Decoder::Ansi;
        case kEncEucJp:
            return Decoder::EucJp;
        case kEncIso2022Jp:
            return Decoder::Iso2022Jp;
        case kEncUtf16LE:
            return Decoder::Utf16LE;
        case kEncUtf16BE:
            return Decoder::Utf16BE;
        case kEncUtf8:
        case kEncUtf8Bom:
            return Decoder::Utf8;
        case kEncUtf7:
            return Decoder::Utf7;
        default:  // UTF-32 marks, not recognised
            return Decoder::Ansi;
    }
}

std::optional<Decoder> DecoderForCharsetLabel(std::string_view label) {
    // Surrounding blanks and quotes are not part of the label.
    while (!label.empty() &&
           (label.front() <= ' ' || label.front() == '"' || label.front() == '\''))
        label.remove_prefix(1);
    while (!label.empty() && (label.back() <= ' ' || label.back() == '"' || label.back() == '\''))
        label.remove_suffix(1);
    const std::string l = LowerAscii(label);
    struct Label {
        const char* name;
        Decoder decoder;
    };
    static constexpr Label kLabels[] = {
        {"utf-8", Decoder::Utf8},
        {"utf8", Decoder::Utf8},
        {"unicode-1-1-utf-8", Decoder::Utf8},
        {"unicode11utf8", Decoder::Utf8},
        {"unicode20utf8", Decoder::Utf8},
        {"x-unicode20utf8", Decoder::Utf8},
        {"shift_jis", Decoder::Ansi},
        {"shift-jis", Decoder::Ansi},
        {"sjis", Decoder::Ansi},
        {"x-sjis", Decoder::Ansi},
        {"ms_kanji", Decoder::Ansi},
        {"csshiftjis", Decoder::Ansi},
        {"windows-31j", Decoder::Ansi},
        {"ms932", Decoder::Ansi},
        {"cp932", Decoder::Ansi},
        {"euc-jp", Decoder::EucJp},
        {"x-euc-jp", Decoder::EucJp},
        {"cseucpkdfmtjapanese", Decoder::EucJp},
        {"iso-2022-jp", Decoder::Iso2022Jp},
        {"csiso2022jp", Decoder::Iso2022Jp},
        {"utf-16le", Decoder::Utf16LE},
        {"utf-16", Decoder::Utf16LE},
        {"unicode", Decoder::Utf16LE},
        {"ucs-2", Decoder::Utf16LE},
        {"csunicode", Decoder::Utf16LE},
        {"iso-10646-ucs-2", Decoder::Utf16LE},
        {"unicodefeff", Decoder::Utf16LE},
        {"utf-16be", Decoder::Utf16BE},
        {"unicodefffe", Decoder::Utf16BE},
    };
    for (const Label& known : kLabels) {
        if (l == known.name) return known.decoder;
    }
    return std::nullopt;
}

namespace {

// UTF-8 lines straight from the bytes: CR and LF bytes never occur inside a multi-byte
// sequence, so splitting first gives the same lines as decoding the whole text, without
// a page-sized buffer in between.
std::vector<std::u16string> SplitUtf8Lines(std::string_view bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    std::vector<std::u16string> lines;
    ForEachLine(bytes, [&](std::string_view line) { lines.push_back(FromUtf8(line)); });
    return lines;
}

}  // namespace

DecodedPage DecodePage(std::string_view bytes, std::string_view headerCharset) {
    DecodedPage page;
    // A UTF-8 or UTF-16 byte-order mark settles the encoding: a declaration that names
    // another charset is stale (the page was converted without updating it), and obeying
    // it would garble every character.
    const int bom = CheckBOM(bytes, 0);
    if (bom == kEncUtf8Bom || bom == kEncUtf16LE || bom == kEncUtf16BE) {
        page.decoder = DecoderForCode(bom);
        page.lines = page.decoder == Decoder::Utf8 ? SplitUtf8Lines(bytes)
                                                   : SplitLines(DecodeBytes(bytes, page.decoder));
        return page;
    }

    // The server's word comes next, as browsers take it: a page that declares nothing
    // itself is otherwise left to detection, which can take short UTF-8 for Shift_JIS.
    std::u16string text;
    bool haveText = false;
    std::optional<Decoder> chosen = DecoderForCharsetLabel(headerCharset);
    // Without either the page is read provisionally as Shift_JIS for the sniff.
    if (!chosen) chosen = SniffAnsi(bytes, text, haveText);
    if (!chosen) {
        int code = DetectStreamEncoding(bytes, 1024, 0);
        // Scripts and styles often fill the first kilobyte with ASCII, which decides
        // nothing; the rest of the page then tells UTF-8 and EUC-JP from Shift_JIS, where
        // falling back to Shift_JIS would garble every character of a UTF-8 page.
        if (code == kEncUnknown && bytes.size() > 1024) code = DetectEncoding(bytes, 0);
        chosen = DecoderForCode(code);
    }
    page.decoder = *chosen;
    if (page.decoder == Decoder::Utf8) {
        page.lines = SplitUtf8Lines(bytes);
        return page;
    }
    if (!haveText || page.decoder != Decoder::Ansi) text = DecodeBytes(bytes, page.decoder);
    page.lines = SplitLines(text);
    return page;
}

void ReplaceHeadCharset(std::vector<std::u16string>& lines) {
    for (std::u16string& line : lines) {
        size_t p = std::u16string::npos;
        size_t m = 0;
        for (std::u16string_view decl : kDeclarations) {
            p = FindFolded(line, decl);
            if (p != std::u16string::npos) {
                m = decl.size();
                break;
            }
        }
        if (p == std::u16string::npos) continue;

        // The value runs from just after the declaration to its closing quote. The sniff
        // reads apostrophes as quotes, so charset='EUC-JP' is a value here too. An
        // unquoted value (charset=EUC-JP>) ends where a charset name cannot go on, so
        // the replacement never swallows the markup after it.
        size_t start = p + m;
        if (start < line.size()) {
            const bool quoted = line[start] == u'"' || line[start] == u'\'';
            size_t end = start + 1;
            while (end < line.size() && !EndsHeadValue(line[end]))
                ++end;
            if (quoted) ++start;
            // The value is replaced where it stands, not at an earlier occurrence of the
            // same letters elsewhere in the line.
            if ((quoted || !EndsHeadValue(line[start])) && end > start)
                line.replace(start, end - start, u"utf-8");
        }
        return;
    }
}

}  // namespace velmora
