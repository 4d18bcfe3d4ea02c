// The two triggers that turn something done in the browser into a ruby request: the ruby
// key (released while a browser's address bar has the focus, the tool copies the address
// itself) and the clipboard (an address copied while the ruby key is held, or the copy the
// ruby key made). Both end in the main window's ruby request.
#pragma once

#include <cstdint>
#include <string>

#include "browser/UiLoop.h"
#include "platform/Clipboard.h"
#include "platform/DesktopWindows.h"
#include "platform/InputSender.h"
#include "platform/WindowPlacement.h"

namespace velmora {

// The main window's fields the triggers read and write.
struct TriggerFlags {
    bool& IsStart;
    bool& Rubiing;
    bool& ClipBoardRubiing;
    bool& IsURLCopyed;
    bool& NoForRubi;
    int& HotKey;
};

// What the triggers need of the main window and its controls.
class TriggerHost {
public:
    virtual ~TriggerHost() = default;
    virtual WindowId MainWindow() = 0;
    // The busy label with `caption` shown; the ruby button and the help label hidden.
    virtual void ShowBusy(const std::u16string& caption) = 0;
    // Only the busy label's caption.
    virtual void SetBusyCaption(const std::u16string& caption) = 0;
    // The busy label hidden; the ruby button and the help label shown.
    virtual void RestoreControls() = 0;
    virtual std::u16string UrlText() = 0;
    // Sets the URL field's text; its change handler runs.
    virtual void SetUrlText(const std::u16string& text) = 0;
    // The ruby request of the URL field; returns when it has ended.
    virtual void RunRubiRequest() = 0;
    virtual int RubiHTMLCount() = 0;
    // Shows the newest ruby page of this run again.
    virtual void ShowNewestRubiPage() = 0;
    // The tick of "close the tab without ruby".
    virtual bool CloseNoRubiTab() = 0;
};

struct TriggerServices {
    DesktopWindows* windows = nullptr;
    WindowPlacement* placement = nullptr;
    InputSender* input = nullptr;
    Clipboard* clipboard = nullptr;
    UiLoop* loop = nullptr;
};

// The release bit of a key report's flags.
inline constexpr std::uint32_t kKeyReleased = 0x80000000u;

// The longest copied text that may be an address.
inline constexpr size_t kMaxClipboardAddress = 1000;

// The copied text cut to the address it holds: from the first "http" (or, without one,
// "file:///") on when it starts with neither, without blanks and controls around it.
std::u16string CutToAddress(std::u16string_view text);

class RubiTriggers {
public:
    RubiTriggers(TriggerServices services, TriggerHost& host, TriggerFlags flags);

    // A key report of the key hook: `key` a virtual-key code, `flags` with kKeyReleased
    // set for a release.
    void HotKeyMessage(int key, std::uint32_t flags);
    // Ctrl+W to the foreground window, never to the tool's own.
    void CloseBrowserTab();
    // The clipboard changed.
    void WMDrawClipboard();

private:
    bool SendSequence(int key);
    // Where another viewer of the clipboard would be told of the change; the desktop
    // tells every program itself here.
    void PassOnClipboardChange() {}
    void EndClipboard();

    TriggerServices s_;
    TriggerHost& host_;
    TriggerFlags f_;
};

}  // namespace velmora
