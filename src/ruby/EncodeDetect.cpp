#include "ruby/EncodeDetect.h"

#include <algorithm>
#include <climits>
#include <cstddef>

namespace velmora {
namespace {

using Byte = unsigned char;

Byte At(std::string_view s, size_t i) {
    return static_cast<Byte>(s[i]);
}

bool In(Byte b, Byte lo, Byte hi) {
    return b >= lo && b <= hi;
}

// One character's shape in a multi-byte encoding: its length in bytes (0: invalid first
// byte) and the ranges its following bytes must lie in.
struct CharShape {
    int length = 0;
    bool (*follows)(Byte b, int index) = nullptr;  // index 1 for the second byte
};

// The scan shared by the Shift_JIS, EUC-JP and UTF-8 scorers. A character cut short by the
// end of the sample is still checked as far as it goes, but adds nothing.
template <typename Classify>
bool ScanMultiByte(std::string_view bytes, int& score, Classify classify) {
    const size_t n = bytes.size();
    size_t i = 0;
    while (i < n) {
        const CharShape shape = classify(At(bytes, i));
        if (shape.length == 0) return false;
        if (shape.length == 1) {
            ++i;
            continue;
        }
        const size_t len = static_cast<size_t>(shape.length);
        const size_t present = std::min(len, n - i);
        for (size_t k = 1; k < present; ++k) {
            if (!shape.follows(At(bytes, i + k), static_cast<int>(k))) return false;
        }
        if (present < len) return true;
        score += shape.length;
        i += len;
    }
    return true;
}

bool SjisTrail(Byte b, int) {
    return In(b, 0x40, 0x7E) || In(b, 0x80, 0xFC);
}
bool EucTrail(Byte b, int) {
    return In(b, 0xA1, 0xFE);
}
bool EucKanaTrail(Byte b, int) {
    return In(b, 0xA1, 0xDF);
}
bool Utf8Trail(Byte b, int) {
    return In(b, 0x80, 0xBF);
}

bool IsBase64(Byte b) {
    return In(b, 'A', 'Z') || In(b, 'a', 'z') || In(b, '0', '9') || b == '+' || b == '/';
}

// Bytes that never appear directly in UTF-7 as this detector sees it: 8-bit bytes and the
// ASCII punctuation outside the directly encoded sets.
bool IsUtf7Forbidden(Byte b) {
    return b > 0x7F || In(b, 0x21, 0x26) || b == 0x2A || In(b, 0x3B, 0x3E) || b == 0x40 ||
           In(b, 0x5B, 0x60) || In(b, 0x7B, 0x7E);
}

}  // namespace

int DetectStreamEncoding(std::string_view stream, int maxBytes, uint8_t flags) {
    if (stream.empty()) return kEncUnknown;
    const size_t size = std::min<size_t>(stream.size(), INT_MAX);
    size_t n = size;
    if (maxBytes >= 1 && static_cast<size_t>(maxBytes) <= size) n = static_cast<size_t>(maxBytes);
    return DetectEncoding(stream.substr(0, n), flags);
}

int DetectEncoding(std::string_view bytes, uint8_t flags) {
    if (bytes.empty()) return kEncUnknown;
    const int bom = CheckBOM(bytes, flags);
    if (bom != kEncUnknown) return bom;
    if (IsJIS(bytes, flags)) return kEncIso2022Jp;

    struct Candidate {
        int code;
        bool valid;
        int score;
    };
    Candidate c[4] = {{kEncShiftJis, false, 0},
                      {kEncEucJp, false, 0},
                      {kEncUtf8, false, 0},
                      {kEncUtf7, false, 0}};
    c[0].valid = ScoreSJIS(bytes, flags, c[0].score);
    c[1].valid = ScoreEUC(bytes, flags, c[1].score);
    c[2].valid = ScoreUTF8(bytes, flags, c[2].score);
    c[3].valid = ScoreUTF7(bytes, flags, c[3].score);

    for (int i = 0; i < 4; ++i) {
        bool best = true;
        for (int j = 0; j < 4 && best; ++j) {
            if (j != i && c[j].score >= c[i].score) best = false;
        }
        // Only one candidate can be strictly best; an invalid one means no answer.
        if (best) return c[i].valid ? c[i].code : kEncUnknown;
    }
    return kEncUnknown;
}

int CheckBOM(std::string_view bytes, uint8_t flags) {
    if (flags & kNoBom) return kEncUnknown;
    const size_t n = bytes.size();
    if (n >= 4) {
        if (At(bytes, 0) == 0xFF && At(bytes, 1) == 0xFE && At(bytes, 2) == 0 && At(bytes, 3) == 0)
            return kEncUtf32LE;
        if (At(bytes, 0) == 0 && At(bytes, 1) == 0 && At(bytes, 2) == 0xFE && At(bytes, 3) == 0xFF)
            return kEncUtf32BE;
    }
    if (n >= 2) {
        if (At(bytes, 0) == 0xFF && At(bytes, 1) == 0xFE) return kEncUtf16LE;
        if (At(bytes, 0) == 0xFE && At(bytes, 1) == 0xFF) return kEncUtf16BE;
    }
    if (n >= 3 && At(bytes, 0) == 0xEF && At(bytes, 1) == 0xBB && At(bytes, 2) == 0xBF)
        return kEncUtf8Bom;
    return kEncUnknown;
}

bool IsJIS(std::string_view bytes, uint8_t flags) {
    if (flags & kNoIso2022Jp) return false;
    static constexpr std::string_view kEscapes[] = {
        "\x1b(B", "\x1b(J", "\x1b(I", "\x1b$@", "\x1b$B", "\x1b$(D", "\x1b&@\x1b$B",
    };
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (At(bytes, i) > 0x7F) return false;
        if (At(bytes, i) != 0x1B) continue;
        const std::string_view rest = bytes.substr(i);
        for (std::string_view esc : kEscapes) {
            if (rest.starts_with(esc)) return true;
        }
    }
    return false;
}

