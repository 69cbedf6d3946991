#include "BenchEnvironment.h"

#include "SandboxHome.h"

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

std::string MakeTempDir(const std::string& name) { return SandboxHome::MakeTempDir(FRoot, name); }

void Setup() { FRoot = SandboxHome::SetUp("quillbox-bench"); }

}  // namespace BenchEnv

int main(int argc, char** argv) {
    BenchEnv::Setup();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    SandboxHome::TearDown(BenchEnv::Root());
    return 0;
}
