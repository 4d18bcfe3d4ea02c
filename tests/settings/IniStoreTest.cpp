// Config.ini: the profile-style reading rules, single-key writes that keep everything else,
// refused writes, and the start-up read of the settings.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

#include "TestFiles.h"
#include "base/Text.h"
#include "settings/IniFile.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

// A fresh data folder per test, removed afterwards.
class TempFolder : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device rd;
        dir_ = fs::temp_directory_path() /
               ("velmora-ini-" + std::to_string(rd()) + "-" + std::to_string(rd()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    fs::path ConfigFile() const { return dir_ / "Config.ini"; }

    static void Put(const fs::path& p, std::string_view bytes) { test::WriteAll(p, bytes); }
    static std::string Get(const fs::path& p) { return test::ReadAll(p); }

    fs::path dir_;
};

// ---- reading ----

struct ReadCase {
    const char* name;
    std::string file;
    std::u16string section;
    std::u16string key;
    std::u16string expected;  // read with the default "DEF"
};

class IniReadTest : public TempFolder, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(IniReadTest, ReadsLikeTheProfileFunctions) {
    const ReadCase& c = GetParam();
    Put(ConfigFile(), c.file);
    EXPECT_EQ(ToUtf8(IniFile(ConfigFile()).ReadString(c.section, c.key, u"DEF")),
              ToUtf8(c.expected));
}

// The line end of a file the store creates: the system's own.
#ifdef _WIN32
#define NL "\r\n"
#else
#define NL "\n"
#endif

const std::string kLong(3000, 'a');
// 2046 ASCII letters, then a surrogate pair across the cut.
const std::string kLongPair = std::string(2046, 'b') + "\xF0\x9F\x98\x80" + "tail";

INSTANTIATE_TEST_SUITE_P(
    Rules, IniReadTest,
    ::testing::Values(
        ReadCase{"Plain", "[S]\nK=v\n", u"S", u"K", u"v"},
        ReadCase{"CaseOfSectionAndKey", "[exceptRUBI]\nvALUE=3\n", u"ExceptRubi", u"Value", u"3"},
        ReadCase{"BlanksAroundKeyAndValue", "[ S ]\n \t K \t=  a b  \n", u"S", u"K", u"a b"},
        ReadCase{"DoubleQuotes", "[S]\nK=\" C:\\Program Files\\b.exe \"\n", u"S", u"K",
                 u" C:\\Program Files\\b.exe "},
        ReadCase{"SingleQuotes", "[S]\nK='x'\n", u"S", u"K", u"x"},
        ReadCase{"UnpairedQuoteKept", "[S]\nK=\"x\n", u"S", u"K", u"\"x"},
        ReadCase{"MixedQuotesKept", "[S]\nK=\"x'\n", u"S", u"K", u"\"x'"},
        ReadCase{"FirstEqualsSplits", "[S]\nK=a=b\n", u"S", u"K", u"a=b"},
        ReadCase{"EmptyValue", "[S]\nK=\n", u"S", u"K", u""},
        ReadCase{"MissingKey", "[S]\nOther=1\n", u"S", u"K", u"DEF"},
        ReadCase{"MissingSection", "[T]\nK=1\n", u"S", u"K", u"DEF"},
        ReadCase{"KeyOfTheNextSection", "[S]\n[T]\nK=1\n", u"S", u"K", u"DEF"},
        ReadCase{"KeyBeforeAnySection", "K=1\n[S]\n", u"S", u"K", u"DEF"},
        ReadCase{"CommentLine", "[S]\n;K=1\n", u"S", u"K", u"DEF"},
        ReadCase{"LineWithoutEquals", "[S]\nK\n", u"S", u"K", u"DEF"},
        ReadCase{"FirstKeyWins", "[S]\nK=1\nk=2\n", u"S", u"K", u"1"},
        ReadCase{"FirstSectionWins", "[S]\nK=1\n[s]\nK=2\n", u"S", u"K", u"1"},
        ReadCase{"CrLf", "[S]\r\nK=v\r\n", u"S", u"K", u"v"},
        ReadCase{"LoneCr", "[S]\rK=v\r", u"S", u"K", u"v"},
        ReadCase{"NoFinalLineEnd", "[S]\nK=v", u"S", u"K", u"v"},
        ReadCase{"Utf8Bom", "\xEF\xBB\xBF[S]\nK=v\n", u"S", u"K", u"v"},
        ReadCase{"Japanese", "[HotKey]\nName=変換\n", u"HotKey", u"Name", u"変換"},
        ReadCase{"Utf16LeBom", "\xFF\xFE[\0S\0]\0\n\0K\0=\0v\0\n\0"s, u"S", u"K", u"v"},
        ReadCase{"GarbageAround", "\xFF\x00\xC3\n[\x80]\n\x00\x00\n[S]\nK=v\xFE\n\xF0\x9F"s, u"S",
                 u"K", u"v\uFFFD"},
        ReadCase{"EmptyFile", "", u"S", u"K", u"DEF"},
        ReadCase{"CutAt2047", "[S]\nK=" + kLong + "\n", u"S", u"K",
                 std::u16string(IniFile::kMaxValue, u'a')},
        ReadCase{"CutKeepsNoHalfPair", "[S]\nK=" + kLongPair + "\n", u"S", u"K",
                 std::u16string(2046, u'b')}),
    [](const ::testing::TestParamInfo<ReadCase>& p) { return std::string(p.param.name); });

TEST_F(TempFolder, MissingFileGivesDefaults) {
    IniFile ini(ConfigFile());
    EXPECT_FALSE(ini.Exists());
    EXPECT_EQ(ini.ReadString(u"S", u"K", u"d"), u"d");
    EXPECT_EQ(ini.ReadInteger(u"S", u"K", 16), 16);
    EXPECT_TRUE(ini.ReadBool(u"S", u"K", true));
}

TEST_F(TempFolder, ReadsIntegersAndOnOff) {
    struct Case {
        const char* text;
        int expected;  // default 7
    };
    const Case cases[] = {
        {"3", 3},
        {"-1", -1},
        {"+5", 5},
        {"0x3", 3},
        {"0X1f", 31},
        {"$3", 3},
        {"$fF", 255},
        {"\"12\"", 12},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"0x7FFFFFFF", 2147483647},
        {"2147483648", 7},
        {"0x80000000", 7},
        {"99999999999999999999", 7},
        {"abc", 7},
        {"3a", 7},
        {"3 4", 7},
        {"0x", 7},
        {"$", 7},
        {"-", 7},
        {"0xg", 7},
        {"", 7},
        {"１", 7},
    };
    IniFile ini(ConfigFile());
    for (const Case& c : cases) {
        Put(ConfigFile(), std::string("[S]\nK=") + c.text + "\n");
        EXPECT_EQ(ini.ReadInteger(u"S", u"K", 7), c.expected) << c.text;
    }

    Put(ConfigFile(), "[A]\nValue=2\n[B]\nValue=0\n[C]\nValue=x\n");
    EXPECT_TRUE(ini.ReadBool(u"A", u"Value", false));
    EXPECT_FALSE(ini.ReadBool(u"B", u"Value", true));
    EXPECT_TRUE(ini.ReadBool(u"C", u"Value", true));
    EXPECT_FALSE(ini.ReadBool(u"C", u"Value", false));
    EXPECT_TRUE(ini.ReadBool(u"Missing", u"Value", true));
}

