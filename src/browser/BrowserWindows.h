// Finding the chosen browser's top-level window among the desktop's windows, and telling a
// browser window by its title.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/DesktopWindows.h"

namespace velmora {

// The title rule: the catalogue number of the browser whose display name ends the title
// (or, for Sleipnir, begins it); -1 for any other title.
int BrowserNoOfTitle(std::u16string_view title);

class BrowserWindowSearch {
public:
    explicit BrowserWindowSearch(DesktopWindows& desktop) : desktop_(desktop) {}

    // Full path of the executable process `pid` runs, in the form BrowserExeName is
    // stored; empty when the system does not tell.
    std::u16string GetProcessExeName(ProcessId pid);

    // One window of the enumeration, front to back: sets BrowserHWND and returns false
    // (stop) at the chosen browser's window. `wanted`: the process started for the
    // browser, whose children count as it too (a launcher script's browser); 0 = none.
    bool EnumBrowserWindowsProc(WindowId window, ProcessId wanted);

    // The whole search: BrowserHWND := 0, then every top-level window front to back.
    WindowId Find(ProcessId wanted = 0);

    // What the search looks for and skips.
    std::u16string BrowserExeName;
    // Executables seen running in the started process (a launcher script's exec of the
    // real browser), which count as the browser's too.
    std::vector<std::u16string> LaunchedExeNames;
    WindowId OwnWindow = 0;    // the tool's main window
    ProcessId OwnProcess = 0;  // the tool's process: none of its windows is a browser
    WindowId BrowserHWND = 0;

private:
    bool IsSameOrChild(ProcessId pid, ProcessId wanted);

    DesktopWindows& desktop_;
};

}  // namespace velmora
