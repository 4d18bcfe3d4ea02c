// What the main window's logic asks of the window a toolkit draws for it, beyond showing
// its controls (TControlView): the window itself, its size and place, focus, the pop-up
// menu, and measuring text in a control's font. The view decides nothing: it shows what it
// is told and forwards the user's actions to the controls (Click, UserEdit, KeyDown,
// Select...) and the window's handlers (FormShow, FormCloseQuery, DropURLTarget1Drop).
#pragma once

#include <string>

#include "browser/Controls.h"
#include "platform/WindowTypes.h"

namespace velmora {

class TVelmoraView : public TControlView {
public:
    // The desktop's handle of the window, for the desktop services.
    virtual WindowId Handle() = 0;
    // The window's inside height; its width stays fixed.
    virtual void SetClientHeight(int height) = 0;
    // The width of the window's outer frame.
    virtual int FrameWidth() const = 0;
    // Brings the window back from the task bar, shows it and puts it in front.
    virtual void RestoreAndRaise() = 0;
    // What the toolkit knows when the desktop services do not: the screen's free area,
    // moving the window, keeping it above the others.
    virtual bool ScreenWorkArea(Rect& area) = 0;
    virtual void MoveWindow(int left, int top) = 0;
    virtual void SetStayOnTop(bool on) = 0;
    virtual void SetFocus(const TControl& control) = 0;
    // Opens `menu` below `at`.
    virtual void Popup(const TMenuItem& menu, const TControl& at) = 0;
    // The width of `text` in pixels in the font of `control`.
    virtual int TextWidth(const TControl& control, const std::u16string& text) = 0;
};

}  // namespace velmora
