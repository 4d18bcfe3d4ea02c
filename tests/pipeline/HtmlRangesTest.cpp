// Readings only where the reader sees text: each small page shows one way the page would
// break if every kanji run got a reading, and the exact output it gets instead.
#include "pipeline/HtmlRanges.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Text.h"
#include "pipeline/PageDecode.h"
#include "ruby/FakeReading.h"
#include "ruby/RubiEngine.h"

namespace velmora {
namespace {

struct Page {
    FakeReadingScript script;
    int level = 0;
    UserDictionary dic;
    JobHooks hooks;
    RubiEngine engine{FakeReadingFactory(script), level, dic, hooks};

    Page() {
        script.chars = {{u'漢', u"かん"}, {u'字', u"じ"},     {u'日', u"に"},
                        {u'本', u"ほん"}, {u'地', u"ち"},     {u'図', u"ず"},
                        {u'東', u"とう"}, {u'京', u"きょう"}, {u'游', u"ゆう"}};
    }
    // The page through the range finder and the engine, lines joined with "\n".
    std::string Annotate(std::string_view html, RubyStyle style = RubyStyle::Parentheses) {
        std::vector<std::u16string> lines = SplitLines(FromUtf8(html));
        EXPECT_TRUE(AnnotatePage(lines, FindAnnotateRanges(lines), engine,
                                 FakeReadingFactory(script), style, hooks));
        std::string out;
        for (size_t i = 0; i < lines.size(); ++i)
            out += (i ? "\n" : "") + ToUtf8(lines[i]);
        return out;
    }
};

struct Case {
    const char* fault;
    std::string_view page;
    std::string_view expected;  // bracket style
};

const Case kCases[] = {
    {"kanji in a link address", R"x(<a href="/wiki/日本">日本</a>)x",
     R"x(<a href="/wiki/日本">日本(にほん)</a>)x"},
    {"kanji in an image address, its alt text is read",
     R"x(<img src="地図.png" alt="地図" srcset="地図.png 2x">)x",
     R"x(<img src="地図.png" alt="地図(ちず)" srcset="地図.png 2x">)x"},
    {"form address and field values stay, the placeholder is read",
     "<form action=\"/漢字\"><input name=q value=\"漢字\" placeholder='漢字'></form>",
     "<form action=\"/漢字\"><input name=q value=\"漢字\" placeholder='漢字(かんじ)'></form>"},
    {"meta refresh address", R"x(<meta http-equiv="refresh" content="0; url=/日本/">東京)x",
     R"x(<meta http-equiv="refresh" content="0; url=/日本/">東京(とうきょう))x"},
    {"script string and regular expression across two lines",
     "<script>var s = \"漢字\";\nvar r = /日本/;</script>\n<p>漢字</p>",
     "<script>var s = \"漢字\";\nvar r = /日本/;</script>\n<p>漢字(かんじ)</p>"},
    {"style with a Japanese font name",
     "<style>\nbody { font-family: \"游ゴシック\", sans-serif; }\n</style>",
     "<style>\nbody { font-family: \"游ゴシック\", sans-serif; }\n</style>"},
    {"comment spanning lines", "<!-- 漢字\n日本 -->東京\n<p>地図</p>",
     "<!-- 漢字\n日本 -->東京(とうきょう)\n<p>地図(ちず)</p>"},
    {"textarea", "<textarea>漢字\n日本</textarea>", "<textarea>漢字\n日本</textarea>"},
    {"existing ruby without rb", "<ruby>漢字<rt>かんじ</rt></ruby>と日本",
     "<ruby>漢字<rt>かんじ</rt></ruby>と日本(にほん)"},
    {"existing ruby with rb and rp",
     "<ruby><rb>漢字</rb><rp>(</rp><rt>かんじ</rt><rp>)</rp></ruby>",
     "<ruby><rb>漢字</rb><rp>(</rp><rt>かんじ</rt><rp>)</rp></ruby>"},
    {"Chinese text marked on a parent",
     R"x(<div lang="zh-CN"><p>汉字 地图</p><img alt="地図"></div><p lang=ja>地図</p>)x",
     R"x(<div lang="zh-CN"><p>汉字 地图</p><img alt="地図"></div><p lang=ja>地図(ちず)</p>)x"},
    {"Japanese inside Chinese is read again",
     R"x(<html lang="zh-TW"><body><p>漢字<span lang="ja-JP">漢字</span></p>)x",
     R"x(<html lang="zh-TW"><body><p>漢字<span lang="ja-JP">漢字(かんじ)</span></p>)x"},
    {"Korean", R"x(<p lang="ko">漢字</p>)x", R"x(<p lang="ko">漢字</p>)x"},
    {"translate=no", R"x(<p translate="no" title="日本">漢字<b translate=yes>地図</b></p>)x",
     R"x(<p translate="no" title="日本">漢字<b translate=yes>地図(ちず)</b></p>)x"},
    {"title attributes are read, a style sheet's title is a name",
     R"x(<link rel="alternate stylesheet" title="日本" href="a.css"><abbr title=日本>JP</abbr>)x",
     R"x(<link rel="alternate stylesheet" title="日本" href="a.css"><abbr title=日本(にほん)>JP</abbr>)x"},
    {"a page with no HTML at all", "漢字\n\n東京の地図",
     "漢字(かんじ)\n\n東京(とうきょう)の地図(ちず)"},
    {"an unclosed script at the end", "<p>漢字</p>\n<script>var s = \"日本\";\nif (a < b) {",
     "<p>漢字(かんじ)</p>\n<script>var s = \"日本\";\nif (a < b) {"},
    {"unclosed tags and stray brackets", "<p>漢字 < 日本\n<div><span>東京</i>地図",
     "<p>漢字(かんじ) < 日本(にほん)\n<div><span>東京(とうきょう)</i>地図(ちず)"},
    {"a tag spanning lines", "<a\nhref=\"/日本\"\ntitle=\"地図\">東京</a>",
     "<a\nhref=\"/日本\"\ntitle=\"地図(ちず)\">東京(とうきょう)</a>"},
    {"title and character references", "<title>漢字 &amp; 日本</title><p>&lt;漢字&gt;&#26085;</p>",
     "<title>漢字(かんじ) &amp; 日本(にほん)</title><p>&lt;漢字(かんじ)&gt;&#26085;</p>"},
    {"noscript in the head and in the body, template",
     "<noscript>漢字</noscript><p>地図<noscript><p>東京</noscript><template><p>日本</p></template>",
     "<noscript>漢字</noscript><p>地図(ちず)<noscript><p>東京</noscript><template><p>日本</p></"
     "template>"},
};

TEST(HtmlRanges, EachFaultAndItsFix) {
    for (const Case& c : kCases) {
        Page page;
        EXPECT_EQ(page.Annotate(c.page), c.expected) << c.fault;
    }
}

TEST(HtmlRanges, RubyMarkupInTextBracketsWhereElementsCannotStand) {
    struct RubyCase {
        std::string_view page, expected;
    } cases[] = {
        {"<p>漢字を</p>", "<p><ruby>漢字<rp>(</rp><rt>かんじ</rt><rp>)</rp></ruby>を</p>"},
        {"<title>日本</title><img alt=\"地図\">",
         "<title>日本(にほん)</title><img alt=\"地図(ちず)\">"},
        {"<select><option>東京</option></select>",
         "<select><option>東京(とうきょう)</option></select>"},
        {"<svg><text>地図</text></svg>", "<svg><text>地図(ちず)</text></svg>"},
        // The counter keeps its reading after a digit, as in the bracket form.
        {"<p>1日</p>", "<p>1<ruby>日<rp>(</rp><rt>にち</rt><rp>)</rp></ruby></p>"},
    };
    for (const auto& c : cases) {
        Page page;
        EXPECT_EQ(page.Annotate(c.page, RubyStyle::RubyTags), c.expected) << c.page;
    }
}

TEST(HtmlRanges, DictionaryWordsOnlyInTheReadableText) {
    Page page;
    page.dic.DicWord = {u"日本", u"東京"};
    page.dic.DicRubi = {u"日<に>本<ほん>", u"東京"};
    page.dic.DicWordCount = 2;
    // Stars outside the text (a script's) stay; the text's own are removed by the marking.
    EXPECT_EQ(page.Annotate("<a href=\"/日本\">日本へ☆</a><script>s=\"☆日本\"</script>東京"),
              "<a href=\"/日本\">日(に)本(ほん)へ</a><script>s=\"☆日本\"</script>東京");
    EXPECT_EQ(page.Annotate("<p>日本の地図</p>", RubyStyle::RubyTags),
              "<p><ruby>日<rp>(</rp><rt>に</rt><rp>)</rp></ruby><ruby>本<rp>(</rp><rt>ほん</rt>"
              "<rp>)</rp></ruby>の<ruby>地図<rp>(</rp><rt>ちず</rt><rp>)</rp></ruby></p>");
}

TEST(HtmlRanges, PiecesAreLineLocalAndInCodeUnits) {
    // A text node over two lines is two pieces; a character outside the basic plane counts
    // two code units; attribute values lose their quotes.
    std::vector<std::u16string> lines = SplitLines(u"<p title='地図'>\U00020B9F漢\n字</p>");
    PageRanges r = FindAnnotateRanges(lines);
    EXPECT_FALSE(r.wholeLines);
    const std::vector<PieceRange> expected = {
        {0, 10, 12, true}, {0, 14, 17, false}, {1, 0, 1, false}};
    EXPECT_EQ(r.pieces, expected);
}

TEST(HtmlRanges, DeepNestingIsParsedUpToABudgetThenReadLineByLine) {
    std::string deep;
    for (int i = 0; i < 5000; ++i)
        deep += "<div>";
    deep += "<a href=\"/日本\">漢字</a>";
    Page page;
    std::string out = page.Annotate(deep);
    EXPECT_TRUE(out.ends_with("<a href=\"/日本\">漢字(かんじ)</a>")) << out.substr(out.size() - 60);

    // Far deeper, the parser would take minutes: the page is annotated line by line.
    for (int i = 0; i < 100000; ++i)
        deep += "<div>";
    std::vector<std::u16string> lines = SplitLines(FromUtf8(deep));
    EXPECT_TRUE(FindAnnotateRanges(lines).wholeLines);
}

TEST(HtmlRanges, ProgressPerLineAndCancelStopsTheJob) {
    Page page;
    std::vector<int> progress;
    page.hooks.progress = [&](int line) { progress.push_back(line); };
    page.Annotate("<p>漢字</p>\n<script>\n日本\n</script>");
    EXPECT_EQ(progress, (std::vector<int>{0, 1, 2, 3}));

    int pumps = 0;
    page.hooks.pump = [&] { ++pumps; };
    page.hooks.stillWanted = [&] { return pumps < 3; };
    RubiEngine engine(FakeReadingFactory(page.script), page.level, page.dic, page.hooks);
    std::vector<std::u16string> lines = SplitLines(u"<p>漢字 日本 東京 地図</p>\n<p>漢字</p>");
    EXPECT_FALSE(AnnotatePage(lines, FindAnnotateRanges(lines), engine,
                              FakeReadingFactory(page.script), RubyStyle::Parentheses, page.hooks));
    EXPECT_EQ(lines[1], u"<p>漢字</p>");
}

TEST(HtmlRanges, ReadingServiceThatCannotOpenTouchesNothing) {
    Page page;
    page.script.failOpen = true;
    std::vector<std::u16string> lines = {u"<p>漢字</p>"};
    EXPECT_FALSE(AnnotatePage(lines, FindAnnotateRanges(lines), page.engine,
                              FakeReadingFactory(page.script), RubyStyle::Parentheses, page.hooks));
    EXPECT_EQ(lines[0], u"<p>漢字</p>");
}

}  // namespace
}  // namespace velmora
