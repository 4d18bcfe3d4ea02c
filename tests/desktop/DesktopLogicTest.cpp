// The browser window search, showing pages and the two triggers against a desktop in
// memory: which window is found, what is started, what is typed, what the user is told.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include "browser/BrowserShower.h"
#include "browser/BrowserWindows.h"
#include "browser/RubiTriggers.h"
#include "platform/VirtualKeys.h"
#include "platform/fake/FakeDesktop.h"
#include "platform/fake/FakePlatform.h"

using namespace velmora;
using ::testing::ElementsAre;

namespace {

constexpr char16_t kFirefox[] = u"/usr/lib/firefox-esr/firefox-esr";

class FakeLoop final : public UiLoop {
public:
    std::uint32_t now = 1000;
    int pumps = 0;
    std::function<void()> onPump;
    void Pump() override {
        ++pumps;
        if (onPump) onPump();
    }
    void Sleep(int ms) override { now += static_cast<std::uint32_t>(ms); }
    std::uint32_t Now() override { return now; }
};

TEST(BrowserTitle, TitleRule) {
    const std::pair<std::u16string, int> cases[] = {
        {u"ニュース — Mozilla Firefox", 0},
        {u"Page - Google Chrome", 2},
        {u"Opera", 3},
        {u"Sleipnir - news", 5},
        {u"news - Sleipnir", 5},
        {u"Start - Microsoft Edge", 6},
        {u"ヴェルモラ", -1},
        {u"Firefox", -1},
        {u"", -1},
    };
    for (const auto& [title, no] : cases)
        EXPECT_EQ(BrowserNoOfTitle(title), no) << std::string(title.begin(), title.end());
}

TEST(VirtualKeys, KeysymsAndCodesMeet) {
    EXPECT_EQ(VirtualKeyFromKeysym(0xffe1), kVkShift);  // Shift_L
    EXPECT_EQ(VirtualKeyFromKeysym(0xffe2), kVkShift);  // Shift_R
    EXPECT_EQ(VirtualKeyFromKeysym(0xffe4), kVkControl);
    EXPECT_EQ(VirtualKeyFromKeysym('a'), kVkA);
    EXPECT_EQ(VirtualKeyFromKeysym('C'), kVkC);
    EXPECT_EQ(VirtualKeyFromKeysym('7'), '7');
    EXPECT_EQ(VirtualKeyFromKeysym(0xffbe), 0x70);  // F1
    EXPECT_EQ(VirtualKeyFromKeysym(0xffd5), 0x87);  // F24
    EXPECT_EQ(VirtualKeyFromKeysym(0xffb3), 0x63);  // KP_3
    EXPECT_EQ(VirtualKeyFromKeysym(0xff2a), 0x19);  // Zenkaku_Hankaku: Kanji
    EXPECT_EQ(VirtualKeyFromKeysym(0x12345), 0);
    EXPECT_THAT(KeysymsOfVirtualKey(kVkShift), ElementsAre(0xffe1u, 0xffe2u));
    EXPECT_THAT(KeysymsOfVirtualKey(0xA1), ElementsAre(0xffe2u));  // right Shift alone
    EXPECT_THAT(KeysymsOfVirtualKey(kVkW), ElementsAre(std::uint32_t{'w'}));
    EXPECT_TRUE(KeysymsOfVirtualKey(0xFF).empty());
    // Every code the table gives back leads to a keysym that gives that code again.
    for (int vk = 1; vk < 256; ++vk)
        for (std::uint32_t keysym : KeysymsOfVirtualKey(vk)) {
            const int back = VirtualKeyFromKeysym(keysym);
            EXPECT_TRUE(back == vk || (vk >= 0xA0 && vk <= 0xA5)) << vk;
        }
}

// ---- Window search ----

class SearchTest : public ::testing::Test {
protected:
    void SetUp() override {
        desktop.processes[10] = {kFirefox, 1};
        desktop.processes[20] = {u"/usr/bin/xterm", 1};
        desktop.processes[30] = {u"/usr/bin/bash", 1};       // a launcher script
        desktop.processes[31] = {u"/opt/browser/real", 30};  // the browser it started
        search.BrowserExeName = kFirefox;
        search.OwnWindow = 99;
    }
    FakeDesktop desktop;
    BrowserWindowSearch search{desktop};
};

TEST_F(SearchTest, FrontMostWindowOfTheBrowserWins) {
    desktop.Open({1, 0, true, u"a — Mozilla Firefox", 10});
    desktop.Open({2, 0, true, u"term", 20});
    desktop.Open({3, 0, true, u"b — Mozilla Firefox", 10});
    EXPECT_EQ(search.Find(), 3u);
}

TEST_F(SearchTest, SkipsOwnedHiddenAndOwnWindows) {
    desktop.Open({1, 0, true, u"a — Mozilla Firefox", 10});
    desktop.Open({2, 0, false, u"hidden — Mozilla Firefox", 10});
    desktop.Open({3, 1, true, u"Downloads", 10});
    desktop.Open({99, 0, true, u"ヴェルモラ", 10});
    EXPECT_EQ(search.Find(), 1u);
    desktop.stack.erase(desktop.stack.end() - 1);
    EXPECT_EQ(search.Find(), 0u);
}

TEST_F(SearchTest, PathComparedExactly) {
    desktop.Open({1, 0, true, u"a — Mozilla Firefox", 10});
    search.BrowserExeName = u"/usr/lib/firefox-esr/Firefox-esr";
    EXPECT_EQ(search.Find(), 0u);
    search.BrowserExeName = u"";
    EXPECT_EQ(search.Find(), 0u);
}

TEST_F(SearchTest, StartedProcessAndItsChildrenMatch) {
    search.BrowserExeName = u"/usr/bin/launcher";
    desktop.Open({5, 0, true, u"real browser", 31});
    EXPECT_EQ(search.Find(0), 0u);
    EXPECT_EQ(search.Find(30), 5u);  // the script's child
    EXPECT_EQ(search.Find(31), 5u);
    EXPECT_EQ(search.Find(20), 0u);
}

TEST_F(SearchTest, EdgeByTitle) {
    search.BrowserExeName = u"Microsoft Edge";
    desktop.Open({1, 0, true, u"a — Mozilla Firefox", 10});
    desktop.Open({2, 0, true, u"x - microsoft edge", 20});
    EXPECT_EQ(search.Find(), 0u);
    desktop.Open({3, 0, true, u"New tab - Microsoft Edge", 20});
    EXPECT_EQ(search.Find(), 3u);
}

// ---- Showing a page ----

class ShowerTest : public ::testing::Test, public ShowerHost {
protected:
    WindowId MainWindow() override { return 99; }
    int MainWindowWidth() override { return 335; }
    void MoveMainWindow(int left, int top) override { toolMoves.push_back({left, top}); }
    Rect WorkArea() override { return area; }
    bool NoMoveBrowser() override { return noMove; }
    std::u16string BrowserExeName() override { return exe; }
    void Message(const std::u16string& text) override { messages.push_back(text); }

