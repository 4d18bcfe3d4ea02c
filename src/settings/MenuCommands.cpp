#include "settings/MenuCommands.h"

#include <cstdlib>

#include "base/Text.h"
#include "settings/IniFile.h"

namespace velmora {

std::u16string HotKeyMenuCaption(std::u16string_view name) {
    return u"ルビふりキー:[" + std::u16string(name) + u"](&K)";
}

std::u16string HelpText(std::u16string_view name, bool closeNoRubiTab) {
    const std::u16string key(name);
    std::u16string text =
        u"表示中(ひょうじちゅう)のブラウザが\r\nFirefox/IE(Windpws10以外(いがい)) "
        u"/Chrome/Opera/Kinza/Sleipnir なら、\r\nそのアドレスバー(URL欄(らん))をクリックしてから[" +
        key + u"]キーを押(お)せばルビがふられます。\r\n\r\nすべてのブラウザでアドレスバーのURLを[" +
        key +
        u"]キーを押(お)しながらコピーすればルビがふられます。\r\n\r\n"
        u"URLテキストの左(ひだり)にアイコンがあればそのアイコンを上(うえ)の"
        u"[URL]欄(らん)へドラッグ・ドロップしてもルビがふられます。";
    if (closeNoRubiTab) text += kCloseNoRubiTabSentence;
    return text;
}

bool IsRubiAddress(std::u16string_view text) {
    return StartsWithCi(text, u"http") || StartsWithCi(text, u"file");
}

bool IsEdgeTitle(std::u16string_view title) {
    // Edge writes a zero-width space between the two words of its name.
    std::u16string plain;
    for (char16_t c : title)
        if (c != u'\u200B') plain += c;
    constexpr std::u16string_view kEdge = u"Microsoft Edge";
    return plain.size() >= kEdge.size() &&
           plain.compare(plain.size() - kEdge.size(), kEdge.size(), kEdge) == 0;
}

bool IsExtendedKey(int vk) {
    return (vk >= 33 && vk <= 46) || (vk >= 91 && vk <= 93) || vk == 108 || vk == 111 ||
           vk == 144 || vk == 163 || vk == 165;
}

TMenuCommands::TMenuCommands(TSettingsFields& fields, MenuHost& host, CaptureDesktop& desktop)
    : f_(fields), host_(host), desktop_(desktop) {}

IniFile TMenuCommands::Config() const {
    return IniFile(ConfigPath(f_.DataFolda));
}

bool TMenuCommands::WriteOrSay(bool ok, const std::u16string& error) {
    if (!ok) host_.Error(error);
    return ok;
}

void TMenuCommands::ApplyStartSettings(int level, int style, const std::u16string& hotKeyName,
                                       bool deleteFile, bool closeNoRubiTab, bool noMoveBrowser) {
    // A level outside 0..6 (never written by the tool) leaves no entry ticked.
    for (int i = 0; i < 7; ++i)
        host_.SetChecked(TPopupMenu::ExceptRubi(i), i == level);
    host_.SetChecked(TPopupMenu::RubiStyle(style), true);
    host_.SetCaption(MenuId::PMenuHotKey, HotKeyMenuCaption(hotKeyName));
    host_.SetChecked(MenuId::PMenuDeleteFile, deleteFile);
    host_.SetChecked(MenuId::PMenuCloseNoRubiTab, closeNoRubiTab);
    host_.SetChecked(MenuId::PMenuNoMoveBrowser, noMoveBrowser);
}

void TMenuCommands::SetBrowserCaption(const std::u16string& displayName) {
    host_.SetCaption(MenuId::PMenuBrowser,
                     u"ルビを表示(ひょうじ)するブラウザ:" + displayName + u"(&B)");
}

void TMenuCommands::ImgMenuClick() {
    host_.PopupAtCursor();
}

void TMenuCommands::Click(MenuId id) {
    const int n = static_cast<int>(id);
    switch (id) {
        case MenuId::PMenuExceptRubi0:
        case MenuId::PMenuExceptRubi1:
        case MenuId::PMenuExceptRubi2:
        case MenuId::PMenuExceptRubi3:
        case MenuId::PMenuExceptRubi4:
        case MenuId::PMenuExceptRubi5:
        case MenuId::PMenuExceptRubi6:
            PMenuExceptRubiClick(n - static_cast<int>(MenuId::PMenuExceptRubi0));
            break;
        case MenuId::PMenuRubiStyle0:
        case MenuId::PMenuRubiStyle1:
            PMenuRubiStyleClick(n - static_cast<int>(MenuId::PMenuRubiStyle0));
            break;
        case MenuId::PMenuBrowser:
            PMenuBrowserClick();
            break;
        case MenuId::PMenuSetDic:
            PMenuSetDicClick();
            break;
        case MenuId::PMenuHotKey:
            PMenuHotKeyClick();
            break;
        case MenuId::PMenuCloseNoRubiTab:
            PMenuCloseNoRubiTabClick();
            break;
        case MenuId::PMenuNoMoveBrowser:
            PMenuNoMoveBrowserClick();
            break;
        case MenuId::PMenuDeleteFile:
            PMenuDeleteFileClick();
            break;
        case MenuId::PMenuHelp:
            PMenuHelpClick();
            break;
        case MenuId::PMenuVersion:
            PMenuVersionClick();
            break;
        case MenuId::PMenuRubiLevel:
        case MenuId::PMenuRubiStyle:
        case MenuId::N1:
            break;
    }
}

// ---- Ruby level and reading style ----

void TMenuCommands::PMenuExceptRubiClick(int level) {
    if (f_.IsStart || level < 0 || level > 6) return;
    if (level == f_.ExceptRubiLevel) return;
    f_.ExceptRubiLevel = level;
    host_.SetChecked(TPopupMenu::ExceptRubi(level), true);
    std::u16string error;
    IniFile ini = Config();
    if (!WriteOrSay(WriteExceptRubiLevel(ini, level, &error), error)) return;
    host_.Pump();
    // The page in the field is redone at the new level; never a second request meanwhile.
    if (!f_.Rubiing && IsRubiAddress(host_.URLText())) host_.BtnRubiClick();
}

void TMenuCommands::PMenuRubiStyleClick(int style) {
    if (f_.IsStart || (style != 0 && style != 1)) return;
    const RubyStyle chosen = style == 1 ? RubyStyle::RubyTags : RubyStyle::Parentheses;
    if (chosen == f_.RubiStyle) return;
    f_.RubiStyle = chosen;
    host_.SetChecked(TPopupMenu::RubiStyle(style), true);
    std::u16string error;
    IniFile ini = Config();
    if (!WriteOrSay(WriteRubiStyle(ini, chosen, &error), error)) return;
    host_.Pump();
    if (!f_.Rubiing && IsRubiAddress(host_.URLText())) host_.BtnRubiClick();
}

// ---- Tick entries ----

void TMenuCommands::TickClick(MenuId id) {
    if (f_.IsStart) return;
    const bool on = !host_.Checked(id);
    host_.SetChecked(id, on);
    if (id == MenuId::PMenuCloseNoRubiTab) SetHelpText(u"");
    std::u16string error;
    IniFile ini = Config();
    const bool ok = id == MenuId::PMenuDeleteFile       ? WriteDeleteFile(ini, on, &error)
                    : id == MenuId::PMenuCloseNoRubiTab ? WriteCloseNoRubiTab(ini, on, &error)
                                                        : WriteNoMoveBrowser(ini, on, &error);
    WriteOrSay(ok, error);
}

void TMenuCommands::PMenuDeleteFileClick() {
    TickClick(MenuId::PMenuDeleteFile);
}
void TMenuCommands::PMenuCloseNoRubiTabClick() {
    TickClick(MenuId::PMenuCloseNoRubiTab);
}
void TMenuCommands::PMenuNoMoveBrowserClick() {
    TickClick(MenuId::PMenuNoMoveBrowser);
}

// ---- Windows and pages ----

void TMenuCommands::PMenuSetDicClick() {
    host_.ShowDicForm();
}

void TMenuCommands::PMenuVersionClick() {
    host_.ShowVersionForm();
}

void TMenuCommands::PMenuHelpClick() {
    // The help page opens in the browser chosen for ruby pages; nothing is reported.
    host_.OpenHelpPage(f_.BrowserExeName, f_.Folda + u"Help/Help.html");
}

void TMenuCommands::BtnHelpClick() {
    const int collapsed = host_.CollapsedHeight();
    host_.SetClientHeight(host_.ClientHeight() == collapsed ? host_.ExpandedHeight() : collapsed);
}

void TMenuCommands::SetHelpText(std::u16string name) {
    if (name.empty()) name = ReadHotKeyName(Config());
    host_.SetHelpLabel(HelpText(name, host_.Checked(MenuId::PMenuCloseNoRubiTab)));
}

// ---- Browser capture ----

void TMenuCommands::PMenuBrowserClick() {
    if (f_.IsStart) return;
    if (host_.Question(std::u16string(kBrowserQuestion), true) != BoxAnswer::Yes) return;
    f_.GetBrowserStartTime = host_.timeGetTime();
    host_.Timer1Start();
}

namespace {

// The clock wraps around after 49 days: the elapsed time is the distance of the two readings
// as signed 32-bit numbers.
bool MoreThan3s(std::uint32_t now, std::uint32_t start) {
    const auto diff = static_cast<std::int32_t>(now - start);
    return std::abs(static_cast<std::int64_t>(diff)) > 3000;
}

}  // namespace

void TMenuCommands::BrowserCaptureStep() {
    const WindowId w = desktop_.Foreground();
    if (w != 0 && desktop_.Owner(w) == 0 && w != host_.MainWindow() && desktop_.IsVisible(w)) {
        host_.Timer1Stop();
        if (IsEdgeTitle(desktop_.Title(w))) {
            host_.Info(std::u16string(kEdgeRefused));
            f_.GetBrowserStartTime = 0;
            return;
        }
        const std::u16string exe = desktop_.ExePath(w);
        if (exe.empty()) {
            host_.Timer1Start();
        } else {
            f_.BrowserExeName = exe;
            host_.SetBrowserNo();
            const std::u16string name = host_.BrowserDisplayName();
            SetBrowserCaption(name);
            host_.BringToFront();
            host_.Info(u"ルビを表示(ひょうじ)するブラウザを" + name +
                       u"に変更(へんこう)しました。");
            SetHelpText(u"");
            std::u16string error;
            IniFile ini = Config();
            if (!WriteOrSay(WriteBrowserExeName(ini, f_.BrowserExeName, &error), error)) return;
            f_.GetBrowserStartTime = 0;
        }
    }
    if (f_.GetBrowserStartTime == 0 || MoreThan3s(host_.timeGetTime(), f_.GetBrowserStartTime)) {
        f_.GetBrowserStartTime = 0;
        host_.Timer1Stop();
    }
}

// ---- Ruby-key capture ----

void TMenuCommands::PMenuHotKeyClick() {
    if (f_.IsStart) return;
    host_.Question(std::u16string(kHotKeyNotice), false);
    host_.SetURLText(u"");
    host_.FocusURL();
    f_.SetHotKeyStartTime = host_.timeGetTime();
    host_.Timer1Start();
}

void TMenuCommands::EndKeyCapture() {
    f_.SetHotKeyStartTime = 0;
    host_.Timer1Stop();
}

void TMenuCommands::Timer1Timer() {
    if (f_.Rubiing) return;
    if (f_.GetBrowserStartTime != 0) {
        BrowserCaptureStep();
    } else if (f_.SetHotKeyStartTime != 0) {
        if (MoreThan3s(host_.timeGetTime(), f_.SetHotKeyStartTime)) EndKeyCapture();
    }
}

bool TMenuCommands::LEURLKeyDown(int key) {
    if (f_.SetHotKeyStartTime == 0) {
        if (key != 13 || !IsRubiAddress(host_.URLText())) return false;
        // A second request never starts while one runs.
        if (!f_.Rubiing) host_.BtnRubiClick();
        return true;
    }
    host_.Pump();
    if (!host_.URLText().empty()) {
        host_.Info(std::u16string(kTextKeyRefused));
        return false;
    }
    if (key == 18) {
        host_.Info(std::u16string(kAltKeyRefused));
        return false;
    }
    const std::u16string name = desktop_.KeyName(key);
    if (name.empty()) {
        host_.Info(std::u16string(kNoKeyName));
        EndKeyCapture();
        return false;
    }
    host_.SetCaption(MenuId::PMenuHotKey, HotKeyMenuCaption(name));
    SetHelpText(name);
    f_.HotKey = key;
    std::u16string error;
    IniFile ini = Config();
    if (!WriteOrSay(WriteHotKey(ini, key, name, &error), error)) return false;
    EndKeyCapture();
    host_.Info(u"ルビ振(ふ)りキーを[" + name + u"]に設定しました。");
    return false;
}

}  // namespace velmora
