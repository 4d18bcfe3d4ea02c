// Global keys from XInput2 raw key events on the root window, and synthetic keys and
// clicks through XTest. Each service keeps its own connection, so the hook's events are
// never read by anyone else.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>

#include <vector>

#include "platform/VirtualKeys.h"
#include "platform/x11/X11Backend.h"
#include "platform/x11/X11Util.h"

namespace velmora {
namespace {

// The virtual-key code of a hardware key: its keysym without modifiers, so that Shift+A is
// still the A key and a key's release gives the same code as its press.
int VirtualKeyOfKeycode(Display* display, unsigned keycode) {
    if (keycode < 8 || keycode > 255) return 0;
    const KeySym keysym = XkbKeycodeToKeysym(display, static_cast<KeyCode>(keycode), 0, 0);
    return keysym == NoSymbol ? 0 : VirtualKeyFromKeysym(static_cast<std::uint32_t>(keysym));
}

class X11KeyHook final : public KeyHook {
public:
    ~X11KeyHook() override { Stop(); }

    bool Start(Listener listener, std::string* why) override {
        Stop();
        display_ = XOpenDisplay(nullptr);
        if (!display_) {
            if (why) *why = "no X display";
            return false;
        }
        int event = 0, error = 0;
        int major = 2, minor = 0;
        if (!XQueryExtension(display_, "XInputExtension", &opcode_, &event, &error) ||
            XIQueryVersion(display_, &major, &minor) != Success) {
            if (why) *why = "the X server has no XInput 2";
            Stop();
            return false;
        }
        unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
        XISetMask(bits, XI_RawKeyPress);
        XISetMask(bits, XI_RawKeyRelease);
        XIEventMask mask{};
        mask.deviceid = XIAllMasterDevices;
        mask.mask_len = sizeof(bits);
        mask.mask = bits;
        XISelectEvents(display_, DefaultRootWindow(display_), &mask, 1);
        XSync(display_, False);
        listener_ = std::move(listener);
        return true;
    }

    void Stop() override {
        if (display_) XCloseDisplay(display_);
        display_ = nullptr;
        listener_ = nullptr;
    }

    int EventFd() override { return display_ ? ConnectionNumber(display_) : -1; }

    void Dispatch() override {
        if (!display_) return;
        // The listener may run the event loop (the triggers wait while pumping), which
        // can call Dispatch again: every event is taken off the queue before it is told.
        while (display_ && XPending(display_) > 0) {
            XEvent event{};
            XNextEvent(display_, &event);
            XGenericEventCookie* cookie = &event.xcookie;
            if (cookie->type != GenericEvent || cookie->extension != opcode_ ||
                !XGetEventData(display_, cookie))
                continue;
            int vk = 0;
            bool released = false;
            if (cookie->evtype == XI_RawKeyPress || cookie->evtype == XI_RawKeyRelease) {
                const auto* raw = static_cast<const XIRawEvent*>(cookie->data);
                vk = VirtualKeyOfKeycode(display_, static_cast<unsigned>(raw->detail));
                released = cookie->evtype == XI_RawKeyRelease;
            }
            XFreeEventData(display_, cookie);
            if (vk != 0 && listener_) {
                Listener listener = listener_;
                listener(vk, released);
            }
        }
    }

private:
    Display* display_ = nullptr;
    int opcode_ = 0;
    Listener listener_;
};

class X11InputSender final : public InputSender {
public:
    X11InputSender() : display_(XOpenDisplay(nullptr)) {}
    ~X11InputSender() override {
        if (display_) XCloseDisplay(display_);
    }

    bool Available(std::string* why) override {
        if (!display_) {
            if (why) *why = "no X display";
            return false;
        }
        int event = 0, error = 0, major = 0, minor = 0;
        if (!XTestQueryExtension(display_, &event, &error, &major, &minor)) {
            if (why) *why = "the X server has no XTEST extension";
            return false;
        }
        return true;
    }

    bool SendKeys(const std::vector<KeyStroke>& strokes) override {
        if (!display_) return false;
        std::vector<KeyCode> codes;
        for (const KeyStroke& s : strokes) {
            const KeyCode code = KeycodeOf(s.vk);
            if (code == 0) return false;
            codes.push_back(code);
        }
        for (size_t i = 0; i < strokes.size(); ++i)
            XTestFakeKeyEvent(display_, codes[i], strokes[i].release ? False : True, CurrentTime);
        XSync(display_, False);
        return true;
    }

    bool Click(int x, int y) override {
        if (!display_) return false;
        XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
        XTestFakeButtonEvent(display_, 1, True, CurrentTime);
        XTestFakeButtonEvent(display_, 1, False, CurrentTime);
        XSync(display_, False);
        return true;
    }

    bool IsKeyDown(int vk) override {
        if (!display_) return false;
        char keys[32] = {};
        XQueryKeymap(display_, keys);
        for (std::uint32_t keysym : KeysymsOfVirtualKey(vk)) {
            const KeyCode code = XKeysymToKeycode(display_, keysym);
            if (code != 0 && (keys[code / 8] & (1 << (code % 8)))) return true;
        }
        return false;
    }

private:
    KeyCode KeycodeOf(int vk) {
        for (std::uint32_t keysym : KeysymsOfVirtualKey(vk))
            if (const KeyCode code = XKeysymToKeycode(display_, keysym)) return code;
        return 0;
    }

    Display* display_;
};

}  // namespace

std::unique_ptr<KeyHook> CreateX11KeyHook() {
    return std::make_unique<X11KeyHook>();
}

std::unique_ptr<InputSender> CreateX11InputSender() {
    return std::make_unique<X11InputSender>();
}

}  // namespace velmora
