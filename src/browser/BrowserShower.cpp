#include "browser/BrowserShower.h"

#include <unistd.h>

#include <algorithm>

#include "browser/BrowserCatalogue.h"

namespace velmora {

namespace {
constexpr std::u16string_view kLaunchFailed = u"ブラウザの起動に失敗しました。";
}

std::u16string UnquotedPage(const std::u16string& quotedPath) {
    std::u16string page = quotedPath;
    if (page.size() >= 2 && page.front() == u'"' && page.back() == u'"')
        page = page.substr(1, page.size() - 2);
    return page;
}

BrowserShower::BrowserShower(ShowerServices services, ShowerHost& host)
    : s_(services), host_(host), search_(*services.windows) {}

WindowId BrowserShower::Search(ProcessId wanted) {
    search_.BrowserExeName = host_.BrowserExeName();
    search_.OwnWindow = host_.MainWindow();
    search_.OwnProcess = static_cast<ProcessId>(getpid());
    return search_.Find(wanted);
}

WindowId BrowserShower::SearchRepeatedly(ProcessId wanted) {
    for (int i = 0; i < kSearchTries; ++i) {
        s_.loop->PumpUntil(s_.loop->Now(), kSearchIntervalMs - 1);
        // A launcher script becomes the browser it starts (or hands the page to the one
        // running): what the started process runs now is the browser too.
        if (const std::u16string exe = search_.GetProcessExeName(wanted);
            !exe.empty() && exe != host_.BrowserExeName() &&
            std::find(search_.LaunchedExeNames.begin(), search_.LaunchedExeNames.end(), exe) ==
                search_.LaunchedExeNames.end())
            search_.LaunchedExeNames.push_back(exe);
        if (const WindowId found = Search(wanted)) return found;
    }
    return 0;
}

void BrowserShower::MoveBrowserWindow(WindowId window, int x, int y, int width, int height) {
    if (window == 0) return;
    s_.placement->Activate(window);
    s_.placement->MoveResize(window, {x, y, width, height});
}

WindowId BrowserShower::ShowRubiPage(const std::u16string& quotedPath, bool starting) {
    // 1. The tool to the work area's top-left corner.
    const Rect area = host_.WorkArea();
    host_.MoveMainWindow(area.left, area.top);
    s_.loop->Pump();

    const std::u16string exe = host_.BrowserExeName();
    const bool edge = exe == kBrowserDisplayNames[kEdgeBrowserNo];
    // A launch that fails keeps the window known before.
    WindowId& browser = BrowserHWND;
    bool launch = true;
    // 2. At start-up a browser that runs already is not started again.
    if (starting) {
        browser = Search(0);
        launch = browser == 0;
    }
    if (launch && !edge) {
        std::vector<std::u16string> args;
        if (!quotedPath.empty()) args.push_back(UnquotedPage(quotedPath));
        const ProcessId pid = s_.launcher->Launch(exe, args);
        if (pid == 0) {
            host_.Message(std::u16string(kLaunchFailed) + u"(2)");
        } else {
            browser = SearchRepeatedly(pid);
            if (browser == 0) {
                // Its window never came: it is not left running unseen.
                s_.launcher->Terminate(pid);
                host_.Message(std::u16string(kLaunchFailed) + u"(1)");
            }
        }
    } else if (launch && edge) {
        if (s_.launcher->Launch(EdgeProgram, {u"about:blank"}) == 0) {
            host_.Message(std::u16string(kLaunchFailed) + u"(3)");
        } else {
            browser = SearchRepeatedly(0);
            s_.loop->Pump();
            if (!starting && s_.launcher->Launch(EdgeProgram, {UnquotedPage(quotedPath)}) == 0)
                host_.Message(std::u16string(kLaunchFailed) + u"(4)");
        }
    }

    // 5. Placement.
    s_.loop->Pump();
    if (browser == 0) return 0;
    if (!starting) {
        s_.placement->Activate(browser);
        return browser;
    }
    const int toolWidth = host_.MainWindowWidth();
    if (host_.NoMoveBrowser()) {
        s_.placement->Activate(browser);
        Rect r;
        if (s_.placement->WindowRect(browser, r) && r.left - area.left >= toolWidth)
            host_.MoveMainWindow(r.left - toolWidth, area.top);
        return browser;
    }
    // Right of the tool, two thirds of the work area wide (rounded), as high as it.
    MoveBrowserWindow(browser, area.left + toolWidth, area.top, (2 * area.width + 1) / 3,
                      area.height);
    return browser;
}

}  // namespace velmora
