// The Linux/X11 services, for the backend's factory and its tests.
#pragma once

#include <memory>
#include <string>

#include "platform/Platform.h"

namespace velmora {

std::unique_ptr<InstanceLock> CreateFlockInstanceLock();
std::unique_ptr<Folders> CreateXdgFolders();
// Works through its own connection to $DISPLAY; without one every call returns false.
std::unique_ptr<WindowPlacement> CreateX11WindowPlacement();

std::string XdgDocumentsDir();

}  // namespace velmora
