#include <windows.h>

#include <string>

#include "base/Text.h"
#include "ruby/DataFiles.h"

namespace velmora {

namespace {

// The folder of the running program, in UTF-8, without a trailing separator.
std::string ProgramFolder() {
    std::wstring exe(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, exe.data(), static_cast<DWORD>(exe.size()));
        if (n == 0) return ".";
        if (n < exe.size()) {
            exe.resize(n);
            break;
        }
        exe.resize(exe.size() * 2);
    }
    const size_t slash = exe.find_last_of(L"\\/");
    const std::wstring dir = slash == std::wstring::npos ? L"." : exe.substr(0, slash);
    return ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(dir.data()), dir.size()));
}

}  // namespace

std::string DefaultMecabDictionary() {
    return ProgramFolder() + "\\ipadic";
}

std::string DefaultKanjiDic() {
    return ProgramFolder() + "\\kanjidic";
}

// MeCab wants a resource file; the dictionary's own settings file serves, as it is read
// anyway and holds nothing that points elsewhere.
std::string MecabResourceFile(const std::string& folder) {
    return folder + "\\dicrc";
}

}  // namespace velmora
