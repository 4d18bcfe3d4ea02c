// Code page conversion with the Win32 National Language Support functions (Windows).
//
// The text must be the one the ICU converters of the Linux build give, so the structure of
// each encoding is walked here and only well-formed characters are handed to
// MultiByteToWideChar (code page 932): a bad byte becomes U+FFFD and decoding goes on,
// where Windows would substitute "・" or fail the whole call. EUC-JP and ISO-2022-JP
// characters of JIS X 0208 are turned into their Shift_JIS bytes first, so that all three
// map the JIS symbols alike (U+FF5E, U+2225, U+FF0D ...), as the Linux build does; code page
// 20932 is used only for the 3-byte JIS X 0212 set, and Wine has no ISO-2022-JP code page.
#include <windows.h>

#include <cstdint>
#include <string>

#include "base/CodePage.h"

namespace velmora {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

// Collects the output; double-byte Shift_JIS characters are gathered and converted in one
// call per run.
class Output {
public:
    explicit Output(size_t sizeHint) { out_.reserve(sizeHint); }

    void Unit(char16_t c) {
        Flush();
        out_.push_back(c);
    }
    void Bad() { Unit(kReplacement); }
    // A double-byte character of code page 932 (lead 81-9F or E0-FC, trail 40-7E or 80-FC).
    void Sjis(unsigned char lead, unsigned char trail) {
        run_.push_back(static_cast<char>(lead));
        run_.push_back(static_cast<char>(trail));
    }
    // Bytes of another code page that make one character.
    void Other(UINT cp, const char* bytes, int n) {
        Flush();
        wchar_t w[4];
        const int got = MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, bytes, n, w, 4);
        if (got == 1) {
            out_.push_back(static_cast<char16_t>(w[0]));
        } else {
            out_.push_back(kReplacement);
        }
    }

    std::u16string Take() {
        Flush();
        return std::move(out_);
    }

private:
    void Flush() {
        if (run_.empty()) return;
        const int chars = static_cast<int>(run_.size() / 2);
        const size_t at = out_.size();
        out_.resize(at + static_cast<size_t>(chars));
        // Every double-byte character of code page 932 is one UTF-16 unit; a run with a
        // character the code page does not map fails and is done one character at a time.
        const int got = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, run_.data(),
                                            static_cast<int>(run_.size()),
                                            reinterpret_cast<wchar_t*>(out_.data() + at), chars);
        if (got != chars) {
            for (int i = 0; i < chars; ++i) {
                wchar_t w[2];
                const int one =
                    MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, run_.data() + 2 * i, 2, w, 2);
                out_[at + static_cast<size_t>(i)] =
                    one == 1 ? static_cast<char16_t>(w[0]) : kReplacement;
            }
        }
        run_.clear();
    }

    std::u16string out_;
    std::string run_;
};

