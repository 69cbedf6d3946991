#include "support/GuiTestEnvironment.h"

#include "SandboxHome.h"

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

std::string MakeTempDir(const std::string& name) { return SandboxHome::MakeTempDir(FRoot, name); }

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
    FRoot = SandboxHome::SetUp("quillbox-guitest");
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
}

void Teardown() {
    Options.reset();
    SandboxHome::TearDown(FRoot);
}

}  // namespace GuiTestEnv
