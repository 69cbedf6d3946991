#include "SandboxHome.h"

#include "platform/FileSystem.h"
#include "settings/DebugM.h"

#include <atomic>
#include <clocale>
#include <cstdlib>
#include <ctime>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace SandboxHome {

std::string SetUp(const char* prefix) {
    std::string pattern = std::string("/tmp/") + prefix + "-XXXXXX";
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    const std::string root = pattern + "/";
    ::setenv("HOME", (root + "home").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (root + "home/.config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (root + "home/.local/share").c_str(), 1);
    ::setenv("XDG_DOCUMENTS_DIR", (root + "home/Documents").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", (root + "run").c_str(), 1);
    ::setenv("TMPDIR", (root + "tmp").c_str(), 1);
    ::unsetenv("QUILLBOX_DATA_DIR");
    for (const char* sub : {"home/Documents", "home/.local/share/quillbox", "tmp", "run"})
        FileSystem::ForceDirectories(root + sub);
    ::chmod((root + "run").c_str(), 0700);
    ::setenv("LC_ALL", "C.UTF-8", 1);
    std::setlocale(LC_ALL, "C.UTF-8");
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    DebugM::Initialize();
    return root;
}

std::string MakeTempDir(const std::string& root, const std::string& name) {
    static std::atomic<int> counter{0};
    const std::string dir = root + "t" + std::to_string(++counter) + "-" + name + "/";
    if (!FileSystem::ForceDirectories(dir)) throw std::runtime_error("cannot create " + dir);
    return dir;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    FileSystem::ForceDirectories(FileSystem::ExtractFilePath(path));
    FileSystem::WriteFileAtomic(path, bytes);
}

std::string ReadFile(const std::string& path) { return FileSystem::ReadFile(path); }

void TearDown(const std::string& root) {
    if (!std::getenv("QB_KEEP_TEST_HOME")) FileSystem::RemoveTree(root);
}

}  // namespace SandboxHome
