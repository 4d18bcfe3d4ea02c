// Window placement through the window manager's EWMH protocol: the work area from
// _NET_WORKAREA, moves with _NET_MOVERESIZE_WINDOW and topmost with _NET_WM_STATE_ABOVE,
// so the window keeps its identity and the manager keeps track of its frame.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <vector>

#include "platform/x11/X11Backend.h"

namespace velmora {
namespace {

// Turns X protocol errors (a window that went away meanwhile) into failed calls instead
// of Xlib's default handler, which ends the process.
class ScopedErrorTrap {
public:
    explicit ScopedErrorTrap(Display* display) : display_(display) {
        XSync(display_, False);
        failed_ = false;
        previous_ = XSetErrorHandler(&ScopedErrorTrap::Handler);
    }
    ~ScopedErrorTrap() { XSetErrorHandler(previous_); }
    bool Failed() {
        XSync(display_, False);
        return failed_;
    }

private:
    static int Handler(Display*, XErrorEvent*) {
        failed_ = true;
        return 0;
    }
    static inline bool failed_ = false;
    Display* display_;
    XErrorHandler previous_;
};

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

private:
    Atom Intern(const char* name) { return XInternAtom(display_, name, False); }

    std::vector<long> Cardinals(Window window, const char* property) {
        std::vector<long> values;
        Atom type = 0;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display_, window, Intern(property), 0, 1024, False, XA_CARDINAL,
                               &type, &format, &count, &after, &data) == Success &&
            data) {
            if (type == XA_CARDINAL && format == 32) {
                const long* longs = reinterpret_cast<const long*>(data);
                values.assign(longs, longs + count);
            }
            XFree(data);
        }
        return values;
    }

    void SendToRoot(WindowId window, const char* message, std::vector<long> data) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = Intern(message);
        event.xclient.format = 32;
        for (size_t i = 0; i < data.size() && i < 5; ++i)
            event.xclient.data.l[i] = data[i];
        XSendEvent(display_, DefaultRootWindow(display_), False,
                   SubstructureRedirectMask | SubstructureNotifyMask, &event);
        XFlush(display_);
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
    return services;
}

}  // namespace velmora
