// The main window's event loop and clock as the desktop logic waits on them: letting the
// pending messages run, sleeping, reading the millisecond counter.
#pragma once

#include <cstdint>

namespace velmora {

class UiLoop {
public:
    virtual ~UiLoop() = default;
    // Lets the pending window messages run.
    virtual void Pump() = 0;
    // Blocks the thread for `ms` milliseconds.
    virtual void Sleep(int ms) = 0;
    // The millisecond counter.
    virtual std::uint32_t Now() = 0;

    // A pumping wait: lets the messages run and sleeps 10 ms, over and over, until more
    // than `ms` milliseconds have passed since `since`.
    void PumpUntil(std::uint32_t since, int ms) {
        for (;;) {
            Pump();
            if (Elapsed(since) > static_cast<std::uint32_t>(ms)) return;
            Sleep(10);
        }
    }
    // The time since `since`, as the absolute difference of the two readings.
    std::uint32_t Elapsed(std::uint32_t since) {
        const std::uint32_t now = Now();
        return now >= since ? now - since : since - now;
    }
};

}  // namespace velmora
