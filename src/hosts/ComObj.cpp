#include "hosts/ComObj.h"

#include "platform/Exceptions.h"
#include "platform/FileSystem.h"

TComObjectFactory::TComObjectFactory(std::string classID, std::string className, std::string description,
                                     TClassInstancing instancing, TThreadingModel threadingModel)
    : FClassID(std::move(classID)), FClassName(std::move(className)), FDescription(std::move(description)),
      FInstancing(instancing), FThreadingModel(threadingModel) {}

std::string TComObjectFactory::ProgID() const {
    return FileSystem::ChangeFileExt(FileSystem::ExtractFileName(FServerFileName), "") + "." + FClassName;
}

// The class as a local server: the class key with its server, the program identifier both
// ways. A local server gets no threading model value.
void TComObjectFactory::UpdateRegistry(bool doRegister) {
    const std::string classKey = "CLSID\\" + FClassID;
    const std::string progID = ProgID();
    if (doRegister) {
        ComRegistry::CreateRegKey(THive::ClassesRoot, classKey, FDescription);
        ComRegistry::CreateRegKey(THive::ClassesRoot, classKey + "\\LocalServer32", FServerFileName);
        ComRegistry::CreateRegKey(THive::ClassesRoot, progID, FDescription);
        ComRegistry::CreateRegKey(THive::ClassesRoot, progID + "\\Clsid", FClassID);
        ComRegistry::CreateRegKey(THive::ClassesRoot, classKey + "\\ProgID", progID);
    } else {
        ComRegistry::DeleteRegKey(THive::ClassesRoot, classKey + "\\ProgID");
        ComRegistry::DeleteRegKey(THive::ClassesRoot, progID + "\\Clsid");
        ComRegistry::DeleteRegKey(THive::ClassesRoot, progID);
        ComRegistry::DeleteRegKey(THive::ClassesRoot, classKey + "\\LocalServer32");
        ComRegistry::DeleteRegKey(THive::ClassesRoot, classKey);
    }
}

namespace ComRegistry {

void CreateRegKey(THive root, const std::string& key, const std::string& defaultValue) {
    WriteRegString(root, key, "", defaultValue);
}

void WriteRegString(THive root, const std::string& key, const std::string& name, const std::string& value) {
    TRegistry reg(root);
    if (!reg.OpenKey(key, true)) throw ERegistryException("Failed to create key " + key);
    reg.WriteString(name, value);
    reg.CloseKey();
}

bool DeleteRegKey(THive root, const std::string& key) {
    TRegistry reg(root);
    if (!reg.OpenKeyReadOnly(key) || !reg.GetKeyNames().empty()) return false;
    reg.CloseKey();
    return reg.DeleteKey(key);
}

bool DeleteRegValue(THive root, const std::string& key, const std::string& name) {
    TRegistry reg(root);
    if (!reg.OpenKeyReadOnly(key)) return false;
    const bool deleted = reg.DeleteValue(name);
    reg.CloseKey();
    return deleted;
}

}  // namespace ComRegistry
