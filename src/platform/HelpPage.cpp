#include "platform/HelpPage.h"

#include <array>
#include <system_error>

// The installed help folder as seen from the installed program's folder; the build works it
// out from the install folders it was configured with.
#ifndef VELMORA_HELP_FROM_PROGRAM
#define VELMORA_HELP_FROM_PROGRAM "../share/velmora/Help"
#endif

namespace velmora {

std::filesystem::path FindHelpFolder(const std::filesystem::path& programFolder) {
    const std::array<std::filesystem::path, 2> candidates = {
        programFolder / "Help",
        programFolder / VELMORA_HELP_FROM_PROGRAM,
    };
    for (const auto& folder : candidates) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(folder / "Help.html", ec))
            return folder.lexically_normal();
    }
    return {};
}

std::filesystem::path FindHelpPage(const std::filesystem::path& programFolder) {
    std::filesystem::path folder = FindHelpFolder(programFolder);
    return folder.empty() ? folder : folder / "Help.html";
}

}  // namespace velmora
