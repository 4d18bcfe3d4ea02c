// A ruby request through the main window's logic: the states of the controls, the
// window's place, the written page, the history, cancel, failures, refusal, drops and the
// close.
#include <gtest/gtest.h>

#include "FormFixture.h"
#include "platform/VirtualKeys.h"

using namespace velmora;

namespace {

const std::string kFailed = "ルビふりにしっぱいしました。";
const std::string kAlready = "すでにルビがふられています。";

struct Snapshot {
    bool rubiing = false, btnRubi = false, lblHelp = false, btnCancel = false, lblRubiing = false,
         progress = false, timer = false, topmost = false;
    int progressMax = 0;
};

Snapshot Take(FormFixture& app) {
    TVelmoraForm& f = *app.form;
    Snapshot s;
    s.rubiing = f.Rubiing;
    s.btnRubi = f.BtnRubi.Visible();
    s.lblHelp = f.LblHelp.Visible();
    s.btnCancel = f.BtnCancel.Visible();
    s.lblRubiing = f.LblRubiing.Visible();
    s.progress = f.ProgressBar1.Visible();
    s.progressMax = f.ProgressBar1.Max();
    s.timer = app.timer.Active();
    s.topmost = app.placement.topmost[app.view.handle];
    return s;
}

// The Done state: the ruby button back, disabled, with the given caption.
void VerifyDone(FormFixture& app, const std::string& caption) {
    TVelmoraForm& f = *app.form;
    EXPECT_FALSE(f.Rubiing);
    EXPECT_TRUE(f.BtnRubi.Visible());
    EXPECT_FALSE(f.BtnRubi.Enabled());
    EXPECT_EQ(ToUtf8(f.BtnRubi.Text()), caption);
    EXPECT_TRUE(f.LblHelp.Visible());
    EXPECT_FALSE(f.BtnCancel.Visible());
    EXPECT_FALSE(f.LblRubiing.Visible());
    EXPECT_FALSE(f.ProgressBar1.Visible());
    EXPECT_FALSE(app.timer.Active());
    EXPECT_FALSE(app.placement.topmost[app.view.handle]);
}

std::u16string Quoted(const std::filesystem::path& p) {
    return u"\"" + p.u16string() + u"\"";
}

std::vector<std::string> Texts(const FakeMessageBox& box) {
    std::vector<std::string> texts;
    for (const auto& t : box.Texts())
        texts.push_back(ToUtf8(t));
    return texts;
}

}  // namespace

