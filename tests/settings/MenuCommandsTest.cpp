// The pop-up menu's commands and the two captures, on a recording host, a hand-driven clock
// and scripted desktop windows.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <utility>

#include "TestFiles.h"
#include "base/FileIO.h"
#include "base/Text.h"
#include "platform/VirtualKeys.h"
#include "settings/IniFile.h"
#include "settings/MenuCommands.h"

namespace velmora {
namespace {

namespace fs = std::filesystem;

struct FakeWindow {
    WindowId owner = 0;
    bool visible = true;
    std::u16string title;
    std::u16string exe;
};

class FakeDesktop final : public CaptureDesktop {
public:
    WindowId front = 0;
    std::map<WindowId, FakeWindow> windows;
    WindowId Foreground() override { return front; }
    WindowId Owner(WindowId w) override { return windows[w].owner; }
    bool IsVisible(WindowId w) override { return windows[w].visible; }
    std::u16string Title(WindowId w) override { return windows[w].title; }
    std::u16string ExePath(WindowId w) override { return windows[w].exe; }
    std::u16string KeyName(int vk) override { return std::u16string(VirtualKeyName(vk)); }
};

class FakeHost final : public MenuHost {
public:
    TSettingsFields* f = nullptr;
    std::u16string url;
    bool focused = false;
    std::u16string helpLabel;
    int height = 163;
    std::uint32_t now = 100000;
    bool timer = false;
    int requests = 0, pumps = 0, popups = 0, dicForms = 0, versionForms = 0, fronts = 0;
    std::deque<BoxAnswer> answers;  // none left: OK for a notice, Cancel for a question
    std::vector<std::u16string> infos, questions, errors;
    std::vector<std::pair<std::u16string, std::u16string>> helpPages;
    std::function<void()> onPump;  // what arrives while events run (a typed character)

