// The desktop services of one platform, created together by the backend chosen at build
// time (x11/ on Linux).
#pragma once

#include <memory>

#include "platform/DefaultBrowser.h"
#include "platform/Folders.h"
#include "platform/InstanceLock.h"
#include "platform/WindowPlacement.h"

namespace velmora {

struct PlatformServices {
    std::unique_ptr<InstanceLock> lock;
    std::unique_ptr<Folders> folders;
    std::unique_ptr<WindowPlacement> placement;
    std::unique_ptr<DefaultBrowser> defaultBrowser;
};

// Defined once per backend.
PlatformServices CreatePlatformServices();

}  // namespace velmora
