// The real pages through the whole request, in both reading styles: with the readings taken
// out again, the written page is the page as the request writes it without annotation, byte
// for byte (byte-order mark and CR LF line ends included), and the page's addresses,
// scripts and styles are untouched.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "TestFiles.h"
#include "base/Text.h"
#include "pipeline/Download.h"
#include "pipeline/LinkRewrite.h"
#include "pipeline/PageDecode.h"
#include "pipeline/RubiRequest.h"
#include "ruby/MecabReading.h"
#include "ruby/RubiEngine.h"

namespace fs = std::filesystem;

namespace velmora {
namespace {

std::vector<std::string> PageNames() {
    std::vector<std::string> names;
    const fs::path dir = fs::path(VELMORA_SHARED_DIR) / "pages" / "pages";
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::u16string FileUrl(const fs::path& p) {
    return FromUtf8(test::FileUrl(p));
}

bool IsLow(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Readings are hiragana, or the word itself where the reading service has none, or "?".
// Pages have brackets of their own after kanji too, so the comparison strips every
// bracketed text of this kind after a kanji on both sides.
bool IsReadingChar(char16_t c) {
    return c >= 0x80 || c == u'?';
}

// Whether the text finishes with a kanji.
bool EndsWithKanji(std::u16string_view s) {
    if (s.empty()) return false;
    if (IsLow(s.back()) && s.size() >= 2) return IsKanji(s[s.size() - 2], s.back());
    return IsKanji(s.back(), 0);
}

void StripOnce(std::u16string_view page, std::u16string& out);

// The page without readings: ruby markup around a kanji run, and a bracketed text without
// ASCII right after a kanji (also after a reading just taken out).
std::u16string WithoutReadings(std::u16string_view page, RubyStyle style) {
    std::u16string out;
    out.reserve(page.size());
    if (style == RubyStyle::RubyTags) {
        const std::u16string_view open = u"<ruby>", mid = u"<rp>(</rp><rt>",
                                  close = u"</rt><rp>)</rp></ruby>";
        size_t i = 0;
        for (size_t at; (at = page.find(open, i)) != std::u16string_view::npos;) {
            const size_t m = page.find(mid, at);
            const size_t c = m == page.npos ? m : page.find(close, m);
            if (c == page.npos) break;
            out.append(page.substr(i, at - i));
            out.append(page.substr(at + open.size(), m - at - open.size()));
            i = c + close.size();
        }
        out.append(page.substr(i));
        return WithoutReadings(out, RubyStyle::Parentheses);  // title and attributes
    }
    // Inner brackets first: a page's own bracketed text may hold readings.
    out.assign(page);
    std::u16string in;
    do {
        in.swap(out);
        out.clear();
        StripOnce(in, out);
    } while (out.size() != in.size());
    return out;
}

void StripOnce(std::u16string_view page, std::u16string& out) {
    for (size_t i = 0; i < page.size(); ++i) {
        if (page[i] == u'(' && EndsWithKanji(out)) {
            size_t close = i + 1;
            while (close < page.size() && IsReadingChar(page[close]))
                ++close;
            if (close > i + 1 && close < page.size() && page[close] == u')') {
                i = close;
                continue;
            }
        }
        out.push_back(page[i]);
    }
}

// What must never change: the contents of scripts and styles, and the values of the
// attributes that hold addresses or data, in page order.
std::vector<std::string> Protected(const std::string& page) {
    const std::string lower = [&] {
        std::string l = page;
        for (char& c : l)
            c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        return l;
    }();
    std::vector<std::string> parts;
    for (const char* tag : {"script", "style"}) {
        const std::string open = std::string("<") + tag, close = std::string("</") + tag;
        for (size_t at = 0; (at = lower.find(open, at)) != std::string::npos;) {
            const size_t end = lower.find(close, at + open.size());
            parts.push_back(page.substr(at, end == std::string::npos ? end : end - at));
            if (end == std::string::npos) break;
            at = end;
        }
    }
    for (const char* attr : {" href=", " src=", " srcset=", " action=", " content=", " value="}) {
        for (size_t at = 0; (at = lower.find(attr, at)) != std::string::npos;) {
            at += std::string_view(attr).size();
            const char q = page[at];
            const size_t end =
                (q == '"' || q == '\'') ? page.find(q, at + 1) : page.find_first_of(" >\r\n", at);
            parts.push_back(page.substr(at, end == std::string::npos ? end : end - at));
        }
    }
    return parts;
}

// Equality with the first difference shown in context, as the pages are large.
::testing::AssertionResult SameBytes(const std::string& got, const std::string& want) {
    if (got == want) return ::testing::AssertionSuccess();
    size_t at = 0;
    while (at < got.size() && at < want.size() && got[at] == want[at])
        ++at;
    const size_t from = at > 80 ? at - 80 : 0;
    return ::testing::AssertionFailure()
           << "first difference at byte " << at << "\n  got:  " << got.substr(from, 200)
           << "\n  want: " << want.substr(from, 200);
}

class RealPagesTest : public ::testing::TestWithParam<std::string> {};

TEST_P(RealPagesTest, OnlyReadingsAreAddedInBothStyles) {
    const fs::path page = fs::path(VELMORA_SHARED_DIR) / "pages" / "pages" / GetParam();
    const std::u16string url = FileUrl(page);

    // The page as the request writes it, without annotation.
    std::vector<std::u16string> lines = DecodePage(test::ReadAll(page)).lines;
    LinkOrigin origin;
    origin.pageUrl = url;
    RewriteLinks(lines, FileUrlToPath(url), origin, {});
    ReplaceHeadCharset(lines);
    const std::string baseline = EncodeRubiPage(lines);
    ASSERT_EQ(baseline.substr(0, 3), "\xEF\xBB\xBF");
    const std::u16string baselineText = FromUtf8(baseline.substr(3));
    const std::vector<std::string> protectedParts = Protected(baseline);

    const fs::path data =
        fs::temp_directory_path() /
        ("velmora-real-" + std::to_string(test::ThisProcess()) + "-" + GetParam());
    fs::create_directories(data);
    for (RubyStyle style : {RubyStyle::Parentheses, RubyStyle::RubyTags}) {
        SCOPED_TRACE(style == RubyStyle::RubyTags ? "ruby markup" : "brackets");
        int count = 0, level = 0;
        UserDictionary dic;
        Downloader downloader;
        RubiRequestEnv env;
        env.DataFolda = FromUtf8(data.string());
        env.RubiHTMLCount = &count;
        env.ExceptRubiLevel = &level;
        env.dic = &dic;
        env.style = style;
        env.reading = MecabReadingFactory();
        env.downloader = &downloader;
        RubiResult r = RunRubiRequest(url, env);
        ASSERT_EQ(r.outcome, RubiOutcome::Written) << ToUtf8(r.errorText);
        const std::string written = test::ReadAll(ToUtf8(r.pagePath));
        ASSERT_EQ(written.substr(0, 3), "\xEF\xBB\xBF");
        EXPECT_EQ(std::count(written.begin(), written.end(), '\n'),
                  std::count(baseline.begin(), baseline.end(), '\n'));
        const std::u16string text = FromUtf8(written.substr(3));
        EXPECT_TRUE(SameBytes("\xEF\xBB\xBF" + ToUtf8(WithoutReadings(text, style)),
                              "\xEF\xBB\xBF" + ToUtf8(WithoutReadings(baselineText, style))));
        const std::vector<std::string> parts = Protected(written);
        EXPECT_EQ(parts.size(), protectedParts.size());
        for (size_t i = 0; i < std::min(parts.size(), protectedParts.size()); ++i)
            EXPECT_TRUE(SameBytes(parts[i], protectedParts[i]));
        if (style == RubyStyle::RubyTags) {
            // The title cannot hold elements.
            const size_t t = written.find("<title>");
            if (t != std::string::npos) {
                EXPECT_EQ(written.substr(t, written.find("</title>", t) - t).find("<ruby>"),
                          std::string::npos);
            }
        }
    }
    fs::remove_all(data);
}

INSTANTIATE_TEST_SUITE_P(Pages, RealPagesTest, ::testing::ValuesIn(PageNames()),
                         [](const ::testing::TestParamInfo<std::string>& param) {
                             std::string name;
                             for (char c : param.param)
                                 name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });

}  // namespace
}  // namespace velmora
