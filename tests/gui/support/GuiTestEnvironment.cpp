#include "support/GuiTestEnvironment.h"

#include "platform/FileSystem.h"
#include "settings/DebugM.h"
#include "settings/Options.h"

#include <clocale>
#include <cstdlib>
#include <ctime>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace GuiTestEnv {

namespace {
std::string FRoot;
}

const std::string& Root() { return FRoot; }

std::string MakeTempDir(const std::string& name) {
    static int counter = 0;
    const std::string dir = FRoot + "t" + std::to_string(++counter) + "-" + name + "/";
    if (!FileSystem::ForceDirectories(dir)) throw std::runtime_error("cannot create " + dir);
    return dir;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    FileSystem::ForceDirectories(FileSystem::ExtractFilePath(path));
    FileSystem::WriteFileAtomic(path, bytes);
}

std::string ReadFile(const std::string& path) { return FileSystem::ReadFile(path); }

std::string ResetOptions() {
    Options = std::make_unique<TOptions>();
    Options->FolderToStore = MakeTempDir("store");
    Options->AppPath = MakeTempDir("app");
    Options->DefFolder.clear();
    Options->PrevFolder.clear();
    Options->Save();
    return Options->FolderToStore;
}

void Setup() {
    char pattern[] = "/tmp/quillbox-guitest-XXXXXX";
    const char* dir = ::mkdtemp(pattern);
    if (!dir) throw std::runtime_error("mkdtemp failed");
    FRoot = std::string(dir) + "/";
    ::setenv("HOME", (FRoot + "home").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (FRoot + "home/.config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (FRoot + "home/.local/share").c_str(), 1);
    ::setenv("XDG_DOCUMENTS_DIR", (FRoot + "home/Documents").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", (FRoot + "run").c_str(), 1);
    ::setenv("TMPDIR", (FRoot + "tmp").c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::unsetenv("QUILLBOX_DATA_DIR");
    FileSystem::ForceDirectories(FRoot + "home/Documents");
    FileSystem::ForceDirectories(FRoot + "home/.local/share/quillbox");
    FileSystem::ForceDirectories(FRoot + "tmp");
    FileSystem::ForceDirectories(FRoot + "run");
    ::chmod((FRoot + "run").c_str(), 0700);
    ::setenv("LC_ALL", "C.UTF-8", 1);
    std::setlocale(LC_ALL, "C.UTF-8");
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    DebugM::Initialize();
}

void Teardown() {
    Options.reset();
    if (!std::getenv("QB_KEEP_TEST_HOME")) FileSystem::RemoveTree(FRoot);
}

}  // namespace GuiTestEnv
