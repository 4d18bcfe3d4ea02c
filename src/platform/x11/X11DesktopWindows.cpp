// The desktop's windows from the window manager's EWMH lists and the windows' own
// properties; processes from /proc.
#include <unistd.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>

#include "base/Text.h"
#include "platform/x11/X11Backend.h"
#include "platform/x11/X11Util.h"

namespace velmora {
namespace {

using x11::ScopedErrorTrap;

bool IsUtf8(std::string_view s) {
    return ToUtf8(FromUtf8(s)) == s;
}

class X11DesktopWindows final : public DesktopWindows {
public:
    X11DesktopWindows() : display_(XOpenDisplay(nullptr)) {}
    ~X11DesktopWindows() override {
        if (display_) XCloseDisplay(display_);
    }

    std::vector<WindowId> TopLevelWindows() override {
        std::vector<WindowId> windows;
        if (!display_) return windows;
        ScopedErrorTrap trap(display_);
        std::vector<long> list = x11::LongProperty(display_, DefaultRootWindow(display_),
                                                   "_NET_CLIENT_LIST_STACKING", XA_WINDOW);
        // Bottom to top there: the front-most first here.
        for (auto it = list.rbegin(); it != list.rend(); ++it)
            windows.push_back(static_cast<WindowId>(static_cast<unsigned long>(*it)));
        return windows;
    }

    WindowId Owner(WindowId window) override {
        if (!display_ || window == 0) return 0;
        ScopedErrorTrap trap(display_);
        Window owner = 0;
        if (!XGetTransientForHint(display_, window, &owner) || trap.Failed()) return 0;
        // Some toolkits mark dialogs of the whole group as transient for the root.
        if (owner == DefaultRootWindow(display_)) return 0;
        return owner;
    }

    bool IsVisible(WindowId window) override {
        if (!display_ || window == 0) return false;
        ScopedErrorTrap trap(display_);
        XWindowAttributes attrs{};
        if (!XGetWindowAttributes(display_, window, &attrs) || trap.Failed()) return false;
        if (attrs.map_state == IsViewable) return true;
        // A minimised window is unmapped but still shown in the task list: WM_STATE Iconic.
        const Atom wmState = x11::Intern(display_, "WM_STATE");
        std::vector<long> state;
        {
            Atom actual = 0;
            int format = 0;
            unsigned long count = 0, after = 0;
            unsigned char* data = nullptr;
            if (XGetWindowProperty(display_, window, wmState, 0, 2, False, wmState, &actual,
                                   &format, &count, &after, &data) == Success &&
                data) {
                if (format == 32 && count >= 1)
                    state.push_back(reinterpret_cast<const long*>(data)[0]);
                XFree(data);
            }
        }
        return !trap.Failed() && !state.empty() && state[0] == IconicState;
    }

    std::u16string Title(WindowId window) override {
        if (!display_ || window == 0) return {};
        ScopedErrorTrap trap(display_);
        std::string bytes;
        if (x11::BytesProperty(display_, window, x11::Intern(display_, "_NET_WM_NAME"),
                               x11::Intern(display_, "UTF8_STRING"), bytes) &&
            !trap.Failed())
            return FromUtf8(bytes);
        // The old title, in Latin-1 (or UTF-8 from toolkits that write it so).
        if (x11::BytesProperty(display_, window, XA_WM_NAME, XA_STRING, bytes) && !trap.Failed()) {
            if (IsUtf8(bytes)) return FromUtf8(bytes);
            return std::u16string(bytes.begin(), bytes.end());
        }
        return {};
    }

    ProcessId ProcessOf(WindowId window) override {
        if (!display_ || window == 0) return 0;
        ScopedErrorTrap trap(display_);
        std::vector<long> pid = x11::LongProperty(display_, window, "_NET_WM_PID", XA_CARDINAL);
        if (trap.Failed() || pid.empty() || pid[0] <= 0) return 0;
        return static_cast<ProcessId>(pid[0]);
    }

    WindowId Foreground() override {
        if (!display_) return 0;
        ScopedErrorTrap trap(display_);
        std::vector<long> active = x11::LongProperty(display_, DefaultRootWindow(display_),
                                                     "_NET_ACTIVE_WINDOW", XA_WINDOW);
        if (trap.Failed() || active.empty()) return 0;
        return static_cast<WindowId>(static_cast<unsigned long>(active[0]));
    }

    std::u16string ProcessExePath(ProcessId pid) override { return LinuxProcessExePath(pid); }

    ProcessId ParentProcess(ProcessId pid) override { return LinuxParentProcess(pid); }

private:
    Display* display_;
};

}  // namespace

std::u16string LinuxProcessExePath(ProcessId pid) {
    if (pid == 0) return {};
    const std::string link = "/proc/" + std::to_string(pid) + "/exe";
    std::string target(4096, '\0');
    const ssize_t n = readlink(link.c_str(), target.data(), target.size());
    if (n <= 0 || static_cast<size_t>(n) >= target.size()) return {};
    target.resize(static_cast<size_t>(n));
    // An executable replaced on disk (an upgrade while it runs) is still the same program.
    constexpr std::string_view kDeleted = " (deleted)";
    if (target.ends_with(kDeleted)) target.resize(target.size() - kDeleted.size());
    if (!IsUtf8(target)) return {};
    return FromUtf8(target);
}

ProcessId LinuxParentProcess(ProcessId pid) {
    if (pid == 0) return 0;
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat;
    if (!std::getline(in, stat)) return 0;
    // "pid (name) state ppid ...": the name may hold anything, so read after its last ')'.
    const size_t close = stat.rfind(')');
    if (close == std::string::npos || close + 4 > stat.size()) return 0;
    const size_t start = stat.find(' ', close + 2);
    if (start == std::string::npos) return 0;
    try {
        const long parent = std::stol(stat.substr(start + 1));
        return parent > 0 ? static_cast<ProcessId>(parent) : 0;
    } catch (const std::exception&) {
        return 0;
    }
}

bool X11DisplayAvailable(std::string* why) {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) {
        if (why) *why = "no X display: DISPLAY is not set";
        return false;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        if (why) *why = std::string("cannot open the X display ") + name;
        return false;
    }
    XCloseDisplay(display);
    return true;
}

std::unique_ptr<DesktopWindows> CreateX11DesktopWindows() {
    return std::make_unique<X11DesktopWindows>();
}

}  // namespace velmora
