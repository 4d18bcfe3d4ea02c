#include "browser/RubiTriggers.h"

#include "base/Text.h"
#include "browser/BrowserWindows.h"
#include "platform/VirtualKeys.h"

namespace velmora {

std::u16string CutToAddress(std::u16string_view text) {
    const std::u16string low = LowerAscii(text);
    if (!low.starts_with(u"http") && !low.starts_with(u"file:///")) {
        size_t at = low.find(u"http");
        if (at == std::u16string::npos) at = low.find(u"file:///");
        if (at != std::u16string::npos) text = text.substr(at);
    }
    return std::u16string(TrimControls(text));
}

RubiTriggers::RubiTriggers(TriggerServices services, TriggerHost& host, TriggerFlags flags)
    : s_(services), host_(host), f_(flags) {}

bool RubiTriggers::SendSequence(int key) {
    return s_.input->SendKeys({{kVkControl, false}, {key, false}, {key, true}, {kVkControl, true}});
}

void RubiTriggers::HotKeyMessage(int key, std::uint32_t flags) {
    // 1. Only the ruby key's release, while nothing else is going on; not the user's own
    // Ctrl+C when Ctrl is the ruby key.
    if (f_.Rubiing || f_.ClipBoardRubiing || f_.IsURLCopyed || f_.NoForRubi) return;
    if ((flags & kKeyReleased) == 0 || key != f_.HotKey) return;
    if (f_.HotKey == kVkControl && s_.input->IsKeyDown(kVkC)) return;

    // 2, 3. A browser in front, told by its title (or its owner's).
    const WindowId foreground = s_.windows->Foreground();
    if (foreground == 0 || foreground == host_.MainWindow()) return;
    WindowId titled = foreground;
    if (const WindowId owner = s_.windows->Owner(foreground)) titled = owner;
    const std::u16string title = s_.windows->Title(titled).substr(0, 1024);
    if (title.empty() || BrowserNoOfTitle(title) < 0) return;

    // 4, 5. Half a second for the user's hands to leave the keys.
    s_.loop->PumpUntil(s_.loop->Now(), 500);
    if (f_.ClipBoardRubiing) return;

    host_.ShowBusy(u"処理(しょり)ちゅう...");
    const bool ctrl = f_.HotKey == kVkControl;
    f_.IsURLCopyed = true;
    if (ctrl) f_.NoForRubi = true;
    bool ok = SendSequence(kVkA);  // select the address
    if (ok) {
        s_.loop->Sleep(100);
        if (ctrl) f_.NoForRubi = true;
        ok = SendSequence(kVkC);  // copy it
    }
    if (ok) {
        s_.loop->Sleep(100);
        // A click into the page ends the selection in the address bar.
        Rect r;
        ok = s_.placement->WindowRect(foreground, r) && s_.input->Click(r.left + 10, r.top + 150);
    }
    if (!ok) {
        f_.IsURLCopyed = false;
        f_.NoForRubi = false;
        host_.RestoreControls();
        return;
    }
    s_.loop->Sleep(100);
    // The tool's own Ctrl releases come back from the hook meanwhile.
    if (ctrl) s_.loop->PumpUntil(s_.loop->Now(), 999);
    f_.NoForRubi = false;
    // IsURLCopyed and the busy label stay until the clipboard trigger takes the copy.
}

void RubiTriggers::CloseBrowserTab() {
    if (f_.HotKey == kVkShift) {
        while (s_.input->IsKeyDown(kVkShift)) {
            s_.loop->Pump();
            s_.loop->Sleep(10);
        }
    }
    if (s_.windows->Foreground() == host_.MainWindow()) return;
    const bool ctrl = f_.HotKey == kVkControl;
    if (ctrl) f_.NoForRubi = true;
    SendSequence(kVkW);
    s_.loop->Sleep(100);
    if (ctrl) s_.loop->PumpUntil(s_.loop->Now(), 2999);
    f_.NoForRubi = false;
}

void RubiTriggers::EndClipboard() {
    host_.RestoreControls();
    f_.IsURLCopyed = false;
    f_.ClipBoardRubiing = false;
    PassOnClipboardChange();
}

void RubiTriggers::WMDrawClipboard() {
    if (f_.IsStart || f_.Rubiing || f_.ClipBoardRubiing) return PassOnClipboardChange();
    if (!f_.IsURLCopyed && !s_.input->IsKeyDown(f_.HotKey)) return PassOnClipboardChange();

    s_.loop->Sleep(100);
    f_.ClipBoardRubiing = true;
    std::u16string text;
    // A clipboard that cannot be read or holds no text, and a text too long to be an
    // address, end quietly.
    if (!s_.clipboard->ReadText(text) || text.size() > kMaxClipboardAddress) return EndClipboard();
    text = CutToAddress(text);

    // The address already in the field: its page is shown again. Before the first page of
    // the run there is none to show, and the address is taken up instead.
    if (text == host_.UrlText() && host_.RubiHTMLCount() > 0) {
        host_.RestoreControls();
        if (host_.CloseNoRubiTab()) CloseBrowserTab();
        host_.ShowNewestRubiPage();
        return EndClipboard();
    }
    if (StartsWithCi(text, u"http") || StartsWithCi(text, u"file")) {
        host_.SetBusyCaption(u"ルビふりちゅう...");
        host_.SetUrlText(text);
        if (host_.CloseNoRubiTab()) CloseBrowserTab();
        host_.RunRubiRequest();
    }
    EndClipboard();
}

}  // namespace velmora
