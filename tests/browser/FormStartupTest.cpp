// Start-up of the main window's logic: settings, data folder, TLS check, single instance,
// the first state of its controls and the usage panel.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <regex>

#include "FormFixture.h"
#include "browser/Startup.h"
#include "platform/x11/X11Backend.h"

using namespace velmora;

namespace {

const std::string kNoBrowser = "表示(ひょうじ)するブラウザを指定(してい)してください。";
const std::string kAltRepaired =
    "[Alt]キーはルビふりキーには使えなくなりましたので\r\n[Shift]キーに変更(へんこう)しました。";
const std::string kEdge =
    "Microsoft Edge "
    "ではルビを振(ふ)った画面(がめん)を表示(ひょうじ)できません。\rルビを表示(ひょうじ)"
    "するブラウザを変更(へんこう)してください。";
const std::string kTabSentence = "(この場合(ばあい)、ルビがふられていないタブは閉(と)じません。)";

std::vector<std::string> Texts(const FakeMessageBox& box) {
    std::vector<std::string> texts;
    for (const auto& t : box.Texts())
        texts.push_back(ToUtf8(t));
    return texts;
}

bool Contains(const std::u16string& text, const std::string& part) {
    return ToUtf8(text).find(part) != std::string::npos;
}

// Lines of a file without the empty ones.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::regex eol("\r?\n");
    for (std::sregex_token_iterator it(text.begin(), text.end(), eol, -1), end; it != end; ++it)
        if (!it->str().empty()) lines.push_back(it->str());
    return lines;
}

struct SettingsCase {
    const char* name;
    std::string config;  // empty: no Config.ini at all
    int level;
    int hotKey;
    std::string hotKeyCaption;
    bool deleteFile, closeNoRubiTab, noMoveBrowser;
    std::vector<std::string> messages;
};

}  // namespace

