// The user interface thread's message loop, as the logic needs it.
#pragma once

#include <functional>

namespace velmora {

class EventPump {
public:
    virtual ~EventPump() = default;
    // Lets the pending messages run (the user's clicks among them) and returns.
    virtual void ProcessMessages() = 0;
    // Runs `task` on the user interface thread once the current message is handled. Safe
    // to call from any thread.
    virtual void Post(std::function<void()> task) = 0;
};

}  // namespace velmora
