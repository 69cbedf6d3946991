#include "store/StoreSignal.h"

#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "settings/Trap.h"

namespace StoreSignal {

std::string StampFile() { return FileSystem::IncludeTrailingPathDelimiter(Folders::ProgramDataFolder()) + "store-changed"; }

void Touch(const std::string& nodePath) {
    TrapVoid("StoreSignal.Touch", [&] { FileSystem::WriteFileAtomic(StampFile(), nodePath + "\n"); });
}

}  // namespace StoreSignal
