#include "ruby/EncodeDetect.h"

#include <gtest/gtest.h>

#include <string>

namespace velmora {
namespace {

using namespace std::string_literals;

struct DetectCase {
    const char* name;
    std::string bytes;
    uint8_t flags;
    int expected;
};

void PrintTo(const DetectCase& c, std::ostream* os) {
    *os << c.name;
}

class DetectEncodingTest : public ::testing::TestWithParam<DetectCase> {};

TEST_P(DetectEncodingTest, GivesCode) {
    const DetectCase& c = GetParam();
    EXPECT_EQ(DetectEncoding(c.bytes, c.flags), c.expected);
}

// "日本語" in UTF-8 passes the Shift_JIS scan with a lower score and fails EUC-JP at 97.
const std::string kNihongoUtf8 = "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e";

INSTANTIATE_TEST_SUITE_P(
    Cases, DetectEncodingTest,
    ::testing::Values(
        DetectCase{"Empty", "", 0, kEncUnknown},
        DetectCase{"Utf8BomBeforeAnything", "\xef\xbb\xbf\xff\xfe"s, 0, kEncUtf8Bom},
        DetectCase{"Utf8BomAlone", "\xef\xbb\xbf", 0, kEncUtf8Bom},
        DetectCase{"Utf32LEMarkIsNotUtf16", "\xff\xfe\x00\x00"s, 0, kEncUtf32LE},
        DetectCase{"Utf16LEMark", "\xff\xfe\x41\x00"s, 0, kEncUtf16LE},
        DetectCase{"Utf16LEMarkTwoBytes", "\xff\xfe", 0, kEncUtf16LE},
        DetectCase{"Utf16BEMark", "\xfe\xff\x00\x41"s, 0, kEncUtf16BE},
        DetectCase{"Utf32BEMark", "\x00\x00\xfe\xff"s, 0, kEncUtf32BE},
        DetectCase{"MarksSwitchedOff", "\xef\xbb\xbf" + kNihongoUtf8, kNoBom, kEncUtf8},
        DetectCase{"SevenBitWithEscB", "abc\x1b$B4A;z\x1b(B", 0, kEncIso2022Jp},
        DetectCase{"EscKatakana", "\x1b(I12\x1b(B", 0, kEncIso2022Jp},
        DetectCase{"EscJisX0212", "\x1b$(D0!", 0, kEncIso2022Jp},
        DetectCase{"EscJis1990", "\x1b&@\x1b$B0!", 0, kEncIso2022Jp},
        DetectCase{"HighByteAfterEscapeStillJis", "\x1b$B4A\x1b(B\x82\xa0", 0, kEncIso2022Jp},
        // The high byte ends the escape test; the Shift_JIS scorer takes it from there.
        DetectCase{"HighByteBeforeEscape", "\x82\xa0\x1b$B4A;z\x1b(B", 0, kEncShiftJis},
        DetectCase{"EscapeCutByEnd", "abc\x1b$", 0, kEncUnknown},
        DetectCase{"JisSwitchedOff", "abc\x1b$B4A;z\x1b(B", kNoIso2022Jp, kEncUnknown},
        DetectCase{"ShiftJisAfterAscii", "<p>\x8a\xbf\x8e\x9a\x82\xcc\x93\xc7\x82\xdd</p>", 0,
                   kEncShiftJis},
        DetectCase{"EucJp", "<p>\xb4\xc1\xbb\xfa\xa4\xce\xc6\xc9\xa4\xdf</p>", 0, kEncEucJp},
        DetectCase{"EucJpHalfWidthKatakana", "\x8e\xb1\x8e\xb2\xb4\xc1", 0, kEncEucJp},
        DetectCase{"Utf8", "<p>" + kNihongoUtf8 + "</p>", 0, kEncUtf8},
        DetectCase{"Utf8SwitchedOffFallsToShiftJis", kNihongoUtf8, kNoUtf8, kEncShiftJis},
        DetectCase{"Utf7", "Vim +MG8wATBT- ok", 0, kEncUtf7},
        DetectCase{"Utf7SwitchedOff", "Vim +MG8wATBT- ok", kNoUtf7, kEncUnknown},
        DetectCase{"PlainAscii", "<html><body>Hello</body></html>", 0, kEncUnknown},
        // E0 A1 scores 2 both as Shift_JIS and as EUC-JP.
        DetectCase{"TieForTopScore", "\xe0\xa1", 0, kEncUnknown},
        // EUC-JP leads with a partial score, then meets an invalid byte: no answer.
        DetectCase{"BestScoreInvalid", "\xa4\xa2\xa4\xa4\x80", 0, kEncUnknown},
        DetectCase{"Utf7BestButInvalid", "a+bc d", 0, kEncUnknown},
        DetectCase{"ShiftJisSwitchedOff", "\x82\xa0\x82\xa2", kNoShiftJis, kEncUnknown},
        DetectCase{"EverythingOff", "\xef\xbb\xbf" + kNihongoUtf8, 0x3F, kEncUnknown}),
    [](const ::testing::TestParamInfo<DetectCase>& p) { return std::string(p.param.name); });

struct ScoreCase {
    const char* name;
    bool (*scorer)(std::string_view, uint8_t, int&);
    std::string bytes;
    bool valid;
    int score;
};

void PrintTo(const ScoreCase& c, std::ostream* os) {
    *os << c.name;
}

class ScorerTest : public ::testing::TestWithParam<ScoreCase> {};

TEST_P(ScorerTest, ValidityAndScore) {
    const ScoreCase& c = GetParam();
    int score = 100;  // scorers add to the caller's counter
    EXPECT_EQ(c.scorer(c.bytes, 0, score), c.valid);
    EXPECT_EQ(score, 100 + c.score);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScorerTest,
    ::testing::Values(
        ScoreCase{"SjisDoubleAndKana", ScoreSJIS, "a\x82\xa0\xb1\xe0\x40", true, 4},
        ScoreCase{"SjisTrail7FInvalid", ScoreSJIS, "\x82\x7f", false, 0},
        ScoreCase{"SjisTrailLowInvalid", ScoreSJIS, "\x82\xa0\x82\x20", false, 2},
        ScoreCase{"SjisInvalidLead80", ScoreSJIS, "\x80", false, 0},
        ScoreCase{"SjisInvalidLeadA0", ScoreSJIS, "\xa0", false, 0},
        ScoreCase{"SjisInvalidLeadFD", ScoreSJIS, "\xfd", false, 0},
        ScoreCase{"SjisCutAtEnd", ScoreSJIS, "\x82\xa0\x82", true, 2},
        ScoreCase{"EucKana", ScoreEUC, "\x8e\xb1", true, 2},
        ScoreCase{"EucKanaTrailOutOfRange", ScoreEUC, "\x8e\xe0", false, 0},
        ScoreCase{"EucThreeByte", ScoreEUC, "\x8f\xb0\xa1\xa4\xa2", true, 5},
        ScoreCase{"EucThreeByteCut", ScoreEUC, "\xa4\xa2\x8f\xb0", true, 2},
        ScoreCase{"EucCutButPresentByteBad", ScoreEUC, "\xa4\xa2\x8f\x20", false, 2},
        ScoreCase{"EucInvalidLead", ScoreEUC, "\xa0\xa1", false, 0},
        ScoreCase{"Utf8FourByte", ScoreUTF8, "\xf0\x9f\x98\x80", true, 4},
        ScoreCase{"Utf8OverlongNotLookedFor", ScoreUTF8, "\xc0\x80\xed\xa0\x80", true, 5},
        ScoreCase{"Utf8CutAfterSecondByte", ScoreUTF8, "\xe3\x81\x82\xe3\x81", true, 3},
        ScoreCase{"Utf8CutButPresentByteBad", ScoreUTF8, "\xe3\x41", false, 0},
        ScoreCase{"Utf8InvalidLead", ScoreUTF8, "\xe3\x81\x82\xf8", false, 3},
        ScoreCase{"Utf7Run", ScoreUTF7, "a +MEI-b", true, 8},
        ScoreCase{"Utf7PlusMinus", ScoreUTF7, "a+-b", true, 2},
        ScoreCase{"Utf7PlusInsideRun", ScoreUTF7, "+ab+c", true, 10},
        ScoreCase{"Utf7MinusOutsideRun", ScoreUTF7, "a-b (c), d.e/f:g?h'i", true, 0},
        ScoreCase{"Utf7LessThan", ScoreUTF7, "+AB<", false, 6},
        ScoreCase{"Utf7Tilde", ScoreUTF7, "~", false, 0},
        ScoreCase{"Utf7SpaceInRun", ScoreUTF7, "+a b", false, 4},
        ScoreCase{"Utf7HighByte", ScoreUTF7, "\x82", false, 0}),
    [](const ::testing::TestParamInfo<ScoreCase>& p) { return std::string(p.param.name); });

TEST(ScorerFlagsTest, SwitchedOffScorerReportsInvalidWithoutScore) {
    const std::string sample = "\x8e\xb1\x82\xa0";  // valid for Shift_JIS and EUC-JP
    int score = 0;
    EXPECT_FALSE(ScoreSJIS(sample, kNoShiftJis, score));
    EXPECT_FALSE(ScoreEUC(sample, kNoEucJp, score));
    EXPECT_FALSE(ScoreUTF8("\xe3\x81\x82", kNoUtf8, score));
    EXPECT_FALSE(ScoreUTF7("+MEI-", kNoUtf7, score));
    EXPECT_EQ(score, 0);
    EXPECT_EQ(CheckBOM("\xef\xbb\xbf", kNoBom), kEncUnknown);
    EXPECT_FALSE(IsJIS("\x1b$B", kNoIso2022Jp));
}

TEST(DetectStreamEncodingTest, ReadsAtMostMaxBytes) {
    // ASCII up to byte 1024, Shift_JIS after it.
    const std::string stream = std::string(1024, 'a') + "\x8a\xbf\x8e\x9a";
    EXPECT_EQ(DetectStreamEncoding(stream, 1024, 0), kEncUnknown);
    EXPECT_EQ(DetectStreamEncoding(stream, 1026, 0), kEncShiftJis);
    // Out of range: the whole stream.
    EXPECT_EQ(DetectStreamEncoding(stream, 0, 0), kEncShiftJis);
    EXPECT_EQ(DetectStreamEncoding(stream, -5, 0), kEncShiftJis);
    EXPECT_EQ(DetectStreamEncoding(stream, 1 << 30, 0), kEncShiftJis);
    EXPECT_EQ(DetectStreamEncoding("", 1024, 0), kEncUnknown);
}

TEST(DetectStreamEncodingTest, CharacterCutByLimitStaysValidUtf8) {
    // The 1024-byte limit cuts "本" after its second byte. Were the cut character counted
    // as invalid, no scorer would be valid (Shift_JIS fails at 9E 20).
    std::string stream = kNihongoUtf8 + std::string(1024 - 9 - 2, ' ') + "\xe6\x9c\xac";
    EXPECT_EQ(DetectStreamEncoding(stream, 1024, 0), kEncUtf8);
    int score = 0;
    EXPECT_TRUE(ScoreUTF8(stream.substr(0, 1024), 0, score));
    EXPECT_EQ(score, 9);
}

}  // namespace
}  // namespace velmora