TEST(FormRequest, UrlFieldEnablesTheButton) {
    struct Case {
        const char* name;
        std::vector<std::u16string> texts;
        bool enabled;
    };
    const std::vector<Case> cases = {
        {"three letters", {u"h", u"ht", u"htt"}, false},
        {"http with the fourth", {u"h", u"ht", u"htt", u"http"}, true},
        {"FILE in capitals", {u"FILE:///tmp/a.html"}, true},
        {"other text", {u"ftp://example.jp/"}, false},
        {"cleared after enabled", {u"https://example.jp/", u""}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FormFixture app;
        ASSERT_TRUE(app.Start());
        // As the user types: the view reports each new text.
        for (const auto& text : c.texts)
            app.form->LEURL.UserEdit(text);
        EXPECT_EQ(app.form->BtnRubi.Enabled(), c.enabled);
        if (c.enabled) {
            EXPECT_EQ(ToUtf8(app.form->BtnRubi.Text()), "ルビふり");
        }
        // Hovering shows the whole address.
        app.form->LEURL.MouseEnter();
        EXPECT_TRUE(app.form->LEURL.Hint() == c.texts.back());
    }
}

TEST(FormRequest, RequestThroughEnterWritesPageAndHistory) {
    FormFixture app;
    app.placement.workArea = {40, 24, 1200, 760};
    ASSERT_TRUE(app.Start());
    TVelmoraForm& f = *app.form;
    const std::u16string url = app.WritePage("page.html", SamplePage(3));
    Snapshot during;
    app.onFirstReading = [&] { during = Take(app); };
    app.messages.Clear();

    f.LEURL.UserEdit(url);
    EXPECT_TRUE(f.BtnRubi.Enabled());
    // Other keys are left to the field.
    EXPECT_FALSE(f.LEURL.KeyDown('A'));
    EXPECT_EQ(f.RubiHTMLCount, 0);
    EXPECT_TRUE(f.LEURL.KeyDown(vk::Return));

    // Annotating: cancel and busy label and progress shown, window topmost.
    EXPECT_TRUE(during.rubiing);
    EXPECT_FALSE(during.btnRubi);
    EXPECT_FALSE(during.lblHelp);
    EXPECT_TRUE(during.btnCancel);
    EXPECT_TRUE(during.lblRubiing);
    EXPECT_TRUE(during.progress);
    EXPECT_EQ(during.progressMax, 8);  // the page's lines
    EXPECT_TRUE(during.timer);
    EXPECT_TRUE(during.topmost);
    EXPECT_EQ(app.view.raised, 1);

    VerifyDone(app, "ルビふりおわり");
    EXPECT_TRUE(app.messages.history.empty());
    EXPECT_EQ(f.RubiHTMLCount, 1);
    const std::string page = ReadAll(app.Page(1));
    EXPECT_EQ(page.rfind("\xEF\xBB\xBF", 0), 0u);
    EXPECT_NE(page.find("漢字(かんじ)を読(よ)む日(に)"), std::string::npos);

    // Moved to the work area's corner while busy, and there again at the end.
    ASSERT_FALSE(app.placement.calls.empty());
    const auto& firstMove = app.placement.calls.front();
    EXPECT_EQ(firstMove.what, "move");
    EXPECT_EQ(firstMove.window, app.view.handle);
    EXPECT_EQ(firstMove.a, 40);
    EXPECT_EQ(firstMove.b, 24);
    const auto& lastMove = app.placement.calls[app.placement.calls.size() - 2];
    EXPECT_EQ(lastMove.what, "move");
    EXPECT_EQ(lastMove.a, 40);
    EXPECT_TRUE(app.view.moves.empty());

    // Shown through the page service, and listed although no browser window was found.
    ASSERT_EQ(app.shower.calls.size(), 1u);
    EXPECT_TRUE(app.shower.calls[0].quotedPath == Quoted(app.Page(1)));
    EXPECT_FALSE(app.shower.calls[0].starting);
    EXPECT_TRUE(f.ComboBoxRubiTitle.Enabled());
    ASSERT_EQ(f.ComboBoxRubiTitle.Count(), 2);
    EXPECT_EQ(ToUtf8(f.ComboBoxRubiTitle.Items()[1].text), "漢字(かんじ)の本(ほん)");
    EXPECT_EQ(f.ComboBoxRubiTitle.ItemIndex(), 0);

    // A changed field gives the button back.
    f.LEURL.UserEdit(url + u"?again");
    EXPECT_TRUE(f.BtnRubi.Enabled());
    EXPECT_EQ(ToUtf8(f.BtnRubi.Text()), "ルビふり");
}

TEST(FormRequest, HistoryTitleIsCutToTheListsWidth) {
    FormFixture app;
    ASSERT_TRUE(app.Start());
    // 8 pixels a code unit in the fake view: the list's 301 pixels hold far fewer than 50.
    const std::string page = "<html><head><title>" + std::string(50, 'x') +
                             "</title></head>\n<body>日本</body></html>\n";
    ASSERT_TRUE(app.Request(app.WritePage("long.html", page)));
    ASSERT_EQ(app.form->ComboBoxRubiTitle.Count(), 2);
    const std::string entry = ToUtf8(app.form->ComboBoxRubiTitle.Items()[1].text);
    EXPECT_LT(entry.size(), 45u);
    EXPECT_EQ(entry.rfind("xxx", 0), 0u);
    EXPECT_EQ(entry.substr(entry.size() - 3), "...");
}

TEST(FormRequest, SecondPageGetsNextNumberAndHistoryShowsItsOwnPage) {
    FormFixture app;
    ASSERT_TRUE(app.Start());
    TVelmoraForm& f = *app.form;
    const auto first = app.WritePage("a.html", SamplePage());
    const auto untitled = app.WritePage("b.html", "<html><body>日本</body></html>\n");
    ASSERT_TRUE(app.Request(first));
    ASSERT_TRUE(app.Request(untitled));
    EXPECT_EQ(f.RubiHTMLCount, 2);
    EXPECT_TRUE(std::filesystem::exists(app.Page(2)));
    ASSERT_EQ(f.ComboBoxRubiTitle.Count(), 3);
    EXPECT_EQ(ToUtf8(f.ComboBoxRubiTitle.Items()[2].text), "Rubi2");

    app.shower.calls.clear();
    f.ComboBoxRubiTitle.Select(1);
    ASSERT_EQ(app.shower.calls.size(), 1u);
    EXPECT_TRUE(app.shower.calls[0].quotedPath == Quoted(app.Page(1)));
    EXPECT_EQ(f.ComboBoxRubiTitle.ItemIndex(), 0);
    f.ComboBoxRubiTitle.Select(0);  // the heading shows nothing
    EXPECT_EQ(app.shower.calls.size(), 1u);

    // Closing the list hands the keyboard to the URL field.
    f.ComboBoxRubiTitle.CloseUp();
    EXPECT_EQ(app.view.focused, &f.LEURL);
}

TEST(FormRequest, DictionaryOfTheDataFolderApplies) {
    FormFixture app;
    std::filesystem::create_directories(app.Data());
    const std::u16string dic = u"[RubiDic]\r\n読む日=読<よ>む日<ひ>\r\n\r\n";
    std::string bytes("\xFF\xFE");
    bytes.append(reinterpret_cast<const char*>(dic.data()), dic.size() * 2);
    test::WriteAll(app.Data() / "Dictionary.ini", bytes);
    ASSERT_TRUE(app.Start());
    EXPECT_EQ(app.form->DicWordCount, 1);
    ASSERT_TRUE(app.Request(app.WritePage("p.html", SamplePage())));
    const std::string page = ReadAll(app.Page(1));
    EXPECT_NE(page.find("読(よ)む日(ひ)"), std::string::npos);
    EXPECT_EQ(page.find("日(に)"), std::string::npos);
}

TEST(FormRequest, WindowGoesBesideTheBrowser) {
    for (const auto& [browserLeft, beside] : {std::pair{700, true}, std::pair{200, false}}) {
        SCOPED_TRACE(browserLeft);
        FormFixture app;
        app.placement.workArea = {0, 20, 1280, 780};
        app.shower.answer = 4242;
        app.placement.windows[4242] = {browserLeft, 20, 500, 700};
        ASSERT_TRUE(app.Start());
        ASSERT_TRUE(app.Request(app.WritePage("p.html", SamplePage())));
        EXPECT_EQ(app.form->BrowserHWND, WindowId(4242));
        const auto& move = app.placement.calls[app.placement.calls.size() - 2];
        EXPECT_EQ(move.what, "move");
        EXPECT_EQ(move.a, beside ? browserLeft - app.view.frameWidth : 0);
        EXPECT_EQ(move.b, 20);
    }
}

TEST(FormRequest, WorkAreaFromTheToolkitWhenTheDesktopHasNone) {
    FormFixture app;
    app.placement.hasWorkArea = false;
    ASSERT_TRUE(app.Start());
    app.view.screen = {10, 30, 800, 600};
    bool above = false;
    app.onFirstReading = [&] { above = app.placement.topmost[app.view.handle]; };
    ASSERT_TRUE(app.Request(app.WritePage("p.html", SamplePage())));
    EXPECT_TRUE(above);
    // The desktop services moved it to the toolkit's free area.
    const auto& move = app.placement.calls[app.placement.calls.size() - 2];
    EXPECT_EQ(move.a, 10);
    EXPECT_EQ(move.b, 30);
}

TEST(FormRequest, CancelWhileAnnotatingWritesNothing) {
    FormFixture app;
    ASSERT_TRUE(app.Start());
    TVelmoraForm& f = *app.form;
    app.onFirstReading = [&] { f.BtnCancel.Click(); };
    app.messages.Clear();
    ASSERT_TRUE(app.Request(app.WritePage("long.html", SamplePage(40))));
    VerifyDone(app, "ルビふりおわり");
    EXPECT_EQ(f.RubiHTMLCount, 0);
    EXPECT_FALSE(std::filesystem::exists(app.Page(1)));
    EXPECT_TRUE(app.messages.history.empty());
    EXPECT_EQ(f.ComboBoxRubiTitle.Count(), 1);

    // The next page gets the first number.
    ASSERT_TRUE(app.Request(app.WritePage("short.html", SamplePage())));
    EXPECT_EQ(f.RubiHTMLCount, 1);
    EXPECT_TRUE(std::filesystem::exists(app.Page(1)));
}

TEST(FormRequest, NoSecondRequestWhileOneRuns) {
    FormFixture app;
    ASSERT_TRUE(app.Start());
    TVelmoraForm& f = *app.form;
    const auto url = app.WritePage("p.html", SamplePage(5));
    app.onFirstReading = [&] {
        f.LEURL.UserEdit(url);
        f.LEURL.KeyDown(vk::Return);
        f.DropURLTarget1Drop(url);
        f.MenuExceptRubi[3]->Click();
        app.pump.RunPosted();
    };
    ASSERT_TRUE(app.Request(url));
    app.pump.RunPosted();
    EXPECT_EQ(f.RubiHTMLCount, 1);
    EXPECT_EQ(app.shower.calls.size(), 1u);
    // The level change itself is kept.
    EXPECT_EQ(f.ExceptRubiLevel, 3);
    EXPECT_TRUE(f.MenuExceptRubi[3]->Checked());
    EXPECT_FALSE(f.MenuExceptRubi[0]->Checked());
    EXPECT_EQ(IniFile(app.Data() / "Config.ini").ReadInteger(u"ExceptRubi", u"Value", 0), 3);
}

TEST(FormRequest, Failures) {
    for (const std::string page : {"", "missing"}) {
        SCOPED_TRACE(page);
        FormFixture app;
        ASSERT_TRUE(app.Start());
        app.messages.Clear();
        std::u16string url = app.WritePage("page.html", page);
        if (page == "missing") url = u"file://" + (app.tmp.path / "gone.html").u16string();
        ASSERT_TRUE(app.Request(url));
        VerifyDone(app, "ルビふりおわり");
        EXPECT_EQ(app.form->RubiHTMLCount, 0);
        EXPECT_EQ(app.form->ComboBoxRubiTitle.Count(), 1);
        ASSERT_EQ(app.messages.history.size(), 1u);
        const std::string text = ToUtf8(app.messages.history[0].text);
        if (page.empty()) {
            EXPECT_EQ(app.messages.history[0].icon, TMessageBox::Information);
            EXPECT_EQ(text, kFailed);
        } else {
            EXPECT_EQ(app.messages.history[0].icon, TMessageBox::Critical);
            EXPECT_NE(text.find("gone.html"), std::string::npos);
        }
    }
}

TEST(FormRequest, OwnPageIsRefused) {
    // A space in the data folder's path: the browser shows it as %20.
    FormFixture app("My Documents");
    ASSERT_TRUE(app.Start());
    TVelmoraForm& f = *app.form;
    ASSERT_TRUE(app.Request(app.WritePage("p.html", SamplePage())));
    EXPECT_EQ(f.RubiHTMLCount, 1);

    app.messages.Clear();
    const size_t calls = app.placement.calls.size();
    std::u16string own = u"file://" + app.Page(1).u16string();
    own = ReplaceAll(own, u" ", u"%20");
    f.LEURL.UserEdit(own);
    EXPECT_TRUE(f.BtnRubi.Enabled());
    f.BtnRubi.Click();
    EXPECT_EQ(Texts(app.messages), std::vector<std::string>{kAlready});
    EXPECT_EQ(f.RubiHTMLCount, 1);
    EXPECT_EQ(app.placement.calls.size(), calls);  // the window stays where it is
    EXPECT_TRUE(f.BtnRubi.Visible());
    EXPECT_FALSE(f.BtnRubi.Enabled());
    EXPECT_FALSE(f.LblRubiing.Visible());
    EXPECT_TRUE(f.LblHelp.Visible());

    // A page of an earlier run with a higher number is an ordinary page.
    std::filesystem::copy_file(app.Page(1), app.Page(5));
    app.messages.Clear();
    ASSERT_TRUE(app.Request(u"file://" + app.Page(5).u16string()));
    EXPECT_TRUE(app.messages.history.empty());
    EXPECT_EQ(f.RubiHTMLCount, 2);
}

TEST(FormRequest, DropStartsARequestAfterTheDropIsAnswered) {
    FormFixture app;
    ASSERT_TRUE(app.Start());
    TVelmoraForm& f = *app.form;
    const std::u16string url =
        ReplaceAll(app.WritePage("dropped page.html", SamplePage()), u" ", u"%20");
    f.DropURLTarget1Drop(url);
    EXPECT_TRUE(f.LEURL.Text() == url);
    // Nothing runs while the drop itself is being answered.
    EXPECT_EQ(f.RubiHTMLCount, 0);
    EXPECT_FALSE(f.Rubiing);
    EXPECT_TRUE(app.pump.RunPosted());
    EXPECT_EQ(f.RubiHTMLCount, 1);
    EXPECT_FALSE(f.Rubiing);
}

TEST(FormRequest, PostedDropIsDroppedWithTheWindow) {
    FormFixture app;
    ASSERT_TRUE(app.Start());
    app.form->DropURLTarget1Drop(app.WritePage("p.html", SamplePage()));
    app.form.reset();
    // The task posted for the drop finds the window gone and does nothing.
    EXPECT_TRUE(app.pump.RunPosted());
}

TEST(FormRequest, BusyLabelAnimates) {
    FormFixture app;
    ASSERT_TRUE(app.Start());
    TVelmoraForm& f = *app.form;
    f.Rubiing = true;
    f.BtnRubi.SetEnabled(true);
    app.timer.Start();
    std::vector<std::string> seen;
    for (int i = 0; i < 6; ++i) {
        app.timer.Tick();
        seen.push_back(ToUtf8(f.LblRubiing.Text()));
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"ルビふりちゅう.", "ルビふりちゅう..",
                                              "ルビふりちゅう...", "ルビふりちゅう....",
                                              "ルビふりちゅう.....", "ルビふりちゅう."}));
    EXPECT_FALSE(f.BtnRubi.Enabled());
    // Idle, with no wait running, the timer stops itself.
    f.Rubiing = false;
    app.timer.Tick();
    EXPECT_FALSE(app.timer.Active());
}