    // The started process shows its window after `searches` searches.
    void WindowAppearsAfter(int searches, WindowId id = 7) {
        launcher.onLaunch = [this, searches, id](ProcessId pid) {
            desktop.processes[pid] = {exe, 1};
            const int at = desktop.listed + searches;
            loop.onPump = [this, at, id, pid] {
                if (desktop.listed == at - 1 && !appeared) {
                    appeared = true;
                    desktop.Open({id, 0, true, u"New Tab — Mozilla Firefox", pid});
                }
            };
        };
    }

    FakeDesktop desktop;
    FakeLauncher launcher;
    FakeWindowPlacement placement;
    FakeLoop loop;
    BrowserShower shower{{&desktop, &launcher, &placement, &loop}, *this};
    Rect area{0, 0, 1366, 728};
    bool noMove = false;
    bool appeared = false;
    std::u16string exe = kFirefox;
    std::vector<std::pair<int, int>> toolMoves;
    std::vector<std::u16string> messages;
};

TEST_F(ShowerTest, StartUpStartsTheBrowserAndPlacesItRightOfTheTool) {
    WindowAppearsAfter(3);
    EXPECT_EQ(shower.ShowRubiPage(u"", true), 7u);
    ASSERT_EQ(launcher.launches.size(), 1u);
    EXPECT_EQ(launcher.launches[0].program, kFirefox);
    EXPECT_TRUE(launcher.launches[0].arguments.empty());
    EXPECT_TRUE(messages.empty());
    ASSERT_FALSE(toolMoves.empty());
    EXPECT_EQ(toolMoves[0], std::make_pair(0, 0));
    ASSERT_GE(placement.calls.size(), 2u);
    EXPECT_EQ(placement.calls[0].what, "activate");
    const auto& move = placement.calls[1];
    EXPECT_EQ(move.what, "moveresize");
    EXPECT_EQ(std::vector<int>({move.a, move.b, move.width, move.height}),
              std::vector<int>({335, 0, 911, 728}));
}

TEST_F(ShowerTest, BrowserWidthIsTwoThirdsOfTheWorkAreaRounded) {
    for (auto [width, expected] : {std::pair{1366, 911}, {1920, 1280}, {1000, 667}}) {
        desktop = FakeDesktop();
        desktop.processes[10] = {kFirefox, 1};
        desktop.Open({4, 0, true, u"x — Mozilla Firefox", 10});
        placement.calls.clear();
        area = {0, 30, width, 1000};
        EXPECT_EQ(shower.ShowRubiPage(u"", true), 4u);
        EXPECT_TRUE(launcher.launches.empty()) << "a running browser is not started again";
        ASSERT_EQ(placement.calls.back().what, "moveresize");
        EXPECT_EQ(placement.calls.back().width, expected);
        EXPECT_EQ(placement.calls.back().b, 30);
        EXPECT_EQ(placement.calls.back().height, 1000);
    }
}

TEST_F(ShowerTest, NoMoveBrowserMovesTheToolBesideItWhenThereIsRoom) {
    noMove = true;
    desktop.processes[10] = {kFirefox, 1};
    desktop.Open({4, 0, true, u"x — Mozilla Firefox", 10});
    placement.windows[4] = {500, 40, 800, 600};
    EXPECT_EQ(shower.ShowRubiPage(u"", true), 4u);
    EXPECT_EQ(toolMoves.back(), std::make_pair(165, 0));
    for (const auto& c : placement.calls)
        EXPECT_NE(c.what, "moveresize");
    // At the far left there is no room: the tool stays at the edge.
    toolMoves.clear();
    placement.windows[4] = {100, 40, 800, 600};
    shower.ShowRubiPage(u"", true);
    EXPECT_EQ(toolMoves, (std::vector<std::pair<int, int>>{{0, 0}}));
}

TEST_F(ShowerTest, PageStartsTheBrowserAgainAndRaisesItWithoutMovingIt) {
    desktop.processes[10] = {kFirefox, 1};
    desktop.Open({4, 0, true, u"x — Mozilla Firefox", 10});
    EXPECT_EQ(shower.ShowRubiPage(u"\"/data/Rubi1.html\"", false), 4u);
    ASSERT_EQ(launcher.launches.size(), 1u);
    EXPECT_THAT(launcher.launches[0].arguments, ElementsAre(u"/data/Rubi1.html"));
    ASSERT_EQ(placement.calls.size(), 1u);
    EXPECT_EQ(placement.calls[0].what, "activate");
}

TEST_F(ShowerTest, FailedStartGivesMessageTwoAndKeepsTheKnownWindow) {
    launcher.fails = true;
    EXPECT_EQ(shower.ShowRubiPage(u"", true), 0u);
    EXPECT_THAT(messages, ElementsAre(u"ブラウザの起動に失敗しました。(2)"));
    EXPECT_TRUE(placement.calls.empty());

    shower.BrowserHWND = 4;
    messages.clear();
    EXPECT_EQ(shower.ShowRubiPage(u"\"/p.html\"", false), 4u);
    EXPECT_THAT(messages, ElementsAre(u"ブラウザの起動に失敗しました。(2)"));
}

TEST_F(ShowerTest, WindowThatNeverComesEndsTheProcessAfterTheSearch) {
    WindowAppearsAfter(1000);
    EXPECT_EQ(shower.ShowRubiPage(u"\"/p.html\"", false), 0u);
    EXPECT_EQ(desktop.listed, BrowserShower::kSearchTries);
    EXPECT_THAT(launcher.terminated, ElementsAre(500u));
    EXPECT_THAT(messages, ElementsAre(u"ブラウザの起動に失敗しました。(1)"));
    // The last search came about ten seconds after the start.
    EXPECT_GE(loop.now - 1000, 10000u);
}

TEST_F(ShowerTest, WindowOnTheLastSearchIsFound) {
    WindowAppearsAfter(BrowserShower::kSearchTries);
    EXPECT_EQ(shower.ShowRubiPage(u"\"/p.html\"", false), 7u);
    EXPECT_TRUE(launcher.terminated.empty());
    EXPECT_TRUE(messages.empty());
}

TEST_F(ShowerTest, EdgeOpensABlankPageThenThePage) {
    exe = u"Microsoft Edge";
    desktop.Open({8, 0, true, u"New tab - Microsoft Edge", 77});
    EXPECT_EQ(shower.ShowRubiPage(u"\"/d/Rubi2.html\"", false), 8u);
    ASSERT_EQ(launcher.launches.size(), 2u);
    EXPECT_THAT(launcher.launches[0].arguments, ElementsAre(u"about:blank"));
    EXPECT_THAT(launcher.launches[1].arguments, ElementsAre(u"/d/Rubi2.html"));
    // At start-up only the blank page.
    launcher.launches.clear();
    desktop.stack.clear();
    desktop.Open({8, 0, true, u"New tab - Microsoft Edge", 77});
    shower.ShowRubiPage(u"", true);
    EXPECT_TRUE(launcher.launches.empty()) << "found running";
    launcher.fails = true;
    desktop.stack.clear();
    shower.ShowRubiPage(u"\"/d/Rubi2.html\"", false);
    EXPECT_THAT(messages, ElementsAre(u"ブラウザの起動に失敗しました。(3)"));
}

// ---- Triggers ----

// The tool with a browser in front whose address bar answers Ctrl+C.
class TriggerWorld : public TriggerHost {
public:
    TriggerWorld() {
        desktop.processes[10] = {kFirefox, 1};
        desktop.Open({4, 0, true, u"ニュース — Mozilla Firefox", 10});
        desktop.foreground = 4;
        placement.windows[4] = {335, 0, 911, 728};
        // The browser answers Ctrl+C by putting its address on the clipboard.
        input.onKeys = [this](const std::vector<KeyStroke>& keys) {
            if (keys.size() == 4 && keys[1].vk == kVkC) {
                clipboard.text = address;
                clipboardChanged = true;
            }
        };
    }

