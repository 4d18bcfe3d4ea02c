// A repeating timer of the user interface thread (the main window's one-second timer).
#pragma once

#include <functional>

namespace velmora {

class Timer {
public:
    virtual ~Timer() = default;
    virtual void SetInterval(int milliseconds) = 0;
    virtual int Interval() const = 0;
    // Starts (or restarts) the ticks; each runs the handler on the user interface thread.
    virtual void Start() = 0;
    virtual void Stop() = 0;
    virtual bool Active() const = 0;
    virtual void SetOnTimer(std::function<void()> handler) = 0;
};

}  // namespace velmora
