// Placing top-level windows: the work area, moving a window, keeping it above the others.
// Positions are those of the window's outer frame, in desktop pixels.
#pragma once

#include "platform/WindowTypes.h"

namespace velmora {

class WindowPlacement {
public:
    virtual ~WindowPlacement() = default;
    // The part of the desktop not covered by panels and docks. False when unknown.
    virtual bool WorkArea(Rect& area) = 0;
    // The outer rectangle of `window`. False when the window does not exist (any more).
    virtual bool WindowRect(WindowId window, Rect& rect) = 0;
    // Moves the outer frame's top-left corner to (left, top), keeping the size.
    virtual bool Move(WindowId window, int left, int top) = 0;
    // Keeps `window` above all other windows, or ends that, without re-creating it.
    virtual bool SetTopmost(WindowId window, bool on) = 0;
    // Moves and sizes the outer frame to `frame`.
    virtual bool MoveResize(WindowId window, const Rect& frame) = 0;
    // Restores `window` when minimised, raises it and gives it the focus (the foreground).
    virtual bool Activate(WindowId window) = 0;
};

}  // namespace velmora