bool IsSjisLead(unsigned b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
bool IsSjisTrail(unsigned b) {
    return b >= 0x40 && b <= 0xFC && b != 0x7F;
}

// JIS X 0208 row and cell bytes (21-7E each) as Shift_JIS.
void JisToSjis(unsigned j1, unsigned j2, Output& out) {
    const unsigned s1 = ((j1 + 1) >> 1) + (j1 <= 0x5E ? 0x70 : 0xB0);
    const unsigned s2 = j2 + ((j1 & 1) ? (j2 < 0x60 ? 0x1F : 0x20) : 0x7E);
    out.Sjis(static_cast<unsigned char>(s1), static_cast<unsigned char>(s2));
}

std::u16string DecodeCp932(std::string_view bytes) {
    Output out(bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    for (size_t i = 0; i < n; ++i) {
        const unsigned b = p[i];
        if (b < 0x80) {
            out.Unit(static_cast<char16_t>(b));
        } else if (b >= 0xA1 && b <= 0xDF) {
            out.Unit(static_cast<char16_t>(0xFF61 + (b - 0xA1)));
        } else if (IsSjisLead(b) && i + 1 < n && IsSjisTrail(p[i + 1])) {
            out.Sjis(static_cast<unsigned char>(b), p[i + 1]);
            ++i;
        } else {
            out.Bad();  // a lone lead byte: the byte after it is read again
        }
    }
    return out.Take();
}

std::u16string DecodeEucJp(std::string_view bytes) {
    Output out(bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    auto isJis = [](unsigned b) { return b >= 0xA1 && b <= 0xFE; };
    for (size_t i = 0; i < n; ++i) {
        const unsigned b = p[i];
        if (b < 0x80) {
            out.Unit(static_cast<char16_t>(b));
        } else if (b == 0x8E) {
            if (i + 1 < n && p[i + 1] >= 0xA1 && p[i + 1] <= 0xDF) {
                out.Unit(static_cast<char16_t>(0xFF61 + (p[i + 1] - 0xA1)));
                ++i;
            } else {
                out.Bad();
            }
        } else if (b == 0x8F) {
            if (i + 2 < n && isJis(p[i + 1]) && isJis(p[i + 2])) {
                out.Other(20932, reinterpret_cast<const char*>(p + i), 3);
                i += 2;
            } else {
                out.Bad();
            }
        } else if (b < 0xA0) {
            out.Unit(static_cast<char16_t>(b));  // C1 controls stand for themselves
        } else if (isJis(b) && i + 1 < n && isJis(p[i + 1])) {
            JisToSjis(b - 0x80, p[i + 1] - 0x80u, out);
            ++i;
        } else {
            out.Bad();
        }
    }
    return out.Take();
}

std::u16string DecodeIso2022Jp(std::string_view bytes) {
    enum class Set { Ascii, Katakana, Jis0208, Jis0212 };
    Output out(bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    Set set = Set::Ascii;
    bool shifted = false;  // SO: half-width katakana until SI
    auto at = [&](size_t i, std::string_view seq) {
        return n - i >= seq.size() && std::string_view(bytes).substr(i, seq.size()) == seq;
    };
    auto isJis = [](unsigned b) { return b >= 0x21 && b <= 0x7E; };
    for (size_t i = 0; i < n; ++i) {
        const unsigned b = p[i];
        if (b == 0x1B) {
            if (at(i, "\x1b(B") || at(i, "\x1b(J")) {
                set = Set::Ascii, i += 2;
            } else if (at(i, "\x1b(I")) {
                set = Set::Katakana, i += 2;
            } else if (at(i, "\x1b$B") || at(i, "\x1b$@")) {
                set = Set::Jis0208, i += 2;
            } else if (at(i, "\x1b$(D")) {
                set = Set::Jis0212, i += 3;
            } else {
                out.Bad();
            }
            continue;
        }
        if (b == 0x0E) {
            shifted = true;
            continue;
        }
        if (b == 0x0F) {
            shifted = false;
            continue;
        }
        if (b >= 0x80) {
            out.Bad();
            continue;
        }
        if (b < 0x21) {
            // Controls and spaces stand for themselves; a line end goes back to ASCII.
            if (b == '\r' || b == '\n') set = Set::Ascii, shifted = false;
            out.Unit(static_cast<char16_t>(b));
            continue;
        }
        if (shifted || set == Set::Katakana) {
            if (b <= 0x5F) {
                out.Unit(static_cast<char16_t>(0xFF61 + (b - 0x21)));
            } else {
                out.Bad();
            }
            continue;
        }
        if (set == Set::Ascii) {
            out.Unit(static_cast<char16_t>(b));
            continue;
        }
        // Two-byte sets.
        if (!isJis(b)) {
            out.Bad();
            continue;
        }
        if (i + 1 >= n || p[i + 1] < 0x21 || p[i + 1] == 0x1B) {
            out.Bad();  // cut short: the byte after it is read again
            continue;
        }
        const unsigned c = p[++i];
        if (!isJis(c)) {
            out.Bad();
        } else if (set == Set::Jis0208) {
            JisToSjis(b, c, out);
        } else {
            const char euc[3] = {'\x8F', static_cast<char>(b | 0x80), static_cast<char>(c | 0x80)};
            out.Other(20932, euc, 3);
        }
    }
    return out.Take();
}

std::u16string DecodeUtf7(std::string_view bytes) {
    if (bytes.empty()) return {};
    const int len = static_cast<int>(bytes.size());
    const int n = MultiByteToWideChar(65000, 0, bytes.data(), len, nullptr, 0);
    std::u16string out(static_cast<size_t>(n > 0 ? n : 0), u'\0');
    if (n > 0) {
        MultiByteToWideChar(65000, 0, bytes.data(), len, reinterpret_cast<wchar_t*>(out.data()), n);
    }
    return out;
}

}  // namespace

std::u16string DecodeCodePage(std::string_view bytes, CodePage cp) {
    switch (cp) {
        case CodePage::Cp932:
            return DecodeCp932(bytes);
        case CodePage::EucJp:
            return DecodeEucJp(bytes);
        case CodePage::Iso2022Jp:
            return DecodeIso2022Jp(bytes);
        case CodePage::Utf7:
            return DecodeUtf7(bytes);
    }
    return DecodeCp932(bytes);
}

std::u16string FoldCase(std::u16string_view s) {
    if (s.empty()) return {};
    const int len = static_cast<int>(s.size());
    const auto* src = reinterpret_cast<const wchar_t*>(s.data());
    const int n = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, src, len, nullptr, 0,
                                nullptr, nullptr, 0);
    if (n <= 0) return std::u16string(s);
    std::u16string out(static_cast<size_t>(n), u'\0');
    LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, src, len,
                  reinterpret_cast<wchar_t*>(out.data()), n, nullptr, nullptr, 0);
    return out;
}

}  // namespace velmora
