// The millisecond clock the window logic measures waits with.
#pragma once

#include <chrono>
#include <cstdint>

namespace velmora {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary start; wraps around after 2^32 ms like the system's.
    virtual std::uint32_t timeGetTime() = 0;
};

// The system's monotonic clock.
class SteadyClock final : public Clock {
public:
    std::uint32_t timeGetTime() override {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now().time_since_epoch());
        return static_cast<std::uint32_t>(ms.count());
    }
};

}  // namespace velmora
