// Turning a page's bytes into lines of text: the decoders, the charset declaration sniff,
// detection, and the head charset that the written UTF-8 page declares.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

enum class Decoder {
    Ansi,       // Shift_JIS as Windows-31J (code page 932)
    EucJp,      // EUC-JP (code page 20932)
    Iso2022Jp,  // ISO-2022-JP with half-width katakana (code page 50222)
    Utf7,
    Utf8,
    Utf16LE,
    Utf16BE,
};

// Decodes `bytes` whole. A byte-order mark of the decoder's own encoding at the start is
// skipped; bytes that are not valid in the encoding become U+FFFD. Never fails.
std::u16string DecodeBytes(std::string_view bytes, Decoder d);

// Splits text into lines at CR LF, CR or LF. A line break at the very end ends the last
// line and starts no new one: "" has no lines, "a\r\n" one, "\r\n" one empty line.
std::vector<std::u16string> SplitLines(std::u16string_view text);

// The decoder that reads a page before its declaration is known: its byte-order mark
// (UTF-8, UTF-16LE, UTF-16BE), else Shift_JIS.
Decoder ProvisionalDecoder(std::string_view bytes);

// The decoder a page's charset declaration names ("charset=" first, else "encoding=\""),
// or none when it declares nothing or a charset other than utf-8, euc-jp and shift_jis.
std::optional<Decoder> SniffDeclaration(const std::vector<std::u16string>& provisionalLines);
// The same on the provisional text before it is split into lines.
std::optional<Decoder> SniffDeclarationText(std::u16string_view provisionalText);

// The decoder for an encoding code of the detection.
Decoder DecoderForCode(int detectionCode);

// The decoder a charset label names, as browsers read the labels of the encodings the
// tool decodes ("utf-8", "UTF8", "Shift_JIS", "x-sjis", "windows-31j", "euc-jp",
// "iso-2022-jp", "utf-16le" ...); none for an empty or any other label.
std::optional<Decoder> DecoderForCharsetLabel(std::string_view label);

struct DecodedPage {
    std::vector<std::u16string> lines;
    Decoder decoder = Decoder::Ansi;
};

// Chooses the decoder for a page and decodes it into lines. A UTF-8 or UTF-16 byte-order
// mark decides first; then the charset of the HTTP answer's Content-Type (`headerCharset`,
// when it names an encoding the tool decodes); then the declaration the page names when
// read as Shift_JIS; then detection of the first 1024 bytes, or of the whole page when those
// decide nothing. Detection that recognises nothing, and UTF-32, fall back to Shift_JIS.
DecodedPage DecodePage(std::string_view bytes, std::string_view headerCharset = {});

// Makes the first charset declaration of the page name utf-8, the encoding the ruby page
// is written in. Only the first line holding "charset=" or "encoding=\"" is changed.
void ReplaceHeadCharset(std::vector<std::u16string>& lines);

}  // namespace velmora
