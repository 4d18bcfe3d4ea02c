// The main window: the state of a run, its controls and the handlers of their events. The
// handlers stay thin; the request, the stores and the desktop services do the work. A
// toolkit's view (TVelmoraView) draws the controls and forwards the user's actions here.
//
// A new handler is a member function wired to its control's event in the constructor
// (OnClick, OnChange, OnKeyDown, OnSelect...). A new menu entry is added in BuildMenu
// (PopupMenu1.Add, AutoCheck or GroupIndex for checks, OnClick): every view builds its menu
// from these entries. A new desktop service is a header in src/platform, a pointer in
// TVelmoraDeps, a fake in platform/fake and an implementation per system.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "browser/Controls.h"
#include "browser/TVelmoraView.h"
#include "platform/Clipboard.h"
#include "platform/Clock.h"
#include "platform/DesktopWindows.h"
#include "platform/EventPump.h"
#include "platform/Folders.h"
#include "platform/InputSender.h"
#include "platform/KeyHook.h"
#include "platform/ProcessLauncher.h"
#include "platform/Timer.h"
#include "platform/WindowPlacement.h"
#include "ruby/Hooks.h"
#include "ruby/ReadingService.h"
#include "ruby/UserDictionary.h"
#include "settings/IniFile.h"
#include "settings/MenuCommands.h"

namespace velmora {

class Downloader;
class FormDesktop;
class RubiPageShower;
class TMessageBox;

// What the main window is given from outside: the desktop and the services it drives.
struct TVelmoraDeps {
    Folders* folders = nullptr;
    WindowPlacement* placement = nullptr;
    // Shows ruby pages; when null, the window shows them itself in the chosen browser
    // through the desktop's windows and processes below.
    RubiPageShower* shower = nullptr;
    DesktopWindows* windows = nullptr;
    ProcessLauncher* launcher = nullptr;
    // Global keys (the ruby key), synthetic keys and clicks, the clipboard: the triggers.
    // Without them the ruby key and the clipboard start nothing.
    KeyHook* keyHook = nullptr;
    InputSender* input = nullptr;
    Clipboard* clipboard = nullptr;
    TMessageBox* messages = nullptr;
    // The one-second timer (Timer1), the millisecond clock and the message loop.
    Timer* timer = nullptr;
    Clock* clock = nullptr;
    EventPump* pump = nullptr;
    // The TLS library version of the download library; null or empty when it has none.
    std::function<const char*()> tlsVersion;
    ReadingServiceFactory reading;
    // Whether the reading service can work (its dictionary loads); the reason when not.
    std::function<bool(std::string*)> readingAvailable;
    // The desktop's default browser, asked when none is stored.
    DefaultBrowserLookup defaultBrowser;
    // The window in front and its program, for the browser capture; null: none is ever taken.
    CaptureDesktop* desktop = nullptr;
    // The dictionary editor and the about box, shown modally; the about box's start-up
    // display ends when the window has first been shown.
    std::function<void()> showDicForm;
    std::function<void()> showVersionForm;
    std::function<void()> startEnded;
    // Opens the help page `page` with the browser program `exe`.
    std::function<void(const std::u16string& exe, const std::u16string& page)> openHelpPage;
};

// The fields the settings commands share (ExceptRubiLevel, BrowserExeName, HotKey, the
// capture times, IsStart, Rubiing, the folders...) come from TSettingsFields.
class TVelmoraForm : public TSettingsFields {
public:
    explicit TVelmoraForm(TVelmoraDeps deps);
    ~TVelmoraForm();
    TVelmoraForm(const TVelmoraForm&) = delete;
    TVelmoraForm& operator=(const TVelmoraForm&) = delete;

    // The view that draws this window; it is told the state of every control now and of
    // every change from then on. Attached once, before FormCreate.
    void AttachView(TVelmoraView& view);
    // The view is going away; nothing is shown from now on.
    void DetachView();
    // Every control of the window, the menu's entries included, parents before children.
    std::vector<TControl*> Controls();

    // The start-up sequence. False when the program has to end (the message was shown).
    bool FormCreate();
    // Why the start-up failed, when the desktop said (for the program's error output).
    std::string StartupFailure;
    // First show; later shows do nothing.
    void FormShow();
    // The window is about to close: stops a download, deletes this run's pages when
    // wanted. False when a page could not be deleted (the close is abandoned).
    bool FormCloseQuery();
    void FormDestroy();

