#include "base/FileIO.h"

#include <cerrno>
#include <cstdio>
#include <system_error>

#include "base/Text.h"

namespace velmora {

namespace fs = std::filesystem;

namespace {

std::FILE* OpenFile(const fs::path& path, bool write) {
#ifdef _WIN32
    return _wfopen(path.c_str(), write ? L"wb" : L"rb");
#else
    return std::fopen(path.c_str(), write ? "wb" : "rb");
#endif
}

std::string Reason(int err) {
    return std::generic_category().message(err);
}

}  // namespace

FileRead ReadFileBytes(const fs::path& path, std::string& bytes, std::string* reason) {
    bytes.clear();
    errno = 0;
    std::FILE* f = OpenFile(path, false);
    if (!f) {
        const int err = errno;
        if (err == ENOENT || err == ENOTDIR) return FileRead::Missing;
        if (reason) *reason = Reason(err);
        return FileRead::Failed;
    }
    char buf[65536];
    size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        bytes.append(buf, n);
    const int err = std::ferror(f) ? (errno != 0 ? errno : EIO) : 0;
    std::fclose(f);
    if (err != 0 || bytes.empty()) {
        // A read error, or a folder where the file should be.
        std::error_code ec;
        if (err != 0 || fs::is_directory(path, ec)) {
            bytes.clear();
            if (reason) *reason = Reason(err != 0 ? err : EISDIR);
            return FileRead::Failed;
        }
    }
    return FileRead::Ok;
}

bool WriteFileReplacing(const fs::path& file, std::string_view bytes, std::string* reason) {
    std::error_code ec;
    // A linked file is replaced where it really lives, and keeps its permissions.
    fs::path path = file;
    if (fs::is_symlink(file, ec)) {
        const fs::path real = fs::weakly_canonical(file, ec);
        if (!ec) path = real;
    }
    const fs::file_status old = fs::status(path, ec);
    fs::path tmp = path;
    tmp += ".tmp";
    errno = 0;
    std::FILE* f = OpenFile(tmp, true);
    if (!f) {
        if (reason) *reason = Reason(errno);
        return false;
    }
    int err = 0;
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
        err = errno != 0 ? errno : EIO;
    }
    if (std::fflush(f) != 0 && err == 0) err = errno != 0 ? errno : EIO;
    if (std::fclose(f) != 0 && err == 0) err = errno != 0 ? errno : EIO;
    if (err == 0 && fs::is_regular_file(old)) fs::permissions(tmp, old.permissions(), ec);
    ec.clear();
    if (err == 0) {
        fs::rename(tmp, path, ec);
        if (!ec) return true;
    }
    if (reason) *reason = err != 0 ? Reason(err) : ec.message();
    std::error_code ignored;
    fs::remove(tmp, ignored);
    return false;
}

fs::path PathFromText(std::u16string_view text) {
    const std::string utf8 = ToUtf8(text);
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::u16string PathText(const fs::path& path) {
    const std::u8string s = path.u8string();
    return FromUtf8(std::string(s.begin(), s.end()));
}

}  // namespace velmora