bool ScoreSJIS(std::string_view bytes, uint8_t flags, int& score) {
    if (flags & kNoShiftJis) return false;
    return ScanMultiByte(bytes, score, [](Byte b) -> CharShape {
        if (b <= 0x7F || In(b, 0xA1, 0xDF)) return {1, nullptr};
        if (In(b, 0x81, 0x9F) || In(b, 0xE0, 0xFC)) return {2, SjisTrail};
        return {};
    });
}

bool ScoreEUC(std::string_view bytes, uint8_t flags, int& score) {
    if (flags & kNoEucJp) return false;
    return ScanMultiByte(bytes, score, [](Byte b) -> CharShape {
        if (b <= 0x7F) return {1, nullptr};
        if (In(b, 0xA1, 0xFE)) return {2, EucTrail};
        if (b == 0x8E) return {2, EucKanaTrail};
        if (b == 0x8F) return {3, EucTrail};
        return {};
    });
}

bool ScoreUTF8(std::string_view bytes, uint8_t flags, int& score) {
    if (flags & kNoUtf8) return false;
    return ScanMultiByte(bytes, score, [](Byte b) -> CharShape {
        if (b <= 0x7F) return {1, nullptr};
        if (In(b, 0xC0, 0xDF)) return {2, Utf8Trail};
        if (In(b, 0xE0, 0xEF)) return {3, Utf8Trail};
        if (In(b, 0xF0, 0xF7)) return {4, Utf8Trail};
        return {};
    });
}

bool ScoreUTF7(std::string_view bytes, uint8_t flags, int& score) {
    if (flags & kNoUtf7) return false;
    bool base64 = false;
    for (char ch : bytes) {
        const Byte b = static_cast<Byte>(ch);
        if (IsUtf7Forbidden(b)) return false;
        if (b == '+' && !base64) {
            base64 = true;
        } else if (b == '-' && base64) {
            base64 = false;
        }
        if (base64) {
            if (!IsBase64(b)) return false;
            score += 2;
        }
    }
    return true;
}

}  // namespace velmora
