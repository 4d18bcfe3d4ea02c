// Whole-file reads and writes, file addresses and folder names for tests.
#pragma once

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

namespace velmora::test {

inline std::string ReadAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline void WriteAll(const std::filesystem::path& p, std::string_view bytes) {
    std::ofstream out(p, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// file:///home/u/a.html, file:///C:/Users/u/a.html (UTF-8)
inline std::string FileUrl(const std::filesystem::path& p) {
    const std::u8string generic = p.generic_u8string();
    const std::string g(generic.begin(), generic.end());
    return (g.starts_with("/") ? "file://" : "file:///") + g;
}

// Tells this test process's folders from those of tests running beside it.
inline int ThisProcess() {
#ifdef _WIN32
    return _getpid();
#else
    return ::getpid();
#endif
}

}  // namespace velmora::test
