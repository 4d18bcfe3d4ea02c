// Folders after the XDG base and user-dirs conventions.
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "base/Text.h"
#include "platform/x11/X11Backend.h"

namespace velmora {
namespace {

std::string Home() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "/";
}

std::string WithoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

class XdgFolders final : public Folders {
public:
    std::u16string Documents() override { return FromUtf8(XdgDocumentsDir()); }

    std::u16string ProgramFolder() override {
        std::error_code ec;
        std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
        std::string folder =
            ec ? std::filesystem::current_path(ec).string() : exe.parent_path().string();
        folder = WithoutTrailingSlash(folder);
        if (folder != "/") folder += '/';
        return FromUtf8(folder);
    }
};

}  // namespace

// XDG_DOCUMENTS_DIR of user-dirs.dirs ("$HOME/..." or an absolute path), else ~/Documents.
std::string XdgDocumentsDir() {
    const std::string home = Home();
    std::string config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg && xdg[0] == '/')
        config = xdg;
    else
        config = home + "/.config";
    std::ifstream in(config + "/user-dirs.dirs");
    std::string line;
    const std::string key = "XDG_DOCUMENTS_DIR=";
    while (std::getline(in, line)) {
        if (line.rfind(key, 0) != 0) continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.rfind("$HOME", 0) == 0) value = home + value.substr(5);
        if (!value.empty() && value[0] == '/') return WithoutTrailingSlash(value);
    }
    return WithoutTrailingSlash(home) + "/Documents";
}

std::unique_ptr<Folders> CreateXdgFolders() {
    return std::make_unique<XdgFolders>();
}

}  // namespace velmora
