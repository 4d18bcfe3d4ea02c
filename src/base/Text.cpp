#include "base/Text.h"

#include <cstdint>
#include <cstring>

namespace velmora {

// UTF-8 with a fast path for runs of ASCII. Each byte that does not start a well-formed
// sequence (overlong forms, surrogates and values above U+10FFFF included) becomes U+FFFD.
std::u16string FromUtf8(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    std::u16string out(n, u'\0');  // never more units than bytes
    char16_t* o = out.data();
    size_t i = 0;
    while (i < n) {
        while (i + 8 <= n) {
            uint64_t chunk;
            std::memcpy(&chunk, p + i, 8);
            if (chunk & 0x8080808080808080ull) break;
            for (int k = 0; k < 8; ++k)
                *o++ = p[i + static_cast<size_t>(k)];
            i += 8;
        }
        if (i >= n) break;
        const unsigned c = p[i];
        if (c < 0x80) {
            *o++ = static_cast<char16_t>(c);
            ++i;
            continue;
        }
        size_t len = 0;
        unsigned cp = 0;
        unsigned min = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2, cp = c & 0x1F, min = 0x80;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3, cp = c & 0x0F, min = 0x800;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4, cp = c & 0x07, min = 0x10000;
        }
        bool ok = len > 0 && i + len <= n;
        for (size_t k = 1; ok && k < len; ++k) {
            const unsigned b = p[i + k];
            ok = (b & 0xC0) == 0x80;
            cp = (cp << 6) | (b & 0x3F);
        }
        if (ok && (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) ok = false;
        if (!ok) {
            *o++ = u'\uFFFD';
            ++i;
        } else if (cp >= 0x10000) {
            cp -= 0x10000;
            *o++ = static_cast<char16_t>(0xD800 + (cp >> 10));
            *o++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
            i += len;
        } else {
            *o++ = static_cast<char16_t>(cp);
            i += len;
        }
    }
    out.resize(static_cast<size_t>(o - out.data()));
    return out;
}

std::string ToUtf8(std::u16string_view s) {
    std::string out;
    out.reserve(s.size() * 3);
    for (size_t i = 0; i < s.size(); ++i) {
        unsigned cp = s[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 &&
            s[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (static_cast<unsigned>(s[i + 1]) - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

std::u16string_view TrimControls(std::u16string_view s) {
    size_t b = 0;
    size_t e = s.size();
    while (b < e && s[b] <= u' ')
        ++b;
    while (e > b && s[e - 1] <= u' ')
        --e;
    return s.substr(b, e - b);
}

char16_t LowerChar(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
}

size_t FindCi(std::u16string_view s, std::u16string_view part) {
    if (part.empty()) return 0;
    if (part.size() > s.size()) return std::u16string_view::npos;
    const char16_t first = LowerChar(part[0]);
    for (size_t i = 0; i + part.size() <= s.size(); ++i) {
        if (LowerChar(s[i]) != first) continue;
        size_t k = 1;
        while (k < part.size() && LowerChar(s[i + k]) == LowerChar(part[k]))
            ++k;
        if (k == part.size()) return i;
    }
    return std::u16string_view::npos;
}

bool ContainsCi(std::u16string_view s, std::u16string_view part) {
    return FindCi(s, part) != std::u16string_view::npos;
}

bool StartsWithCi(std::u16string_view s, std::u16string_view prefix) {
    return s.size() >= prefix.size() && FindCi(s.substr(0, prefix.size()), prefix) == 0;
}

std::u16string LowerAscii(std::u16string_view s) {
    std::u16string out(s);
    for (auto& c : out) {
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
    }
    return out;
}

std::string LowerAscii(std::string_view s) {
    std::string out(s);
    for (auto& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    }
    return out;
}

std::u16string ReplaceAll(std::u16string_view s, std::u16string_view from, std::u16string_view to) {
    std::u16string out;
    if (from.empty()) return std::u16string(s);
    size_t pos = 0;
    for (;;) {
        size_t hit = s.find(from, pos);
        if (hit == std::u16string_view::npos) break;
        out.append(s.substr(pos, hit - pos));
        out.append(to);
        pos = hit + from.size();
    }
    out.append(s.substr(pos));
    return out;
}

}  // namespace velmora