    // The ruby request of the URL field.
    void BtnRubiClick();
    void BtnCancelClick();
    void BtnHelpClick();
    void ImgMenuClick();
    void LEURLChange();
    void LEURLMouseEnter();
    // A key went down in the URL field (virtual-key code); true when it was consumed.
    bool LEURLKeyDown(int key);
    // An address was dropped on the URL field.
    void DropURLTarget1Drop(const std::u16string& url);
    void Timer1Timer();
    void ComboBoxRubiTitleSelect(int index);
    void ComboBoxRubiTitleCloseUp();
    void PMenuExceptRubiClick(int level);
    void PMenuRubiStyleClick(int style);
    void PMenuBrowserClick();
    void PMenuHotKeyClick();
    void PMenuSetDicClick();
    void PMenuVersionClick();
    void PMenuHelpClick();
    void AddRubiTitle(int number, const std::vector<std::u16string>& lines);
    void SetHelpText(std::u16string name);
    void ShowRubiPage(const std::u16string& quotedPath);
    // A key report of the key hook (virtual-key code; flags with bit 31 set on release).
    void HotKeyMessage(int key, std::uint32_t flags);
    // The clipboard's text changed.
    void WMDrawClipboard();
    // Ctrl+W to the browser in front.
    void CloseBrowserTab();

    // Sets BrowserNo from BrowserExeName.
    void SetBrowserNo();
    // The chosen browser's name in captions and messages.
    std::u16string BrowserDisplayName() const;

    int CollapsedHeight() const;
    int ExpandedHeight() const;

    // The millisecond clock the handlers measure their waits with (0 without a clock).
    std::uint32_t timeGetTime() const { return deps_.clock ? deps_.clock->timeGetTime() : 0; }

    // ---- State of the run ----
    std::vector<std::u16string> RubiSL;  // the current request keeps its own lines
    std::u16string KanjiString;
    int KanjiCount = 0;
    int TimeCount = 0;
    int RubiHTMLCount = 0;
    WindowId FClipNextHandle = 0;
    std::array<TMenuItem*, 7> MenuExceptRubi{};
    std::vector<int> KeyInputs;
    int KeyInputCount = 0;
    bool ClipBoardRubiing = false;
    bool IsURLCopyed = false;
    bool NoForRubi = false;
    WindowId BrowserHWND = 0;
    bool IsVista = false;
    UserDictionary Dic;
    std::vector<std::u16string>& DicWord = Dic.DicWord;
    std::vector<std::u16string>& DicRubi = Dic.DicRubi;
    int& DicWordCount = Dic.DicWordCount;

private:
    std::unique_ptr<Downloader> DL;  // the HTTP client and its worker, for the whole run

public:
    // Download flags and body, shared with the worker; they live in the downloader.
    std::atomic<bool>& FIsDLCancel;
    std::atomic<bool>& FDownLoadError;
    std::atomic<bool>& IsDownLoading;
    std::string& MS;
    std::u16string& LProtocol;
    std::u16string& LHomeDirectory;

    // ---- The window and its controls ----
    std::u16string Caption = u"ヴェルモラ";
    int ClientWidth = 335;
    int ClientHeight = 411;
    TControl LblURL;
    TEdit LEURL;
    TControl ImgMenu;
    TControl BtnRubi;
    TProgressBar ProgressBar1;
    TControl LblRubiing;
    TControl BtnCancel;
    TComboBox ComboBoxRubiTitle;
    TControl BtnHelp;
    TControl PanelHelp;
    TControl LblHelp;
    Timer* Timer1 = nullptr;
    TMenuItem PopupMenu1;
    TMenuItem* PMenuBrowser = nullptr;
    TMenuItem* PMenuRubiLevel = nullptr;
    TMenuItem* PMenuSetDic = nullptr;
    TMenuItem* PMenuHotKey = nullptr;
    TMenuItem* PMenuCloseNoRubiTab = nullptr;
    TMenuItem* PMenuNoMoveBrowser = nullptr;
    TMenuItem* PMenuDeleteFile = nullptr;
    TMenuItem* PMenuHelp = nullptr;
    TMenuItem* PMenuVersion = nullptr;
    // Every entry of the pop-up menu, by its place in the menu's table.
    std::array<TMenuItem*, kMenuCount> MenuEntries{};
    TMenuItem& Entry(MenuId id) { return *MenuEntries[static_cast<size_t>(id)]; }

private:
    friend class FormDesktop;
    void BuildMenu();
    void CreateSettingsCommands();
    // The radio entries show the level and the reading style in effect.
    void ShowRadioSettings();
    void SetClientHeight(int height);
    void LoadSettings();
    JobHooks Hooks();
    Rect WorkArea();
    void MoveMainWindow(int left, int top);
    void SetTopmost(bool on);
    void EndRequest();
    void ProcessMessages();
    // Runs `task` after the current message, unless this window is gone by then.
    void Later(std::function<void()> task);
    IniFile Config() const;

    TVelmoraDeps deps_;
    std::unique_ptr<FormDesktop> desktop_;  // browser showing and triggers
    TVelmoraView* view_ = nullptr;
    // The settings commands and what this window lends them.
    class SettingsHost;
    class NoDesktop;
    std::unique_ptr<MenuHost> settingsHost_;
    std::unique_ptr<CaptureDesktop> noDesktop_;
    std::unique_ptr<TMenuCommands> commands_;
    bool closed_ = false;
    bool requestRunning_ = false;  // BtnRubiClick is on the stack
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace velmora
