// Recording stand-ins for the desktop services: tests set what the desktop answers and read
// back what the program asked of it.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/Platform.h"

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
        std::string what;  // "move" or "topmost"
        WindowId window = 0;
        int a = 0;  // left, or 1/0 for topmost on/off
        int b = 0;  // top
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
};

}  // namespace velmora
