// The top-level windows of the desktop and the processes behind them: what the browser
// search, the ruby key and the browser capture read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/WindowTypes.h"

namespace velmora {

using ProcessId = std::uint32_t;  // 0 = none

class DesktopWindows {
public:
    virtual ~DesktopWindows() = default;
    // The top-level client windows, the front-most first.
    virtual std::vector<WindowId> TopLevelWindows() = 0;
    // The window `window` belongs to (a dialog's main window); 0 when it has none.
    virtual WindowId Owner(WindowId window) = 0;
    // Shown on the desktop, minimised included; false for a hidden or gone window.
    virtual bool IsVisible(WindowId window) = 0;
    // The window's title; empty when it has none or cannot be read.
    virtual std::u16string Title(WindowId window) = 0;
    // The process that shows the window; 0 when unknown.
    virtual ProcessId ProcessOf(WindowId window) = 0;
    // The window that has the focus of the desktop (the foreground window); 0 when none.
    virtual WindowId Foreground() = 0;
    // Full path of the executable that process `pid` runs (links resolved), as a stored
    // browser path is written; empty when the system does not tell.
    virtual std::u16string ProcessExePath(ProcessId pid) = 0;
    // The parent of process `pid`; 0 when unknown.
    virtual ProcessId ParentProcess(ProcessId pid) = 0;
};

}  // namespace velmora