TEST(FormStartup, Settings) {
    const std::string shift = "ルビふりキー:[Shift](&K)";
    const std::vector<SettingsCase> cases = {
        {"no Config.ini", "", 0, 16, shift, true, false, false, {kNoBrowser}},
        {"full",
         "[ExceptRubi]\r\nValue=4\r\n[BrowserExeName]\r\nValue=/usr/bin/firefox\r\n[HotKey]\r\n"
         "Value=17\r\nName=Ctrl\r\n[DeleteFile]\r\nValue=0\r\n[CloseNoRubiTab]\r\nValue=1\r\n"
         "[NoMoveBrowser]\r\nValue=1\r\n",
         4,
         17,
         "ルビふりキー:[Ctrl](&K)",
         false,
         true,
         true,
         {}},
        {"HotKey 18 becomes Shift",
         "[BrowserExeName]\nValue=/usr/bin/firefox\n[HotKey]\nValue=18\nName=Alt\n",
         0,
         16,
         shift,
         true,
         false,
         false,
         {kAltRepaired}},
        {"hex level 0x3",
         "[ExceptRubi]\nValue=0x3\n",
         3,
         16,
         shift,
         true,
         false,
         false,
         {kNoBrowser}},
        {"hex level $5",
         "[ExceptRubi]\nValue=$5\n",
         5,
         16,
         shift,
         true,
         false,
         false,
         {kNoBrowser}},
        {"level above 6 reads as 6",
         "[ExceptRubi]\nValue=9\n",
         6,
         16,
         shift,
         true,
         false,
         false,
         {kNoBrowser}},
        {"negative level reads as 0",
         "[ExceptRubi]\nValue=-2\n",
         0,
         16,
         shift,
         true,
         false,
         false,
         {kNoBrowser}},
        {"DeleteFile 2 is on, not a number is the default",
         "[DeleteFile]\nValue=2\n[CloseNoRubiTab]\nValue=abc\n",
         0,
         16,
         shift,
         true,
         false,
         false,
         {kNoBrowser}},
        {"stored Edge warns",
         "[BrowserExeName]\nValue=Microsoft Edge\n",
         0,
         16,
         shift,
         true,
         false,
         false,
         {kEdge}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FormFixture app;
        if (!c.config.empty()) app.WriteConfig(c.config);
        ASSERT_TRUE(app.Start());
        TVelmoraForm& f = *app.form;

        EXPECT_EQ(f.ExceptRubiLevel, c.level);
        for (int i = 0; i < 7; ++i)
            EXPECT_EQ(f.MenuExceptRubi[static_cast<size_t>(i)]->Checked(), i == c.level) << i;
        EXPECT_EQ(f.HotKey, c.hotKey);
        EXPECT_EQ(ToUtf8(f.PMenuHotKey->Text()), c.hotKeyCaption);
        EXPECT_EQ(f.PMenuDeleteFile->Checked(), c.deleteFile);
        EXPECT_EQ(f.PMenuCloseNoRubiTab->Checked(), c.closeNoRubiTab);
        EXPECT_EQ(f.PMenuNoMoveBrowser->Checked(), c.noMoveBrowser);
        EXPECT_EQ(Contains(f.LblHelp.Text(), kTabSentence), c.closeNoRubiTab);
        // The usage text names the ruby key.
        const std::string keyName =
            c.hotKeyCaption.substr(c.hotKeyCaption.find('[') + 1,
                                   c.hotKeyCaption.find(']') - c.hotKeyCaption.find('[') - 1);
        EXPECT_TRUE(Contains(f.LblHelp.Text(), "[" + keyName + "]キーを押(お)せば"));
        EXPECT_EQ(Texts(app.messages), c.messages);
        EXPECT_FALSE(f.IsStart);

        // A stored browser is brought up at the first show, in the start-up manner.
        if (!f.BrowserExeName.empty()) {
            ASSERT_EQ(app.shower.calls.size(), 1u);
            EXPECT_TRUE(app.shower.calls[0].quotedPath.empty());
            EXPECT_TRUE(app.shower.calls[0].starting);
        } else {
            EXPECT_TRUE(app.shower.calls.empty());
        }
        if (c.config.empty()) {
            EXPECT_FALSE(std::filesystem::exists(app.Data() / "Config.ini"));
        }
        if (std::string(c.name) == "HotKey 18 becomes Shift") {
            IniFile ini(app.Data() / "Config.ini");
            EXPECT_EQ(ini.ReadInteger(u"HotKey", u"Value", 0), 16);
            EXPECT_TRUE(ini.ReadString(u"HotKey", u"Name", u"") == u"Shift");
        }
        if (std::string(c.name) == "full") {
            EXPECT_EQ(ToUtf8(f.PMenuBrowser->Text()),
                      "ルビを表示(ひょうじ)するブラウザ:Mozilla Firefox(&B)");
        }
    }
}

namespace {
struct DefaultBrowserCase {
    const char* name;
    std::string config;  // empty: no Config.ini at all
    std::string answer;  // the desktop's default browser
    bool asked;
    std::string browser;  // BrowserExeName afterwards
    int no;
    std::string caption;
    std::vector<std::string> lines;  // of Config.ini afterwards; none: no file
    std::vector<std::string> messages;
};
std::string Caption(const std::string& name) {
    return "ルビを表示(ひょうじ)するブラウザ:" + name + "(&B)";
}
}  // namespace

TEST(FormStartup, DefaultBrowser) {
    const std::string esr = "/usr/lib/firefox-esr/firefox-esr";
    const std::string opera = "/usr/lib/x86_64-linux-gnu/opera/opera";
    const std::string chrome = "/opt/google/chrome/chrome";
    const std::vector<DefaultBrowserCase> cases = {
        {"first run, known browser",
         "",
         esr,
         true,
         esr,
         0,
         Caption("Mozilla Firefox"),
         {"[BrowserExeName]", "Value=" + esr},
         {}},
        {"first run, browser outside the catalogue",
         "",
         "/usr/bin/epiphany-browser",
         true,
         "/usr/bin/epiphany-browser",
         -1,
         Caption("epiphany-browser"),
         {"[BrowserExeName]", "Value=/usr/bin/epiphany-browser"},
         {}},
        {"first run, no default browser", "", "", true, "", -1, Caption(""), {}, {kNoBrowser}},
        {"empty stored browser is looked up",
         "[ExceptRubi]\nValue=2\n[BrowserExeName]\nValue=\n",
         opera,
         true,
         opera,
         3,
         Caption("Opera"),
         {"[ExceptRubi]", "Value=2", "[BrowserExeName]", "Value=" + opera},
         {}},
        {"stored browser is kept",
         "[BrowserExeName]\nValue=/opt/google/chrome/chrome\n",
         esr,
         false,
         chrome,
         2,
         Caption("Google Chrome"),
         {"[BrowserExeName]", "Value=" + chrome},
         {}},
        {"Edge's launcher is stored as Edge",
         "",
         "C:\\Windows\\SystemApps\\LaunchWinApp.exe",
         true,
         "Microsoft Edge",
         6,
         Caption("Microsoft Edge"),
         {"[BrowserExeName]", "Value=Microsoft Edge"},
         {kEdge}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FormFixture app;
        if (!c.config.empty()) app.WriteConfig(c.config);
        app.defaultBrowser.answer = FromUtf8(c.answer);
        ASSERT_TRUE(app.Start());
        TVelmoraForm& f = *app.form;

        EXPECT_EQ(app.defaultBrowser.asked, c.asked ? 1 : 0);
        EXPECT_EQ(ToUtf8(f.BrowserExeName), c.browser);
        EXPECT_EQ(f.BrowserNo, c.no);
        EXPECT_EQ(ToUtf8(f.PMenuBrowser->Text()), c.caption);
        EXPECT_EQ(Texts(app.messages), c.messages);
        if (c.no == 6) {
            ASSERT_FALSE(app.messages.history.empty());
            EXPECT_EQ(app.messages.history[0].icon, TMessageBox::Question);
        }

        const auto path = app.Data() / "Config.ini";
        EXPECT_EQ(std::filesystem::exists(path), !c.lines.empty());
        if (!c.lines.empty()) {
            EXPECT_EQ(Lines(ReadAll(path)), c.lines);
        }
        // The first run goes on with the defaults of a missing file.
        const int level = c.config.find("ExceptRubi") != std::string::npos ? 2 : 0;
        EXPECT_TRUE(f.MenuExceptRubi[static_cast<size_t>(level)]->Checked());
        EXPECT_TRUE(f.PMenuDeleteFile->Checked());
        EXPECT_EQ(f.HotKey, 16);
        // A browser found now is brought up at the first show like a stored one.
        EXPECT_EQ(app.shower.calls.size(), size_t(c.browser.empty() ? 0 : 1));
    }
}

TEST(FormStartup, FirstStateOfTheWindow) {
    FormFixture app("no such/Documents");
    ASSERT_TRUE(app.Start());
    TVelmoraForm& f = *app.form;

    // The data folder is created with its missing parents.
    EXPECT_TRUE(std::filesystem::is_directory(app.Data()));
    EXPECT_TRUE(f.DataFolda == app.Data().u16string());
    EXPECT_EQ(ToUtf8(f.Caption), "ヴェルモラ");
    EXPECT_EQ(f.ClientHeight, 163);
    EXPECT_EQ(app.view.clientHeight, 163);
    EXPECT_EQ(f.ClientWidth, 335);
    EXPECT_FALSE(f.BtnRubi.Enabled());
    EXPECT_TRUE(f.BtnRubi.Visible());
    EXPECT_EQ(ToUtf8(f.BtnRubi.Text()), "ルビふり");
    EXPECT_FALSE(f.BtnCancel.Visible());
    EXPECT_FALSE(f.LblRubiing.Visible());
    EXPECT_FALSE(f.ProgressBar1.Visible());
    EXPECT_FALSE(f.ComboBoxRubiTitle.Enabled());
    ASSERT_EQ(f.ComboBoxRubiTitle.Count(), 1);
    EXPECT_EQ(f.ComboBoxRubiTitle.ItemIndex(), 0);
    EXPECT_EQ(ToUtf8(f.ComboBoxRubiTitle.Items()[0].text), "以前(いぜん)のルビふり画面(がめん)");
    EXPECT_EQ(ToUtf8(f.LEURL.Hint()), "URL");
    EXPECT_EQ(ToUtf8(f.ImgMenu.Hint()), "メニュー");
    EXPECT_FALSE(app.timer.Active());
    EXPECT_EQ(app.timer.Interval(), 1000);
    EXPECT_EQ(f.Timer1, &app.timer);
    app.clock.now = 123456;
    EXPECT_EQ(f.timeGetTime(), 123456u);
    EXPECT_EQ(f.RubiHTMLCount, 0);
    EXPECT_EQ(f.BrowserHWND, WindowId(0));
    EXPECT_TRUE(f.BrowserName[0] == u"Mozilla Firefox");
    EXPECT_TRUE(f.BrowserName[6] == u"Microsoft Edge");
    // The view was told of every control when it attached.
    for (TControl* control : f.Controls())
        EXPECT_GE(app.view.changes[control->Name()], 1) << control->Name();
}

TEST(FormStartup, MenuModelAndPicture) {
    FormFixture app;
    ASSERT_TRUE(app.Start());
    TVelmoraForm& f = *app.form;
    std::vector<std::string> names;
    for (const auto& entry : f.PopupMenu1.Items())
        names.push_back(entry->Name());
    EXPECT_EQ(names, (std::vector<std::string>{"PMenuBrowser", "PMenuRubiLevel", "PMenuRubiStyle",
                                               "PMenuSetDic", "PMenuHotKey", "PMenuCloseNoRubiTab",
                                               "PMenuNoMoveBrowser", "PMenuDeleteFile", "N1",
                                               "PMenuHelp", "PMenuVersion"}));
    EXPECT_EQ(f.PMenuRubiLevel->Items().size(), 7u);
    EXPECT_TRUE(f.PopupMenu1.Find("N1")->IsSeparator());
    // The menu picture opens the menu below itself.
    f.ImgMenu.Click();
    EXPECT_EQ(app.view.popups, (std::vector<std::string>{"PopupMenu1@ImgMenu"}));
}

TEST(FormStartup, HelpButtonTogglesTheUsagePanel) {
    FormFixture app;
    ASSERT_TRUE(app.Start());
    TVelmoraForm& f = *app.form;
    EXPECT_EQ(app.view.clientHeight, 163);
    f.BtnHelp.Click();
    EXPECT_EQ(app.view.clientHeight, 405);
    EXPECT_TRUE(f.LblHelp.Visible());
    f.BtnHelp.Click();
    EXPECT_EQ(app.view.clientHeight, 163);
}

TEST(FormStartup, MissingTlsLibraryEndsTheStart) {
    for (const char* version : {static_cast<const char*>(nullptr), ""}) {
        FormFixture app;
        app.tls = version;
        EXPECT_FALSE(app.Start(false));
        ASSERT_EQ(app.messages.history.size(), 1u);
        const std::string text = ToUtf8(app.messages.history[0].text);
        EXPECT_EQ(text.rfind("\"libssl.so.", 0), 0u) << text;
        const std::string tail = "\"が見つかりません。終了します。";
        EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    }
    EXPECT_TRUE(MissingTlsLibrary("OpenSSL/3.0.11").empty());
}

TEST(FormStartup, MissingReadingDictionaryEndsTheStart) {
    FormFixture app;
    app.readingAvailable = false;
    EXPECT_FALSE(app.Start(false));
    ASSERT_EQ(app.messages.history.size(), 1u);
    const std::string text = ToUtf8(app.messages.history[0].text);
    EXPECT_NE(text.find("mecab-ipadic-utf8"), std::string::npos);
    const std::string tail = "終了します。";
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
}

TEST(FormStartup, SecondInstanceIsRefused) {
    FakeMessageBox messages;
    FakeLockTable table;
    auto first = std::make_unique<FakeInstanceLock>(table);
    FakeInstanceLock second(table);
    EXPECT_TRUE(TakeSingleInstance(*first, messages));
    EXPECT_TRUE(messages.history.empty());
    EXPECT_FALSE(TakeSingleInstance(second, messages));
    EXPECT_EQ(Texts(messages), (std::vector<std::string>{"「ヴェルモラ」は既に起動しています。\r"
                                                         "タスクバーを確認してください。"}));
    // Once the first has gone, a new start runs.
    first.reset();
    EXPECT_TRUE(TakeSingleInstance(second, messages));
}

namespace {
// Sets an environment variable for the scope, and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old, had_ = true;
        if (value)
            setenv(name, value->c_str(), 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() {
        if (had_)
            setenv(name_, old_.c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::string old_;
    bool had_ = false;
};
}  // namespace

TEST(FormStartup, FlockLockHeldUntilItsHolderEnds) {
    TempDir runtime;
    const std::string dir = runtime.path.string();
    ScopedEnv env("XDG_RUNTIME_DIR", &dir);
    auto first = CreateFlockInstanceLock();
    auto second = CreateFlockInstanceLock();
    EXPECT_TRUE(first->TryLock(kInstanceLockName));
    EXPECT_TRUE(std::filesystem::exists(runtime.path / "VelmoraMutex"));
    EXPECT_FALSE(second->TryLock(kInstanceLockName));
    EXPECT_EQ(second->Failure(), "");  // held, not failed
    first.reset();
    EXPECT_TRUE(second->TryLock(kInstanceLockName));
}

// A lock file that cannot be opened or locked is no licence to run beside another
// instance: the start ends with the lock's path and the system's reason.
struct LockFailure {
    const char* name;
    const char* reason;
};

class FlockFailure : public ::testing::TestWithParam<LockFailure> {};

TEST_P(FlockFailure, EndsTheStartWithTheReason) {
    const std::string kind = GetParam().name;
    if (kind == "ReadOnlyFolder" && ::geteuid() == 0) GTEST_SKIP() << "root writes anywhere";
    TempDir runtime;
    const std::filesystem::path path = runtime.path / "VelmoraMutex";
    if (kind == "Link") std::filesystem::create_symlink(runtime.path / "elsewhere", path);
    if (kind == "Folder") std::filesystem::create_directories(path);
    if (kind == "Pipe") {
        ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    }
    if (kind == "ReadOnlyFolder")
        std::filesystem::permissions(
            runtime.path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    const std::string dir = runtime.path.string();
    ScopedEnv env("XDG_RUNTIME_DIR", &dir);
    auto lock = CreateFlockInstanceLock();
    FakeMessageBox messages;
    const bool started = TakeSingleInstance(*lock, messages);
    std::filesystem::permissions(runtime.path, std::filesystem::perms::owner_all);
    EXPECT_FALSE(started);
    const std::string failure = lock->Failure();
    EXPECT_EQ(failure.rfind(path.string() + ": ", 0), 0u) << failure;
    EXPECT_NE(failure.find(GetParam().reason), std::string::npos) << failure;
    ASSERT_EQ(messages.history.size(), 1u);
    const std::string shown = ToUtf8(messages.history[0].text);
    EXPECT_NE(shown.find(failure), std::string::npos) << shown;
    EXPECT_TRUE(shown.ends_with("終了します。")) << shown;
}

INSTANTIATE_TEST_SUITE_P(Kinds, FlockFailure,
                         ::testing::Values(LockFailure{"Link", "Too many levels of symbolic links"},
                                           LockFailure{"Folder", "Is a directory"},
                                           LockFailure{"Pipe", "not a regular file"},
                                           LockFailure{"ReadOnlyFolder", "Permission denied"}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(FormStartup, DocumentsFolderFollowsUserDirs) {
    TempDir home;
    const std::string h = home.path.string();
    ScopedEnv envHome("HOME", &h);
    ScopedEnv envConfig("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(XdgDocumentsDir(), h + "/Documents");
    std::filesystem::create_directories(home.path / ".config");
    test::WriteAll(home.path / ".config" / "user-dirs.dirs",
                   "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                   "XDG_DOCUMENTS_DIR=\"$HOME/文書\"\n");
    EXPECT_EQ(XdgDocumentsDir(), h + "/文書");
}
