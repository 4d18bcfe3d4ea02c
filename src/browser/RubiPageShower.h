// Putting a ruby page on screen in the browser chosen for ruby pages.
#pragma once

#include <string>
#include <vector>

#include "platform/WindowTypes.h"

namespace velmora {

class RubiPageShower {
public:
    virtual ~RubiPageShower() = default;
    // Shows the page `quotedPath` (its full path in double quotes; empty: only find or
    // start the browser). `starting`: the program is still starting up. Returns the
    // browser window that shows ruby pages, 0 when it is not known.
    virtual WindowId ShowRubiPage(const std::u16string& quotedPath, bool starting) = 0;
};

// Stands in until the browser service exists: remembers what was asked and finds no
// browser window, so callers go their no-browser way.
class RecordingPageShower final : public RubiPageShower {
public:
    struct Call {
        std::u16string quotedPath;
        bool starting = false;
    };
    std::vector<Call> calls;
    WindowId answer = 0;

    WindowId ShowRubiPage(const std::u16string& quotedPath, bool starting) override {
        calls.push_back({quotedPath, starting});
        return answer;
    }
};

}  // namespace velmora