    WindowId MainWindow() override { return 99; }
    void ShowBusy(const std::u16string& caption) override {
        events.push_back(u"busy " + caption);
        busy = true;
    }
    void SetBusyCaption(const std::u16string& caption) override {
        events.push_back(u"caption " + caption);
    }
    void RestoreControls() override {
        events.push_back(u"restore");
        busy = false;
    }
    std::u16string UrlText() override { return url; }
    void SetUrlText(const std::u16string& text) override { url = text; }
    void RunRubiRequest() override {
        EXPECT_TRUE(flags.ClipBoardRubiing);
        requests.push_back(url);
        ++pages;
    }
    int RubiHTMLCount() override { return pages; }
    void ShowNewestRubiPage() override { events.push_back(u"newest"); }
    bool CloseNoRubiTab() override { return closeTab; }

    // The ruby key released; the clipboard change it caused handled as the loop would.
    void Release(int vk = kVkShift) {
        triggers.HotKeyMessage(vk, kKeyReleased);
        if (clipboardChanged) {
            clipboardChanged = false;
            triggers.WMDrawClipboard();
        }
    }

    std::vector<std::vector<int>> SentKeys() const {
        std::vector<std::vector<int>> out;
        for (const auto& s : input.sent) {
            std::vector<int> seq;
            for (const auto& k : s.keys)
                seq.push_back(k.release ? -k.vk : k.vk);
            if (s.keys.empty()) seq = {s.x, s.y};
            out.push_back(seq);
        }
        return out;
    }

