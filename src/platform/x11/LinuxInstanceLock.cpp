// The instance lock as a file held with flock in the user's runtime folder. The kernel lets
// go of the lock when the process ends, however it ends, so a killed instance never blocks
// the next start.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/x11/X11Backend.h"

namespace velmora {
namespace {

// $XDG_RUNTIME_DIR, or a private folder under /tmp. A folder under /tmp that is not ours
// (someone else created it first) is not used.
std::string LockFolder() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        struct stat st {};
        if (::stat(runtime, &st) == 0 && S_ISDIR(st.st_mode)) return runtime;
    }
    std::string folder = "/tmp/velmora-" + std::to_string(::getuid());
    ::mkdir(folder.c_str(), 0700);
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return {};
    return folder;
}

class FlockInstanceLock final : public InstanceLock {
public:
    ~FlockInstanceLock() override {
        if (fd_ >= 0) ::close(fd_);
    }

    bool TryLock(const std::string& name) override {
        std::string folder = LockFolder();
        if (folder.empty()) return true;
        std::string path = folder + "/" + name;
        int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) return true;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            bool held = errno == EWOULDBLOCK;
            ::close(fd);
            return !held;
        }
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
        return true;
    }

private:
    int fd_ = -1;
};

}  // namespace

std::unique_ptr<InstanceLock> CreateFlockInstanceLock() {
    return std::make_unique<FlockInstanceLock>();
}

}  // namespace velmora
