#include "pipeline/PageDecode.h"

#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#endif

#include <cctype>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "base/Text.h"

namespace velmora {
namespace {

using namespace std::string_literals;
using Lines = std::vector<std::u16string>;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << path;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string FixturePath(const std::string& name) {
    return std::string(VELMORA_SOURCE_DIR) + "/tests/fixtures/enc/" + name;
}

std::string SharedPath(const std::string& name) {
    return std::string(VELMORA_SHARED_DIR) + "/pages/" + name;
}

Lines U8Lines(std::initializer_list<const char*> lines) {
    Lines out;
    for (const char* l : lines)
        out.push_back(FromUtf8(l));
    return out;
}

const char* DecoderName(Decoder d) {
    switch (d) {
        case Decoder::Ansi:
            return "Ansi";
        case Decoder::EucJp:
            return "EucJp";
        case Decoder::Iso2022Jp:
            return "Iso2022Jp";
        case Decoder::Utf7:
            return "Utf7";
        case Decoder::Utf8:
            return "Utf8";
        case Decoder::Utf16LE:
            return "Utf16LE";
        case Decoder::Utf16BE:
            return "Utf16BE";
    }
    return "?";
}

}  // namespace

void PrintTo(Decoder d, std::ostream* os) {
    *os << DecoderName(d);
}

namespace {

// --- Decoders ---------------------------------------------------------------------------

struct DecodeCase {
    const char* name;
    Decoder decoder;
    std::string bytes;
    std::string expectedUtf8;
};

void PrintTo(const DecodeCase& c, std::ostream* os) {
    *os << c.name;
}

class DecodeBytesTest : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(DecodeBytesTest, Decodes) {
    const DecodeCase& c = GetParam();
#ifdef _WIN32
    // Code page 20932 of Wine has no JIS X 0212 table; Windows has one.
    wchar_t w[2];
    if (std::string_view(c.name) == "EucJisX0212" &&
        MultiByteToWideChar(20932, MB_ERR_INVALID_CHARS, "\x8F\xB0\xA1", 3, w, 2) != 1) {
        GTEST_SKIP() << "the system's code page 20932 has no JIS X 0212 characters";
    }
#endif
    EXPECT_EQ(ToUtf8(DecodeBytes(c.bytes, c.decoder)), c.expectedUtf8);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DecodeBytesTest,
    ::testing::Values(
        DecodeCase{"AnsiKanji", Decoder::Ansi, "\x8a\xbf\x8e\x9a", "漢字"},
        // Code page 932 mappings, not those of plain Shift_JIS.
        DecodeCase{"AnsiCp932Symbols", Decoder::Ansi, "\x81\x60\x81\x61\x81\x7c\x81\x5f",
                   "～∥－＼"},
        DecodeCase{"AnsiNecAndIbmRows", Decoder::Ansi, "\x87\x40\x87\x82\xed\x40\xfa\x40", "①№纊ⅰ"},
        DecodeCase{"AnsiAsciiStaysAscii", Decoder::Ansi, "\\~", "\\~"},
        DecodeCase{"AnsiHalfWidthKatakana", Decoder::Ansi, "\xb1\xdf", "ｱﾟ"},
        DecodeCase{"AnsiInvalidSingleBytes", Decoder::Ansi,
                   "a\x80"
                   "b\xa0"
                   "c\xfd",
                   "a\uFFFDb\uFFFDc\uFFFD"},
        DecodeCase{"AnsiBadTrailKeepsAscii", Decoder::Ansi, "\x81<p>", "\uFFFD<p>"},
        DecodeCase{"AnsiLeadCutAtEnd", Decoder::Ansi, "a\x82", "a\uFFFD"},
        DecodeCase{"AnsiNulKept", Decoder::Ansi, "a\0b"s, "a\0b"s},
        DecodeCase{"EucKanji", Decoder::EucJp, "\xb4\xc1\xbb\xfa", "漢字"},
        DecodeCase{"EucSymbolsAsCp932", Decoder::EucJp, "\xa1\xc1\xa1\xc2\xa1\xdd", "～∥－"},
        DecodeCase{"EucHalfWidthKatakana", Decoder::EucJp, "\x8e\xb1\x8e\xdf", "ｱﾟ"},
        DecodeCase{"EucJisX0212", Decoder::EucJp, "\x8f\xb0\xa1", "丂"},
        DecodeCase{"EucInvalid", Decoder::EucJp,
                   "a\xff"
                   "b\x8e\x41",
                   "a\uFFFDb\uFFFDA"},
        DecodeCase{"JisKanji", Decoder::Iso2022Jp, "a\x1b$B4A;z\x1b(Bb", "a漢字b"},
        DecodeCase{"JisOld1978", Decoder::Iso2022Jp, "\x1b$@4A;z\x1b(B", "漢字"},
        DecodeCase{"JisKatakanaEscape", Decoder::Iso2022Jp, "\x1b(I1_\x1b(Ba", "ｱﾟa"},
        DecodeCase{"JisKatakanaShiftOut", Decoder::Iso2022Jp,
                   "a\x0e"
                   "1_\x0f"
                   "b",
                   "aｱﾟb"},
        // JIS-Roman is read as ASCII, so paths keep their backslash and tilde.
        DecodeCase{"JisRomanAsAscii", Decoder::Iso2022Jp, "\x1b(J/~user\\x\x1b(B", "/~user\\x"},
        DecodeCase{"Utf7Kanji", Decoder::Utf7, "a+byJbVw-b", "a漢字b"},
        DecodeCase{"Utf7MarkSkipped", Decoder::Utf7, "+/v8-a", "a"},
        DecodeCase{"Utf7PlusMinus", Decoder::Utf7, "1 +- 1", "1 + 1"},
        DecodeCase{"Utf8MarkSkipped", Decoder::Utf8, "\xef\xbb\xbf\xe6\xbc\xa2", "漢"},
        DecodeCase{"Utf8OnlyOneMarkSkipped", Decoder::Utf8,
                   "\xef\xbb\xbf\xef\xbb\xbf"
                   "a",
                   "\uFEFFa"},
        DecodeCase{"Utf8Invalid", Decoder::Utf8,
                   "a\xff"
                   "b\xe6\xbc",
                   "a\uFFFDb\uFFFD\uFFFD"},
        DecodeCase{"Utf16LEMarkSkipped", Decoder::Utf16LE,
                   "\xff\xfe\x22\x6f"
                   "a\0"s,
                   "漢a"},
        DecodeCase{"Utf16LEWithoutMark", Decoder::Utf16LE, "a\0b\0"s, "ab"},
        DecodeCase{"Utf16LESurrogatePair", Decoder::Utf16LE, "\x3d\xd8\x00\xde"s, "😀"},
        DecodeCase{"Utf16LEOddByte", Decoder::Utf16LE, "a\0b"s, "a\uFFFD"},
        DecodeCase{"Utf16BEMarkSkipped", Decoder::Utf16BE, "\xfe\xff\x6f\x22\0a"s, "漢a"},
        DecodeCase{"Utf16BEOtherMarkKept", Decoder::Utf16BE, "\xff\xfe", "\uFFFE"},
        // Bad and unmapped bytes, one U+FFFD each as the converters of both systems
        // are made to give: the byte after a broken character is read again.
        DecodeCase{"AnsiUnassignedPairIsOne", Decoder::Ansi,
                   "\x85\x40"
                   "A",
                   "\uFFFDA"},
        DecodeCase{"AnsiBadTrailByteAlsoBad", Decoder::Ansi, "\x81\xfd", "\uFFFD\uFFFD"},
        DecodeCase{"EucUnassignedRow", Decoder::EucJp,
                   "\xa9\xa1"
                   "A\xf5\xa1",
                   "\uFFFDA\uFFFD"},
        DecodeCase{"EucNecAndIbmRowsAsCp932", Decoder::EucJp, "\xad\xa1\xf9\xa1\xfc\xfe", "①纊＂"},
        DecodeCase{"EucControlsAndBadLeads", Decoder::EucJp, "\x8d\xa0\xa1\x41",
                   "\u008D\uFFFD\uFFFDA"},
        DecodeCase{"JisBrokenPairs", Decoder::Iso2022Jp, "\x1b$B0!\x7f!\x1b(B", "亜\uFFFD\uFFFD"},
        DecodeCase{"JisPairWithBadSecondByte", Decoder::Iso2022Jp, "\x1b$B!!!\x7f\x1b(B",
                   "\u3000\uFFFD"},
        DecodeCase{"JisCutBeforeEscape", Decoder::Iso2022Jp, "\x1b$B0\x1b(BA", "\uFFFDA"},
        DecodeCase{"JisUnknownEscape", Decoder::Iso2022Jp, "\x1bxA", "\uFFFDxA"},
        DecodeCase{"JisLineEndBackToAscii", Decoder::Iso2022Jp, "\x1b$B0!\n0!\x1b(I1\n1",
                   "亜\n0!ｱ\n1"},
        DecodeCase{"JisEightBitByte", Decoder::Iso2022Jp,
                   "a\x80"
                   "b",
                   "a\uFFFDb"},
        DecodeCase{"EmptyAnsi", Decoder::Ansi, "", ""},
        DecodeCase{"EmptyJis", Decoder::Iso2022Jp, "", ""}),
    [](const ::testing::TestParamInfo<DecodeCase>& p) { return std::string(p.param.name); });

// The decoders checked against references the operating system and the packages provide.
TEST(DecodeBytesReferenceTest, AnsiMatchesSystemIconvCp932) {
    const std::string path = SharedPath("texts/yatex__qanda");
    const std::string bytes = ReadFile(path);
    ASSERT_FALSE(bytes.empty());
    std::FILE* pipe = popen(("iconv -f CP932 -t UTF-8 '" + path + "' 2>/dev/null").c_str(), "r");
    if (!pipe) GTEST_SKIP() << "iconv is not available";
    std::string reference;
    char buf[65536];
    for (size_t got; (got = std::fread(buf, 1, sizeof buf, pipe)) > 0;)
        reference.append(buf, got);
    if (pclose(pipe) != 0 || reference.empty()) GTEST_SKIP() << "iconv has no CP932";
    EXPECT_EQ(ToUtf8(DecodeBytes(bytes, Decoder::Ansi)), reference);
}

TEST(DecodeBytesReferenceTest, EucJpMatchesTheUtf8EditionOfTheSameText) {
    const std::string euc = ReadFile(SharedPath("texts/vim-runtime__tutor.ja.euc"));
    const std::string utf8 = ReadFile(SharedPath("texts/vim-runtime__tutor.ja.utf-8"));
    ASSERT_FALSE(euc.empty());
    EXPECT_EQ(ToUtf8(DecodeBytes(euc, Decoder::EucJp)), utf8);
}

TEST(DecodeBytesTest, DecodesTheSameOnManyThreads) {
    // Converters are cached per thread; every thread must get its own.
    const std::string bytes = ReadFile(SharedPath("texts/yatex__qanda"));
    const std::u16string expected = DecodeBytes(bytes, Decoder::Ansi);
    std::vector<std::u16string> results(4);
    std::vector<std::thread> threads;
    for (auto& r : results) {
        threads.emplace_back([&r, &bytes] {
            for (int i = 0; i < 5; ++i)
                r = DecodeBytes(bytes, Decoder::Ansi);
        });
    }
    for (auto& t : threads)
        t.join();
    for (const auto& r : results)
        EXPECT_TRUE(r == expected);
}

// --- Lines ------------------------------------------------------------------------------

struct SplitCase {
    const char* name;
    std::u16string text;
    Lines lines;
};

void PrintTo(const SplitCase& c, std::ostream* os) {
    *os << c.name;
}

class SplitLinesTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitLinesTest, Splits) {
    EXPECT_EQ(SplitLines(GetParam().text), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitLinesTest,
    ::testing::Values(SplitCase{"Empty", u"", {}}, SplitCase{"OneLineNoBreak", u"a", {u"a"}},
                      SplitCase{"TrailingCrLf", u"a\r\n", {u"a"}},
                      SplitCase{"TwoLines", u"a\r\nb", {u"a", u"b"}},
                      SplitCase{"OnlyCrLf", u"\r\n", {u""}},
                      SplitCase{"TrailingEmptyLine", u"a\n\n", {u"a", u""}},
                      SplitCase{"MixedBreaks", u"a\rb\nc\r\nd", {u"a", u"b", u"c", u"d"}},
                      SplitCase{"LfCrIsTwoBreaks", u"a\n\rb", {u"a", u"", u"b"}},
                      SplitCase{"CrCrLf", u"a\r\r\nb", {u"a", u"", u"b"}},
                      SplitCase{"NulIsText", u"a\0b\nc"s, {u"a\0b"s, u"c"}}),
    [](const ::testing::TestParamInfo<SplitCase>& p) { return std::string(p.param.name); });

// --- Choosing the decoder ---------------------------------------------------------------

TEST(ProvisionalDecoderTest, ByMarkElseAnsi) {
    EXPECT_EQ(ProvisionalDecoder("\xef\xbb\xbf<html>"), Decoder::Utf8);
    EXPECT_EQ(ProvisionalDecoder("\xff\xfe<\0"s), Decoder::Utf16LE);
    EXPECT_EQ(ProvisionalDecoder("\xfe\xff\0<"s), Decoder::Utf16BE);
    EXPECT_EQ(ProvisionalDecoder("<html>"), Decoder::Ansi);
    EXPECT_EQ(ProvisionalDecoder(""), Decoder::Ansi);
    EXPECT_EQ(ProvisionalDecoder("\xef\xbb"), Decoder::Ansi);
}

struct SniffCase {
    const char* name;
    Lines lines;
    std::optional<Decoder> expected;
};

void PrintTo(const SniffCase& c, std::ostream* os) {
    *os << c.name;
}

class SniffDeclarationTest : public ::testing::TestWithParam<SniffCase> {};

TEST_P(SniffDeclarationTest, NamesDecoder) {
    const SniffCase& c = GetParam();
    EXPECT_EQ(SniffDeclaration(c.lines), c.expected);
    // The sniff of the unsplit text agrees, whatever the line breaks.
    for (std::u16string_view br : {u"\r\n", u"\n", u"\r"}) {
        std::u16string text;
        for (const auto& l : c.lines)
            text.append(l).append(br);
        EXPECT_EQ(SniffDeclarationText(text), c.expected) << "joined";
        if (!text.empty()) text.resize(text.size() - br.size());
        EXPECT_EQ(SniffDeclarationText(text), c.expected) << "without last break";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SniffDeclarationTest,
    ::testing::Values(
        SniffCase{"NoLines", {}, std::nullopt},
        SniffCase{"NoDeclaration", {u"<html>", u"<p>Hello</p>"}, std::nullopt},
        SniffCase{"MetaCharsetUtf8", {u"<meta charset=\"utf-8\">"}, Decoder::Utf8},
        SniffCase{"SingleQuotesUpperCase", {u"<META CHARSET='UTF-8'>"}, Decoder::Utf8},
        SniffCase{"ContentTypeEucJp",
                  {u"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=EUC-JP\">"},
                  Decoder::EucJp},
        SniffCase{"ShiftJisUnquoted", {u"<meta charset=Shift_JIS>"}, Decoder::Ansi},
        SniffCase{"ShiftJisQuoted", {u"<meta charset=\"shift_jis\">"}, Decoder::Ansi},
        SniffCase{"Windows31jGoesToDetection", {u"<meta charset=\"windows-31j\">"}, std::nullopt},
        SniffCase{"XSjisGoesToDetection", {u"charset=x-sjis"}, std::nullopt},
        SniffCase{"Iso2022JpGoesToDetection", {u"charset=iso-2022-jp"}, std::nullopt},
        // Only the first characters of the value are compared.
        SniffCase{"LongerNameWithSamePrefix", {u"charset=shift_jisx0213"}, Decoder::Ansi},
        SniffCase{"SpaceBeforeValue", {u"charset= utf-8"}, std::nullopt},
        SniffCase{
            "XmlDeclaration", {u"<?xml version=\"1.0\" encoding=\"EUC-JP\"?>"}, Decoder::EucJp},
        SniffCase{"XmlDeclarationApostrophes",
                  {u"<?xml version='1.0' encoding='Shift_JIS'?>"},
                  Decoder::Ansi},
        SniffCase{"XmlEncodingNeedsQuote", {u"encoding=utf-8"}, std::nullopt},
        SniffCase{"CharsetWinsOverXmlDeclaration",
                  {u"<?xml version=\"1.0\" encoding=\"EUC-JP\"?>", u"<p>charset=unknown</p>"},
                  std::nullopt},
        SniffCase{"CharsetOnLaterLineWins",
                  {u"<?xml version=\"1.0\" encoding=\"EUC-JP\"?>", u"<meta charset=\"utf-8\">"},
                  Decoder::Utf8},
        SniffCase{"FirstCharsetDecides", {u"charset=iso-8859-1", u"charset=utf-8"}, std::nullopt},
        SniffCase{"ValueOnNextLine", {u"<meta charset=", u"utf-8>"}, std::nullopt},
        SniffCase{"ValueCutByLineEnd", {u"charset=\"utf-"}, std::nullopt},
        SniffCase{"ValueAtLineEnd", {u"charset=\"utf-8"}, Decoder::Utf8},
        SniffCase{"DeclarationInsideText", {u"<p>Use charset=euc-jp here</p>"}, Decoder::EucJp}),
    [](const ::testing::TestParamInfo<SniffCase>& p) { return std::string(p.param.name); });

TEST(DecoderForCodeTest, MapsEveryCode) {
    const std::pair<int, Decoder> table[] = {
        {-1, Decoder::Ansi},   {0, Decoder::Ansi},    {1, Decoder::EucJp}, {2, Decoder::Iso2022Jp},
        {3, Decoder::Utf16LE}, {4, Decoder::Utf16BE}, {5, Decoder::Utf8},  {6, Decoder::Utf8},
        {7, Decoder::Ansi},    {8, Decoder::Ansi},    {9, Decoder::Utf7},  {42, Decoder::Ansi},
    };
    for (const auto& [code, decoder] : table)
        EXPECT_EQ(DecoderForCode(code), decoder) << code;
}

// --- Whole pages ------------------------------------------------------------------------

struct FixtureCase {
    const char* file;
    Decoder decoder;
};

void PrintTo(const FixtureCase& c, std::ostream* os) {
    *os << c.file;
}

class FixturePageTest : public ::testing::TestWithParam<FixtureCase> {};

// Every fixture page ends with the lines of expected_body.txt; its head differs.
TEST_P(FixturePageTest, DecodesToTheCommonBody) {
    const FixtureCase& c = GetParam();
    const std::string bytes = ReadFile(FixturePath(c.file));
    ASSERT_FALSE(bytes.empty());
    const Lines expected = SplitLines(FromUtf8(ReadFile(FixturePath("expected_body.txt"))));
    ASSERT_GT(expected.size(), 10u);

    const DecodedPage page = DecodePage(bytes);
    EXPECT_EQ(page.decoder, c.decoder);
    ASSERT_GE(page.lines.size(), expected.size());
    const Lines tail(page.lines.end() - static_cast<std::ptrdiff_t>(expected.size()),
                     page.lines.end());
    EXPECT_EQ(tail, expected);
    EXPECT_EQ(page.lines.front(), u"<html>") << "no byte-order mark in the first line";
    for (const auto& line : page.lines) {
        EXPECT_EQ(line.find(u'\uFFFD'), std::u16string::npos) << ToUtf8(line);
        EXPECT_EQ(line.find_first_of(u"\r\n"), std::u16string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FixturePageTest,
                         ::testing::Values(FixtureCase{"sjis_declared.html", Decoder::Ansi},
                                           FixtureCase{"sjis_undeclared.html", Decoder::Ansi},
                                           FixtureCase{"sjis_windows31j.html", Decoder::Ansi},
                                           FixtureCase{"sjis_ascii_head.html", Decoder::Ansi},
                                           FixtureCase{"eucjp_declared.html", Decoder::EucJp},
                                           FixtureCase{"eucjp_undeclared.html", Decoder::EucJp},
                                           FixtureCase{"iso2022jp_esc_i.html", Decoder::Iso2022Jp},
                                           FixtureCase{"iso2022jp_so_si.html", Decoder::Iso2022Jp},
                                           FixtureCase{"utf8_bom.html", Decoder::Utf8},
                                           FixtureCase{"utf8_nobom_cr.html", Decoder::Utf8},
                                           FixtureCase{"utf8_single_quotes.html", Decoder::Utf8},
                                           FixtureCase{"utf8_bom_declares_sjis.html",
                                                       Decoder::Utf8},
                                           FixtureCase{"utf16le_bom.html", Decoder::Utf16LE},
                                           FixtureCase{"utf16be_bom.html", Decoder::Utf16BE},
                                           FixtureCase{"utf7.html", Decoder::Utf7}),
                         [](const ::testing::TestParamInfo<FixtureCase>& p) {
                             std::string name = p.param.file;
                             for (char& ch : name) {
                                 if (ch == '.') ch = '_';
                             }
                             return name;
                         });

struct PageCase {
    const char* name;
    std::string bytes;
    Decoder decoder;
    Lines lines;
};

void PrintTo(const PageCase& c, std::ostream* os) {
    *os << c.name;
}

class DecodePageTest : public ::testing::TestWithParam<PageCase> {};

TEST_P(DecodePageTest, ChoosesAndDecodes) {
    const PageCase& c = GetParam();
    const DecodedPage page = DecodePage(c.bytes);
    EXPECT_EQ(page.decoder, c.decoder);
    EXPECT_EQ(page.lines, c.lines);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DecodePageTest,
    ::testing::Values(
        PageCase{"EmptyHasNoLines", "", Decoder::Ansi, {}},
        PageCase{"OnlyLineBreak", "\r\n", Decoder::Ansi, {u""}},
        // EUC-JP bytes, but the page says shift_jis: no detection.
        PageCase{"DeclaredShiftJisWins", "<meta charset=\"shift_jis\">\n\xb4\xc1\xbb\xfa",
                 Decoder::Ansi, U8Lines({"<meta charset=\"shift_jis\">", "ｴﾁｻ\uFFFD"})},
        // The first "charset=" bytes are the trail byte and ASCII after a Shift_JIS lead
        // byte, so the text holds no declaration there: the later one counts.
        PageCase{"DeclarationBytesInsideDoubleByte",
                 "\x82"
                 "charset=utf-8\n<meta charset=euc-jp>\n\xb4\xc1",
                 Decoder::EucJp, U8Lines({"\u0082charset=utf-8", "<meta charset=euc-jp>", "漢"})},
        PageCase{"Windows31jIsDetected", "<meta charset=\"windows-31j\">\n\x8a\xbf\x8e\x9a",
                 Decoder::Ansi, U8Lines({"<meta charset=\"windows-31j\">", "漢字"})},
        PageCase{"EucDetectedAfterOtherCharset", "<meta charset=\"x-euc\">\n\xb4\xc1\xbb\xfa",
                 Decoder::EucJp, U8Lines({"<meta charset=\"x-euc\">", "漢字"})},
        PageCase{"FinalLinesKeepCaseAndQuotes", "<META Charset='UTF-8'>\r\n\xe6\xbc\xa2",
                 Decoder::Utf8, U8Lines({"<META Charset='UTF-8'>", "漢"})},
        PageCase{"Utf8MarkWithoutDeclaration", "\xef\xbb\xbf<p>\xe6\xbc\xa2</p>", Decoder::Utf8,
                 U8Lines({"<p>漢</p>"})},
        // A byte-order mark outranks a declaration naming another charset.
        PageCase{"Utf16MarkOutranksDeclaration",
                 "\xff\xfe<\0m\0 \0c\0h\0a\0r\0s\0e\0t\0=\0u\0t\0f\0-\0\x38\0>\0"s,
                 Decoder::Utf16LE,
                 {u"<m charset=utf-8>"}},
        PageCase{"Utf32MarkFallsBackToAnsi",
                 "\xff\xfe\0\0a\0\0\0"s,
                 Decoder::Ansi,
                 {u"\uFFFD\uFFFD"s + u"\0\0a\0\0\0"s}},
        PageCase{"InvalidUtf8BecomesReplacement", "<meta charset=utf-8>\n\xe6\xbc\xff",
                 Decoder::Utf8, U8Lines({"<meta charset=utf-8>", "\uFFFD\uFFFD\uFFFD"})},
        // The first kilobyte is ASCII: the whole page is scored instead.
        PageCase{"Utf8AfterAsciiKilobyte",
                 std::string(1100, ' ') + "\xe6\xbc\xa2",
                 Decoder::Utf8,
                 {std::u16string(1100, u' ') + u"漢"}},
        PageCase{"EucAfterAsciiKilobyte",
                 std::string(1100, ' ') + "\xb4\xc1",
                 Decoder::EucJp,
                 {std::u16string(1100, u' ') + u"漢"}},
        PageCase{"ShiftJisAfterAsciiKilobyte",
                 std::string(1100, ' ') + "\x8a\xbf",
                 Decoder::Ansi,
                 {std::u16string(1100, u' ') + u"漢"}},
        PageCase{"Iso2022JpDetected", "<p>\x1b$B4A;z\x1b(B</p>", Decoder::Iso2022Jp,
                 U8Lines({"<p>漢字</p>"})}),
    [](const ::testing::TestParamInfo<PageCase>& p) { return std::string(p.param.name); });

// Real pages from the packages: the decoder the page's true encoding needs, and no
// character lost to a substitute.
struct RealPageCase {
    const char* file;
    Decoder decoder;
};

void PrintTo(const RealPageCase& c, std::ostream* os) {
    *os << c.file;
}

class RealPageTest : public ::testing::TestWithParam<RealPageCase> {};

TEST_P(RealPageTest, DecodesCleanly) {
    const std::string bytes = ReadFile(SharedPath(GetParam().file));
    ASSERT_FALSE(bytes.empty());
    const DecodedPage page = DecodePage(bytes);
    EXPECT_EQ(page.decoder, GetParam().decoder);
    ASSERT_FALSE(page.lines.empty());
    EXPECT_NE(page.lines.front().substr(0, 1), u"\uFEFF");
    size_t bad = 0;
    for (const auto& line : page.lines)
        bad += line.find(u'\uFFFD') != std::u16string::npos;
    EXPECT_EQ(bad, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, RealPageTest,
    ::testing::Values(RealPageCase{"pages/mcpp-doc__mcpp-manual-jp.html", Decoder::EucJp},
                      RealPageCase{"pages/namazu2-common__manual.html", Decoder::EucJp},
                      RealPageCase{"pages/liblogback-java-doc__encoders_ja.html", Decoder::Utf8},
                      RealPageCase{"pages/lv__relnote.html", Decoder::Utf8},
                      RealPageCase{"pages/libonig-dev__index_ja.html", Decoder::Utf8},
                      RealPageCase{"pages/e2guardian__template.html", Decoder::Utf8},
                      RealPageCase{"pages/debian-reference-ja__ch09.ja.html", Decoder::Utf8},
                      RealPageCase{"pages/golang-golang-x-net-dev__UTF-16BE-BOM.html",
                                   Decoder::Utf16BE},
                      RealPageCase{"pages/golang-golang-x-net-dev__UTF-8-BOM-vs-meta-charset.html",
                                   Decoder::Utf8}),
    [](const ::testing::TestParamInfo<RealPageCase>& p) {
        std::string name = p.param.file;
        name = name.substr(name.find("__") + 2);
        for (char& ch : name) {
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        }
        return name;
    });

TEST(DecodePageSpeedTest, MegabytePageTakesMilliseconds) {
    // About 1.1 MB of real EUC-JP text with its declaration on top.
    const std::string page = ReadFile(SharedPath("pages/mcpp-doc__mcpp-manual-jp.html"));
    std::string big = page;
    for (int i = 0; i < 2; ++i)
        big += page;
    const auto start = std::chrono::steady_clock::now();
    const DecodedPage decoded = DecodePage(big);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(decoded.decoder, Decoder::EucJp);
    EXPECT_EQ(decoded.lines.size(), 3 * SplitLines(DecodeBytes(page, Decoder::EucJp)).size() - 2 +
                                        (page.back() == '\n' ? 2 : 0));
    // Generous enough for sanitizer builds; a quadratic pass would take seconds.
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), 500);
}

// --- Head charset -----------------------------------------------------------------------

struct HeadCase {
    const char* name;
    Lines before;
    Lines after;
};

void PrintTo(const HeadCase& c, std::ostream* os) {
    *os << c.name;
}

class ReplaceHeadCharsetTest : public ::testing::TestWithParam<HeadCase> {};

TEST_P(ReplaceHeadCharsetTest, Replaces) {
    Lines lines = GetParam().before;
    ReplaceHeadCharset(lines);
    EXPECT_EQ(lines, GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplaceHeadCharsetTest,
    ::testing::Values(
        HeadCase{"ContentType",
                 {u"<html>", u"<meta content=\"text/html; charset=Shift_JIS\">"},
                 {u"<html>", u"<meta content=\"text/html; charset=utf-8\">"}},
        HeadCase{
            "MetaCharsetSameQuotes", {u"<meta charset=\"EUC-JP\">"}, {u"<meta charset=\"utf-8\">"}},
        HeadCase{"UpperCaseName", {u"<META CHARSET=\"EUC-JP\">"}, {u"<META CHARSET=\"utf-8\">"}},
        HeadCase{"Apostrophes", {u"<meta charset='EUC-JP'>"}, {u"<meta charset='utf-8'>"}},
        HeadCase{"ContentInApostrophes",
                 {u"<meta content='text/html; charset=EUC-JP'>"},
                 {u"<meta content='text/html; charset=utf-8'>"}},
        HeadCase{"XmlDeclaration",
                 {u"<?xml version=\"1.0\" encoding=\"EUC-JP\"?>", u"<meta charset=\"EUC-JP\">"},
                 {u"<?xml version=\"1.0\" encoding=\"utf-8\"?>", u"<meta charset=\"EUC-JP\">"}},
        HeadCase{"CharsetBeforeEncodingInOneLine",
                 {u"<?xml encoding=\"EUC-JP\"?><meta charset=\"Shift_JIS\">"},
                 {u"<?xml encoding=\"EUC-JP\"?><meta charset=\"utf-8\">"}},
        HeadCase{"OnlyFirstLine",
                 {u"<meta charset=\"EUC-JP\">", u"<meta content=\"text/html; charset=EUC-JP\">"},
                 {u"<meta charset=\"utf-8\">", u"<meta content=\"text/html; charset=EUC-JP\">"}},
        HeadCase{"EmptyValueStillStops",
                 {u"<meta charset=\"\">", u"<meta charset=\"EUC-JP\">"},
                 {u"<meta charset=\"\">", u"<meta charset=\"EUC-JP\">"}},
        HeadCase{"SameLettersEarlierInLineKept",
                 {u"<title>EUC-JP</title><meta charset=\"EUC-JP\">"},
                 {u"<title>EUC-JP</title><meta charset=\"utf-8\">"}},
        HeadCase{"UnquotedValueKeepsFollowingMarkup",
                 {u"<meta charset=EUC-JP><link href=\"a.css\">"},
                 {u"<meta charset=utf-8><link href=\"a.css\">"}},
        HeadCase{"ParameterAfterValue",
                 {u"<meta content=\"text/html; charset=EUC-JP; x=y\">"},
                 {u"<meta content=\"text/html; charset=utf-8; x=y\">"}},
        HeadCase{"UnquotedSelfClosing", {u"<meta charset=EUC-JP />"}, {u"<meta charset=utf-8 />"}},
        HeadCase{"SpaceAfterEqualsNoValue",
                 {u"<meta charset= \"EUC-JP\">"},
                 {u"<meta charset= \"EUC-JP\">"}},
        HeadCase{"DeclarationAtLineEnd",
                 {u"content=\"text/html; charset="},
                 {u"content=\"text/html; charset="}},
        HeadCase{"NoDeclaration", {u"<html>", u"<p>x</p>"}, {u"<html>", u"<p>x</p>"}},
        HeadCase{"NoLines", {}, {}}),
    [](const ::testing::TestParamInfo<HeadCase>& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace velmora
