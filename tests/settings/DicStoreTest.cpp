// Dictionary.ini: the reading rules, the two loads, and the save byte for byte.
#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <random>
#include <sstream>
#include <system_error>

#include "TestFiles.h"
#include "base/Text.h"
#include "settings/DicFile.h"
#include "settings/IniFile.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

std::string Utf16Le(std::u16string_view s) {
    std::string out = "\xFF\xFE";
    for (char16_t c : s) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
    return out;
}

std::string Utf16Be(std::u16string_view s) {
    std::string out = "\xFE\xFF";
    for (char16_t c : s) {
        out += static_cast<char>(c >> 8);
        out += static_cast<char>(c & 0xFF);
    }
    return out;
}

std::string Shown(const std::vector<DicRow>& rows) {
    std::string out;
    for (const DicRow& r : rows)
        out += "[" + ToUtf8(r.word) + "|" + ToUtf8(r.rubi) + "]";
    return out;
}

std::string Shown(const UserDictionary& dic) {
    std::string out = std::to_string(dic.DicWordCount) + ":";
    for (size_t i = 0; i < dic.DicWord.size(); ++i) {
        out += "[" + ToUtf8(dic.DicWord[i]) + "|" + ToUtf8(dic.DicRubi[i]) + "]";
    }
    return out;
}

// ---- reading rules ----

struct ReadCase {
    const char* name;
    std::string bytes;
    std::string expected;  // rows as Shown() prints them
};

class DicReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(DicReadTest, ReadsTheSection) {
    EXPECT_EQ(Shown(ParseDictionary(GetParam().bytes)), GetParam().expected);
}

// "へ行った=へ行<い>った" and "表=表<ひょう>" in Shift_JIS; 表 has 0x5C as its second byte.
const std::string kSjisLines =
    "\x82\xd6\x8d\x73\x82\xc1\x82\xbd=\x82\xd6\x8d\x73<\x82\xa2>\x82\xc1\x82\xbd\r\n"
    "\x95\x5c=\x95\x5c<\x82\xd0\x82\xe5\x82\xa4>\r\n";

INSTANTIATE_TEST_SUITE_P(
    Rules, DicReadTest,
    ::testing::Values(
        ReadCase{"Utf16LeBomCrLf",
                 Utf16Le(u"[RubiDic]\r\nへ行った=へ行<い>った\r\n 家 = 家<うち> \r\n\r\n"),
                 "[へ行った|へ行<い>った][家|家<うち>]"},
        ReadCase{"Utf16BeBom", Utf16Be(u"[RubiDic]\r\n家=家<うち>\r\n"), "[家|家<うち>]"},
        ReadCase{"Utf8Bom", "\xEF\xBB\xBF[RubiDic]\n家=家<うち>\n", "[家|家<うち>]"},
        ReadCase{"ShiftJisWithoutBom", "[RubiDic]\r\n" + kSjisLines,
                 "[へ行った|へ行<い>った][表|表<ひょう>]"},
        ReadCase{"LfAndLoneCr", Utf16Le(u"[RubiDic]\na=1\rb=2\r\n\nc=3"), "[a|1][b|2][c|3]"},
        ReadCase{"CommentsAndBlankLines",
                 Utf16Le(u"[RubiDic]\r\n;x=1\r\n  ; y=2\r\n\r\n \t \r\na=1\r\n"), "[a|1]"},
        ReadCase{"ControlCharactersTrimmed",
                 Utf16Le(u"[RubiDic]\r\n\t\x01"
                         u"a\x1f=\x02 1\x7f\r\n"),
                 "[a|1\x7f]"},
        ReadCase{"SectionNameAnyCaseAndBlanks", Utf16Le(u"[ rubidic ]\r\na=1\r\n"), "[a|1]"},
        ReadCase{"OtherSectionsAndLinesBeforeIgnored",
                 Utf16Le(u"a=0\r\n[Other]\r\nb=0\r\n[RubiDic]\r\nc=1\r\n[Other2]\r\nd=0\r\n"),
                 "[c|1]"},
        ReadCase{"OnlyTheFirstRubiDicSection",
                 Utf16Le(u"[RubiDic]\r\na=1\r\n[X]\r\n[RubiDic]\r\nb=2\r\n"), "[a|1]"},
        ReadCase{"DuplicatesKeptInOrder", Utf16Le(u"[RubiDic]\r\nabc=1\r\nABC=2\r\nabc=3\r\n"),
                 "[abc|1][ABC|2][abc|3]"},
        ReadCase{"WordEndsAtFirstEquals", Utf16Le(u"[RubiDic]\r\na=b=c\r\n"), "[a|b=c]"},
        ReadCase{"LinesWithoutEqualsOrWordSkipped",
                 Utf16Le(u"[RubiDic]\r\nplain\r\n=x\r\n  =y\r\na=\r\n"), "[a|]"},
        ReadCase{"NoSection", Utf16Le(u"a=1\r\n"), ""},
        ReadCase{"EmptySection", Utf16Le(u"[RubiDic]\r\n\r\n"), ""}, ReadCase{"EmptyFile", "", ""},
        ReadCase{"BomOnly", "\xFF\xFE", ""},
        ReadCase{"OddUtf16Byte", Utf16Le(u"[RubiDic]\r\na=1") + "\x41", "[a|1]"},
        ReadCase{"BadShiftJisBytes", "[RubiDic]\r\na=\x81\r\nb=\xFF\xFF\r\n",
                 "[a|\xEF\xBF\xBD][b|\xEF\xBF\xBD\xEF\xBF\xBD]"},
        // Without a mark, valid UTF-8 is UTF-8, as every other text file of the tool.
        ReadCase{"Utf8WithoutBom", "[RubiDic]\n家=家<うち>\nへ行った=へ行<い>った\n",
                 "[家|家<うち>][へ行った|へ行<い>った]"}),
    [](const ::testing::TestParamInfo<ReadCase>& p) { return std::string(p.param.name); });

