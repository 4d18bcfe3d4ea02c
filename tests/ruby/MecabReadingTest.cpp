// The MeCab reading service with the packaged dictionary.
#include "ruby/MecabReading.h"

#include <gtest/gtest.h>

#include "base/Text.h"
#include "ruby/KanjiDic.h"
#include "ruby/RubiEngine.h"

namespace velmora {
namespace {

std::u16string Reading(std::u16string_view text) {
    auto service = CreateMecabReading();
    EXPECT_TRUE(service->Open());
    std::u16string reading;
    EXPECT_TRUE(service->GetPhonetic(text, reading));
    return reading;
}

TEST(MecabReading, ReadsKanjiAndKeepsEverythingElse) {
    struct Case {
        std::u16string text, reading;
    } cases[] = {
        {u"東京へ行った。", u"とうきょうへいった。"},
        // White space that MeCab skips between words comes back where it was.
        {u"  東京 \t へ\u3000行く ", u"  とうきょう \t へ\u3000いく "},
        // Kana, digits, Latin letters and symbols stand as they are.
        {u"カタカナとひらがな ABC 123 <b>&amp;", u"カタカナとひらがな ABC 123 <b>&amp;"},
        {u"モーツァルト", u"モーツァルト"},
        // Katakana readings of kanji words turn into hiragana.
        {u"3ヶ月", u"3かげつ"},
        {u"", u""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Reading(c.text), c.reading) << ToUtf8(c.text);
}

TEST(MecabReading, OddInputGivesAResult) {
    auto service = CreateMecabReading();
    ASSERT_TRUE(service->Open());
    for (std::u16string text : {std::u16string(u"\0漢字\0", 4), std::u16string(u"\xD800漢\xDC00"),
                                std::u16string(u"\U00020BB7野家"), std::u16string(1023, u'漢')}) {
        std::u16string reading;
        EXPECT_TRUE(service->GetPhonetic(text, reading));
    }
}

TEST(MecabReading, KatakanaToHiragana) {
    std::u16string s = u"ァアヴヵヶーabcカ";
    KatakanaToHiragana(s);
    EXPECT_EQ(s, u"ぁあゔゕゖーabcか");
}

TEST(MecabReading, EngineOverMecab) {
    int level = 0;
    UserDictionary dic;
    RubiEngine engine(MecabReadingFactory(), level, dic, {});
    std::vector<std::u16string> lines{u"東京へ行った。", u"<title>漢字の読み方</title>",
                                      u"東京タワーは1日(ついたち)に"};
    ASSERT_TRUE(engine.DoRubi(lines));
    EXPECT_EQ(lines[0], u"東京(とうきょう)へ行(い)った。");
    EXPECT_EQ(lines[1], u"<title>漢字(かんじ)の読(よ)み方(かた)</title>");
    EXPECT_EQ(lines[2], u"東京(とうきょう)タワーは1日(にち)(ついたち)に");
}

// Readings as a school text gives them, one table per kind of error the engine avoids.
struct ClassCase {
    std::u16string in, out;
};

void ExpectLines(const std::vector<ClassCase>& cases, int level = 0, UserDictionary dic = {}) {
    RubiEngine engine(MecabReadingFactory(), level, dic, {});
    std::vector<std::u16string> lines;
    for (const auto& c : cases)
        lines.push_back(c.in);
    ASSERT_TRUE(engine.DoRubi(lines));
    for (size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(lines[i], cases[i].out) << ToUtf8(cases[i].in);
}

TEST(ReadingClasses, TheRunIsReadWithinItsSentence) {
    ExpectLines({
        {u"子供達が来た。", u"子供達(こどもたち)が来(き)た。"},
        {u"手続き等が必要です。", u"手続(てつづ)き等(とう)が必要(ひつよう)です。"},
        {u"片思い中の人", u"片思(かたおも)い中(ちゅう)の人(ひと)"},
        {u"わが家に帰る", u"わが家(や)に帰(かえ)る"},
        {u"先生方が集まる", u"先生方(せんせいがた)が集(あつ)まる"},
        {u"ゴミ袋を出す", u"ゴミ袋(ぶくろ)を出(だ)す"},
        {u"学校に行っています。", u"学校(がっこう)に行(い)っています。"},
        {u"試験を行います。", u"試験(しけん)を行(おこな)います。"},
        {u"何の用", u"何(なん)の用(よう)"},
    });
}

TEST(ReadingClasses, NumbersAndCounters) {
    ExpectLines({
        {u"1人で2人と3人", u"1人(ひとり)で2人(ふたり)と3人(にん)"},
        {u"3日と9日と20日", u"3日(みっか)と9日(ここのか)と20日(はつか)"},
        {u"1分、3分、10分", u"1分(いっぷん)、3分(ぷん)、10分(じゅっぷん)"},
        {u"4時から9時まで", u"4時(よじ)から9時(くじ)まで"},
        {u"4月と7月", u"4月(しがつ)と7月(しちがつ)"},
        {u"1本、3本、1匹、3泊", u"1本(いっぽん)、3本(ぼん)、1匹(いっぴき)、3泊(ぱく)"},
        {u"1歳、20歳、3階、1杯、5名",
         u"1歳(いっさい)、20歳(はたち)、3階(がい)、1杯(いっぱい)、5名(めい)"},
        {u"１０年以上", u"１０年(ねん)以上(いじょう)"},
        // A counter at the start of a longer run keeps its own reading.
        {u"2本買う、5人来た", u"2本(ほん)買(か)う、5人(にん)来(き)た"},
        {u"2010年12月5人", u"2010年(ねん)12月(がつ)5人(にん)"},
        {u"3月1日と1日", u"3月(がつ)1日(ついたち)と1日(にち)"},
        {u"一人で三日間", u"一人(ひとり)で三日間(みっかかん)"},
        {u"六百円と八百円", u"六百円(ろっぴゃくえん)と八百円(はっぴゃくえん)"},
        {u"何百人も", u"何百人(なんびゃくにん)も"},
        {u"一日中", u"一日中(いちにちじゅう)"},
        {u"3月1日(月)", u"3月(がつ)1日(ついたち)(月(げつ))"},
    });
}

TEST(ReadingClasses, PageBracketsSurviveAtEveryLevel) {
    ExpectLines(
        {
            {u"3月1日(月)", u"3月1日(月)"},
            {u"会員数3人(うち学生1人)", u"会員数(かいいんすう)3人(うち学生1人)"},
            {u"2024年(令和6年)", u"2024年(令和(れいわ)6年)"},
        },
        2);
    ExpectLines({{u"4月1日", u"4月(しがつ)1日(いっぴ)"}}, 0, {{u"1日"}, {u"1日<いっぴ>"}, 1});
}

TEST(ReadingClasses, NoReadingThatIsNotKana) {
    // Kanji the analyser has no word for are read kanji by kanji from the kanji dictionary:
    // alone, by the okurigana after them; in a compound, by their on reading.
    ExpectLines({
        {u"偶には", u"偶(たま)には"},
        {u"顫える", u"顫(ふる)える"},
        {u"癒やされる", u"癒(い)やされる"},
        {u"銷磨して", u"銷磨(しょうま)して"},
        {u"去々年", u"去々年(きょきょねん)"},
    });
    // Without the kanji dictionary such a kanji gets the question mark, never itself.
    SetKanjiDicPath("/nonexistent/kanjidic");
    ExpectLines({{u"偶には", u"偶(?)には"}, {u"凡、", u"凡(?)、"}});
    SetKanjiDicPath("/usr/share/edict/kanjidic");
}

TEST(ReadingClasses, WordsMixingKanjiAndKatakana) {
    ExpectLines({
        {u"消しゴム", u"消(け)しゴム"},
        {u"歯ブラシ", u"歯(は)ブラシ"},
        {u"生ビール", u"生(なま)ビール"},
        {u"金メダル", u"金(きん)メダル"},
        {u"東アジア", u"東(ひがし)アジア"},
        {u"直接アクセス", u"直接(ちょくせつ)アクセス"},
        {u"日本ハム", u"日本(にほん)ハム"},
    });
}

TEST(ReadingClasses, NihonExceptInSetNames) {
    ExpectLines({
        {u"日本の首都", u"日本(にほん)の首都(しゅと)"},
        {u"日本人", u"日本人(にほんじん)"},
        {u"日本銀行", u"日本銀行(にっぽんぎんこう)"},
        {u"日本武道館", u"日本武道館(にっぽんぶどうかん)"},
        {u"日本放送協会", u"日本放送協会(にっぽんほうそうきょうかい)"},
    });
}

TEST(MecabReading, AnalyseAlignsWordsByOffsets) {
    auto service = CreateMecabReading();
    ASSERT_TRUE(service->Open());
    std::vector<Morpheme> words;
    // Offsets count UTF-16 code units, a character outside the BMP as two.
    const std::u16string text = u"\U00020BB7 3日に行った";
    ASSERT_TRUE(service->Analyse(text, words));
    ASSERT_FALSE(words.empty());
    for (const auto& w : words) {
        EXPECT_LE(w.begin, w.end);
        EXPECT_LE(w.end, text.size());
    }
    bool counter = false;
    for (const auto& w : words) {
        if (text.substr(w.begin, w.end - w.begin) == u"日") {
            counter = w.kind == Morpheme::Kind::Counter;
        }
        if (text.substr(w.begin, w.end - w.begin) == u"行っ") {
            EXPECT_EQ(w.reading, u"いっ");
        }
    }
    EXPECT_TRUE(counter);
}

TEST(MecabReading, RunsLongerThanOneAnalysisAreReadWhole) {
    int level = 0;
    UserDictionary dic;
    RubiEngine engine(MecabReadingFactory(), level, dic, {});
    std::u16string run;
    for (int i = 0; i < 1500; ++i)
        run += u"東京";
    std::vector<std::u16string> lines{u"<p>" + run + u"へ"};
    ASSERT_TRUE(engine.DoRubi(lines));
    const size_t open = lines[0].find(u'(');
    ASSERT_EQ(open, 3 + run.size());
    const std::u16string_view reading =
        std::u16string_view(lines[0]).substr(open + 1, lines[0].size() - open - 3);
    EXPECT_TRUE(IsKanaReading(reading));
}

// Runs last in this program: the shared model is replaced by a missing dictionary.
TEST(MecabReadingZ, MissingDictionaryFailsToOpen) {
    const std::string saved = MecabDictionary();
    SetMecabDictionary("/nonexistent/mecab-dic");
    std::string error;
    EXPECT_FALSE(MecabAvailable(&error));
    EXPECT_NE(error.find("mecab-ipadic-utf8"), std::string::npos);
    EXPECT_FALSE(CreateMecabReading()->Open());
    SetMecabDictionary(saved);
    EXPECT_TRUE(MecabAvailable());
}

}  // namespace
}  // namespace velmora
