// The desktop as the browser and ruby-key captures see it: the window in front, whose it is,
// and the keyboard layout's names of keys.
#pragma once

#include <memory>
#include <string>

#include "platform/WindowTypes.h"

namespace velmora {

class CaptureDesktop {
public:
    virtual ~CaptureDesktop() = default;
    // The window that has the desktop's focus; 0 for none.
    virtual WindowId Foreground() = 0;
    // The window that owns `window` (a dialog's main window); 0 for none.
    virtual WindowId Owner(WindowId window) = 0;
    virtual bool IsVisible(WindowId window) = 0;
    virtual std::u16string Title(WindowId window) = 0;
    // Full path of the executable of the process that shows `window`; empty when unknown.
    virtual std::u16string ExePath(WindowId window) = 0;
    // The keyboard layout's name of virtual key `vk`; empty when it has none.
    virtual std::u16string KeyName(int vk) = 0;
};

// The X11 one; works through its own connection to $DISPLAY (without one there is no
// foreground window).
std::unique_ptr<CaptureDesktop> CreateX11CaptureDesktop();

}  // namespace velmora