TEST(DicWords, CompareWithoutLetterCase) {
    EXPECT_TRUE(SameDicWord(u"Abc", u"aBC"));
    EXPECT_TRUE(SameDicWord(u"ＡＢＣ", u"ａｂｃ"));
    EXPECT_FALSE(SameDicWord(u"かな", u"カナ"));
    EXPECT_FALSE(SameDicWord(u"ab", u"abc"));
}

TEST(DicWords, AnyBytesParse) {
    const char alphabet[] = "[]=;\r\n RubiDic\x00\xFF\xFE\xEF\xBB\xBF\x81\x82\x95\x5c";
    std::mt19937 rng(7);
    for (int round = 0; round < 500; ++round) {
        std::string bytes(rng() % 300, '\0');
        for (char& c : bytes)
            c = alphabet[rng() % (sizeof alphabet - 1)];
        for (const DicRow& row : ParseDictionary(bytes)) {
            EXPECT_FALSE(row.word.empty());
            EXPECT_EQ(row.word.find(u'='), std::u16string::npos);
        }
    }
}

// ---- files ----

class DicFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device rd;
        dir_ = fs::temp_directory_path() /
               ("velmora-dic-" + std::to_string(rd()) + "-" + std::to_string(rd()));
        fs::create_directories(dir_);
        file_ = DictionaryPath(PathText(dir_));
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    static void Put(const fs::path& p, std::string_view bytes) { test::WriteAll(p, bytes); }
    static std::string Get(const fs::path& p) { return test::ReadAll(p); }

    fs::path dir_;
    fs::path file_;
};

TEST_F(DicFileTest, MissingFile) {
    EXPECT_EQ(file_, dir_ / "Dictionary.ini");
    UserDictionary dic;
    dic.DicWord = {u"old"};
    dic.DicRubi = {u"old"};
    dic.DicWordCount = 1;
    EXPECT_TRUE(LoadDictionary(file_, dic));
    EXPECT_EQ(Shown(dic), "0:");

    // The editor keeps what it has.
    std::vector<DicRow> rows = {{u"a", u"1"}};
    EXPECT_TRUE(LoadDictionaryRows(file_, rows));
    EXPECT_EQ(Shown(rows), "[a|1]");
}

TEST_F(DicFileTest, LoadKeepsOneEntryPerWordTheFirst) {
    Put(file_, Utf16Le(u"[RubiDic]\r\n家=家<うち>\r\nＡＢＣ=1\r\nabc=x\r\nａｂｃ=2\r\n"
                       u"家=家<いえ>\r\nABC=y\r\n"));
    UserDictionary dic;
    ASSERT_TRUE(LoadDictionary(file_, dic));
    EXPECT_EQ(Shown(dic), "3:[家|家<うち>][ＡＢＣ|1][abc|x]");
    // The editor shows every line as it is.
    std::vector<DicRow> rows;
    ASSERT_TRUE(LoadDictionaryRows(file_, rows));
    EXPECT_EQ(Shown(rows), "[家|家<うち>][ＡＢＣ|1][abc|x][ａｂｃ|2][家|家<いえ>][ABC|y]");
}

TEST_F(DicFileTest, FileWithoutMarkIsUtf8WhenValidElseShiftJis) {
    UserDictionary dic;
    Put(file_, "[RubiDic]\n家=家<うち>\n");
    ASSERT_TRUE(LoadDictionary(file_, dic));
    EXPECT_EQ(Shown(dic), "1:[家|家<うち>]");
    Put(file_, "[RubiDic]\r\n" + kSjisLines);
    ASSERT_TRUE(LoadDictionary(file_, dic));
    EXPECT_EQ(Shown(dic), "2:[へ行った|へ行<い>った][表|表<ひょう>]");
}