TEST_F(TempFolder, AnyBytesReadAndWrite) {
    // Random files made of the characters that matter to the parser, and one huge line:
    // reads never fail, and a write always leaves a file in which the key reads back.
    const char alphabet[] = "[]=;\r\n \tSKsk\"'\x00\xFF\xFE\xEF\xBB\xBF\xC3\x80";
    std::mt19937 rng(20240601);
    IniFile ini(ConfigFile());
    for (int round = 0; round < 300; ++round) {
        std::string bytes(rng() % 200, '\0');
        for (char& c : bytes)
            c = alphabet[rng() % (sizeof alphabet - 1)];
        if (round == 0) bytes = "[S]\nK=" + std::string(1 << 20, 'x') + "\r";
        Put(ConfigFile(), bytes);
        (void)ini.ReadString(u"S", u"K", u"");
        (void)ini.ReadInteger(u"s", u"k", 0);
        ASSERT_TRUE(ini.WriteString(u"S", u"K", u"v")) << round;
        EXPECT_EQ(ini.ReadString(u"S", u"K", u""), u"v") << "round " << round;
    }
}

// ---- writing ----

TEST_F(TempFolder, FirstWriteCreatesTheFile) {
    IniFile ini(ConfigFile());
    ASSERT_TRUE(ini.WriteString(u"BrowserExeName", u"Value", u"/usr/bin/firefox"));
    EXPECT_EQ(Get(ConfigFile()), "[BrowserExeName]" NL "Value=/usr/bin/firefox" NL);
    ASSERT_TRUE(ini.WriteInteger(u"ExceptRubi", u"Value", 3));
    ASSERT_TRUE(ini.WriteBool(u"DeleteFile", u"Value", false));
    EXPECT_EQ(Get(ConfigFile()), "[BrowserExeName]" NL "Value=/usr/bin/firefox" NL "[ExceptRubi]" NL
                                 "Value=3" NL "[DeleteFile]" NL "Value=0" NL);
    EXPECT_FALSE(fs::exists(dir_ / "Config.ini.tmp"));
}