    FakeDesktop desktop;
    FakeWindowPlacement placement;
    FakeInputSender input;
    FakeClipboard clipboard;
    FakeLoop loop;
    struct Fields {
        bool IsStart = false;
        bool Rubiing = false;
        bool ClipBoardRubiing = false;
        bool IsURLCopyed = false;
        bool NoForRubi = false;
        int HotKey = kVkShift;
    } form;
    TriggerFlags flags{form.IsStart,     form.Rubiing,   form.ClipBoardRubiing,
                       form.IsURLCopyed, form.NoForRubi, form.HotKey};
    RubiTriggers triggers{{&desktop, &placement, &input, &clipboard, &loop}, *this, flags};
    std::u16string address = u"https://example.jp/news";
    std::u16string url;
    int pages = 0;
    bool closeTab = false;
    bool busy = false;
    bool clipboardChanged = false;
    std::vector<std::u16string> events;
    std::vector<std::u16string> requests;
};

class TriggerTest : public ::testing::Test, public TriggerWorld {};

TEST_F(TriggerTest, ShiftReleaseInABrowserCopiesItsAddressAndRequestsIt) {
    Release();
    EXPECT_THAT(SentKeys(),
                ElementsAre(std::vector<int>{17, 65, -65, -17}, std::vector<int>{17, 67, -67, -17},
                            std::vector<int>{345, 150}));
    EXPECT_THAT(requests, ElementsAre(u"https://example.jp/news"));
    EXPECT_FALSE(flags.IsURLCopyed);
    EXPECT_FALSE(flags.ClipBoardRubiing);
    EXPECT_FALSE(busy);
    EXPECT_EQ(events.front(), u"busy 処理(しょり)ちゅう...");
}

TEST_F(TriggerTest, KeysAreSentOnlyAfterHalfASecond) {
    std::uint32_t sentAt = 0;
    const std::uint32_t start = loop.now;
    input.onKeys = [&](const std::vector<KeyStroke>&) {
        if (!sentAt) sentAt = loop.now;
    };
    triggers.HotKeyMessage(kVkShift, kKeyReleased);
    EXPECT_GT(sentAt - start, 500u);
    EXPECT_LT(sentAt - start, 520u);
}

TEST_F(TriggerTest, IgnoredReleases) {
    struct Case {
        const char* what;
        std::function<void(TriggerWorld&)> set;
        int key;
        std::uint32_t flags;
    };
    const Case cases[] = {
        {"a press (held key repeating)", [](TriggerWorld&) {}, kVkShift, 0},
        {"another key", [](TriggerWorld&) {}, kVkControl, kKeyReleased},
        {"tool in front", [](TriggerWorld& t) { t.desktop.foreground = 99; }, kVkShift,
         kKeyReleased},
        {"not a browser in front",
         [](TriggerWorld& t) {
             t.desktop.Open({5, 0, true, u"xterm", 20});
             t.desktop.foreground = 5;
         },
         kVkShift, kKeyReleased},
        {"request running", [](TriggerWorld& t) { t.flags.Rubiing = true; }, kVkShift,
         kKeyReleased},
        {"clipboard busy", [](TriggerWorld& t) { t.flags.ClipBoardRubiing = true; }, kVkShift,
         kKeyReleased},
        {"copy awaited", [](TriggerWorld& t) { t.flags.IsURLCopyed = true; }, kVkShift,
         kKeyReleased},
        {"own keys", [](TriggerWorld& t) { t.flags.NoForRubi = true; }, kVkShift, kKeyReleased},
        {"Ctrl+C of the user",
         [](TriggerWorld& t) {
             t.flags.HotKey = kVkControl;
             t.input.down[kVkC] = true;
         },
         kVkControl, kKeyReleased},
    };
    for (const Case& c : cases) {
        TriggerWorld t;
        c.set(t);
        t.triggers.HotKeyMessage(c.key, c.flags);
        EXPECT_TRUE(t.input.sent.empty()) << c.what;
        EXPECT_TRUE(t.events.empty()) << c.what;
    }
}

TEST_F(TriggerTest, OwnedDialogInFrontCountsByItsOwnerAndIsClickedItself) {
    desktop.Open({6, 4, true, u"Downloads", 10});
    desktop.foreground = 6;
    placement.windows[6] = {400, 100, 300, 200};
    Release();
    EXPECT_EQ(SentKeys().back(), (std::vector<int>{410, 250}));
}

TEST_F(TriggerTest, CtrlAsTheRubyKeyIgnoresItsOwnKeystrokes) {
    flags.HotKey = kVkControl;
    int ownReleasesSeen = 0;
    loop.onPump = [&] {
        // The hook reports the tool's own Ctrl releases while it waits.
        if (flags.NoForRubi && ownReleasesSeen < 3) {
            ++ownReleasesSeen;
            triggers.HotKeyMessage(kVkControl, kKeyReleased);
        }
    };
    const std::uint32_t start = loop.now;
    Release(kVkControl);
    EXPECT_EQ(ownReleasesSeen, 3);
    EXPECT_EQ(input.sent.size(), 3u) << "one trigger only";
    EXPECT_FALSE(flags.NoForRubi);
    EXPECT_GE(loop.now - start, 500u + 300u + 1000u);
    EXPECT_THAT(requests, ElementsAre(u"https://example.jp/news"));
}

TEST_F(TriggerTest, FailedSendingRestoresEverything) {
    input.fails = true;
    triggers.HotKeyMessage(kVkShift, kKeyReleased);
    EXPECT_FALSE(flags.IsURLCopyed);
    EXPECT_FALSE(flags.NoForRubi);
    EXPECT_THAT(events, ElementsAre(u"busy 処理(しょり)ちゅう...", u"restore"));
}

TEST_F(TriggerTest, ClipboardNeedsTheKeyOrAnAwaitedCopy) {
    clipboard.text = address;
    triggers.WMDrawClipboard();
    EXPECT_TRUE(requests.empty());
    EXPECT_TRUE(events.empty());
    input.down[kVkShift] = true;
    triggers.WMDrawClipboard();
    EXPECT_THAT(requests, ElementsAre(address));
    EXPECT_EQ(events.front(), u"caption ルビふりちゅう...");
    EXPECT_FALSE(flags.ClipBoardRubiing);
}

TEST_F(TriggerTest, ClipboardChangesDuringStartOrARequestPassUnexamined) {
    input.down[kVkShift] = true;
    clipboard.text = address;
    for (bool* flag : {&form.IsStart, &form.Rubiing, &form.ClipBoardRubiing}) {
        *flag = true;
        triggers.WMDrawClipboard();
        *flag = false;
    }
    EXPECT_TRUE(requests.empty());
    EXPECT_TRUE(events.empty());
}

TEST_F(TriggerTest, CopiedTextIsCutToTheAddress) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"  https://a.jp/x \r\n", u"https://a.jp/x"},
        {u"見て http://a.jp/x です", u"http://a.jp/x です"},
        {u"HTTP://A.JP/", u"HTTP://A.JP/"},
        {u"see file:///tmp/a.html", u"file:///tmp/a.html"},
        {u"ftp://a.jp/", u"ftp://a.jp/"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(CutToAddress(in), out);

    input.down[kVkShift] = true;
    for (const auto& [in, out] : cases) {
        clipboard.text = in;
        triggers.WMDrawClipboard();
    }
    EXPECT_THAT(requests, ElementsAre(u"https://a.jp/x", u"http://a.jp/x です", u"HTTP://A.JP/",
                                      u"file:///tmp/a.html"));
    EXPECT_FALSE(busy);
}

