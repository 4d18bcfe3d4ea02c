// Plain types shared by the desktop services.
#pragma once

#include <cstdint>

namespace velmora {

// A top-level window of the desktop (an X11 window id, an HWND on Windows); 0 = none.
using WindowId = std::uint64_t;

struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int right() const { return left + width; }
    int bottom() const { return top + height; }
    bool operator==(const Rect&) const = default;
};

}  // namespace velmora
