// The desktop's default web browser, the program the tool shows its pages with when the user
// has chosen none.
#pragma once

#include <string>

namespace velmora {

class DefaultBrowser {
public:
    virtual ~DefaultBrowser() = default;
    // Full path of the default browser's executable, in the form a running process of it
    // reports its image (links resolved), so it can be matched against processes and started
    // directly; empty when the desktop names no browser or its program is not there. Reads
    // the desktop's settings only: no helper program is run, so it never waits on one.
    virtual std::u16string Find() = 0;
};

}  // namespace velmora
