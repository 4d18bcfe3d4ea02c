// Small Xlib helpers shared by the X11 services: trapping protocol errors of windows that
// went away, and reading window properties.
#pragma once

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <string>
#include <vector>

namespace velmora::x11 {

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
    ScopedErrorTrap(const ScopedErrorTrap&) = delete;
    ScopedErrorTrap& operator=(const ScopedErrorTrap&) = delete;
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

inline Atom Intern(Display* display, const char* name) {
    return XInternAtom(display, name, False);
}

// A property of 32-bit items (cardinals, windows, atoms) as longs; empty when missing or
// of another type.
inline std::vector<long> LongProperty(Display* display, Window window, const char* property,
                                      Atom type) {
    std::vector<long> values;
    Atom actual = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, Intern(display, property), 0, 4096, False, type,
                           &actual, &format, &count, &after, &data) == Success &&
        data) {
        if (actual == type && format == 32) {
            const long* longs = reinterpret_cast<const long*>(data);
            values.assign(longs, longs + count);
        }
        XFree(data);
    }
    return values;
}

// A property of 8-bit items as bytes; false when missing or of another type.
inline bool BytesProperty(Display* display, Window window, Atom property, Atom type,
                          std::string& bytes) {
    Atom actual = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    bool ok = false;
    if (XGetWindowProperty(display, window, property, 0, 1 << 16, False, type, &actual, &format,
                           &count, &after, &data) == Success &&
        data) {
        if (actual == type && format == 8) {
            bytes.assign(reinterpret_cast<const char*>(data), count);
            ok = true;
        }
        XFree(data);
    }
    return ok;
}

// Sends an EWMH client message about `window` to the root window, where the window
// manager takes it.
inline void SendToRoot(Display* display, Window window, const char* message,
                       std::initializer_list<long> data) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = Intern(display, message);
    event.xclient.format = 32;
    int i = 0;
    for (long value : data) {
        if (i == 5) break;
        event.xclient.data.l[i++] = value;
    }
    XSendEvent(display, DefaultRootWindow(display), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(display);
}

}  // namespace velmora::x11
