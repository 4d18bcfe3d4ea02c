// The commands of the main window's pop-up menu and the two captures they start: choosing
// the browser by bringing its window to the front, and the ruby key by pressing it. The main
// window keeps the fields; it lends them here with the few things of its own these commands
// need (its URL field, its usage panel, its timer, its boxes), through MenuHost.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/CaptureDesktop.h"
#include "platform/WindowTypes.h"
#include "ruby/RubiEngine.h"
#include "settings/PopupMenu.h"

namespace velmora {

class IniFile;

// The fields of the main window that the menu and the captures read and write.
struct TSettingsFields {
    int ExceptRubiLevel = 0;
    RubyStyle RubiStyle = RubyStyle::Parentheses;  // "RubiStyle" in Config.ini
    std::u16string BrowserExeName;
    int BrowserNo = -1;
    std::array<std::u16string, 7> BrowserName;
    int HotKey = 16;
    std::uint32_t GetBrowserStartTime = 0;  // 0: no browser capture
    std::uint32_t SetHotKeyStartTime = 0;   // 0: no ruby-key capture
    bool IsStart = true;
    bool Rubiing = false;
    std::u16string Folda;      // the program's folder, ending with a separator
    std::u16string DataFolda;  // the data folder
};

enum class BoxAnswer { Ok, Yes, No, Cancel };

// What the main window lends its commands.
class MenuHost {
public:
    virtual ~MenuHost() = default;
    virtual std::u16string URLText() = 0;
    virtual void SetURLText(const std::u16string& text) = 0;
    virtual void FocusURL() = 0;
    virtual void SetHelpLabel(const std::u16string& text) = 0;
    virtual int ClientHeight() = 0;
    virtual void SetClientHeight(int height) = 0;
    // Bottom of BtnHelp plus 3, bottom of PanelHelp plus 5.
    virtual int CollapsedHeight() = 0;
    virtual int ExpandedHeight() = 0;
    // Opens the pop-up menu with its top left corner at the mouse cursor.
    virtual void PopupAtCursor() = 0;
    // The menu's entries: their ticks (a radio entry ticked unticks the others of its group)
    // and captions.
    virtual bool Checked(MenuId id) = 0;
    virtual void SetChecked(MenuId id, bool on) = 0;
    virtual void SetCaption(MenuId id, const std::u16string& caption) = 0;

    // The ruby request of the ruby button.
    virtual void BtnRubiClick() = 0;
    // Lets pending window events run.
    virtual void Pump() = 0;
    virtual void Timer1Start() = 0;
    virtual void Timer1Stop() = 0;
    // The millisecond clock.
    virtual std::uint32_t timeGetTime() = 0;

    // Information box (information icon, OK), question box (question icon; `yesNoCancel`
    // gives Yes, No and Cancel, otherwise OK alone), and the error box.
    virtual void Info(const std::u16string& text) = 0;
    virtual BoxAnswer Question(const std::u16string& text, bool yesNoCancel) = 0;
    virtual void Error(const std::u16string& text) = 0;

    // BrowserNo from BrowserExeName, and the chosen browser's name in captions and messages
    // (the catalogue's display name, or the executable's name without folder and extension).
    virtual void SetBrowserNo() = 0;
    virtual std::u16string BrowserDisplayName() = 0;

    virtual WindowId MainWindow() = 0;
    virtual void BringToFront() = 0;
    // Opens the help page `page` with the program `browserExe` (the chosen browser).
    virtual void OpenHelpPage(const std::u16string& browserExe, const std::u16string& page) = 0;
    // Shows the dictionary editor and the about box modally.
    virtual void ShowDicForm() = 0;
    virtual void ShowVersionForm() = 0;
};

class TMenuCommands {
public:
    TMenuCommands(TSettingsFields& fields, MenuHost& host, CaptureDesktop& desktop);

    void ImgMenuClick();
    // A click on any entry of the menu.
    void Click(MenuId id);

