// Global key presses and releases, whichever application has the focus: the source of the
// ruby key. Reports arrive on the user-interface thread as Windows virtual-key codes.
#pragma once

#include <functional>
#include <string>

namespace velmora {

class KeyHook {
public:
    // (virtual-key code, released). Keys without a code are not reported.
    using Listener = std::function<void(int vk, bool released)>;

    virtual ~KeyHook() = default;
    // Starts watching. False (with the reason) when the desktop cannot report global keys.
    virtual bool Start(Listener listener, std::string* why) = 0;
    virtual void Stop() = 0;
    // The descriptor that becomes readable when reports are waiting, for the event loop to
    // watch; -1 when not started.
    virtual int EventFd() = 0;
    // Hands the waiting reports to the listener; the event loop calls it when EventFd is
    // readable (and may call it any time).
    virtual void Dispatch() = 0;
};

}  // namespace velmora
