// The instance lock as a file held with flock in the user's runtime folder. The kernel lets
// go of the lock when the process ends, however it ends, so a killed instance never blocks
// the next start.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/x11/X11Backend.h"

namespace velmora {
namespace {

// $XDG_RUNTIME_DIR, or a private folder under /tmp. A folder under /tmp that is not ours
// (someone else created it first, or it is a link) is not used: `failure` says why.
std::string LockFolder(std::string& failure) {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        struct stat st {};
        if (::stat(runtime, &st) == 0 && S_ISDIR(st.st_mode)) return runtime;
    }
    std::string folder = "/tmp/velmora-" + std::to_string(::getuid());
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        failure = folder + ": " + std::strerror(errno);
        return {};
    }
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0) {
        failure = folder + ": " + std::strerror(errno);
        return {};
    }
    if (!S_ISDIR(st.st_mode)) {
        failure = folder + ": " + std::strerror(ENOTDIR);
        return {};
    }
    if (st.st_uid != ::getuid()) {
        failure = folder + ": " + std::strerror(EPERM);
        return {};
    }
    return folder;
}

class FlockInstanceLock final : public InstanceLock {
public:
    ~FlockInstanceLock() override {
        if (fd_ >= 0) ::close(fd_);
    }

    bool TryLock(const std::string& name) override {
        failure_.clear();
        const std::string folder = LockFolder(failure_);
        if (folder.empty()) return false;
        const std::string path = folder + "/" + name;
        // Not through a link, and not waiting on a pipe put in its place.
        const int fd =
            ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
        if (fd < 0) {
            failure_ = path + ": " + std::strerror(errno);
            return false;
        }
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            failure_ =
                path + ": " + (S_ISREG(st.st_mode) ? std::strerror(errno) : "not a regular file");
            ::close(fd);
            return false;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int err = errno;
            ::close(fd);
            if (err != EWOULDBLOCK) failure_ = path + ": " + std::strerror(err);
            return false;
        }
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
        return true;
    }

    std::string Failure() const override { return failure_; }

private:
    int fd_ = -1;
    std::string failure_;
};

}  // namespace

std::unique_ptr<InstanceLock> CreateFlockInstanceLock() {
    return std::make_unique<FlockInstanceLock>();
}

}  // namespace velmora
