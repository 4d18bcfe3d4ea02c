// Whether a Windows test program runs under Wine rather than Windows, for the few places
// where Wine's system libraries are known to behave otherwise.
#pragma once

#ifdef _WIN32
#include <windows.h>
#endif

namespace velmora::test {

inline bool UnderWine() {
#ifdef _WIN32
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

}  // namespace velmora::test