TEST_F(TriggerTest, TextOfAThousandCharactersIsExaminedOneMoreIsNot) {
    input.down[kVkShift] = true;
    const std::u16string base = u"http://a.jp/";
    clipboard.text = base + std::u16string(1000 - base.size(), u'x');
    triggers.WMDrawClipboard();
    EXPECT_EQ(requests.size(), 1u);
    clipboard.text += u'x';
    triggers.WMDrawClipboard();
    EXPECT_EQ(requests.size(), 1u);
    EXPECT_FALSE(flags.ClipBoardRubiing);
    EXPECT_EQ(events.back(), u"restore");
}

TEST_F(TriggerTest, UnreadableOrEmptyClipboardEndsQuietlyWithFlagsCleared) {
    flags.IsURLCopyed = true;
    clipboard.readable = false;
    triggers.WMDrawClipboard();
    EXPECT_FALSE(flags.IsURLCopyed);
    EXPECT_FALSE(flags.ClipBoardRubiing);
    EXPECT_THAT(events, ElementsAre(u"restore"));
    flags.IsURLCopyed = true;
    clipboard.readable = true;
    clipboard.text.clear();
    triggers.WMDrawClipboard();
    EXPECT_FALSE(flags.IsURLCopyed);
    EXPECT_TRUE(requests.empty());
}

