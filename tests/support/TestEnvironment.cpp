#include "TestEnvironment.h"

#include "SandboxHome.h"

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

std::string MakeTempDir(const std::string& name) { return SandboxHome::MakeTempDir(FRoot, name); }

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

void Setup() { FRoot = SandboxHome::SetUp("quillbox-test"); }

}  // namespace TestEnv

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    TestEnv::Setup();
    const int rc = RUN_ALL_TESTS();
    SandboxHome::TearDown(TestEnv::Root());
    return rc;
}
