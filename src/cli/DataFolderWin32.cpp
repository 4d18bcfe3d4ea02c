// The data folder under the user's Documents folder, as the shell knows it.
#include <shlobj.h>
#include <windows.h>

#include "cli/DataFolder.h"

namespace fs = std::filesystem;

namespace velmora {

fs::path DefaultDataFolder() {
    fs::path documents;
    PWSTR path = nullptr;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Documents, 0, nullptr, &path)) && path) {
        documents = fs::path(path);
    }
    CoTaskMemFree(path);
    if (documents.empty()) documents = fs::current_path();
    return documents / L"Quorrin" / L"VelmoraData";
}

}  // namespace velmora
