#include "ruby/GradeKanji.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <string_view>

#include "base/Text.h"

namespace velmora {
namespace {

TEST(GradeKanjiTest, ListsHaveTheTableSizes) {
    const std::map<int, size_t> sizes{{1, 80}, {2, 160}, {3, 200}, {4, 200}, {5, 185}, {6, 181}};
    size_t total = 0;
    for (const auto& [grade, size] : sizes) {
        EXPECT_EQ(GradeKanji(grade).size(), size) << "grade " << grade;
        total += GradeKanji(grade).size();
    }
    EXPECT_EQ(total, 1006u);
    EXPECT_TRUE(GradeKanji(0).empty());
    EXPECT_TRUE(GradeKanji(7).empty());
    EXPECT_TRUE(GradeKanji(-1).empty());
}

// The first and last kanji of each list tell this edition of the table from others.
TEST(GradeKanjiTest, ListsBeginAndEndAsTheTable) {
    struct Case {
        int grade;
        const char* begin;
        const char* end;
    };
    const Case cases[] = {
        {1, "一右雨円王", "力林六"}, {2, "引羽雲園遠", "里理話"}, {3, "悪安暗医委", "練路和"},
        {4, "愛案以衣位", "老労録"}, {5, "圧移因永営", "略留領"}, {6, "異遺域宇映", "臨朗論"},
    };
    for (const Case& c : cases) {
        const std::u16string_view list = GradeKanji(c.grade);
        const std::u16string begin = U(c.begin);
        const std::u16string end = U(c.end);
        EXPECT_TRUE(list.starts_with(begin)) << "grade " << c.grade;
        EXPECT_TRUE(list.ends_with(end)) << "grade " << c.grade;
    }
}

// Each kanji is one CJK unified ideograph in exactly one list, and the lookup agrees with
// the lists at every level.
TEST(GradeKanjiTest, EveryKanjiIsInOneListAndKnownFromItsGradeOn) {
    std::map<char16_t, int> gradeOf;
    for (int grade = 1; grade <= 6; ++grade) {
        for (char16_t c : GradeKanji(grade)) {
            EXPECT_TRUE(c >= 0x4E00 && c <= 0x9FFF)
                << "grade " << grade << " U+" << std::hex << static_cast<unsigned>(c);
            const auto [it, inserted] = gradeOf.emplace(c, grade);
            EXPECT_TRUE(inserted) << ToUtf8(std::u16string(1, c)) << " in grades " << it->second
                                  << " and " << grade;
        }
    }
    for (const auto& [c, grade] : gradeOf) {
        for (int level = 0; level <= 6; ++level) {
            EXPECT_EQ(IsKnownAtLevel(c, level), grade <= level)
                << ToUtf8(std::u16string(1, c)) << " at level " << level;
        }
    }
}

// The 2017 table is a different edition: its prefecture kanji are in no list here, and
// kanji it moved keep their 1989 grade.
TEST(GradeKanjiTest, FollowsThe1989EditionNotThe2017One) {
    for (char16_t c : U("茨媛岡潟岐熊香佐埼崎滋鹿縄井沖栃奈梨阪阜")) {
        EXPECT_FALSE(IsKnownAtLevel(c, 6)) << ToUtf8(std::u16string(1, c));
    }
    struct Case {
        const char* kanji;
        int grade;
    };
    // A sample of the moves in each direction between grades 4, 5 and 6.
    const Case moved[] = {{"囲", 4}, {"歴", 4}, {"胃", 4}, {"腸", 4}, {"賀", 5},
                          {"富", 5}, {"恩", 5}, {"預", 5}, {"城", 6}};
    for (const Case& m : moved) {
        const char16_t c = U(m.kanji)[0];
        EXPECT_FALSE(IsKnownAtLevel(c, m.grade - 1)) << m.kanji;
        EXPECT_TRUE(IsKnownAtLevel(c, m.grade)) << m.kanji;
    }
}

TEST(GradeKanjiTest, CharactersOutsideTheListsAreNeverKnown) {
    const char16_t others[] = {
        u'々',             // iteration mark
        u'\u4E02',         // first block, not taught
        u'\u9FFF',         // last code unit of the block
        u'\u3400',         // extension A
        u'\uF9A8',         // compatibility ideograph
        char16_t{0xD842},  // high surrogate of an extension B ideograph
        u'あ',
        u'A',
        u'\0',
    };
    for (char16_t c : others) {
        EXPECT_FALSE(IsKnownAtLevel(c, 6)) << "U+" << std::hex << static_cast<unsigned>(c);
    }
}

TEST(GradeKanjiTest, CheckExceptRubiDropsTheReadingOnlyWhenEveryKanjiIsKnown) {
    struct Case {
        const char* text;  // kanji run followed by its context
        int count;         // code units of the kanji part
        int level;
        int expected;
    };
    const Case cases[] = {
        {"学校", 2, 1, 0},      // both grade 1
        {"学問", 2, 1, 2},      // 問 is grade 3: the whole run keeps its reading
        {"学問", 2, 3, 0},      // known from grade 3 on
        {"人々", 2, 6, 2},      // 々 is in no list
        {"鬱", 1, 6, 1},        // secondary-school kanji
        {"𠮟る", 2, 6, 2},      // extension B ideograph, a surrogate pair
        {"論理", 2, 6, 0},      // grade 6 and grade 2
        {"論理", 2, 5, 2},      // 論 is grade 6
        {"城", 1, 4, 1},        // grade 6 here, grade 4 only in the 2017 table
        {"大学院生", 4, 3, 0},  // longer run, all known
        {"学校の鬱", 2, 1, 0},  // context after the kanji part is not looked at
        {"学校鬱", 2, 1, 0},    // even when it is a kanji
        {"学鬱", 1, 1, 0},      // a shorter kanji part than the string
        {"学校", 2, 0, 2},      // level 0 knows nothing
        {"", 0, 6, 0},          // dictionary span: nothing to check
        {"学校", 3, 6, 3},      // count past the string: never read beyond it
    };
    for (const Case& c : cases) {
        const std::u16string text = U(c.text);
        int count = c.count;
        CheckExceptRubi(text, count, c.level);
        EXPECT_EQ(count, c.expected) << c.text << " count " << c.count << " level " << c.level;
    }
}

}  // namespace
}  // namespace velmora
