// Starting and ending the browser's process.
#pragma once

#include <string>
#include <vector>

#include "platform/DesktopWindows.h"

namespace velmora {

class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;
    // Starts `program` (a full path, or a name looked up in the program search path) with
    // `arguments`, each passed as one argument. The started process id, 0 when it could
    // not be started.
    virtual ProcessId Launch(const std::u16string& program,
                             const std::vector<std::u16string>& arguments) = 0;
    // Ends a process this launcher started, with the processes it started in turn.
    virtual void Terminate(ProcessId pid) = 0;
};

}  // namespace velmora
