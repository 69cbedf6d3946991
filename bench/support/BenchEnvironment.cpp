#include "BenchEnvironment.h"

#include "platform/FileSystem.h"
#include "settings/DebugM.h"

#include <benchmark/benchmark.h>
#include <clocale>
#include <cstdlib>
#include <ctime>
#include <stdexcept>

namespace BenchEnv {

namespace {
std::string FRoot;
}

const std::string& Root() { return FRoot; }

std::string MakeTempDir(const std::string& name) {
    static int counter = 0;
    const std::string dir = FRoot + "b" + std::to_string(++counter) + "-" + name + "/";
    FileSystem::ForceDirectories(dir);
    return dir;
}

void Setup() {
    char pattern[] = "/tmp/quillbox-bench-XXXXXX";
    const char* dir = ::mkdtemp(pattern);
    if (!dir) throw std::runtime_error("mkdtemp failed");
    FRoot = std::string(dir) + "/";
    ::setenv("HOME", (FRoot + "home").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (FRoot + "home/.config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (FRoot + "home/.local/share").c_str(), 1);
    ::setenv("XDG_DOCUMENTS_DIR", (FRoot + "home/Documents").c_str(), 1);
    ::setenv("TMPDIR", (FRoot + "tmp").c_str(), 1);
    FileSystem::ForceDirectories(FRoot + "home/Documents");
    FileSystem::ForceDirectories(FRoot + "tmp");
    ::setenv("LC_ALL", "C.UTF-8", 1);
    std::setlocale(LC_ALL, "C.UTF-8");
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    DebugM::Initialize();
}

}  // namespace BenchEnv

int main(int argc, char** argv) {
    BenchEnv::Setup();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    FileSystem::RemoveTree(BenchEnv::Root());
    return 0;
}