TEST_F(TriggerTest, SameAddressShowsTheNewestPageOrStartsTheFirstRequest) {
    input.down[kVkShift] = true;
    clipboard.text = address;
    url = address;  // typed, never processed
    triggers.WMDrawClipboard();
    EXPECT_THAT(requests, ElementsAre(address));
    events.clear();
    triggers.WMDrawClipboard();
    EXPECT_EQ(requests.size(), 1u);
    EXPECT_THAT(events, ElementsAre(u"restore", u"newest", u"restore"));
}

TEST_F(TriggerTest, CloseNoRubiTabClosesTheTabAfterShiftIsLetGo) {
    closeTab = true;
    input.down[kVkShift] = true;
    clipboard.text = address;
    int waits = 0;
    loop.onPump = [&] {
        if (++waits == 5) input.down[kVkShift] = false;
    };
    triggers.WMDrawClipboard();
    EXPECT_GE(waits, 5);
    EXPECT_THAT(SentKeys(), ElementsAre(std::vector<int>{17, 87, -87, 17 * -1}));
    EXPECT_THAT(requests, ElementsAre(address));
}

TEST_F(TriggerTest, CloseBrowserTabNeverTypesIntoTheTool) {
    desktop.foreground = 99;
    triggers.CloseBrowserTab();
    EXPECT_TRUE(input.sent.empty());
}

}  // namespace
