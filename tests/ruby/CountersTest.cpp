// Numbers and counters read from the table, as a school text reads them.
#include "ruby/Counters.h"

#include <gtest/gtest.h>

#include "base/Text.h"

namespace velmora {
namespace {

TEST(Counters, NumberReadings) {
    struct Case {
        uint64_t value;
        std::u16string reading;
    } cases[] = {
        {0, u"ぜろ"},
        {4, u"よん"},
        {7, u"なな"},
        {14, u"じゅうよん"},
        {300, u"さんびゃく"},
        {600, u"ろっぴゃく"},
        {800, u"はっぴゃく"},
        {1000, u"せん"},
        {3000, u"さんぜん"},
        {8000, u"はっせん"},
        {10000, u"いちまん"},
        {10000000, u"いっせんまん"},
        {2024, u"にせんにじゅうよん"},
        {100000000, u"いちおく"},
        {1000000000000, u"いっちょう"},
        {100000000000000, u"ひゃくちょう"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NumberReading(Number{c.value, false}), c.reading) << c.value;
    EXPECT_EQ(NumberReading(Number{100, true}), u"なんびゃく");
    EXPECT_EQ(NumberReading(Number{1000000, true}), u"なんびゃくまん");
}

TEST(Counters, ParsesDigitsAndKanjiNumerals) {
    struct Case {
        std::u16string text;
        std::optional<uint64_t> value;
    } cases[] = {
        {u"2024", 2024},        {u"２０２４", 2024},
        {u"1,000", 1000},       {u"1,,0", std::nullopt},
        {u",1", std::nullopt},  {u"", std::nullopt},
        {u"12a", std::nullopt}, {u"99999999999999999", std::nullopt},
    };
    for (const auto& c : cases) {
        auto n = ParseDigits(c.text);
        EXPECT_EQ(n ? std::optional<uint64_t>(n->value) : std::nullopt, c.value) << ToUtf8(c.text);
    }
    struct KanjiCase {
        std::u16string text;
        std::optional<uint64_t> value;
        bool any = false;
    } kanji[] = {
        {u"六百", 600},
        {u"三百五十", 350},
        {u"一万二千", 12000},
        {u"十", 10},
        {u"二〇二四", 2024},
        {u"三", 3},
        {u"何", 1, true},
        {u"何百", 100, true},
        // "One or two", not twelve; numerals out of order are no number.
        {u"一二", std::nullopt},
        {u"三四百", std::nullopt},
        {u"何か", std::nullopt},
        {u"日", std::nullopt},
    };
    for (const auto& c : kanji) {
        auto n = ParseKanjiNumber(c.text);
        EXPECT_EQ(n ? std::optional<uint64_t>(n->value) : std::nullopt, c.value) << ToUtf8(c.text);
        if (n) {
            EXPECT_EQ(n->any, c.any) << ToUtf8(c.text);
        }
    }
}

TEST(Counters, SoundChangesAndSpecialReadings) {
    struct Case {
        uint64_t value;
        std::u16string counter;
        std::u16string reading;
        std::u16string counterOnly;  // empty: the number's own reading changes
    } cases[] = {
        {1, u"人", u"ひとり", u""},
        {2, u"人", u"ふたり", u""},
        {3, u"人", u"さんにん", u"にん"},
        {4, u"人", u"よにん", u""},
        {14, u"人", u"じゅうよにん", u""},
        {1, u"日", u"いちにち", u"にち"},
        {3, u"日", u"みっか", u""},
        {9, u"日", u"ここのか", u""},
        {10, u"日", u"とおか", u""},
        {14, u"日", u"じゅうよっか", u""},
        {20, u"日", u"はつか", u""},
        {11, u"日", u"じゅういちにち", u"にち"},
        {1, u"分", u"いっぷん", u""},
        {3, u"分", u"さんぷん", u"ぷん"},
        {4, u"分", u"よんぷん", u"ぷん"},
        {5, u"分", u"ごふん", u"ふん"},
        {10, u"分", u"じゅっぷん", u""},
        {4, u"時", u"よじ", u""},
        {9, u"時", u"くじ", u""},
        {19, u"時", u"じゅうくじ", u""},
        {4, u"月", u"しがつ", u""},
        {7, u"月", u"しちがつ", u""},
        {12, u"月", u"じゅうにがつ", u"がつ"},
        {2010, u"年", u"にせんじゅうねん", u"ねん"},
        {4, u"年", u"よねん", u""},
        {1, u"本", u"いっぽん", u""},
        {3, u"本", u"さんぼん", u"ぼん"},
        {6, u"本", u"ろっぽん", u""},
        {100, u"本", u"ひゃっぽん", u""},
        {1000, u"本", u"せんぼん", u"ぼん"},
        {1, u"匹", u"いっぴき", u""},
        {3, u"匹", u"さんびき", u"びき"},
        {3, u"泊", u"さんぱく", u"ぱく"},
        {1, u"歳", u"いっさい", u""},
        {20, u"歳", u"はたち", u""},
        {8, u"歳", u"はっさい", u""},
        {6, u"歳", u"ろくさい", u"さい"},
        {3, u"階", u"さんがい", u"がい"},
        {1, u"杯", u"いっぱい", u""},
        {5, u"名", u"ごめい", u"めい"},
        {1, u"個", u"いっこ", u""},
        {3, u"足", u"さんぞく", u"ぞく"},
        {3, u"軒", u"さんげん", u"げん"},
        {4, u"円", u"よえん", u""},
        {8, u"頭", u"はっとう", u""},
        {10, u"点", u"じゅってん", u""},
        {3, u"km", u"さんきろめーとる", u"きろめーとる"},
        // A counter with what follows it in the same word.
        {4, u"時間", u"よじかん", u""},
        {1, u"年生", u"いちねんせい", u"ねんせい"},
        {2, u"人目", u"ふたりめ", u""},
        {1, u"日中", u"いちにちじゅう", u"にちじゅう"},
    };
    for (const auto& c : cases) {
        auto r = ReadCounter(Number{c.value, false}, c.counter, false);
        ASSERT_TRUE(r) << c.value << ToUtf8(c.counter);
        EXPECT_EQ(r->length, c.counter.size()) << c.value << ToUtf8(c.counter);
        EXPECT_EQ(r->reading, c.reading) << c.value << ToUtf8(c.counter);
        EXPECT_EQ(r->counter, c.counterOnly) << c.value << ToUtf8(c.counter);
    }
    // 何 reads なん, and a counter after it changes as after さん.
    EXPECT_EQ(ReadCounter(Number{1, true}, u"本", false)->reading, u"なんぼん");
    EXPECT_EQ(ReadCounter(Number{1, true}, u"人", false)->reading, u"なんにん");
    // The first day of a month, and a day's count.
    EXPECT_EQ(ReadCounter(Number{1, false}, u"日", true)->reading, u"ついたち");
    EXPECT_EQ(ReadCounter(Number{1, false}, u"日間", true)->reading, u"いちにちかん");
    // Born in a year is no school year.
    EXPECT_EQ(ReadCounter(Number{2000, false}, u"年生まれ", false)->length, 1u);
    EXPECT_FALSE(ReadCounter(Number{3, false}, u"つ", false));
    EXPECT_FALSE(ReadCounter(Number{3, false}, u"", false));
}

}  // namespace
}  // namespace velmora
