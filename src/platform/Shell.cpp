#include "platform/Shell.h"

#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "platform/Strings.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace Shell {

namespace {

std::vector<char*> ArgvPointers(const std::vector<std::string>& argv) {
    std::vector<char*> ptrs;
    for (const auto& a : argv) ptrs.push_back(const_cast<char*>(a.c_str()));
    ptrs.push_back(nullptr);
    return ptrs;
}

// Waits for the child at most timeoutMs; kills it when the time is up.
int WaitWithTimeout(pid_t pid, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    for (;;) {
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (r < 0 && errno != EINTR) return -1;
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        ::usleep(2000);
    }
}

}  // namespace

std::string FindProgram(const std::string& name) {
    if (name.empty()) return {};
    if (name.find('/') != std::string::npos) return ::access(name.c_str(), X_OK) == 0 ? name : std::string();
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string dir = dirs.substr(start, end - start);
        if (dir.empty()) dir = ".";
        const std::string candidate = dir + "/" + name;
        if (FileSystem::FileExists(candidate) && ::access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return {};
}

namespace {

// Starts the program in its own session; its process id, or -1 when it could not be started.
pid_t SpawnDetached(const std::vector<std::string>& argv) {
    if (argv.empty()) return -1;
    const std::string program = FindProgram(argv[0]);
    if (program.empty()) return -1;
    std::vector<char*> args = ArgvPointers(argv);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, program.c_str(), nullptr, &attr, args.data(), environ);
    posix_spawnattr_destroy(&attr);
    return rc == 0 ? pid : -1;
}

}  // namespace

bool LaunchDetached(const std::vector<std::string>& argv) {
    const pid_t pid = SpawnDetached(argv);
    if (pid < 0) return false;
    // The opener (xdg-open) hands the target to the real program and ends quickly; reap it
    // from a detached waiter so no zombie stays behind.
    std::thread([pid] { ::waitpid(pid, nullptr, 0); }).detach();
    return true;
}

bool LaunchChecked(const std::vector<std::string>& argv, int graceMs) {
    const pid_t pid = SpawnDetached(argv);
    if (pid < 0) return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(graceMs);
    int status = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (r < 0 && errno != EINTR) return false;
        ::usleep(10000);
    }
    std::thread([pid] { ::waitpid(pid, nullptr, 0); }).detach();
    return true;
}

int RunWait(const std::vector<std::string>& argv, int timeoutMs) {
    if (argv.empty()) return -1;
    const std::string program = FindProgram(argv[0]);
    if (program.empty()) return -1;
    std::vector<char*> args = ArgvPointers(argv);
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, args.data(), environ) != 0) return -1;
    return WaitWithTimeout(pid, timeoutMs);
}

bool RunCapture(const std::vector<std::string>& argv, std::string& output, int timeoutMs) {
    output.clear();
    if (argv.empty()) return false;
    const std::string program = FindProgram(argv[0]);
    if (program.empty()) return false;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    std::vector<char*> args = ArgvPointers(argv);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (rc != 0) {
        ::close(fds[0]);
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    char buffer[4096];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd p{fds[0], POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n <= 0) break;
        if (output.size() < (1u << 20)) output.append(buffer, static_cast<size_t>(n));
    }
    ::close(fds[0]);
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return WaitWithTimeout(pid, static_cast<int>(std::max<long long>(left.count(), 1))) == 0;
}

bool ShellOpen(const std::string& target) { return LaunchDetached({"xdg-open", target}); }

std::string DefaultApplicationCommand(const std::string& mimeType) {
    std::string desktopFile;
    if (!RunCapture({"xdg-mime", "query", "default", mimeType}, desktopFile, 5000)) return {};
    desktopFile = Strings::Trim(desktopFile);
    if (desktopFile.empty() || desktopFile.find('/') != std::string::npos) return {};
    std::vector<std::string> dirs;
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    dirs.push_back(dataHome && *dataHome ? std::string(dataHome) : Folders::HomeFolder() + "/.local/share");
    const char* dataDirs = std::getenv("XDG_DATA_DIRS");
    std::string list = dataDirs && *dataDirs ? dataDirs : "/usr/local/share:/usr/share";
    for (size_t s = 0, e; s <= list.size(); s = e + 1) {
        e = list.find(':', s);
        if (e == std::string::npos) e = list.size();
        if (e > s) dirs.push_back(list.substr(s, e - s));
    }
    for (const auto& dir : dirs) {
        std::string bytes;
        if (!FileSystem::TryReadFile(dir + "/applications/" + desktopFile, bytes, 1 << 20)) continue;
        bool inEntry = false;
        for (const std::string& raw : Strings::SplitLines(bytes)) {
            const std::string line = Strings::Trim(raw);
            if (!line.empty() && line[0] == '[') inEntry = line == "[Desktop Entry]";
            else if (inEntry && Strings::StartsWith(line, "Exec=")) return line.substr(5);
        }
    }
    return {};
}

}  // namespace Shell