TEST_F(DicFileTest, FileThatIsNeitherUtf8NorShiftJisIsReportedAndKept) {
    // 0x80 and 0xA0 are no characters of Shift_JIS, and no UTF-8 either.
    const std::string bytes = "[RubiDic]\r\na=\x80\xA0\r\n";
    Put(file_, bytes);
    UserDictionary dic;
    std::u16string error;
    EXPECT_FALSE(LoadDictionary(file_, dic, &error));
    EXPECT_EQ(Shown(dic), "0:");
    EXPECT_EQ(ToUtf8(error).rfind(file_.string() + " を読み込めません\r\n", 0), 0u)
        << ToUtf8(error);
    EXPECT_NE(error.find(u"UTF-8"), std::u16string::npos);
    std::vector<DicRow> rows = {{u"b", u"2"}};
    EXPECT_FALSE(LoadDictionaryRows(file_, rows));
    EXPECT_EQ(Shown(rows), "[b|2]");
    EXPECT_EQ(Get(file_), bytes);
}

TEST(DicWords, RefusedWhenTheyWouldReadBackAsSomethingElse) {
    const std::pair<const char16_t*, const char16_t*> cases[] = {
        {u"[RubiDic]", u"「[」"}, {u"[abc", u"「[」"}, {u";x", u"「;」"},
        {u" ;x", u"「;」"},       {u"a=b", u"「=」"},  {u"", u"入(い)れて"},
        {u"家", nullptr},         {u"a[b]", nullptr},  {u"x;y", nullptr},
    };
    for (const auto& [word, why] : cases) {
        const std::u16string refusal = DicWordRefusal(word);
        if (why) {
            EXPECT_NE(refusal.find(why), std::u16string::npos) << ToUtf8(word);
        } else {
            EXPECT_EQ(refusal, u"") << ToUtf8(word);
        }
    }
}

TEST_F(DicFileTest, SaveNeverWritesALineThatReadsBackDifferently) {
    const std::string old = Utf16Le(u"[RubiDic]\r\na=1\r\n\r\n");
    for (const DicRow& bad : {DicRow{u"[x]", u"[y]"}, DicRow{u";c", u"1"}, DicRow{u"k=v", u"1"}}) {
        Put(file_, old);
        UserDictionary dic;
        std::u16string error;
        EXPECT_FALSE(SaveDictionary(file_, {{u"a", u"1"}, bad, {u"b", u"2"}}, dic, &error))
            << ToUtf8(bad.word);
        EXPECT_EQ(Get(file_), old) << ToUtf8(bad.word);
        EXPECT_EQ(ToUtf8(error).rfind(file_.string() + " に書き込めません\r\n", 0), 0u)
            << ToUtf8(error);
        EXPECT_NE(error.find(bad.word), std::u16string::npos) << ToUtf8(error);
    }
    // A bracket that does not close the line reads back as it is.
    UserDictionary dic;
    ASSERT_TRUE(SaveDictionary(file_, {{u"[x", u"y"}, {u"b", u"2"}}, dic));
    UserDictionary next;
    ASSERT_TRUE(LoadDictionary(file_, next));
    EXPECT_EQ(Shown(next), "2:[[x|y][b|2]");
}

TEST_F(DicFileTest, UnreadableFileIsReported) {
    fs::create_directories(file_ / "x");
    UserDictionary dic;
    std::u16string error;
    EXPECT_FALSE(LoadDictionary(file_, dic, &error));
    EXPECT_EQ(Shown(dic), "0:");
    EXPECT_EQ(ToUtf8(error).rfind(file_.string() + " を読み込めません\r\n", 0), 0u)
        << ToUtf8(error);
    EXPECT_GT(error.size(), PathText(file_).size() + 12);  // the system's reason follows
    std::vector<DicRow> rows = {{u"a", u"1"}};
    EXPECT_FALSE(LoadDictionaryRows(file_, rows));
    EXPECT_EQ(Shown(rows), "[a|1]");
}

