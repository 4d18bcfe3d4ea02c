// The MeCab reading service with the packaged dictionary.
#include "ruby/MecabReading.h"

#include <gtest/gtest.h>

#include "ruby/RubiEngine.h"
#include "ruby/Text.h"

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
