// The window in front and its process through EWMH: _NET_ACTIVE_WINDOW, WM_TRANSIENT_FOR,
// the map state, _NET_WM_NAME (or WM_NAME) and _NET_WM_PID with /proc/<pid>/exe.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <filesystem>
#include <string>
#include <system_error>

#include "base/Text.h"
#include "platform/CaptureDesktop.h"
#include "platform/VirtualKeys.h"

namespace velmora {
namespace {

int IgnoreErrors(Display*, XErrorEvent*) {
    return 0;
}

class X11CaptureDesktop final : public CaptureDesktop {
public:
    X11CaptureDesktop() : display_(XOpenDisplay(nullptr)) {}
    ~X11CaptureDesktop() override {
        if (display_) XCloseDisplay(display_);
    }

    WindowId Foreground() override {
        if (!display_) return 0;
        const std::string value =
            Property(DefaultRootWindow(display_), "_NET_ACTIVE_WINDOW", XA_WINDOW, 32);
        return value.size() >= sizeof(long) ? static_cast<WindowId>(FirstLong(value)) : 0;
    }

    WindowId Owner(WindowId window) override {
        if (!display_ || window == 0) return 0;
        Trap trap(display_);
        Window owner = 0;
        if (!XGetTransientForHint(display_, window, &owner)) return 0;
        return owner == DefaultRootWindow(display_) ? 0 : owner;
    }

    bool IsVisible(WindowId window) override {
        if (!display_ || window == 0) return false;
        Trap trap(display_);
        XWindowAttributes attributes{};
        if (!XGetWindowAttributes(display_, window, &attributes)) return false;
        return attributes.map_state == IsViewable;
    }

    std::u16string Title(WindowId window) override {
        if (!display_ || window == 0) return {};
        std::string title =
            Property(window, "_NET_WM_NAME", XInternAtom(display_, "UTF8_STRING", False), 8);
        if (title.empty()) title = Property(window, "WM_NAME", XA_STRING, 8);
        return FromUtf8(title);
    }

    std::u16string ExePath(WindowId window) override {
        if (!display_ || window == 0) return {};
        const std::string pid = Property(window, "_NET_WM_PID", XA_CARDINAL, 32);
        if (pid.size() < sizeof(long)) return {};
        std::error_code ec;
        const auto exe =
            std::filesystem::read_symlink("/proc/" + std::to_string(FirstLong(pid)) + "/exe", ec);
        return ec ? std::u16string() : FromUtf8(exe.string());
    }

    std::u16string KeyName(int vk) override { return std::u16string(VirtualKeyName(vk)); }

private:
    // X errors of a window that went away meanwhile fail the call instead of ending the run.
    struct Trap {
        explicit Trap(Display* d) : display(d) { previous = XSetErrorHandler(IgnoreErrors); }
        ~Trap() {
            XSync(display, False);
            XSetErrorHandler(previous);
        }
        Display* display;
        XErrorHandler previous;
    };

    static long FirstLong(const std::string& bytes) {
        long value = 0;
        bytes.copy(reinterpret_cast<char*>(&value), sizeof(long));
        return value;
    }

    // The property's bytes (format 32 items as longs, as Xlib hands them).
    std::string Property(Window window, const char* name, Atom want, int format) {
        Trap trap(display_);
        Atom type = 0;
        int got = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        std::string bytes;
        if (XGetWindowProperty(display_, window, XInternAtom(display_, name, False), 0, 4096, False,
                               want, &type, &got, &count, &after, &data) == Success &&
            data) {
            if (type == want && got == format)
                bytes.assign(reinterpret_cast<const char*>(data),
                             count * (format == 32 ? sizeof(long) : 1));
            XFree(data);
        }
        return bytes;
    }

    Display* display_;
};

}  // namespace

std::unique_ptr<CaptureDesktop> CreateX11CaptureDesktop() {
    return std::make_unique<X11CaptureDesktop>();
}

}  // namespace velmora