TEST(FormRequest, MenuTicksAreStoredAndTurnedBackWhileStarting) {
    FormFixture app;
    ASSERT_TRUE(app.Start(false));
    TVelmoraForm& f = *app.form;
    // Still starting: a click is turned back.
    f.PMenuDeleteFile->Click();
    EXPECT_TRUE(f.PMenuDeleteFile->Checked());
    f.MenuExceptRubi[2]->Click();
    EXPECT_TRUE(f.MenuExceptRubi[0]->Checked());
    EXPECT_FALSE(f.MenuExceptRubi[2]->Checked());
    EXPECT_EQ(f.ExceptRubiLevel, 0);
    f.FormShow();

    f.PMenuDeleteFile->Click();
    EXPECT_FALSE(f.PMenuDeleteFile->Checked());
    f.PMenuCloseNoRubiTab->Click();
    EXPECT_NE(ToUtf8(f.LblHelp.Text()).find("閉(と)じません"), std::string::npos);
    IniFile ini(app.Data() / "Config.ini");
    EXPECT_EQ(ini.ReadInteger(u"DeleteFile", u"Value", 1), 0);
    EXPECT_EQ(ini.ReadInteger(u"CloseNoRubiTab", u"Value", 0), 1);
}

TEST(FormRequest, CloseDeletesThisRunsPages) {
    FormFixture app;
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(app.Request(app.WritePage("p.html", SamplePage())));
    ASSERT_TRUE(app.Request(app.WritePage("q.html", SamplePage())));
    EXPECT_EQ(app.form->RubiHTMLCount, 2);
    std::filesystem::copy_file(app.Page(1), app.Page(3));  // a page of an earlier run
    EXPECT_TRUE(app.Close());
    EXPECT_FALSE(std::filesystem::exists(app.Page(1)));
    EXPECT_FALSE(std::filesystem::exists(app.Page(2)));
    EXPECT_TRUE(std::filesystem::exists(app.Page(3)));
}

