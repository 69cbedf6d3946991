#include "TestEnvironment.h"

#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "settings/DebugM.h"
#include "settings/Options.h"

#include <clocale>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace TestEnv {

namespace {
std::string FRoot;
}  // namespace

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

void SetTimeZone(const char* tz) {
    ::setenv("TZ", tz, 1);
    ::tzset();
}

void EnableDebugLog(bool on) {
    TRegistry reg;
    reg.OpenKey(TOptions::RegistryKey, true);
    reg.WriteInteger("DebugMode", on ? 1 : 0);
    reg.CloseKey();
    DebugM::Initialize();
}

void Setup() {
    char pattern[] = "/tmp/quillbox-test-XXXXXX";
    const char* dir = ::mkdtemp(pattern);
    if (!dir) throw std::runtime_error("mkdtemp failed");
    FRoot = std::string(dir) + "/";
    ::setenv("HOME", (FRoot + "home").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (FRoot + "home/.config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (FRoot + "home/.local/share").c_str(), 1);
    ::setenv("XDG_DOCUMENTS_DIR", (FRoot + "home/Documents").c_str(), 1);
    ::setenv("TMPDIR", (FRoot + "tmp").c_str(), 1);
    ::unsetenv("QUILLBOX_DATA_DIR");
    FileSystem::ForceDirectories(FRoot + "home/Documents");
    FileSystem::ForceDirectories(FRoot + "home/.local/share/quillbox");
    FileSystem::ForceDirectories(FRoot + "tmp");
    ::setenv("LC_ALL", "C.UTF-8", 1);
    std::setlocale(LC_ALL, "C.UTF-8");
    SetTimeZone("UTC");
    DebugM::Initialize();
}

}  // namespace TestEnv

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    TestEnv::Setup();
    const int rc = RUN_ALL_TESTS();
    if (!std::getenv("QB_KEEP_TEST_HOME")) FileSystem::RemoveTree(TestEnv::Root());
    return rc;
}
