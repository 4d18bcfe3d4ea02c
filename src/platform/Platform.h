// The desktop services of one platform, created together by the backend chosen at build
// time (x11/ on Linux).
#pragma once

#include <memory>

#include "platform/DefaultBrowser.h"
#include "platform/DesktopWindows.h"
#include "platform/Folders.h"
#include "platform/InputSender.h"
#include "platform/InstanceLock.h"
#include "platform/KeyHook.h"
#include "platform/ProcessLauncher.h"
#include "platform/WindowPlacement.h"

namespace velmora {

struct PlatformServices {
    std::unique_ptr<InstanceLock> lock;
    std::unique_ptr<Folders> folders;
    std::unique_ptr<WindowPlacement> placement;
    std::unique_ptr<DefaultBrowser> defaultBrowser;
    std::unique_ptr<DesktopWindows> windows;
    std::unique_ptr<ProcessLauncher> launcher;
    std::unique_ptr<KeyHook> keyHook;
    std::unique_ptr<InputSender> input;
};

// Defined once per backend.
PlatformServices CreatePlatformServices();

}  // namespace velmora
