// The data folder under the documents folder that the desktop names (XDG user dirs).
#include <cstdlib>
#include <fstream>
#include <string>

#include "cli/DataFolder.h"

namespace fs = std::filesystem;

namespace velmora {
namespace {

fs::path DocumentsFolder() {
    const char* home = std::getenv("HOME");
    fs::path homeDir = home && *home ? fs::path(home) : fs::path("/");
    if (const char* xdg = std::getenv("XDG_DOCUMENTS_DIR"); xdg && *xdg) return xdg;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    fs::path dirs = (config && *config ? fs::path(config) : homeDir / ".config") / "user-dirs.dirs";
    std::ifstream in(dirs);
    std::string line;
    while (std::getline(in, line)) {
        const std::string key = "XDG_DOCUMENTS_DIR=\"";
        if (line.rfind(key, 0) != 0) continue;
        std::string value = line.substr(key.size());
        value = value.substr(0, value.find('"'));
        if (value.rfind("$HOME", 0) == 0)
            return homeDir / value.substr(std::min<size_t>(6, value.size()));
        if (!value.empty() && value[0] == '/') return value;
    }
    return homeDir / "Documents";
}

}  // namespace

fs::path DefaultDataFolder() {
    return DocumentsFolder() / "Quorrin" / "VelmoraData";
}

}  // namespace velmora
