// The annotation engine driven by a scripted reading service.
#include "ruby/RubiEngine.h"

#include <gtest/gtest.h>

#include "base/Text.h"
#include "ruby/FakeReading.h"
#include "ruby/KanjiDic.h"

namespace velmora {
namespace {

struct Engine {
    FakeReadingScript script;
    int level = 0;
    UserDictionary dic;
    JobHooks hooks;
    RubiEngine engine{FakeReadingFactory(script), level, dic, hooks};

    Engine() {
        script.chars = {{u'東', u"とう"}, {u'京', u"きょう"}, {u'行', u"い"},   {u'漢', u"かん"},
                        {u'字', u"じ"},   {u'人', u"ひと"},   {u'々', u"びと"}, {u'地', u"ち"},
                        {u'図', u"ず"},   {u'日', u"ひ"},     {u'学', u"がく"}, {u'校', u"こう"},
                        {u'問', u"もん"}, {u'月', u"つき"}};
    }
    std::u16string Line(std::u16string line) {
        std::vector<std::u16string> lines{std::move(line)};
        EXPECT_TRUE(engine.DoRubi(lines));
        return lines[0];
    }
};

// The scripted service alone decides the readings here: no kanji dictionary behind it.
class NoKanjiDic : public ::testing::Environment {
public:
    void SetUp() override { SetKanjiDicPath("/nonexistent/kanjidic"); }
};
const auto* const kNoKanjiDic = ::testing::AddGlobalTestEnvironment(new NoKanjiDic);

TEST(IsKanji, Ranges) {
    struct Case {
        char16_t c, next;
        bool kanji;
    } cases[] = {
        {u'漢', 0, true},        {0x4E00, 0, true},      {0x9FCF, 0, true},
        {0x9FD0, 0, false},      {0x3400, 0, true},      {0x4DBF, 0, true},
        {0xF900, 0, true},       {0xFAFF, 0, true},      {u'々', 0, true},
        {u'〆', 0, false},       {u'〇', 0, false},      {u'ヶ', 0, false},
        {u'あ', 0, false},       {u'1', 0, false},       {0xD840, 0xDC00, true},
        {0xD868, 0xDFFF, true},  {0xD869, 0xDEDF, true}, {0xD869, 0xDEE0, false},
        {0xD86A, 0xDC00, false}, {0xD840, u'a', false},  {0xD840, 0, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsKanji(c.c, c.next), c.kanji) << std::hex << int(c.c) << " " << int(c.next);
    }
}

TEST(GetKanjiString, FindsRunsAndTheirContext) {
    struct Case {
        std::u16string text;
        int pos;
        std::u16string kanjiString;
        int kanjiCount;
    } cases[] = {
        {u"ひらがなだけ", 0, u"", 0},
        {u"", 0, u"", 0},
        {u"漢字", 1, u"漢字", 2},
        {u"は漢字を読む", 2, u"漢字を", 2},
        {u"人々が", 1, u"人々が", 2},
        {u"〆切", 2, u"切", 1},
        {u"3ヶ月", 3, u"月", 1},
        {u"東京へ行く", 1, u"東京へ", 2},
        {u"a\U00020BB7b", 2, u"\U00020BB7b", 2},
        {u"\U00020BB7", 1, u"\U00020BB7", 2},
        // The markers are ordinary text while the dictionary is empty.
        {u"☆東★", 2, u"東★", 1},
    };
    for (const auto& c : cases) {
        Engine e;
        EXPECT_EQ(e.engine.GetKanjiString(c.text), c.pos) << ToUtf8(c.text);
        EXPECT_EQ(e.engine.KanjiString, c.kanjiString) << ToUtf8(c.text);
        EXPECT_EQ(e.engine.KanjiCount, c.kanjiCount) << ToUtf8(c.text);
    }
}

TEST(GetKanjiString, ContextStopsAt64CodeUnits) {
    Engine e;
    std::u16string text = u"漢" + std::u16string(100, u'あ');
    e.engine.GetKanjiString(text);
    EXPECT_EQ(e.engine.KanjiString.size(), 64u);
    // A kanji part of 64 or more still takes exactly one context character.
    text = std::u16string(70, u'漢') + u"あい";
    e.engine.GetKanjiString(text);
    EXPECT_EQ(e.engine.KanjiCount, 70);
    EXPECT_EQ(e.engine.KanjiString, std::u16string(70, u'漢') + u"あ");
}

TEST(GetKanjiString, DictionarySpans) {
    Engine e;
    e.dic.DicWordCount = 1;
    struct Case {
        std::u16string text;
        int pos;
        std::u16string kanjiString;
    } cases[] = {
        {u"あ☆行<い>った★く", 2, u"☆行<い>った★"},
        // The character right after the opening marker is taken untested.
        {u"☆★★", 1, u"☆★★"},
        // No closing marker: the span ends with the line.
        {u"☆行<い>", 1, u"☆行<い>"},
        {u"☆", 1, u"☆"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(e.engine.GetKanjiString(c.text), c.pos) << ToUtf8(c.text);
        EXPECT_EQ(e.engine.KanjiString, c.kanjiString) << ToUtf8(c.text);
        EXPECT_EQ(e.engine.KanjiCount, 0);
    }
    // An ordinary run's context stops before a span.
    e.engine.GetKanjiString(u"東京へ☆行<い>った★");
    EXPECT_EQ(e.engine.KanjiString, u"東京へ");
}

TEST(DoRubi, AnnotatesRuns) {
    struct Case {
        std::u16string in, out;
    } cases[] = {
        {u"ひらがなとカタカナ <b>abc</b>", u"ひらがなとカタカナ <b>abc</b>"},
        {u"漢字", u"漢字(かんじ)"},
        {u"東京へ行く", u"東京(とうきょう)へ行(い)く"},
        {u"<img alt=\"地図\">", u"<img alt=\"地図(ちず)\">"},
        {u"<!-- 漢字 --><script>x='東京'</script>",
         u"<!-- 漢字(かんじ) --><script>x='東京(とうきょう)'</script>"},
        {u"人々が", u"人々(ひとびと)が"},
        // No reading for this one: the question mark follows the whole pair.
        {u"a\U00020BB7b", u"a\U00020BB7(?)b"},
        {u"1日は", u"1日(にち)は"},
    };
    for (const auto& c : cases) {
        Engine e;
        EXPECT_EQ(e.Line(c.in), c.out) << ToUtf8(c.in);
    }
}

TEST(DoRubi, RequestsCarryTheRunAndItsContext) {
    Engine e;
    e.Line(u"東京へ行く");
    std::vector<std::u16string> expected{u"東京へ", u"行く"};
    EXPECT_EQ(e.script.requests, expected);
    EXPECT_EQ(e.script.opened, 1);
    EXPECT_EQ(e.script.released, 1);
}

TEST(DoRubi, OkuriganaCutAndHeadFallback) {
    struct Case {
        std::u16string line;
        std::map<std::u16string, std::u16string> readings;
        std::set<std::u16string> failing;
        std::u16string out;
    } cases[] = {
        // Okurigana come back unchanged and are cut off.
        {u"行った", {{u"行った", u"いった"}}, {}, u"行(い)った"},
        // Katakana context comes back in hiragana: the head is read alone and found.
        {u"東京タワー",
         {{u"東京タワー", u"とうきょうたわー"}, {u"タワー", u"たわー"}},
         {},
         u"東京(とうきょう)タワー"},
        // The head reading must be found after the kanji part's length.
        {u"日ABCDEFG", {{u"日ABCDEFG", u"ひabcdefg"}, {u"ABCDE", u"abcde"}}, {}, u"日(ひ)ABCDEFG"},
        // A reading that is not kana is never written: the run is read again alone.
        {u"日x", {{u"日x", u"xx"}, {u"x", u"x"}}, {}, u"日(ひ)x"},
        {u"偶に", {{u"偶に", u"偶に"}, {u"偶", u"偶"}}, {}, u"偶(?)に"},
        // Head reading nowhere after the kanji part: the run alone.
        {u"漢字A", {{u"漢字A", u"かんじb"}, {u"A", u"a"}}, {}, u"漢字(かんじ)A"},
        // Failed requests: the run alone, then kanji by kanji, then "?".
        {u"漢字", {}, {u"漢字"}, u"漢字(かんじ)"},
        {u"漢字", {}, {u"漢字", u"字"}, u"漢字(?)"},
        {u"漢字A", {{u"漢字A", u"かんじa"}}, {u"A", u"漢字"}, u"漢字(かんじ)A"},
        // 々 repeats the kanji before it when read kanji by kanji.
        {u"人々", {{u"人々", u"人々"}}, {}, u"人々(ひとひと)"},
        // A reading shorter than the context.
        {u"漢あいうえお",
         {{u"漢あいうえお", u"か"}, {u"あいうえお", u"あいうえお"}},
         {},
         u"漢(かん)あいうえお"},
    };
    for (const auto& c : cases) {
        Engine e;
        e.script.texts = c.readings;
        e.script.failing = c.failing;
        EXPECT_EQ(e.Line(c.line), c.out) << ToUtf8(c.line);
    }
}

TEST(DoRubi, ContextReadingsAlignedByOffsets) {
    Engine e;
    e.script.analyse = true;
    // Each run takes the readings of the words inside it; no request per run is made.
    EXPECT_EQ(e.Line(u"東京へ行く"), u"東京(とうきょう)へ行(い)く");
    EXPECT_TRUE(e.script.requests.empty());
    // A word without a reading falls back to the request with the run's context.
    e.script.texts = {{u"偶に", u"たまに"}};
    EXPECT_EQ(e.Line(u"偶に"), u"偶(たま)に");
    EXPECT_EQ(e.script.requests, std::vector<std::u16string>{u"偶に"});
}

TEST(DoRubi, RequestLimit) {
    Engine e;
    std::u16string run(1500, u'漢');
    e.Line(run + u"あ");
    ASSERT_FALSE(e.script.requests.empty());
    EXPECT_EQ(e.script.requests[0].size(), 1023u);
}

TEST(DoRubi, LevelFilterSkipsKnownRuns) {
    Engine e;
    e.level = 1;
    EXPECT_EQ(e.Line(u"学校と学問"), u"学校と学問(がくもん)");
    e.level = 0;
    EXPECT_EQ(e.Line(u"学校"), u"学校(がくこう)");
}

TEST(DoRubi, DictionaryPass) {
    Engine e;
    e.dic = {{u"行った"}, {u"行<い>った"}, 1};
    EXPECT_EQ(e.Line(u"東京へ行った"), u"東京(とうきょう)へ行(い)った");
    // The page's own stars go while the dictionary has entries; a word without
    // readings loses its reading.
    e.dic = {{u"漢字"}, {u"漢字"}, 1};
    EXPECT_EQ(e.Line(u"★漢字☆と漢字"), u"漢字と漢字");
    e.dic = {};
    EXPECT_EQ(e.Line(u"★☆"), u"★☆");
    // Written forms are not filtered by the level.
    e.level = 6;
    e.dic = {{u"学校"}, {u"学<がっ>校<こう>"}, 1};
    EXPECT_EQ(e.Line(u"学校"), u"学(がっ)校(こう)");
}

TEST(DoRubi, LaterEntriesNeverActInsideEarlierForms) {
    Engine e;
    e.dic = {{u"東京", u"京"}, {u"東<とう>京<きょう>", u"京<みやこ>"}, 2};
    EXPECT_EQ(e.Line(u"東京と京"), u"東(とう)京(きょう)と京(みやこ)");
    // The same word twice: the first entry's form, once.
    e.dic = {{u"字", u"字"}, {u"字<あざ>", u"字<じ>"}, 2};
    EXPECT_EQ(e.Line(u"字に東京"), u"字(あざ)に東京(とうきょう)");
}

TEST(DoRubi, DictionaryWordsMatchInTheirOwnLetterCase) {
    // Another case of the word is other text of the page: it stays as it is.
    Engine e;
    e.dic = {{u"ABC"}, {u"A<えー>BC"}, 1};
    EXPECT_EQ(e.Line(u"abcとABC"), u"abcとA(えー)BC");
}

TEST(DoRubi, MarkersInEntriesNeverRunPastTheLine) {
    Engine e;
    e.dic = {{u"☆", u"字", u"A"}, {u"★", u"☆字", u""}, 3};
    std::vector<std::u16string> lines{u"漢字A☆", u"字★", u"A"};
    EXPECT_TRUE(e.engine.DoRubi(lines));
    EXPECT_EQ(lines.size(), 3u);
    for (const auto& line : lines)
        EXPECT_LT(line.size(), 40u);
}

TEST(DoRubi, FailurePaths) {
    {
        Engine e;
        e.script.failCreate = true;
        std::vector<std::u16string> lines{u"漢字"};
        EXPECT_FALSE(e.engine.DoRubi(lines));
        EXPECT_EQ(lines[0], u"漢字");
    }
    {
        Engine e;
        e.script.failOpen = true;
        std::vector<std::u16string> lines{u"漢字"};
        EXPECT_FALSE(e.engine.DoRubi(lines));
        EXPECT_EQ(lines[0], u"漢字");
        EXPECT_EQ(e.script.released, 1);
    }
}

TEST(DoRubi, CancelStopsBeforeTheNextRun) {
    FakeReadingScript script;
    int level = 0;
    UserDictionary dic;
    bool wanted = true;
    int pumps = 0;
    std::vector<int> progress;
    script.chars = {{u'漢', u"かん"}, {u'字', u"じ"}};
    JobHooks hooks;
    hooks.stillWanted = [&] { return wanted; };
    hooks.pump = [&] {
        if (++pumps == 5) wanted = false;  // the cancel button pressed during the job
    };
    hooks.progress = [&](int line) { progress.push_back(line); };
    RubiEngine engine(FakeReadingFactory(script), level, dic, hooks);
    std::vector<std::u16string> lines(100, u"漢字と漢字");
    EXPECT_FALSE(engine.DoRubi(lines));
    EXPECT_LE(script.requests.size(), 3u);
    EXPECT_EQ(script.released, 1);
    EXPECT_EQ(progress, std::vector<int>{0});
}

TEST(DoRubi, ProgressPerLine) {
    Engine e;
    std::vector<int> progress;
    e.hooks.progress = [&](int line) { progress.push_back(line); };
    RubiEngine engine(FakeReadingFactory(e.script), e.level, e.dic, e.hooks);
    std::vector<std::u16string> lines{u"a", u"", u"漢字"};
    EXPECT_TRUE(engine.DoRubi(lines));
    EXPECT_EQ(progress, (std::vector<int>{0, 1, 2}));
}

TEST(DoRubi, CountersAfterDigits) {
    // The reading of a counter is decided when it is written: with the number where the
    // number's reading changes or is special, the counter alone where it does not.
    struct Case {
        std::u16string in, out;
    } cases[] = {
        {u"1日(ひ)", u"1日(にち)(ひ)"},
        {u"3月1日は", u"3月(がつ)1日(ついたち)は"},
        {u"３人と1人", u"３人(にん)と1人(ひとり)"},
        {u"２０２０年", u"２０２０年(ねん)"},
        {u"10分と5分", u"10分(じゅっぷん)と5分(ふん)"},
        {u"1,000人", u"1,000人(にん)"},
        // A decimal number is not read as a whole: the counter keeps its service reading.
        {u"1.5日", u"1.5日(ひ)"},
        // The counter is the head of a longer run: the rest is read as usual.
        {u"3年生", u"3年生(ねんせい)"},
    };
    for (const auto& c : cases) {
        Engine e;
        e.script.chars[u'年'] = u"とし";
        e.script.chars[u'生'] = u"せい";
        e.script.chars[u'分'] = u"ぶん";
        EXPECT_EQ(e.Line(c.in), c.out) << ToUtf8(c.in);
    }
}

TEST(DoRubi, PageBracketsLevelAndDictionaryWinOverCounters) {
    Engine e;
    e.script.chars[u'令'] = u"れい";
    e.script.chars[u'和'] = u"わ";
    e.level = 2;
    // The counter kanji are known at grade 2: the page's own brackets stay as they are.
    EXPECT_EQ(e.Line(u"3月1日(月)"), u"3月1日(月)");
    EXPECT_EQ(e.Line(u"2024年(令和6年)"), u"2024年(令和(れいわ)6年)");
    e.level = 0;
    e.dic = {{u"1日"}, {u"1日<ついたち>"}, 1};
    EXPECT_EQ(e.Line(u"4月1日"), u"4月(しがつ)1日(ついたち)");
    e.dic = {{u"1日"}, {u"1日<いっぴ>"}, 1};
    EXPECT_EQ(e.Line(u"4月1日"), u"4月(しがつ)1日(いっぴ)");
}

TEST(DoRubi, LongLineOfDatesKeepsEveryBracket) {
    Engine e;
    e.level = 2;
    std::u16string line;
    for (int i = 0; i < 20000; ++i)
        line += u"3月1日(月)";
    EXPECT_EQ(e.Line(line), line);
}

TEST(AnnotatePiece, RubyTags) {
    Engine e;
    auto service = FakeReadingFactory(e.script)();
    ASSERT_TRUE(service->Open());
    struct Case {
        std::u16string in, out;
    } cases[] = {
        {u"漢字を", u"<ruby>漢字<rp>(</rp><rt>かんじ</rt><rp>)</rp></ruby>を"},
        // A reading that covers the digits takes them into its base; one that does not
        // leaves them outside.
        {u"3日", u"<ruby>3日<rp>(</rp><rt>みっか</rt><rp>)</rp></ruby>"},
        {u"x5人", u"x5<ruby>人<rp>(</rp><rt>にん</rt><rp>)</rp></ruby>"},
        {u"ひらがな", u"ひらがな"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(e.engine.AnnotatePiece(c.in, *service, RubyStyle::RubyTags), c.out)
            << ToUtf8(c.in);
    }
    EXPECT_EQ(e.engine.AnnotatePiece(u"3日", *service, RubyStyle::Parentheses), u"3日(みっか)");
    // The user's dictionary applies inside the piece, in either style.
    e.dic = {{u"行った"}, {u"行<い>った"}, 1};
    EXPECT_EQ(e.engine.AnnotatePiece(u"へ行った", *service, RubyStyle::RubyTags),
              u"へ<ruby>行<rp>(</rp><rt>い</rt><rp>)</rp></ruby>った");
    EXPECT_EQ(e.engine.AnnotatePiece(u"へ行った", *service, RubyStyle::Parentheses),
              u"へ行(い)った");
}

TEST(IsKanaReading, HiraganaAndTheLongVowelMarkOnly) {
    EXPECT_TRUE(IsKanaReading(u"かんじ"));
    EXPECT_TRUE(IsKanaReading(u"らーめん"));
    for (std::u16string_view bad : {u"", u"?", u"偶", u"さ々とし", u"カンジ", u"abc", u"1"})
        EXPECT_FALSE(IsKanaReading(bad)) << ToUtf8(bad);
}

TEST(SplitReading, KanaOfTheWordAnchorTheKanji) {
    struct Case {
        std::u16string word, reading;
        std::vector<std::u16string> parts;  // empty: the reading does not fit
    } cases[] = {
        {u"取り扱い", u"とりあつかい", {u"と", u"り", u"あつか", u"い"}},
        {u"消しゴム", u"けしごむ", {u"け", u"しごむ"}},
        {u"ヶ月", u"かげつ", {u"か", u"げつ"}},
        {u"お茶", u"おちゃ", {u"お", u"ちゃ"}},
        {u"書き換え", u"かきかえ", {u"か", u"き", u"か", u"え"}},
        {u"行っ", u"いっ", {u"い", u"っ"}},
        // Kana that are not in the reading, a kanji with nothing left to read, and kanji
        // beside letters cannot be split.
        {u"行っ", u"おこな", {}},
        {u"漢字い", u"い", {}},
        {u"漢A", u"かんえー", {}},
    };
    for (const auto& c : cases) {
        std::vector<ReadingPart> parts;
        const bool ok = SplitReading(c.word, c.reading, parts);
        EXPECT_EQ(ok, !c.parts.empty()) << ToUtf8(c.word);
        if (!ok) continue;
        std::vector<std::u16string> got;
        for (const auto& p : parts)
            got.emplace_back(p.reading);
        EXPECT_EQ(got, c.parts) << ToUtf8(c.word);
    }
}

TEST(DoRubi, BadInputNeverCrashes) {
    Engine e;
    e.dic = {{u"", u"☆", u"字"}, {u"x", u"", u"★<"}, 3};
    std::vector<std::u16string> lines{
        std::u16string(u"\0漢\0字", 5),
        u"\xD800漢\xDC00\xDBFF",
        std::u16string(200000, u'漢'),
        std::u16string(300000, u'あ') + u"漢字",
        u"☆★☆★",
    };
    EXPECT_TRUE(e.engine.DoRubi(lines));
    EXPECT_EQ(lines.size(), 5u);
}

}  // namespace
}  // namespace velmora