TEST_F(TempFolder, WritesKeepEverythingElse) {
    // Comments, stray lines, a line of bytes that are not UTF-8, sections in their order.
    const std::string before =
        "; settings\r\n"
        "stray line\r\n"
        "[HotKey]\r\n"
        "Value=17\r\n"
        "Name=Ctrl\r\n"
        "\r\n"
        "[Other]\r\n"
        "Junk=\xFF\xFE\x80 bytes\r\n"
        "Quoted=\"  q  \"\r\n";
    Put(ConfigFile(), before);
    IniFile ini(ConfigFile());
    ASSERT_TRUE(ini.WriteString(u"hotkey", u"NAME", u"変換"));    // in place, stored spelling
    ASSERT_TRUE(ini.WriteString(u"HotKey", u"Extra", u"1"));      // after the section's last key
    ASSERT_TRUE(ini.WriteString(u"ExceptRubi", u"Value", u"2"));  // new section at the end
    EXPECT_EQ(Get(ConfigFile()),
              "; settings\r\n"
              "stray line\r\n"
              "[HotKey]\r\n"
              "Value=17\r\n"
              "Name=変換\r\n"
              "Extra=1\r\n"
              "\r\n"
              "[Other]\r\n"
              "Junk=\xFF\xFE\x80 bytes\r\n"
              "Quoted=\"  q  \"\r\n"
              "[ExceptRubi]\r\n"
              "Value=2\r\n");
    EXPECT_EQ(ini.ReadString(u"Other", u"Quoted", u""), u"  q  ");
}

TEST_F(TempFolder, WriteKeepsTheFileEncoding) {
    struct Case {
        const char* name;
        std::string before;
        std::string after;
    };
    const Case cases[] = {
        {"Utf8Bom", "\xEF\xBB\xBF[S]\nK=1", "\xEF\xBB\xBF[S]\nK=2\n"},
        {"Utf16Le", "\xFF\xFE[\0S\0]\0\r\0\n\0K\0=\0\x31\0"s,
         "\xFF\xFE[\0S\0]\0\r\0\n\0K\0=\0\x32\0\r\0\n\0"s},
        {"Utf16Be", "\xFE\xFF\0[\0S\0]\0\n\0K\0=\0\x31"s, "\xFE\xFF\0[\0S\0]\0\n\0K\0=\0\x32\0\n"s},
    };
    IniFile ini(ConfigFile());
    for (const Case& c : cases) {
        Put(ConfigFile(), c.before);
        ASSERT_TRUE(ini.WriteString(u"S", u"K", u"2")) << c.name;
        EXPECT_EQ(Get(ConfigFile()), c.after) << c.name;
        EXPECT_EQ(ini.ReadString(u"S", u"K", u""), u"2") << c.name;
    }
}

