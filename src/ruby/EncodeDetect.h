// Guesses the character encoding of a page from its first bytes: byte-order marks, the
// escape sequences of ISO-2022-JP, and scores for Shift_JIS, EUC-JP, UTF-8 and UTF-7.
// Free functions without state.
#pragma once

#include <cstdint>
#include <string_view>

namespace velmora {

// Encoding codes returned by the detection.
inline constexpr int kEncUnknown = -1;
inline constexpr int kEncShiftJis = 0;
inline constexpr int kEncEucJp = 1;
inline constexpr int kEncIso2022Jp = 2;
inline constexpr int kEncUtf16LE = 3;
inline constexpr int kEncUtf16BE = 4;
inline constexpr int kEncUtf8 = 5;     // without byte-order mark
inline constexpr int kEncUtf8Bom = 6;  // with byte-order mark
inline constexpr int kEncUtf32LE = 7;
inline constexpr int kEncUtf32BE = 8;
inline constexpr int kEncUtf7 = 9;

// Flags: each set bit switches one test off.
inline constexpr uint8_t kNoShiftJis = 0x01;
inline constexpr uint8_t kNoEucJp = 0x02;
inline constexpr uint8_t kNoUtf8 = 0x04;
inline constexpr uint8_t kNoIso2022Jp = 0x08;
inline constexpr uint8_t kNoBom = 0x10;
inline constexpr uint8_t kNoUtf7 = 0x20;

// Detects the encoding of the first n bytes of `stream`, n being `maxBytes` when it lies
// between 1 and the stream's size, else the whole stream. An empty stream gives -1.
int DetectStreamEncoding(std::string_view stream, int maxBytes, uint8_t flags);

// Detects the encoding of `bytes`: a byte-order mark, then the ISO-2022-JP escapes, then
// the best of the four scores (-1 when there is no single valid best).
int DetectEncoding(std::string_view bytes, uint8_t flags);

// The code of the byte-order mark at the start of `bytes` (3, 4, 6, 7 or 8), or -1.
int CheckBOM(std::string_view bytes, uint8_t flags);

// Whether `bytes` hold an ISO-2022-JP escape sequence before any byte above 7F.
bool IsJIS(std::string_view bytes, uint8_t flags);

// The scorers: whether `bytes` are valid in their encoding. Each adds to `score` the
// number of bytes of the multi-byte characters (UTF-7: 2 per byte in base64) it passed,
// also when it stops early on an invalid byte.
bool ScoreSJIS(std::string_view bytes, uint8_t flags, int& score);
bool ScoreEUC(std::string_view bytes, uint8_t flags, int& score);
bool ScoreUTF8(std::string_view bytes, uint8_t flags, int& score);
bool ScoreUTF7(std::string_view bytes, uint8_t flags, int& score);

}  // namespace velmora