    std::u16string URLText() override { return url; }
    void SetURLText(const std::u16string& t) override { url = t; }
    void FocusURL() override { focused = true; }
    void SetHelpLabel(const std::u16string& t) override { helpLabel = t; }
    int ClientHeight() override { return height; }
    void SetClientHeight(int h) override { height = h; }
    int CollapsedHeight() override { return 163; }
    int ExpandedHeight() override { return 405; }
    void PopupAtCursor() override { ++popups; }
    TPopupMenu menu;
    bool Checked(MenuId id) override { return menu.Checked(id); }
    void SetChecked(MenuId id, bool on) override { menu.SetChecked(id, on); }
    void SetCaption(MenuId id, const std::u16string& c) override { menu.SetCaption(id, c); }
    void BtnRubiClick() override { ++requests; }
    void Pump() override {
        ++pumps;
        if (onPump) std::exchange(onPump, nullptr)();
    }
    void Timer1Start() override { timer = true; }
    void Timer1Stop() override { timer = false; }
    std::uint32_t timeGetTime() override { return now; }
    void Info(const std::u16string& t) override { infos.push_back(t); }
    BoxAnswer Question(const std::u16string& t, bool yesNoCancel) override {
        questions.push_back(t);
        if (answers.empty()) return yesNoCancel ? BoxAnswer::Cancel : BoxAnswer::Ok;
        BoxAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    void Error(const std::u16string& t) override { errors.push_back(t); }
    void SetBrowserNo() override {
        f->BrowserNo = ToUtf8(f->BrowserExeName).ends_with("/firefox") ? 0 : -1;
    }
    std::u16string BrowserDisplayName() override {
        if (f->BrowserNo == 0) return f->BrowserName[0];
        const auto slash = f->BrowserExeName.rfind(u'/');
        return f->BrowserExeName.substr(slash + 1);
    }
    WindowId MainWindow() override { return 1; }
    void BringToFront() override { ++fronts; }
    void OpenHelpPage(const std::u16string& exe, const std::u16string& page) override {
        helpPages.emplace_back(exe, page);
    }
    void ShowDicForm() override { ++dicForms; }
    void ShowVersionForm() override { ++versionForms; }
};

class MenuCommandsTest : public ::testing::Test {
protected:
    fs::path dir = fs::temp_directory_path() /
                   (std::string("velmora-menu-") +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
    TSettingsFields f;
    FakeHost host;
    FakeDesktop desktop;
    TMenuCommands menu{f, host, desktop};

    void SetUp() override {
        fs::remove_all(dir);
        fs::create_directories(dir);
        f.DataFolda = PathText(dir);
        f.Folda = u"/opt/velmora/";
        f.IsStart = false;
        f.BrowserName[0] = u"Mozilla Firefox";
        host.f = &f;
        desktop.windows[1] = {0, true, u"ヴェルモラ", u"/opt/velmora/velmora"};
    }
    void TearDown() override { fs::remove_all(dir); }

    fs::path ConfigFile() const { return dir / "Config.ini"; }
    std::string Config() const {
        return fs::exists(ConfigFile()) ? test::ReadAll(ConfigFile()) : "";
    }
    IniFile Ini() const { return IniFile(ConfigFile()); }
    // One second of the timer.
    void Tick() {
        host.now += 1000;
        if (host.timer) menu.Timer1Timer();
    }
};

// ---- The menu's entries ----

TEST(PopupMenu1, EntriesInOrderWithCaptionsKindsAndTicks) {
    TPopupMenu menu;
    std::string shown;
    for (const TMenuEntry& item : menu.Items()) {
        shown += menu.IsTopLevel(item.id) ? "" : "  ";
        shown += ToUtf8(item.name) + " " + ToUtf8(item.caption);
        if (item.kind == MenuKind::Radio) shown += " (radio " + std::to_string(item.group) + ")";
        if (item.kind == MenuKind::Tick) shown += " (tick)";
        if (item.kind == MenuKind::Submenu) shown += " (submenu)";
        if (item.checked) shown += " *";
        shown += "\n";
    }
    EXPECT_EQ(
        shown,
        "PMenuBrowser ルビを表示(ひょうじ)するブラウザ(&B)\n"
        "PMenuRubiLevel ルビレベル(&L) (submenu)\n"
        "  PMenuExceptRubi0 小学校(しょうがっこう)1年未満(ねんみまん)(&0) (radio 1) *\n"
        "  PMenuExceptRubi1 小学校(しょうがっこう)1年(ねん)(&1) (radio 1)\n"
        "  PMenuExceptRubi2 小学校(しょうがっこう)2年(ねん)(&2) (radio 1)\n"
        "  PMenuExceptRubi3 小学校(しょうがっこう)3年(ねん)(&3) (radio 1)\n"
        "  PMenuExceptRubi4 小学校(しょうがっこう)4年(ねん)(&4) (radio 1)\n"
        "  PMenuExceptRubi5 小学校(しょうがっこう)5年(ねん)(&5) (radio 1)\n"
        "  PMenuExceptRubi6 小学校(しょうがっこう)6年(ねん)(&6) (radio 1)\n"
        "PMenuRubiStyle ルビの書(か)き方(かた)(&S) (submenu)\n"
        "  PMenuRubiStyle0 かっこ: 漢字(かんじ)(&P) (radio 2) *\n"
        "  PMenuRubiStyle1 ルビ: 漢字(かんじ)の上(うえ)に小(ちい)さく(&R) (radio 2)\n"
        "PMenuSetDic 辞書編集(じしょへんしゅう)(&D)\n"
        "PMenuHotKey ルビふりキー:[Shift](&K)\n"
        "PMenuCloseNoRubiTab ルビがふられていないタブは閉(と)じる(&T) (tick)\n"
        "PMenuNoMoveBrowser "
        "起動時(きどうじ)ルビふりブラウザの位置(いち)・サイズを変更(へんこう)しない(&M) (tick)\n"
        "PMenuDeleteFile 終了時(しゅうりょうじ)にルビふりHTMLファイルを削除(さくじょ)する(&F) "
        "(tick) *\n"
        "N1 -\n"
        "PMenuHelp ヘルプ(&H)\n"
        "PMenuVersion バージョン情報(じょうほう)(&V)\n");

    menu.SetChecked(MenuId::PMenuExceptRubi4, true);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(menu.Checked(TPopupMenu::ExceptRubi(i)), i == 4);
    EXPECT_TRUE(menu.Checked(MenuId::PMenuRubiStyle0));  // another group
    EXPECT_TRUE(menu.Checked(MenuId::PMenuDeleteFile));
}

TEST_F(MenuCommandsTest, GuardedEntriesDoNothingDuringStart) {
    f.IsStart = true;
    host.url = u"http://example.com/";
    for (MenuId id : {MenuId::PMenuExceptRubi3, MenuId::PMenuRubiStyle1, MenuId::PMenuDeleteFile,
                      MenuId::PMenuCloseNoRubiTab, MenuId::PMenuNoMoveBrowser, MenuId::PMenuBrowser,
                      MenuId::PMenuHotKey})
        menu.Click(id);
    EXPECT_EQ(f.ExceptRubiLevel, 0);
    EXPECT_TRUE(host.menu.Checked(MenuId::PMenuExceptRubi0));
    EXPECT_TRUE(host.menu.Checked(MenuId::PMenuRubiStyle0));
    EXPECT_TRUE(host.menu.Checked(MenuId::PMenuDeleteFile));
    EXPECT_FALSE(host.menu.Checked(MenuId::PMenuCloseNoRubiTab));
    EXPECT_FALSE(host.menu.Checked(MenuId::PMenuNoMoveBrowser));
    EXPECT_TRUE(host.questions.empty());
    EXPECT_FALSE(host.timer);
    EXPECT_EQ(host.requests, 0);
    EXPECT_FALSE(fs::exists(ConfigFile()));

    // The others have no guard.
    for (MenuId id : {MenuId::PMenuSetDic, MenuId::PMenuHelp, MenuId::PMenuVersion})
        menu.Click(id);
    EXPECT_EQ(host.dicForms, 1);
    EXPECT_EQ(host.versionForms, 1);
    EXPECT_EQ(host.helpPages.size(), 1u);
}

TEST_F(MenuCommandsTest, LevelChangeWritesAndRedoesThePageInTheField) {
    struct Case {
        const char16_t* url;
        bool redone;
    };
    const Case cases[] = {{u"HTTPS://example.com/", true},
                          {u"File:///tmp/a.html", true},
                          {u"", false},
                          {u"example.com", false}};
    int level = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(ToUtf8(c.url));
        host.url = c.url;
        host.requests = 0;
        ++level;
        menu.Click(TPopupMenu::ExceptRubi(level));
        EXPECT_EQ(f.ExceptRubiLevel, level);
        EXPECT_TRUE(host.menu.Checked(TPopupMenu::ExceptRubi(level)));
        EXPECT_EQ(Ini().ReadInteger(u"ExceptRubi", u"Value", -1), level);
        EXPECT_EQ(host.requests, c.redone ? 1 : 0);
    }
    EXPECT_GT(host.pumps, 0);
}

TEST_F(MenuCommandsTest, SameLevelChangesNothing) {
    f.ExceptRubiLevel = 2;
    host.menu.SetChecked(MenuId::PMenuExceptRubi2, true);
    host.url = u"http://example.com/";
    menu.Click(MenuId::PMenuExceptRubi2);
    EXPECT_FALSE(fs::exists(ConfigFile()));
    EXPECT_EQ(host.requests, 0);
}

TEST_F(MenuCommandsTest, LevelChangeDuringARequestStartsNoSecond) {
    f.Rubiing = true;
    host.url = u"http://example.com/";
    menu.Click(MenuId::PMenuExceptRubi5);
    EXPECT_EQ(f.ExceptRubiLevel, 5);
    EXPECT_EQ(host.requests, 0);
}

TEST_F(MenuCommandsTest, RefusedWriteKeepsTheNewLevelAndStartsNothing) {
    fs::create_directories(ConfigFile());  // a folder where the file belongs
    host.url = u"http://example.com/";
    menu.Click(MenuId::PMenuExceptRubi3);
    EXPECT_EQ(f.ExceptRubiLevel, 3);
    ASSERT_EQ(host.errors.size(), 1u);
    EXPECT_NE(host.errors[0].find(u"に書き込めません"), std::u16string::npos);
    EXPECT_EQ(host.requests, 0);
}

TEST_F(MenuCommandsTest, ReadingStyleIsARadioPairStoredInConfig) {
    host.url = u"http://example.com/";
    menu.Click(MenuId::PMenuRubiStyle1);
    EXPECT_EQ(f.RubiStyle, RubyStyle::RubyTags);
    EXPECT_TRUE(host.menu.Checked(MenuId::PMenuRubiStyle1));
    EXPECT_FALSE(host.menu.Checked(MenuId::PMenuRubiStyle0));
    EXPECT_EQ(Ini().ReadInteger(u"RubiStyle", u"Value", -1), 1);
    EXPECT_EQ(host.requests, 1);
    menu.Click(MenuId::PMenuRubiStyle0);
    EXPECT_EQ(Ini().ReadInteger(u"RubiStyle", u"Value", -1), 0);
    EXPECT_EQ(host.requests, 2);
}

TEST_F(MenuCommandsTest, TickEntriesRoundTripThroughConfig) {
    struct Tick {
        MenuId id;
        const char16_t* section;
        bool initially;
    };
    const Tick ticks[] = {{MenuId::PMenuDeleteFile, u"DeleteFile", true},
                          {MenuId::PMenuCloseNoRubiTab, u"CloseNoRubiTab", false},
                          {MenuId::PMenuNoMoveBrowser, u"NoMoveBrowser", false}};
    for (const Tick& t : ticks) {
        SCOPED_TRACE(ToUtf8(t.section));
        menu.Click(t.id);
        EXPECT_EQ(host.menu.Checked(t.id), !t.initially);
        EXPECT_EQ(Ini().ReadString(t.section, u"Value", u"?"), t.initially ? u"0" : u"1");
        menu.Click(t.id);
        EXPECT_EQ(host.menu.Checked(t.id), t.initially);
        EXPECT_EQ(Ini().ReadString(t.section, u"Value", u"?"), t.initially ? u"1" : u"0");
    }
    // The start-up read sees what the ticks wrote.
    menu.Click(MenuId::PMenuNoMoveBrowser);
    IniFile ini = Ini();
    const ConfigLoad load = LoadConfig(ini, {});
    EXPECT_TRUE(load.config.DeleteFile);
    EXPECT_FALSE(load.config.CloseNoRubiTab);
    EXPECT_TRUE(load.config.NoMoveBrowser);
}

TEST_F(MenuCommandsTest, TabSentenceFollowsTheTickAndTheStoredKeyName) {
    Ini().WriteString(u"HotKey", u"Name", u"Ctrl");
    menu.Click(MenuId::PMenuCloseNoRubiTab);
    EXPECT_EQ(host.helpLabel, HelpText(u"Ctrl", true));
    EXPECT_TRUE(
        host.helpLabel.ends_with(u"ドラッグ・ドロップしてもルビがふられます。(この場合(ばあい)"
                                 u"、ルビがふられていないタブは閉(と)じません。)"));
    EXPECT_NE(host.helpLabel.find(u"クリックしてから[Ctrl]キーを押(お)せば"), std::u16string::npos);
    EXPECT_NE(host.helpLabel.find(u"URLを[Ctrl]キーを押(お)しながら"), std::u16string::npos);
    menu.Click(MenuId::PMenuCloseNoRubiTab);
    EXPECT_EQ(host.helpLabel, HelpText(u"Ctrl", false));
    EXPECT_EQ(host.helpLabel.find(kCloseNoRubiTabSentence), std::u16string::npos);
    // Without a stored name: Shift.
    fs::remove(ConfigFile());
    menu.SetHelpText(u"");
    EXPECT_NE(host.helpLabel.find(u"[Shift]キーを押(お)せば"), std::u16string::npos);
}

TEST_F(MenuCommandsTest, HelpOpensTheHelpPageInTheChosenBrowser) {
    f.BrowserExeName = u"/usr/bin/firefox";
    menu.Click(MenuId::PMenuHelp);
    ASSERT_EQ(host.helpPages.size(), 1u);
    EXPECT_EQ(host.helpPages[0].first, u"/usr/bin/firefox");
    EXPECT_EQ(host.helpPages[0].second, u"/opt/velmora/Help/Help.html");
}

TEST_F(MenuCommandsTest, HelpButtonTogglesTheUsagePanel) {
    menu.BtnHelpClick();
    EXPECT_EQ(host.height, 405);
    menu.BtnHelpClick();
    EXPECT_EQ(host.height, 163);
    host.height = 300;  // any other height counts as expanded
    menu.BtnHelpClick();
    EXPECT_EQ(host.height, 163);
}

TEST_F(MenuCommandsTest, MenuPictureOpensTheMenu) {
    menu.ImgMenuClick();
    EXPECT_EQ(host.popups, 1);
}

// ---- Browser capture ----

TEST_F(MenuCommandsTest, BrowserQuestionNoOrCancelStartsNothing) {
    for (BoxAnswer a : {BoxAnswer::No, BoxAnswer::Cancel}) {
        host.answers = {a};
        menu.Click(MenuId::PMenuBrowser);
        EXPECT_EQ(f.GetBrowserStartTime, 0u);
        EXPECT_FALSE(host.timer);
    }
    ASSERT_EQ(host.questions.size(), 2u);
    EXPECT_EQ(host.questions[0], kBrowserQuestion);
}

TEST_F(MenuCommandsTest, BrowserCaptureTakesTheFrontWindowsProgram) {
    struct Case {
        const char* name;
        std::u16string exe;
        std::u16string shown;  // in the caption and the message
    };
    const Case cases[] = {{"catalogue", u"/usr/bin/firefox", u"Mozilla Firefox"},
                          {"other", u"/opt/qute/qutebrowser.bin", u"qutebrowser.bin"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host.infos.clear();
        desktop.windows[7] = {0, true, u"ページ — Browser", c.exe};
        desktop.front = 1;  // the tool itself, until the user brings the browser forward
        host.answers = {BoxAnswer::Yes};
        menu.Click(MenuId::PMenuBrowser);
        EXPECT_TRUE(host.timer);
        Tick();
        EXPECT_EQ(f.GetBrowserStartTime, host.now - 1000);  // still waiting
        desktop.front = 7;
        Tick();
        EXPECT_EQ(f.BrowserExeName, c.exe);
        EXPECT_EQ(host.menu.Caption(MenuId::PMenuBrowser),
                  u"ルビを表示(ひょうじ)するブラウザ:" + c.shown + u"(&B)");
        EXPECT_EQ(host.infos, std::vector<std::u16string>{u"ルビを表示(ひょうじ)するブラウザを" +
                                                          c.shown + u"に変更(へんこう)しました。"});
        EXPECT_EQ(Ini().ReadString(u"BrowserExeName", u"Value", u""), c.exe);
        EXPECT_EQ(f.GetBrowserStartTime, 0u);
        EXPECT_FALSE(host.timer);
        EXPECT_GT(host.fronts, 0);
        EXPECT_FALSE(host.helpLabel.empty());
    }
}

TEST_F(MenuCommandsTest, BrowserCaptureRefusesEdgeAndEndsAtOnce) {
    f.BrowserExeName = u"/usr/bin/firefox";
    for (const char16_t* title :
         {u"新しいタブ - 個人 - Microsoft Edge", u"新しいタブ - 個人 - Microsoft\u200B Edge"}) {
        host.infos.clear();
        desktop.windows[8] = {0, true, title, u"/opt/microsoft/msedge/msedge"};
        desktop.front = 8;
        host.answers = {BoxAnswer::Yes};
        menu.Click(MenuId::PMenuBrowser);
        Tick();
        EXPECT_EQ(host.infos, std::vector<std::u16string>{std::u16string(kEdgeRefused)});
        EXPECT_EQ(f.GetBrowserStartTime, 0u);
        EXPECT_FALSE(host.timer);
        EXPECT_EQ(f.BrowserExeName, u"/usr/bin/firefox");
        EXPECT_FALSE(fs::exists(ConfigFile()));
    }
}

TEST_F(MenuCommandsTest, BrowserCaptureSkipsOwnedHiddenAndPathlessWindowsThenTimesOut) {
    desktop.windows[9] = {7, true, u"ダイアログ", u"/usr/bin/firefox"};  // owned
    desktop.windows[10] = {0, false, u"hidden", u"/usr/bin/firefox"};
    desktop.windows[11] = {0, true, u"no process", u""};
    host.answers = {BoxAnswer::Yes};
    menu.Click(MenuId::PMenuBrowser);
    const std::uint32_t start = f.GetBrowserStartTime;
    for (WindowId w : {WindowId{9}, WindowId{10}, WindowId{11}}) {
        desktop.front = w;
        Tick();
        EXPECT_TRUE(host.timer);
        EXPECT_EQ(f.GetBrowserStartTime, start);
    }
    // 4000 ms after the start: more than three seconds, the capture ends silently.
    Tick();
    EXPECT_EQ(f.GetBrowserStartTime, 0u);
    EXPECT_FALSE(host.timer);
    EXPECT_TRUE(host.infos.empty());
    EXPECT_TRUE(f.BrowserExeName.empty());
}

TEST_F(MenuCommandsTest, BrowserCaptureWaitsWhileARequestRuns) {
    desktop.windows[7] = {0, true, u"Firefox", u"/usr/bin/firefox"};
    desktop.front = 7;
    host.answers = {BoxAnswer::Yes};
    menu.Click(MenuId::PMenuBrowser);
    f.Rubiing = true;
    for (int i = 0; i < 5; ++i)
        Tick();
    EXPECT_NE(f.GetBrowserStartTime, 0u);  // neither taken nor timed out
    f.Rubiing = false;
    Tick();  // the window is still examined before the time-out
    EXPECT_EQ(f.BrowserExeName, u"/usr/bin/firefox");
}

TEST_F(MenuCommandsTest, ElapsedTimeSurvivesTheClockWrapping) {
    host.now = 0xFFFFFC00;  // 1 s before the wrap
    host.answers = {BoxAnswer::Yes};
    menu.Click(MenuId::PMenuBrowser);
    desktop.front = 1;
    Tick();
    Tick();
    EXPECT_NE(f.GetBrowserStartTime, 0u);
    Tick();
    Tick();
    EXPECT_EQ(f.GetBrowserStartTime, 0u);
}

// ---- Ruby-key capture ----

TEST_F(MenuCommandsTest, KeyCaptureTakesAKeyWithItsLayoutName) {
    struct Case {
        int key;
        const char16_t* name;
    };
    const Case cases[] = {{17, u"Ctrl"}, {16, u"Shift"}, {38, u"Up"},  {37, u"Left"},
                          {113, u"F2"},  {123, u"F12"},  {28, u"変換"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(ToUtf8(c.name));
        host.infos.clear();
        host.url = u"http://example.com/";
        menu.Click(MenuId::PMenuHotKey);
        EXPECT_EQ(host.questions.back(), kHotKeyNotice);
        EXPECT_TRUE(host.url.empty());
        EXPECT_TRUE(host.focused);
        EXPECT_TRUE(host.timer);
        EXPECT_FALSE(menu.LEURLKeyDown(c.key));  // not consumed
        EXPECT_EQ(f.HotKey, c.key);
        EXPECT_EQ(host.menu.Caption(MenuId::PMenuHotKey),
                  u"ルビふりキー:[" + std::u16string(c.name) + u"](&K)");
        EXPECT_NE(host.helpLabel.find(u"[" + std::u16string(c.name) + u"]キーを押(お)せば"),
                  std::u16string::npos);
        EXPECT_EQ(Ini().ReadInteger(u"HotKey", u"Value", 0), c.key);
        EXPECT_EQ(Ini().ReadString(u"HotKey", u"Name", u""), c.name);
        EXPECT_EQ(f.SetHotKeyStartTime, 0u);
        EXPECT_FALSE(host.timer);
        EXPECT_EQ(host.infos,
                  std::vector<std::u16string>{u"ルビ振(ふ)りキーを[" + std::u16string(c.name) +
                                              u"]に設定しました。"});
        EXPECT_TRUE(host.url.empty());
    }
}

TEST_F(MenuCommandsTest, KeyCaptureRefusesTextKeysAndAltButStaysOpen) {
    menu.Click(MenuId::PMenuHotKey);
    // A letter types into the field while events run; every later key meets the same answer.
    host.onPump = [this] { host.url = u"a"; };
    menu.LEURLKeyDown('A');
    menu.LEURLKeyDown(17);
    EXPECT_EQ(host.infos, (std::vector<std::u16string>{std::u16string(kTextKeyRefused),
                                                       std::u16string(kTextKeyRefused)}));
    EXPECT_NE(f.SetHotKeyStartTime, 0u);
    EXPECT_EQ(f.HotKey, 16);

    host.infos.clear();
    host.url.clear();
    menu.LEURLKeyDown(18);
    EXPECT_EQ(host.infos, std::vector<std::u16string>{std::u16string(kAltKeyRefused)});
    EXPECT_NE(f.SetHotKeyStartTime, 0u);
    EXPECT_FALSE(fs::exists(ConfigFile()));

    // A key the layout cannot name ends the capture and changes nothing.
    host.infos.clear();
    menu.LEURLKeyDown(255);
    EXPECT_EQ(host.infos, std::vector<std::u16string>{std::u16string(kNoKeyName)});
    EXPECT_EQ(f.SetHotKeyStartTime, 0u);
    EXPECT_FALSE(host.timer);
    EXPECT_EQ(f.HotKey, 16);
}

TEST_F(MenuCommandsTest, KeyCaptureTimesOutSilently) {
    menu.Click(MenuId::PMenuHotKey);
    Tick();
    Tick();
    Tick();
    EXPECT_NE(f.SetHotKeyStartTime, 0u);
    Tick();
    EXPECT_EQ(f.SetHotKeyStartTime, 0u);
    EXPECT_FALSE(host.timer);
    EXPECT_TRUE(host.infos.empty());
}

TEST_F(MenuCommandsTest, EnterStartsARequestOnlyForAnAddress) {
    struct Case {
        const char16_t* url;
        int key;
        bool consumed;
    };
    const Case cases[] = {{u"HTTP://example.com/", 13, true},
                          {u"file:///tmp/a.html", 13, true},
                          {u"https://example.com/", 9, false},
                          {u"www.example.com", 13, false},
                          {u"", 13, false}};
    for (const Case& c : cases) {
        host.url = c.url;
        host.requests = 0;
        EXPECT_EQ(menu.LEURLKeyDown(c.key), c.consumed) << ToUtf8(c.url);
        EXPECT_EQ(host.requests, c.consumed ? 1 : 0) << ToUtf8(c.url);
    }
    f.Rubiing = true;  // consumed, but no second request
    host.url = u"http://example.com/";
    host.requests = 0;
    EXPECT_TRUE(menu.LEURLKeyDown(13));
    EXPECT_EQ(host.requests, 0);
}

TEST(VirtualKeys, OneTableForTheHookAndTheCapture) {
    struct Case {
        std::uint32_t keysym;
        int toolkitKey;
        int vk;
        const char16_t* name;
    };
    const Case cases[] = {
        {0xffe1, 0x01000020, 16, u"Shift"},     {0xffe2, 0x01000020, 16, u"Shift"},
        {0xffe3, 0x01000021, 17, u"Ctrl"},      {0xffe4, 0x01000021, 17, u"Ctrl"},
        {0xffe9, 0x01000023, 18, u"Alt"},       {0xff52, 0x01000013, 38, u"Up"},
        {0xff54, 0x01000015, 40, u"Down"},      {0xffbe, 0x01000030, 112, u"F1"},
        {0xffc9, 0x0100003b, 123, u"F12"},      {0xff0d, 0x01000004, 13, u"Enter"},
        {0xff2a, 0x0100112a, 25, u"半角/全角"}, {'a', 'A', 65, u""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(VirtualKeyFromKeysym(c.keysym), c.vk) << c.vk;
        EXPECT_EQ(VirtualKeyFromToolkitKey(c.toolkitKey), c.vk) << c.vk;
        EXPECT_EQ(VirtualKeyName(c.vk), c.name) << c.vk;
    }
    EXPECT_EQ(VirtualKeyFromKeysym(0x1234567), 0);
    // Every code appears once, so a name is never ambiguous.
    std::map<int, int> seen;
    for (const VirtualKey& key : VirtualKeyTable())
        EXPECT_EQ(++seen[key.vk], 1) << key.vk;
}

TEST(VirtualKeys, ExtendedKeysOfTheNameLookUp) {
    for (int vk : {33, 38, 40, 46, 91, 93, 111, 144, 163, 165})
        EXPECT_TRUE(IsExtendedKey(vk)) << vk;
    for (int vk : {16, 17, 18, 32, 47, 104, 162, 164})
        EXPECT_FALSE(IsExtendedKey(vk)) << vk;
}

}  // namespace
}  // namespace velmora
