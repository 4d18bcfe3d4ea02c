// The settings commands as the main window runs them: its menu built from the menu's table,
// the captures on the window's timer and clock, the settings windows it opens.
#include <gtest/gtest.h>

#include <map>

#include "FormFixture.h"
#include "platform/VirtualKeys.h"

namespace velmora {
namespace {

class FakeCaptureDesktop final : public CaptureDesktop {
public:
    WindowId front = 0;
    std::map<WindowId, std::u16string> exes;
    WindowId Foreground() override { return front; }
    WindowId Owner(WindowId) override { return 0; }
    bool IsVisible(WindowId w) override { return w != 0; }
    std::u16string Title(WindowId) override { return u"ページ — Browser"; }
    std::u16string ExePath(WindowId w) override { return exes[w]; }
    std::u16string KeyName(int vk) override { return std::u16string(VirtualKeyName(vk)); }
};

struct SettingsFixture : FormFixture {
    FakeCaptureDesktop desktop;
    int dicForms = 0, versionForms = 0, startEnded = 0;
    std::vector<std::pair<std::u16string, std::u16string>> helpPages;

    bool StartWithSettings(bool show = true) {
        extra = [this](TVelmoraDeps& deps) {
            deps.desktop = &desktop;
            deps.showDicForm = [this] { ++dicForms; };
            deps.showVersionForm = [this] { ++versionForms; };
            deps.startEnded = [this] { ++startEnded; };
            deps.openHelpPage = [this](const std::u16string& exe, const std::u16string& page) {
                helpPages.emplace_back(exe, page);
            };
        };
        return Start(show);
    }
    IniFile Config() const { return IniFile(Data() / "Config.ini"); }
    void Tick() {
        clock.now += 1000;
        timer.Tick();
    }
};

TEST(FormSettings, MenuIsBuiltFromTheTableInOrder) {
    SettingsFixture app;
    ASSERT_TRUE(app.StartWithSettings());
    TVelmoraForm& f = *app.form;
    std::vector<std::string> names;
    for (const auto& entry : f.PopupMenu1.Items())
        names.push_back(entry->Name());
    EXPECT_EQ(names, (std::vector<std::string>{"PMenuBrowser", "PMenuRubiLevel", "PMenuRubiStyle",
                                               "PMenuSetDic", "PMenuHotKey", "PMenuCloseNoRubiTab",
                                               "PMenuNoMoveBrowser", "PMenuDeleteFile", "N1",
                                               "PMenuHelp", "PMenuVersion"}));
    EXPECT_EQ(f.PMenuRubiLevel->Items().size(), 7u);
    EXPECT_EQ(f.Entry(MenuId::PMenuRubiStyle).Items().size(), 2u);
    EXPECT_TRUE(f.MenuExceptRubi[0]->Checked());
    EXPECT_TRUE(f.Entry(MenuId::PMenuRubiStyle0).Checked());
    EXPECT_TRUE(f.PMenuDeleteFile->Checked());
    EXPECT_TRUE(f.PMenuDeleteFile->AutoCheck);
    EXPECT_EQ(f.MenuExceptRubi[3]->GroupIndex, f.MenuExceptRubi[0]->GroupIndex);

    f.ImgMenu.Click();
    EXPECT_EQ(app.view.popups, std::vector<std::string>{"PopupMenu1@ImgMenu"});
    f.PMenuSetDic->Click();
    f.PMenuVersion->Click();
    f.PMenuHelp->Click();
    EXPECT_EQ(app.dicForms, 1);
    EXPECT_EQ(app.versionForms, 1);
    ASSERT_EQ(app.helpPages.size(), 1u);
    EXPECT_EQ(app.helpPages[0].second, u"/opt/velmora/Help/Help.html");
    EXPECT_EQ(app.startEnded, 1);
}

TEST(FormSettings, ReadingStyleComesFromConfigAndItsEntriesStoreIt) {
    SettingsFixture app;
    app.WriteConfig("[BrowserExeName]\nValue=/usr/bin/firefox\n[RubiStyle]\nValue=1\n");
    ASSERT_TRUE(app.StartWithSettings());
    TVelmoraForm& f = *app.form;
    EXPECT_EQ(f.RubiStyle, RubyStyle::RubyTags);
    EXPECT_TRUE(f.Entry(MenuId::PMenuRubiStyle1).Checked());
    EXPECT_FALSE(f.Entry(MenuId::PMenuRubiStyle0).Checked());
    f.Entry(MenuId::PMenuRubiStyle0).Click();
    EXPECT_EQ(f.RubiStyle, RubyStyle::Parentheses);
    EXPECT_EQ(app.Config().ReadInteger(u"RubiStyle", u"Value", -1), 0);
    EXPECT_TRUE(f.Entry(MenuId::PMenuRubiStyle0).Checked());
    EXPECT_FALSE(f.Entry(MenuId::PMenuRubiStyle1).Checked());
}

TEST(FormSettings, EntriesClickedDuringStartKeepTheirTicks) {
    SettingsFixture app;
    ASSERT_TRUE(app.StartWithSettings(false));  // IsStart is still true
    TVelmoraForm& f = *app.form;
    f.MenuExceptRubi[5]->Click();
    f.Entry(MenuId::PMenuRubiStyle1).Click();
    f.PMenuDeleteFile->Click();
    f.PMenuNoMoveBrowser->Click();
    EXPECT_EQ(f.ExceptRubiLevel, 0);
    EXPECT_TRUE(f.MenuExceptRubi[0]->Checked());
    EXPECT_FALSE(f.MenuExceptRubi[5]->Checked());
    EXPECT_TRUE(f.Entry(MenuId::PMenuRubiStyle0).Checked());
    EXPECT_FALSE(f.Entry(MenuId::PMenuRubiStyle1).Checked());
    EXPECT_TRUE(f.PMenuDeleteFile->Checked());
    EXPECT_FALSE(f.PMenuNoMoveBrowser->Checked());
}

TEST(FormSettings, BrowserCaptureRunsOnTheWindowsTimer) {
    SettingsFixture app;
    ASSERT_TRUE(app.StartWithSettings());
    TVelmoraForm& f = *app.form;
    app.messages.answer = TMessageBox::Yes;
    f.PMenuBrowser->Click();
    EXPECT_TRUE(app.timer.active);
    app.messages.answer = TMessageBox::Ok;
    app.desktop.front = 0x777;
    app.desktop.exes[0x777] = u"/usr/bin/firefox";
    app.Tick();
    EXPECT_EQ(f.BrowserExeName, u"/usr/bin/firefox");
    EXPECT_EQ(f.BrowserNo, 0);
    EXPECT_EQ(f.PMenuBrowser->Text(), u"ルビを表示(ひょうじ)するブラウザ:Mozilla Firefox(&B)");
    EXPECT_FALSE(app.timer.active);
    EXPECT_GT(app.view.raised, 0);
    EXPECT_EQ(app.Config().ReadString(u"BrowserExeName", u"Value", u""), u"/usr/bin/firefox");
}

TEST(FormSettings, KeyCaptureThroughTheUrlField) {
    SettingsFixture app;
    ASSERT_TRUE(app.StartWithSettings());
    TVelmoraForm& f = *app.form;
    f.LEURL.SetText(u"http://example.com/");
    f.PMenuHotKey->Click();
    EXPECT_TRUE(f.LEURL.Text().empty());
    EXPECT_EQ(app.view.focused, &f.LEURL);
    EXPECT_FALSE(f.LEURL.KeyDown(vk::Control));  // the key is not consumed
    EXPECT_EQ(f.HotKey, vk::Control);
    EXPECT_EQ(f.PMenuHotKey->Text(), u"ルビふりキー:[Ctrl](&K)");
    EXPECT_NE(f.LblHelp.Text().find(u"[Ctrl]キーを押(お)せば"), std::u16string::npos);
    EXPECT_EQ(app.Config().ReadString(u"HotKey", u"Name", u""), u"Ctrl");
    EXPECT_FALSE(app.timer.active);

    // Later, with no capture running, Enter in the field starts a request.
    const std::u16string url = app.WritePage("a.html", SamplePage());
    f.LEURL.SetText(url);
    EXPECT_TRUE(f.LEURL.KeyDown(vk::Return));
    EXPECT_TRUE(std::filesystem::exists(app.Page(1)));
}

}  // namespace
}  // namespace velmora
