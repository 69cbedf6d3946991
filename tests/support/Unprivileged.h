#pragma once
// Failures the file system raises only for a user without root's powers (a folder without
// write permission): the work runs in a child process that drops root to "nobody" first,
// on files handed over to that user. Run as an ordinary user, nothing changes hands.
#include <ftw.h>
#include <grp.h>
#include <functional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace Unprivileged {

constexpr uid_t NobodyId = 65534;

// Hands the tree at path to the user the child runs as (when the tests run as root).
inline void GiveAway(const std::string& path) {
    if (::geteuid() != 0) return;
    ::nftw(path.c_str(), [](const char* p, const struct stat*, int, struct FTW*) {
        return ::lchown(p, NobodyId, NobodyId) == 0 ? 0 : 0;
    }, 16, FTW_PHYS);
}

// Runs body in a child process without root's powers; its result is the exit code (255
// when the child could not drop them).
inline int Run(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(NobodyId) != 0 || ::setuid(NobodyId) != 0))
            _exit(255);
        _exit(body());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace Unprivileged
