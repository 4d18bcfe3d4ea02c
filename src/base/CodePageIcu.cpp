// Code page conversion with ICU (Linux).
#include <unicode/stringoptions.h>
#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ucnv_err.h>
#include <unicode/ustring.h>

#include <array>
#include <cstddef>
#include <cstdint>

#include "base/CodePage.h"
#include "base/Text.h"

namespace velmora {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

// Bad bytes become U+FFFD in every code page. ICU's own substitution writes U+001A for an
// unassigned single byte, a control character that would end up in the written page.
void SubstituteReplacement(const void*, UConverterToUnicodeArgs* args, const char*, int32_t,
                           UConverterCallbackReason reason, UErrorCode* err) {
    if (reason != UCNV_UNASSIGNED && reason != UCNV_ILLEGAL && reason != UCNV_IRREGULAR) return;
    static const UChar kSub[] = {kReplacement};
    *err = U_ZERO_ERROR;
    ucnv_cbToUWriteUChars(args, kSub, 1, 0, err);
}

// ICU names of the code pages. Windows-31J is Shift_JIS with the NEC and IBM extensions
// as code page 932 maps them; euc-jp-2007 maps the JIS X 0208 symbols as code page 932
// does (U+FF5E, U+2225, U+FF0D ...) and knows the 3-byte JIS X 0212 set; version 3 of
// ICU's ISO-2022-JP reads half-width katakana both after ESC ( I and between SO and SI.
const char* IcuName(CodePage cp) {
    switch (cp) {
        case CodePage::Cp932:
            return "windows-31j";
        case CodePage::EucJp:
            return "euc-jp-2007";
        case CodePage::Iso2022Jp:
            return "ISO_2022,locale=ja,version=3";
        case CodePage::Utf7:
            return "UTF-7";
    }
    return "windows-31j";
}

// Converters are opened once per thread and reset before each use.
class ConverterCache {
public:
    ConverterCache() = default;
    ConverterCache(const ConverterCache&) = delete;
    ConverterCache& operator=(const ConverterCache&) = delete;
    ~ConverterCache() {
        for (UConverter* c : converters_) {
            if (c) ucnv_close(c);
        }
    }

    UConverter* Get(CodePage cp) {
        UConverter*& c = converters_[static_cast<size_t>(cp)];
        if (!c) {
            UErrorCode err = U_ZERO_ERROR;
            c = ucnv_open(IcuName(cp), &err);
            if (U_FAILURE(err)) {
                c = nullptr;
                return nullptr;
            }
            err = U_ZERO_ERROR;
            ucnv_setToUCallBack(c, SubstituteReplacement, nullptr, nullptr, nullptr, &err);
        }
        ucnv_reset(c);
        return c;
    }

private:
    std::array<UConverter*, 4> converters_{};
};

}  // namespace

std::u16string DecodeCodePage(std::string_view bytes, CodePage cp) {
    thread_local ConverterCache cache;
    UConverter* cnv = cache.Get(cp);
    if (!cnv || bytes.empty()) return {};
    // None of these code pages yields more UTF-16 units than it reads bytes; the loop
    // still grows the buffer should one ever do.
    std::u16string out(bytes.size() + 16, u'\0');
    const char* src = bytes.data();
    const char* const srcEnd = bytes.data() + bytes.size();
    size_t written = 0;
    for (;;) {
        UChar* target = out.data() + written;
        UChar* const targetEnd = out.data() + out.size();
        UErrorCode err = U_ZERO_ERROR;
        ucnv_toUnicode(cnv, &target, targetEnd, &src, srcEnd, nullptr, true, &err);
        written = static_cast<size_t>(target - out.data());
        if (err == U_BUFFER_OVERFLOW_ERROR) {
            out.resize(out.size() * 2);
            continue;
        }
        break;  // any other failure keeps what was decoded so far
    }
    out.resize(written);
    return out;
}

std::u16string FoldCase(std::u16string_view s) {
    if (s.empty()) return {};
    UErrorCode status = U_ZERO_ERROR;
    const auto len = static_cast<int32_t>(s.size());
    std::u16string out(s.size() + 8, u'\0');
    int32_t n = u_strFoldCase(out.data(), static_cast<int32_t>(out.size()), s.data(), len,
                              U_FOLD_CASE_DEFAULT, &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        out.assign(static_cast<size_t>(n), u'\0');
        status = U_ZERO_ERROR;
        n = u_strFoldCase(out.data(), n, s.data(), len, U_FOLD_CASE_DEFAULT, &status);
    }
    if (U_FAILURE(status)) return LowerAscii(s);
    out.resize(static_cast<size_t>(n));
    return out;
}

}  // namespace velmora
