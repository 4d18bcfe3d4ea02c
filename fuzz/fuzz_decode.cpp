// Arbitrary bytes through detection, every decoder and the page decoding with its head
// charset: none may crash, read out of bounds or leave a line break inside a line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "pipeline/PageDecode.h"
#include "ruby/EncodeDetect.h"

using namespace velmora;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const uint8_t flags = size > 0 ? data[0] : 0;

    const int code = DetectEncoding(bytes, flags);
    if (code < -1 || code > 9) std::abort();
    if (DetectStreamEncoding(bytes, 1024, 0) != DetectEncoding(bytes.substr(0, 1024), 0))
        std::abort();

    for (Decoder d : {Decoder::Ansi, Decoder::EucJp, Decoder::Iso2022Jp, Decoder::Utf7,
                      Decoder::Utf8, Decoder::Utf16LE, Decoder::Utf16BE}) {
        (void)DecodeBytes(bytes, d);
    }

    DecodedPage page = DecodePage(bytes);
    // The page decoding sniffs only as much text as it needs; it must choose as if it had
    // read the whole page as Shift_JIS.
    Decoder expected;
    const int bom = CheckBOM(bytes, 0);
    if (bom == kEncUtf8Bom || bom == kEncUtf16LE || bom == kEncUtf16BE) {
        expected = DecoderForCode(bom);
    } else if (auto named = SniffDeclarationText(DecodeBytes(bytes, Decoder::Ansi))) {
        expected = *named;
    } else {
        int detected = DetectStreamEncoding(bytes, 1024, 0);
        if (detected == kEncUnknown && size > 1024) detected = DetectEncoding(bytes, 0);
        expected = DecoderForCode(detected);
    }
    if (page.decoder != expected) std::abort();
    for (const auto& line : page.lines) {
        if (line.find_first_of(u"\r\n") != std::u16string::npos) std::abort();
    }
    if (SniffDeclaration(page.lines) != SniffDeclarationText(DecodeBytes(bytes, page.decoder)))
        std::abort();
    // Lines decoded one by one must equal the lines of the decoded whole.
    if (page.lines != SplitLines(DecodeBytes(bytes, page.decoder))) std::abort();
    ReplaceHeadCharset(page.lines);
    return 0;
}
