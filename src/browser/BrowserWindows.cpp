#include "browser/BrowserWindows.h"

#include <algorithm>

#include "browser/BrowserCatalogue.h"

namespace velmora {

int BrowserNoOfTitle(std::u16string_view title) {
    for (int i = 0; i < kBrowserCount; ++i)
        if (title.ends_with(kBrowserDisplayNames[static_cast<size_t>(i)])) return i;
    if (title.starts_with(u"Sleipnir")) return 5;
    return -1;
}

std::u16string BrowserWindowSearch::GetProcessExeName(ProcessId pid) {
    return pid == 0 ? std::u16string() : desktop_.ProcessExePath(pid);
}

bool BrowserWindowSearch::IsSameOrChild(ProcessId pid, ProcessId wanted) {
    // Up the parents, a bounded number of steps (ids are reused; the tree is shallow).
    for (int depth = 0; pid > 1 && depth < 16; ++depth) {
        if (pid == wanted) return true;
        pid = desktop_.ParentProcess(pid);
    }
    return false;
}

bool BrowserWindowSearch::EnumBrowserWindowsProc(WindowId window, ProcessId wanted) {
    if (window == 0 || window == OwnWindow) return true;
    if (desktop_.Owner(window) != 0 || !desktop_.IsVisible(window)) return true;
    bool match = false;
    if (BrowserExeName == kBrowserDisplayNames[kEdgeBrowserNo]) {
        // Told by its title, up to 1024 characters of it.
        std::u16string title = desktop_.Title(window).substr(0, 1024);
        match = title.size() >= BrowserExeName.size() && title.ends_with(BrowserExeName);
    } else {
        const ProcessId pid = desktop_.ProcessOf(window);
        if (pid != 0 && pid == OwnProcess) return true;
        if (wanted != 0 && IsSameOrChild(pid, wanted))
            match = true;
        else if (!BrowserExeName.empty()) {
            const std::u16string exe = GetProcessExeName(pid);
            match = exe == BrowserExeName ||
                    (!exe.empty() && std::find(LaunchedExeNames.begin(), LaunchedExeNames.end(),
                                               exe) != LaunchedExeNames.end());
        }
    }
    if (!match) return true;
    BrowserHWND = window;
    return false;
}

WindowId BrowserWindowSearch::Find(ProcessId wanted) {
    BrowserHWND = 0;
    for (WindowId w : desktop_.TopLevelWindows())
        if (!EnumBrowserWindowsProc(w, wanted)) break;
    return BrowserHWND;
}

}  // namespace velmora