TEST_F(TempFolder, ReplacingKeepsALinkAndThePermissions) {
#ifdef _WIN32
    GTEST_SKIP() << "symbolic links and POSIX permissions";
#endif
    fs::create_directories(dir_ / "real");
    const fs::path target = dir_ / "real" / "Config.ini";
    Put(target, "[S]\nK=1\n");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(target, ConfigFile());
    IniFile ini(ConfigFile());
    ASSERT_TRUE(ini.WriteString(u"S", u"K", u"2"));
    EXPECT_TRUE(fs::is_symlink(ConfigFile()));
    EXPECT_EQ(Get(target), "[S]\nK=2\n");
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(TempFolder, ValueCannotAddLines) {
    IniFile ini(ConfigFile());
    ASSERT_TRUE(ini.WriteString(u"S", u"K", u"a\r\n[Evil]\nK=1"));
    EXPECT_EQ(ini.ReadString(u"S", u"K", u""), u"a  [Evil] K=1");
    EXPECT_EQ(ini.ReadString(u"Evil", u"K", u"none"), u"none");
}

TEST_F(TempFolder, RefusedWriteReportsThePath) {
    // A folder on the way that is a regular file: the write cannot succeed, even as root.
    Put(dir_ / "afile", "x");
    const fs::path bad = dir_ / "afile" / "Config.ini";
    IniFile ini(bad);
    std::u16string error;
    EXPECT_FALSE(ini.WriteString(u"S", u"K", u"v", &error));
    EXPECT_EQ(ToUtf8(error), bad.string() + " に書き込めません");
    error.clear();
    EXPECT_FALSE(ini.WriteInteger(u"S", u"K", 1, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(ini.ReadString(u"S", u"K", u"d"), u"d");
}

TEST_F(TempFolder, FailedWriteLeavesTheOldFile) {
    const std::string before = "[S]\nK=1\n";
    Put(ConfigFile(), before);
    // The temporary file cannot be created where a folder stands.
    fs::create_directories(dir_ / "Config.ini.tmp" / "x");
    IniFile ini(ConfigFile());
    std::u16string error;
    EXPECT_FALSE(ini.WriteString(u"S", u"K", u"2", &error));
    EXPECT_EQ(ToUtf8(error), ConfigFile().string() + " に書き込めません");
    EXPECT_EQ(Get(ConfigFile()), before);
}

TEST_F(TempFolder, UnreadableFileIsNotOverwritten) {
    // A folder named Config.ini cannot be read: reads give defaults, writes are refused.
    fs::create_directories(ConfigFile() / "keep");
    IniFile ini(ConfigFile());
    EXPECT_EQ(ini.ReadInteger(u"S", u"K", 4), 4);
    std::u16string error;
    EXPECT_FALSE(ini.WriteString(u"S", u"K", u"v", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(fs::exists(ConfigFile() / "keep"));
}

// ---- the settings ----

std::u16string Shown(const Config& c) {
    return u"level=" + FromUtf8(std::to_string(c.ExceptRubiLevel)) + u" browser=" +
           c.BrowserExeName + u" key=" + FromUtf8(std::to_string(c.HotKey)) + u"/" + c.HotKeyName +
           u" delete=" + (c.DeleteFile ? u"1" : u"0") + u" close=" +
           (c.CloseNoRubiTab ? u"1" : u"0") + u" nomove=" + (c.NoMoveBrowser ? u"1" : u"0");
}

TEST_F(TempFolder, NoFileGivesDefaultsAndWritesNothing) {
    IniFile ini(ConfigFile());
    const ConfigLoad load = LoadConfig(ini, nullptr);
    EXPECT_EQ(ToUtf8(Shown(load.config)), ToUtf8(Shown(Config{})));
    EXPECT_EQ(load.config.ExceptRubiLevel, 0);
    EXPECT_EQ(load.config.HotKey, 16);
    EXPECT_EQ(load.config.HotKeyName, u"Shift");
    EXPECT_TRUE(load.config.DeleteFile);
    EXPECT_FALSE(load.config.CloseNoRubiTab);
    EXPECT_FALSE(load.config.NoMoveBrowser);
    EXPECT_TRUE(load.config.BrowserExeName.empty());
    EXPECT_FALSE(load.alt.repaired);
    EXPECT_FALSE(fs::exists(ConfigFile()));
}

TEST_F(TempFolder, FirstRunStoresOnlyTheDefaultBrowser) {
    IniFile ini(ConfigFile());
    const ConfigLoad load = LoadConfig(ini, [] { return std::u16string(u"/usr/bin/firefox"); });
    EXPECT_EQ(load.config.BrowserExeName, u"/usr/bin/firefox");
    EXPECT_TRUE(load.browserFromDefault);
    EXPECT_TRUE(load.writeErrors.empty());
    EXPECT_EQ(Get(ConfigFile()), "[BrowserExeName]" NL "Value=/usr/bin/firefox" NL);

    // Next start: stored, not looked up again.
    int asked = 0;
    const ConfigLoad again = LoadConfig(ini, [&] {
        ++asked;
        return std::u16string(u"/other");
    });
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(again.config.BrowserExeName, u"/usr/bin/firefox");
    EXPECT_FALSE(again.browserFromDefault);
}

TEST_F(TempFolder, DefaultBrowserAnswers) {
    EXPECT_EQ(BrowserFromDefault(u"C:\\Windows\\System32\\LaunchWinApp.exe"), kMicrosoftEdge);
    EXPECT_EQ(BrowserFromDefault(u"/usr/bin/firefox"), u"/usr/bin/firefox");
    EXPECT_EQ(BrowserFromDefault(u""), u"");

    // An empty stored value counts as none; an empty answer writes nothing.
    Put(ConfigFile(), "[BrowserExeName]\nValue=\n");
    IniFile ini(ConfigFile());
    EXPECT_TRUE(LoadConfig(ini, [] { return std::u16string(); }).config.BrowserExeName.empty());
    EXPECT_EQ(Get(ConfigFile()), "[BrowserExeName]\nValue=\n");
    const ConfigLoad edge = LoadConfig(ini, [] { return std::u16string(u"X\\LaunchWinApp.exe"); });
    EXPECT_EQ(edge.config.BrowserExeName, kMicrosoftEdge);
    EXPECT_EQ(ini.ReadString(u"BrowserExeName", u"Value", u""), kMicrosoftEdge);
}

TEST_F(TempFolder, FullFile) {
    Put(ConfigFile(),
        "[ExceptRubi]\r\nValue=4\r\n"
        "[BrowserExeName]\r\nValue=/opt/browser/bin/browser\r\n"
        "[HotKey]\r\nValue=17\r\nName=Ctrl\r\n"
        "[DeleteFile]\r\nValue=0\r\n"
        "[CloseNoRubiTab]\r\nValue=1\r\n"
        "[NoMoveBrowser]\r\nValue=1\r\n");
    IniFile ini(ConfigFile());
    const std::string before = Get(ConfigFile());
    const ConfigLoad load = LoadConfig(ini, [] { return std::u16string(u"/unused"); });
    EXPECT_EQ(ToUtf8(Shown(load.config)),
              "level=4 browser=/opt/browser/bin/browser key=17/Ctrl delete=0 close=1 nomove=1");
    EXPECT_EQ(ReadHotKeyName(ini), u"Ctrl");
    EXPECT_EQ(Get(ConfigFile()), before);  // a read writes nothing
}

TEST_F(TempFolder, ReadsEachSettingWithItsDefault) {
    struct Case {
        const char* file;
        const char* expected;
    };
    const Case cases[] = {
        // The ruby key without a name: the key stays, the name is Shift.
        {"[HotKey]\nValue=17\n", "level=0 browser=/b key=17/Shift delete=1 close=0 nomove=0"},
        {"[ExceptRubi]\nValue=0x3\n", "level=3 browser=/b key=16/Shift delete=1 close=0 nomove=0"},
        {"[ExceptRubi]\nValue=$3\n", "level=3 browser=/b key=16/Shift delete=1 close=0 nomove=0"},
        {"[ExceptRubi]\nValue=abc\n", "level=0 browser=/b key=16/Shift delete=1 close=0 nomove=0"},
        {"[ExceptRubi]\nValue=6\n", "level=6 browser=/b key=16/Shift delete=1 close=0 nomove=0"},
        {"[ExceptRubi]\nValue=9\n", "level=6 browser=/b key=16/Shift delete=1 close=0 nomove=0"},
        {"[ExceptRubi]\nValue=-1\n", "level=0 browser=/b key=16/Shift delete=1 close=0 nomove=0"},
        {"[DeleteFile]\nValue=2\n[CloseNoRubiTab]\nValue=x\n",
         "level=0 browser=/b key=16/Shift delete=1 close=0 nomove=0"},
        {"[DeleteFile]\nValue=abc\n[NoMoveBrowser]\nValue=-3\n",
         "level=0 browser=/b key=16/Shift delete=1 close=0 nomove=1"},
    };
    for (const Case& c : cases) {
        Put(ConfigFile(), std::string("[BrowserExeName]\nValue=/b\n") + c.file);
        IniFile ini(ConfigFile());
        EXPECT_EQ(ToUtf8(Shown(LoadConfig(ini, nullptr).config)), c.expected) << c.file;
    }
}

TEST_F(TempFolder, ReadingStyleIsRubyMarkupOnlyForOne) {
    const struct {
        const char* file;
        RubyStyle style;
    } cases[] = {
        {"", RubyStyle::Parentheses},
        {"[RubiStyle]\nValue=0\n", RubyStyle::Parentheses},
        {"[RubiStyle]\nValue=1\n", RubyStyle::RubyTags},
        {"[rubistyle]\nvalue= 0x1 \n", RubyStyle::RubyTags},
        {"[RubiStyle]\nValue=2\n", RubyStyle::Parentheses},
        {"[RubiStyle]\nValue=-1\n", RubyStyle::Parentheses},
        {"[RubiStyle]\nValue=ruby\n", RubyStyle::Parentheses},
    };
    for (const auto& c : cases) {
        Put(ConfigFile(), std::string("[BrowserExeName]\nValue=/b\n") + c.file);
        IniFile ini(ConfigFile());
        EXPECT_EQ(LoadConfig(ini, nullptr).config.RubiStyle, c.style) << c.file;
        EXPECT_EQ(ReadRubiStyle(ini), c.style) << c.file;
    }
    IniFile ini(ConfigFile());
    ASSERT_TRUE(WriteRubiStyle(ini, RubyStyle::RubyTags));
    EXPECT_EQ(Get(ConfigFile()), "[BrowserExeName]\nValue=/b\n[RubiStyle]\nValue=1\n");
    ASSERT_TRUE(WriteRubiStyle(ini, RubyStyle::Parentheses));
    EXPECT_EQ(ReadRubiStyle(ini), RubyStyle::Parentheses);
}

TEST_F(TempFolder, AltKeyIsRepairedOnce) {
    EXPECT_FALSE(RepairAltHotKey(17).repaired);
    EXPECT_EQ(RepairAltHotKey(17).HotKey, 17);

    Put(ConfigFile(), "[HotKey]\nValue=18\nName=Alt\n[BrowserExeName]\nValue=/b\n");
    IniFile ini(ConfigFile());
    const ConfigLoad load = LoadConfig(ini, nullptr);
    ASSERT_TRUE(load.alt.repaired);
    EXPECT_EQ(load.alt.message,
              u"[Alt]キーはルビふりキーには使えなくなりましたので\r\n"
              u"[Shift]キーに変更(へんこう)しました。");
    EXPECT_EQ(load.config.HotKey, 16);
    EXPECT_EQ(load.config.HotKeyName, u"Shift");
    EXPECT_TRUE(load.writeErrors.empty());
    EXPECT_EQ(Get(ConfigFile()), "[HotKey]\nValue=16\nName=Shift\n[BrowserExeName]\nValue=/b\n");

    EXPECT_FALSE(LoadConfig(ini, nullptr).alt.repaired);
}

TEST_F(TempFolder, RefusedStartUpWritesAreReportedAndTheValuesHold) {
    Put(ConfigFile(), "[HotKey]\nValue=18\nName=Alt\n");
    fs::create_directories(dir_ / "Config.ini.tmp" / "x");
    IniFile ini(ConfigFile());
    const ConfigLoad load = LoadConfig(ini, [] { return std::u16string(u"/usr/bin/firefox"); });
    EXPECT_TRUE(load.alt.repaired);
    EXPECT_EQ(load.config.HotKey, 16);
    EXPECT_EQ(load.config.HotKeyName, u"Shift");
    EXPECT_EQ(load.config.BrowserExeName, u"/usr/bin/firefox");
    // The key code write failed (its name is then not tried), and the browser write.
    ASSERT_EQ(load.writeErrors.size(), 2u);
    EXPECT_EQ(ToUtf8(load.writeErrors[0]), ConfigFile().string() + " に書き込めません");
    EXPECT_EQ(Get(ConfigFile()), "[HotKey]\nValue=18\nName=Alt\n");
}

TEST_F(TempFolder, WritersRoundTrip) {
    IniFile ini(ConfigFile());
    ASSERT_TRUE(WriteExceptRubiLevel(ini, 5));
    ASSERT_TRUE(WriteBrowserExeName(ini, u"/opt/ブラウザ/bin/b"));
    ASSERT_TRUE(WriteHotKey(ini, 17, u"Ctrl"));
    ASSERT_TRUE(WriteDeleteFile(ini, false));
    ASSERT_TRUE(WriteCloseNoRubiTab(ini, true));
    ASSERT_TRUE(WriteNoMoveBrowser(ini, true));
    ASSERT_TRUE(WriteNoMoveBrowser(ini, false));
    EXPECT_EQ(ToUtf8(Shown(LoadConfig(ini, nullptr).config)),
              "level=5 browser=/opt/ブラウザ/bin/b key=17/Ctrl delete=0 close=1 nomove=0");
    EXPECT_EQ(ReadHotKeyName(ini), u"Ctrl");

    IniFile bad(dir_ / "Config.ini" / "Config.ini");
    std::u16string error;
    EXPECT_FALSE(WriteHotKey(bad, 16, u"Shift", &error));
    EXPECT_EQ(ToUtf8(error), (dir_ / "Config.ini" / "Config.ini").string() + " に書き込めません");
}

}  // namespace
}  // namespace velmora