TEST_F(DicFileTest, SaveWritesTheExactFileAndLoadsBack) {
    const std::vector<DicRow> rows = {
        {u"へ行った", u"へ行<い>った"},
        {u"Abc", u"old"},
        {u"家", u"家<うち>"},
        {u"aBC", u"new"},  // same word: its form goes to the first line
    };
    UserDictionary dic;
    ASSERT_TRUE(SaveDictionary(file_, rows, dic));
    EXPECT_EQ(Get(file_),
              Utf16Le(u"[RubiDic]\r\nへ行った=へ行<い>った\r\nAbc=new\r\n家=家<うち>\r\n\r\n"));
    EXPECT_EQ(Get(file_), EncodeDictionary(rows));
    EXPECT_FALSE(fs::exists(dir_ / "Dictionary.ini.tmp"));
    // In effect now: one entry per word with the form the file keeps, as the next start.
    EXPECT_EQ(Shown(dic), "3:[へ行った|へ行<い>った][Abc|new][家|家<うち>]");

    UserDictionary next;
    ASSERT_TRUE(LoadDictionary(file_, next));
    EXPECT_EQ(Shown(next), "3:[へ行った|へ行<い>った][Abc|new][家|家<うち>]");
    std::vector<DicRow> editor;
    ASSERT_TRUE(LoadDictionaryRows(file_, editor));
    ASSERT_TRUE(SaveDictionary(file_, editor, next));
    EXPECT_EQ(Get(file_),
              Utf16Le(u"[RubiDic]\r\nへ行った=へ行<い>った\r\nAbc=new\r\n家=家<うち>\r\n\r\n"));
}

TEST_F(DicFileTest, ShiftJisFileIsSavedAsUtf16) {
    Put(file_, "[RubiDic]\r\n" + kSjisLines);
    std::vector<DicRow> rows;
    ASSERT_TRUE(LoadDictionaryRows(file_, rows));
    UserDictionary dic;
    ASSERT_TRUE(SaveDictionary(file_, rows, dic));
    EXPECT_EQ(Get(file_), Utf16Le(u"[RubiDic]\r\nへ行った=へ行<い>った\r\n表=表<ひょう>\r\n\r\n"));
}

TEST_F(DicFileTest, LineBreaksInRowsStayInTheirLine) {
    const std::vector<DicRow> rows = {{u"a", u"1\r\n[Other]"}, {u"b\n", u"2"}, {u"", u"lost"}};
    UserDictionary dic;
    ASSERT_TRUE(SaveDictionary(file_, rows, dic));
    EXPECT_EQ(Shown(dic), "2:[a|1  [Other]][b|2]");
    UserDictionary next;
    ASSERT_TRUE(LoadDictionary(file_, next));
    EXPECT_EQ(Shown(next), "2:[a|1  [Other]][b|2]");
}

TEST_F(DicFileTest, SavingNoRowsRemovesTheFile) {
    Put(file_, Utf16Le(u"[RubiDic]\r\na=1\r\n"));
    UserDictionary dic;
    ASSERT_TRUE(SaveDictionary(file_, {}, dic));
    EXPECT_FALSE(fs::exists(file_));
    EXPECT_EQ(Shown(dic), "0:");
    EXPECT_TRUE(SaveDictionary(file_, {}, dic));  // nothing to remove: fine
    ASSERT_TRUE(LoadDictionary(file_, dic));
    EXPECT_EQ(dic.DicWordCount, 0);
}

TEST_F(DicFileTest, FailedSaveKeepsTheOldFile) {
    const std::string old = Utf16Le(u"[RubiDic]\r\na=1\r\n\r\n");
    Put(file_, old);
    fs::create_directories(dir_ / "Dictionary.ini.tmp" / "x");  // no temporary file possible
    UserDictionary dic;
    std::u16string error;
    EXPECT_FALSE(SaveDictionary(file_, {{u"b", u"2"}}, dic, &error));
    EXPECT_EQ(Get(file_), old);
    EXPECT_EQ(ToUtf8(error).rfind(file_.string() + " に書き込めません\r\n", 0), 0u)
        << ToUtf8(error);
    EXPECT_EQ(Shown(dic), "1:[b|2]");  // the new entries are in effect for this run
}

TEST_F(DicFileTest, SaveUnderARegularFileReportsTheReason) {
    Put(dir_ / "afile", "x");
    const fs::path bad = dir_ / "afile" / "Dictionary.ini";
    UserDictionary dic;
    std::u16string error;
    EXPECT_FALSE(SaveDictionary(bad, {{u"b", u"2"}}, dic, &error));
#ifdef _WIN32
    const int reason = ENOENT;  // Windows names no "not a folder" for a path through a file
#else
    const int reason = ENOTDIR;
#endif
    EXPECT_EQ(ToUtf8(error),
              bad.string() + " に書き込めません\r\n" + std::generic_category().message(reason));
}

TEST_F(DicFileTest, FailedRemovalIsReported) {
    fs::create_directories(file_ / "x");  // a folder that cannot be removed as a file
    UserDictionary dic;
    std::u16string error;
    EXPECT_FALSE(SaveDictionary(file_, {}, dic, &error));
    EXPECT_EQ(ToUtf8(error).rfind(file_.string() + " を削除(さくじょ)できません\r\n", 0), 0u)
        << ToUtf8(error);
}

}  // namespace
}  // namespace velmora
