// Starting the browser as a process of its own, in a process group of its own, so that
// ending it ends the processes it started as well.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>
#include <string>
#include <vector>

#include "base/Text.h"
#include "platform/x11/X11Backend.h"

extern char** environ;

namespace velmora {
namespace {

class PosixProcessLauncher final : public ProcessLauncher {
public:
    ~PosixProcessLauncher() override { Reap(); }

    ProcessId Launch(const std::u16string& program,
                     const std::vector<std::u16string>& arguments) override {
        Reap();
        if (program.empty()) return 0;
        std::vector<std::string> args;
        args.push_back(ToUtf8(program));
        for (const auto& a : arguments)
            args.push_back(ToUtf8(a));
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);

        posix_spawnattr_t attr;
        posix_spawnattr_init(&attr);
        posix_spawnattr_setflags(
            &attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        posix_spawnattr_setpgroup(&attr, 0);
        sigset_t none;
        sigemptyset(&none);
        posix_spawnattr_setsigmask(&attr, &none);
        sigset_t defaults;
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGPIPE);
        sigaddset(&defaults, SIGTERM);
        sigaddset(&defaults, SIGINT);
        posix_spawnattr_setsigdefault(&attr, &defaults);
        posix_spawn_file_actions_t files;
        posix_spawn_file_actions_init(&files);
        posix_spawn_file_actions_addopen(&files, 0, "/dev/null", 0, 0);

        pid_t pid = 0;
        const bool named = args[0].find('/') == std::string::npos;
        const int rc =
            named ? posix_spawnp(&pid, args[0].c_str(), &files, &attr, argv.data(), environ)
                  : posix_spawn(&pid, args[0].c_str(), &files, &attr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&files);
        posix_spawnattr_destroy(&attr);
        if (rc != 0 || pid <= 0) return 0;
        children_.insert(pid);
        return static_cast<ProcessId>(pid);
    }

    void Terminate(ProcessId pid) override {
        if (pid == 0 || !children_.count(static_cast<pid_t>(pid))) return;
        // The whole group: a launcher script and the browser it started.
        kill(-static_cast<pid_t>(pid), SIGTERM);
        kill(static_cast<pid_t>(pid), SIGTERM);
        Reap();
    }

private:
    // Collects the exit of started processes that have ended, so none stays a zombie.
    void Reap() {
        for (auto it = children_.begin(); it != children_.end();) {
            int status = 0;
            const pid_t r = waitpid(*it, &status, WNOHANG);
            if (r == *it || (r < 0 && errno == ECHILD))
                it = children_.erase(it);
            else
                ++it;
        }
    }

    std::set<pid_t> children_;
};

}  // namespace

std::unique_ptr<ProcessLauncher> CreatePosixProcessLauncher() {
    return std::make_unique<PosixProcessLauncher>();
}

}  // namespace velmora
