// Showing a ruby page in the chosen browser: start its executable with the page (or find
// it running at start-up), wait for its window, bring it forward, and at start-up put the
// tool and the browser side by side.
#pragma once

#include <string>

#include "browser/BrowserWindows.h"
#include "browser/RubiPageShower.h"
#include "browser/UiLoop.h"
#include "platform/DesktopWindows.h"
#include "platform/ProcessLauncher.h"
#include "platform/WindowPlacement.h"

namespace velmora {

// What the showing needs of the main window.
class ShowerHost {
public:
    virtual ~ShowerHost() = default;
    virtual WindowId MainWindow() = 0;
    // The main window's outer width.
    virtual int MainWindowWidth() = 0;
    virtual void MoveMainWindow(int left, int top) = 0;
    virtual Rect WorkArea() = 0;
    // The tick of "leave the browser's size and place alone".
    virtual bool NoMoveBrowser() = 0;
    virtual std::u16string BrowserExeName() = 0;
    // A plain message with an OK button; returns when it is closed.
    virtual void Message(const std::u16string& text) = 0;
};

struct ShowerServices {
    DesktopWindows* windows = nullptr;
    ProcessLauncher* launcher = nullptr;
    WindowPlacement* placement = nullptr;
    UiLoop* loop = nullptr;
};

class BrowserShower final : public RubiPageShower {
public:
    BrowserShower(ShowerServices services, ShowerHost& host);

    WindowId ShowRubiPage(const std::u16string& quotedPath, bool starting) override;

    // Restores `window`, brings it to the foreground and gives it that place and size.
    void MoveBrowserWindow(WindowId window, int x, int y, int width, int height);

    // How many times the search looks for a started browser's window, 100 ms apart.
    static constexpr int kSearchTries = 101;
    static constexpr int kSearchIntervalMs = 100;

    // The window that shows ruby pages, as the last call left it.
    WindowId BrowserHWND = 0;

    // The program Microsoft Edge is started as.
    std::u16string EdgeProgram = u"microsoft-edge";

private:
    WindowId Search(ProcessId wanted);
    // Up to kSearchTries searches, a pumping wait of kSearchIntervalMs before each.
    WindowId SearchRepeatedly(ProcessId wanted);

    ShowerServices s_;
    ShowerHost& host_;
    BrowserWindowSearch search_;
};

// The page argument as one program argument: the path without its double quotes.
std::u16string UnquotedPage(const std::u16string& quotedPath);

}  // namespace velmora
