// Window placement through the window manager's EWMH protocol: the work area from
// _NET_WORKAREA, moves with _NET_MOVERESIZE_WINDOW and topmost with _NET_WM_STATE_ABOVE,
// so the window keeps its identity and the manager keeps track of its frame.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <vector>

#include "platform/x11/X11Backend.h"
#include "platform/x11/X11Util.h"

namespace velmora {
namespace {

using x11::ScopedErrorTrap;

class X11WindowPlacement final : public WindowPlacement {
public:
    X11WindowPlacement() : display_(XOpenDisplay(nullptr)) {}
    ~X11WindowPlacement() override {
        if (display_) XCloseDisplay(display_);
    }

    bool WorkArea(Rect& area) override {
        if (!display_) return false;
        Window root = DefaultRootWindow(display_);
        long desktop = 0;
        std::vector<long> current = Cardinals(root, "_NET_CURRENT_DESKTOP");
        if (!current.empty()) desktop = current[0];
        std::vector<long> work = Cardinals(root, "_NET_WORKAREA");
        if (work.size() >= static_cast<size_t>(desktop + 1) * 4) {
            const long* w = &work[static_cast<size_t>(desktop) * 4];
            area = {static_cast<int>(w[0]), static_cast<int>(w[1]), static_cast<int>(w[2]),
                    static_cast<int>(w[3])};
            return area.width > 0 && area.height > 0;
        }
        Screen* screen = DefaultScreenOfDisplay(display_);
        area = {0, 0, WidthOfScreen(screen), HeightOfScreen(screen)};
        return true;
    }

    bool WindowRect(WindowId window, Rect& rect) override {
        if (!display_ || window == 0) return false;
        ScopedErrorTrap trap(display_);
        XWindowAttributes attrs{};
        if (!XGetWindowAttributes(display_, window, &attrs)) return false;
        int x = 0;
        int y = 0;
        Window child = 0;
        XTranslateCoordinates(display_, window, attrs.root, 0, 0, &x, &y, &child);
        if (trap.Failed()) return false;
        // The frame drawn by the window manager around the client window.
        std::vector<long> extents = Cardinals(window, "_NET_FRAME_EXTENTS");
        long left = 0, right = 0, top = 0, bottom = 0;
        if (extents.size() >= 4) {
            left = extents[0];
            right = extents[1];
            top = extents[2];
            bottom = extents[3];
        }
        rect = {x - static_cast<int>(left), y - static_cast<int>(top),
                attrs.width + static_cast<int>(left + right),
                attrs.height + static_cast<int>(top + bottom)};
        return true;
    }

    bool Move(WindowId window, int left, int top) override {
        if (!display_ || window == 0) return false;
        ScopedErrorTrap trap(display_);
        // Gravity NorthWest: (left, top) is where the frame's corner goes. Bits 8 and 9:
        // x and y given; bit 12: the request comes from an application.
        const long flags = 1 | (1L << 8) | (1L << 9) | (1L << 12);
        SendToRoot(window, "_NET_MOVERESIZE_WINDOW", {flags, left, top, 0, 0});
        return !trap.Failed();
    }

    bool SetTopmost(WindowId window, bool on) override {
        if (!display_ || window == 0) return false;
        ScopedErrorTrap trap(display_);
        const long add = on ? 1 : 0;  // _NET_WM_STATE_ADD / _NET_WM_STATE_REMOVE
        SendToRoot(window, "_NET_WM_STATE",
                   {add, static_cast<long>(Intern("_NET_WM_STATE_ABOVE")), 0, 1, 0});
        return !trap.Failed();
    }

    bool MoveResize(WindowId window, const Rect& frame) override {
        if (!display_ || window == 0) return false;
        ScopedErrorTrap trap(display_);
        // A maximised window keeps its maximised size: take the state off first.
        SendToRoot(window, "_NET_WM_STATE",
                   {0, static_cast<long>(Intern("_NET_WM_STATE_MAXIMIZED_VERT")),
                    static_cast<long>(Intern("_NET_WM_STATE_MAXIMIZED_HORZ")), 1, 0});
        // The size asked for is the client's: the frame's edges come off it.
        std::vector<long> extents = Cardinals(window, "_NET_FRAME_EXTENTS");
        long width = frame.width;
        long height = frame.height;
        if (extents.size() >= 4) {
            width -= extents[0] + extents[1];
            height -= extents[2] + extents[3];
        }
        // Gravity NorthWest, x, y, width and height given, from an application.
        const long flags = 1 | (1L << 8) | (1L << 9) | (1L << 10) | (1L << 11) | (1L << 12);
        SendToRoot(window, "_NET_MOVERESIZE_WINDOW",
                   {flags, frame.left, frame.top, std::max(width, 1L), std::max(height, 1L)});
        return !trap.Failed();
    }

    bool Activate(WindowId window) override {
        if (!display_ || window == 0) return false;
        ScopedErrorTrap trap(display_);
        // Source 2 (a pager, acting for the user): window managers restore a minimised
        // window, raise it and focus it without their focus-stealing rules.
        SendToRoot(window, "_NET_ACTIVE_WINDOW", {2, CurrentTime, 0, 0, 0});
        return !trap.Failed();
    }

private:
    Atom Intern(const char* name) { return x11::Intern(display_, name); }

    std::vector<long> Cardinals(Window window, const char* property) {
        return x11::LongProperty(display_, window, property, XA_CARDINAL);
    }

    void SendToRoot(WindowId window, const char* message, std::initializer_list<long> data) {
        x11::SendToRoot(display_, window, message, data);
    }

    Display* display_;
};

}  // namespace

std::unique_ptr<WindowPlacement> CreateX11WindowPlacement() {
    return std::make_unique<X11WindowPlacement>();
}

PlatformServices CreatePlatformServices() {
    PlatformServices services;
    services.lock = CreateFlockInstanceLock();
    services.folders = CreateXdgFolders();
    services.placement = CreateX11WindowPlacement();
    services.defaultBrowser = CreateXdgDefaultBrowser();
    services.windows = CreateX11DesktopWindows();
    services.launcher = CreatePosixProcessLauncher();
    services.keyHook = CreateX11KeyHook();
    services.input = CreateX11InputSender();
    return services;
}

}  // namespace velmora
