// Recording stand-ins for the desktop services: tests set what the desktop answers and read
// back what the program asked of it.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/EventPump.h"
#include "platform/Platform.h"
#include "platform/Timer.h"

namespace velmora {

// Locks held by any FakeInstanceLock of the process, so two of them play two processes.
struct FakeLockTable {
    std::set<std::string> held;
};

class FakeInstanceLock final : public InstanceLock {
public:
    explicit FakeInstanceLock(FakeLockTable& table) : table_(table) {}
    ~FakeInstanceLock() override {
        for (const auto& name : mine_)
            table_.held.erase(name);
    }
    bool TryLock(const std::string& name) override {
        if (mine_.count(name)) return true;
        if (table_.held.count(name)) return false;
        table_.held.insert(name);
        mine_.insert(name);
        return true;
    }

private:
    FakeLockTable& table_;
    std::set<std::string> mine_;
};

class FakeFolders final : public Folders {
public:
    std::u16string documents;
    std::u16string program = u"/opt/velmora/";
    std::u16string Documents() override { return documents; }
    std::u16string ProgramFolder() override { return program; }
};

class FakeDefaultBrowser final : public DefaultBrowser {
public:
    std::u16string answer;  // empty: the desktop names no browser
    int asked = 0;
    std::u16string Find() override {
        ++asked;
        return answer;
    }
};

class FakeWindowPlacement final : public WindowPlacement {
public:
    struct Call {
        std::string what;  // "move", "topmost", "moveresize" or "activate"
        WindowId window = 0;
        int a = 0;       // left, or 1/0 for topmost on/off
        int b = 0;       // top
        int width = 0;   // moveresize only
        int height = 0;  // moveresize only
    };

    Rect workArea{0, 0, 1280, 800};
    bool hasWorkArea = true;
    std::map<WindowId, Rect> windows;  // other windows of the desktop
    std::vector<Call> calls;
    std::map<WindowId, bool> topmost;

    bool WorkArea(Rect& area) override {
        area = workArea;
        return hasWorkArea;
    }
    bool WindowRect(WindowId window, Rect& rect) override {
        auto it = windows.find(window);
        if (it == windows.end()) return false;
        rect = it->second;
        return true;
    }
    bool Move(WindowId window, int left, int top) override {
        calls.push_back({"move", window, left, top});
        return true;
    }
    bool SetTopmost(WindowId window, bool on) override {
        calls.push_back({"topmost", window, on ? 1 : 0, 0});
        topmost[window] = on;
        return true;
    }
    bool MoveResize(WindowId window, const Rect& frame) override {
        calls.push_back({"moveresize", window, frame.left, frame.top, frame.width, frame.height});
        windows[window] = frame;
        return true;
    }
    bool Activate(WindowId window) override {
        calls.push_back({"activate", window});
        return true;
    }
};

// Time moves only when the test says so.
class FakeClock final : public Clock {
public:
    std::uint32_t now = 1000;
    std::uint32_t timeGetTime() override { return now; }
};

// Ticks only when the test calls Tick().
class FakeTimer final : public Timer {
public:
    int interval = 0;
    bool active = false;
    std::function<void()> handler;

    void SetInterval(int milliseconds) override { interval = milliseconds; }
    int Interval() const override { return interval; }
    void Start() override { active = true; }
    void Stop() override { active = false; }
    bool Active() const override { return active; }
    void SetOnTimer(std::function<void()> h) override { handler = std::move(h); }
    // One tick, as the message loop would deliver it while the timer runs.
    void Tick() {
        if (active && handler) handler();
    }
};

// A message loop without a toolkit: posted tasks wait in a queue until the logic lets
// messages run (or the test does); `onProcess` plays the user acting meanwhile.
class FakeEventPump final : public EventPump {
public:
    std::function<void()> onProcess;
    int processed = 0;

    void ProcessMessages() override {
        ++processed;
        if (onProcess) onProcess();
        RunPosted();
    }
    void Post(std::function<void()> task) override {
        std::lock_guard<std::mutex> lock(mutex_);
        queue_.push_back(std::move(task));
    }
    // Runs what was posted until the queue is empty; false when there was nothing.
    bool RunPosted() {
        bool ran = false;
        for (;;) {
            std::function<void()> task;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (queue_.empty()) return ran;
                task = std::move(queue_.front());
                queue_.pop_front();
            }
            task();
            ran = true;
        }
    }

private:
    std::mutex mutex_;
    std::deque<std::function<void()>> queue_;
};

}  // namespace velmora
