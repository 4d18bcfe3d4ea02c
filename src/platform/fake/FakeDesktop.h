// A desktop in memory for the tests of the browser logic: windows in stacking order,
// processes with their executables, launches, keys and clicks sent, the clipboard.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/Clipboard.h"
#include "platform/DesktopWindows.h"
#include "platform/InputSender.h"
#include "platform/KeyHook.h"
#include "platform/ProcessLauncher.h"

namespace velmora {

class FakeDesktop final : public DesktopWindows {
public:
    struct Window {
        WindowId id = 0;
        WindowId owner = 0;
        bool visible = true;
        std::u16string title;
        ProcessId pid = 0;
    };
    struct Process {
        std::u16string exe;
        ProcessId parent = 1;
    };

    std::vector<Window> stack;  // front-most first
    std::map<ProcessId, Process> processes;
    WindowId foreground = 0;
    int listed = 0;  // how often the window list was read

    // Puts a window in front of the others.
    void Open(Window w) { stack.insert(stack.begin(), w); }

    std::vector<WindowId> TopLevelWindows() override {
        ++listed;
        std::vector<WindowId> ids;
        for (const auto& w : stack)
            ids.push_back(w.id);
        return ids;
    }
    WindowId Owner(WindowId window) override {
        const Window* w = Find(window);
        return w ? w->owner : 0;
    }
    bool IsVisible(WindowId window) override {
        const Window* w = Find(window);
        return w && w->visible;
    }
    std::u16string Title(WindowId window) override {
        const Window* w = Find(window);
        return w ? w->title : std::u16string();
    }
    ProcessId ProcessOf(WindowId window) override {
        const Window* w = Find(window);
        return w ? w->pid : 0;
    }
    WindowId Foreground() override { return foreground; }
    std::u16string ProcessExePath(ProcessId pid) override {
        auto it = processes.find(pid);
        return it == processes.end() ? std::u16string() : it->second.exe;
    }
    ProcessId ParentProcess(ProcessId pid) override {
        auto it = processes.find(pid);
        return it == processes.end() ? 0 : it->second.parent;
    }

private:
    const Window* Find(WindowId id) const {
        for (const auto& w : stack)
            if (w.id == id) return &w;
        return nullptr;
    }
};

class FakeLauncher final : public ProcessLauncher {
public:
    struct Launch {
        std::u16string program;
        std::vector<std::u16string> arguments;
    };
    std::vector<Launch> launches;
    std::vector<ProcessId> terminated;
    bool fails = false;
    ProcessId nextPid = 500;
    // Runs for each successful launch with the new process id (the test's browser).
    std::function<void(ProcessId)> onLaunch;

    ProcessId Launch(const std::u16string& program,
                     const std::vector<std::u16string>& arguments) override {
        launches.push_back({program, arguments});
        if (fails) return 0;
        const ProcessId pid = nextPid++;
        if (onLaunch) onLaunch(pid);
        return pid;
    }
    void Terminate(ProcessId pid) override { terminated.push_back(pid); }
};

class FakeInputSender final : public InputSender {
public:
    struct Sent {
        std::vector<KeyStroke> keys;  // empty for a click
        int x = 0;
        int y = 0;
    };
    std::vector<Sent> sent;
    std::map<int, bool> down;  // keys held now
    bool available = true;
    bool fails = false;
    // Runs after each sequence of keys, as the focused application would answer it.
    std::function<void(const std::vector<KeyStroke>&)> onKeys;

    bool Available(std::string* why) override {
        if (!available && why) *why = "no synthetic input";
        return available;
    }
    bool SendKeys(const std::vector<KeyStroke>& strokes) override {
        if (fails) return false;
        sent.push_back({strokes, 0, 0});
        if (onKeys) onKeys(strokes);
        return true;
    }
    bool Click(int x, int y) override {
        if (fails) return false;
        sent.push_back({{}, x, y});
        return true;
    }
    bool IsKeyDown(int vk) override {
        auto it = down.find(vk);
        return it != down.end() && it->second;
    }
};

class FakeClipboard final : public Clipboard {
public:
    std::u16string text;
    bool readable = true;
    bool ReadText(std::u16string& out) override {
        if (!readable) return false;
        out = text;
        return true;
    }
};

class FakeKeyHook final : public KeyHook {
public:
    Listener listener;
    bool available = true;
    bool Start(Listener l, std::string* why) override {
        if (!available) {
            if (why) *why = "no global keys";
            return false;
        }
        listener = std::move(l);
        return true;
    }
    void Stop() override { listener = nullptr; }
    int EventFd() override { return -1; }
    void Dispatch() override {}
    void Press(int vk, bool released) {
        if (listener) listener(vk, released);
    }
};

}  // namespace velmora