TEST(FormRequest, CloseKeepsPagesWhenDeleteFileIsOff) {
    FormFixture app;
    app.WriteConfig("[DeleteFile]\nValue=0\n");
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(app.Request(app.WritePage("p.html", SamplePage())));
    EXPECT_TRUE(app.Close());
    EXPECT_TRUE(std::filesystem::exists(app.Page(1)));
}

TEST(FormRequest, CloseAbandonedWhenAPageCannotBeDeleted) {
    FormFixture app;
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(app.Request(app.WritePage("p.html", SamplePage())));
    ASSERT_TRUE(app.Request(app.WritePage("q.html", SamplePage())));
    // Page 1 turned into a folder that is not empty: it cannot be deleted.
    std::filesystem::remove(app.Page(1));
    std::filesystem::create_directories(app.Page(1) / "inside");
    app.messages.Clear();
    EXPECT_FALSE(app.Close());
    EXPECT_TRUE(app.view.shown);
    ASSERT_EQ(app.messages.history.size(), 1u);
    EXPECT_EQ(app.messages.history[0].icon, TMessageBox::Critical);
    EXPECT_NE(ToUtf8(app.messages.history[0].text).find("Rubi1.html"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(app.Page(2)));

    // Closing again tries again.
    std::filesystem::remove_all(app.Page(1));
    EXPECT_TRUE(app.Close());
    EXPECT_FALSE(std::filesystem::exists(app.Page(2)));
}

TEST(FormRequest, CloseWhileAnnotatingLeavesNoPage) {
    FormFixture app;
    ASSERT_TRUE(app.Start());
    app.onFirstReading = [&] { EXPECT_TRUE(app.Close()); };
    app.messages.Clear();
    ASSERT_TRUE(app.Request(app.WritePage("p.html", SamplePage(40))));
    EXPECT_FALSE(app.view.shown);
    EXPECT_FALSE(std::filesystem::exists(app.Page(1)));
    EXPECT_TRUE(app.messages.history.empty());
}