    void PMenuExceptRubiClick(int level);
    void PMenuRubiStyleClick(int style);
    void PMenuDeleteFileClick();
    void PMenuCloseNoRubiTabClick();
    void PMenuNoMoveBrowserClick();
    void PMenuSetDicClick();
    void PMenuVersionClick();
    void PMenuHelpClick();
    void PMenuBrowserClick();
    void PMenuHotKeyClick();
    void BtnHelpClick();

    // The timer's share of the captures (the busy label of a request is the main window's).
    void Timer1Timer();
    // A key pressed in the URL field, after the field has taken it. True when the key was
    // consumed (Enter starting a request).
    bool LEURLKeyDown(int key);
    // The usage text for the ruby key `name`; the stored name when empty.
    void SetHelpText(std::u16string name);

    // Ticks and captions from the settings read at start-up.
    void ApplyStartSettings(int level, int style, const std::u16string& hotKeyName, bool deleteFile,
                            bool closeNoRubiTab, bool noMoveBrowser);
    void SetBrowserCaption(const std::u16string& displayName);

private:
    IniFile Config() const;
    void TickClick(MenuId id);
    void BrowserCaptureStep();
    void EndKeyCapture();
    bool WriteOrSay(bool ok, const std::u16string& error);

    TSettingsFields& f_;
    MenuHost& host_;
    CaptureDesktop& desktop_;
};

// Texts of the menu and the captures.
std::u16string HotKeyMenuCaption(std::u16string_view name);
std::u16string HelpText(std::u16string_view name, bool closeNoRubiTab);
// Whether the URL field holds an address a request can take ("http" or "file", any case).
bool IsRubiAddress(std::u16string_view text);
// Whether a window title is that of Microsoft Edge (its last words, zero-width spaces aside).
bool IsEdgeTitle(std::u16string_view title);
// Keys whose name the keyboard layout gives only with the extended-key bit set (arrows and
// the other keys that share a scan code with a numeric-pad key).
bool IsExtendedKey(int vk);

inline constexpr std::u16string_view kBrowserQuestion =
    u"ルビを表示(ひょうじ)するブラウザを変更(へんこう)するには、\r"
    u"指定(してい)するブラウザが起動(きどう)していれば、[はい]をクリックしてから3秒以内("
    u"びょういない)"
    u"に指定(してい)するブラウザのウィンドウを最前面(さいぜんめん)にしてください。\r"
    u"指定(してい)するブラウザが起動(きどう)していなければ、[いいえ]をクリックして、"
    u"指定(してい)するブラウザを起動(きどう)させてからやり直(なお)してください。\r\r"
    u"指定(してい)するブラウザは起動(きどう)していますか?";
inline constexpr std::u16string_view kEdgeRefused =
    u"Microsoft Edge ではルビを振(ふ)った画面(がめん)を表示(ひょうじ)できません。\r\n"
    u"ルビを表示(ひょうじ)するブラウザを他(ほか)のものに設定(せってい)してください。";
inline constexpr std::u16string_view kHotKeyNotice =
    u"ルビふりキーを変更(へんこう)するには、\r"
    u"このダイアログを閉(と)じてから3秒以内(びょういない)に設定(せってい)したいキーを押(お)"
    u"してください。\rA～Zなどの文字(もじ)が表示(ひょうじ)されるキーと[Alt]キーは"
    u"設定(せってい)できません。";
inline constexpr std::u16string_view kTextKeyRefused =
    u"\"a～z\"などの文字(もじ)が表示(ひょうじ)されるキーは設定(せってい)できません。";
inline constexpr std::u16string_view kAltKeyRefused = u"[Alt]キーは設定(せってい)できません。";
inline constexpr std::u16string_view kNoKeyName =
    u"ルビ振(ふ)りキーを設定(せってい)できませんでした。";
inline constexpr std::u16string_view kCloseNoRubiTabSentence =
    u"(この場合(ばあい)、ルビがふられていないタブは閉(と)じません。)";

}  // namespace velmora
