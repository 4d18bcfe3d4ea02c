// The hooks through which the desktop app, the command line and the tests drive the
// Qt-free units: they stand for the main window's message loop and controls.
#pragma once

#include <functional>
#include <string>

namespace velmora {

struct JobHooks {
    // Lets the user interface handle its pending messages (the cancel button among them).
    std::function<void()> pump;
    // False once the user cancelled the job (`Rubiing` cleared).
    std::function<bool()> stillWanted;
    // Position of the progress bar: the index of the line being annotated.
    std::function<void(int)> progress;
    // Text of the busy label (download status texts).
    std::function<void(const std::u16string&)> status;
    // An information box owned by the main window.
    std::function<void(const std::u16string&)> message;

    void Pump() const {
        if (pump) pump();
    }
    bool StillWanted() const { return !stillWanted || stillWanted(); }
    void Progress(int line) const {
        if (progress) progress(line);
    }
    void Status(const std::u16string& text) const {
        if (status) status(text);
    }
    void Message(const std::u16string& text) const {
        if (message) message(text);
    }
};

}  // namespace velmora
