// Store file operations: safe names, free numbered names, recursive folder deletion with its
// question, file information, the special folders and the word processor's association.
#include "store/FileOperations.h"

#include "platform/Exceptions.h"
#include "platform/Folders.h"
#include "platform/MimeTypes.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/Strings.h"
#include "settings/Trap.h"
#include "store/StoreOperations.h"
#include "store/TextHelpers.h"
#include "store/UserPrompt.h"

namespace ReportUtils {

namespace {

std::string RegisteredOpenCommand(const std::string& extension) {
    TRegistry reg(THive::ClassesRoot);
    const std::string direct = extension + "\\shell\\open\\command";
    if (reg.KeyExists(direct)) return reg.OpenKeyReadOnly(direct) ? reg.ReadString("") : std::string();
    if (!reg.OpenKeyReadOnly(extension)) return {};
    const std::string className = reg.ReadString("");
    const std::string byClass = className + "\\shell\\open\\command";
    if (className.empty() || !reg.KeyExists(byClass)) return {};
    return reg.OpenKeyReadOnly(byClass) ? reg.ReadString("") : std::string();
}

// The program of a command line: everything from the first "%" on goes; a quoted program
// loses its quotes and what follows them; trailing blanks go.
std::string ProgramOfCommand(const std::string& command) {
    std::string program = command.substr(0, command.find('%'));
    if (!program.empty() && program[0] == '"') program.erase(0, 1);
    program = program.substr(0, program.find('"'));
    return Strings::TrimRight(program);
}

}  // namespace

std::string MakeValidFileName(const std::string& text) {
    return Trap("ReportUtils.MakeValidFileName", std::string(), [&] {
        std::string name = Strings::Trim(DelSpace1(text));
        for (char& c : name)
            if (std::string_view("/\\:*?\"<>|[]&$%").find(c) != std::string_view::npos) c = ' ';
        return Strings::Trim(DelSpace1(name));
    });
}

std::string FindUnusedFileName(const std::string& basePath, const std::string& extension, const std::string& separator) {
    std::string candidate;
    TrapVoid("ReportUtils.FindUnusedFileName", [&] {
        candidate = basePath + "." + extension;
        // Only files make a name busy; a folder of the same name does not.
        for (long long n = 1; FileSystem::FileExists(candidate); ++n)
            candidate = basePath + separator + std::to_string(n) + "." + extension;
    });
    return candidate;
}

std::string FindUnusedDirName(const std::string& basePath, const std::string& separator) {
    std::string candidate;
    TrapVoid("ReportUtils.FindUnusedDirName", [&] {
        candidate = basePath;
        // A file of that name makes it busy too: no folder could be created there.
        for (long long n = 1; FileSystem::PathExists(candidate); ++n)
            candidate = basePath + separator + std::to_string(n);
    });
    return candidate;
}

bool DeleteDir(const std::string& folder) {
    return Trap("ReportUtils.DeleteDir", false, [&] {
        if (!FileSystem::DirectoryExists(folder)) return true;
        // The walk removes a link to a folder as a link; what it points to is not the store's.
        return Trap("ReportUtils.DeleteDir.1", false, [&] {
            return FileSystem::RemoveTree(FileSystem::ExcludeTrailingPathDelimiter(folder),
                                          FileSystem::TReadOnlyFiles::Keep);
        });
    });
}

bool DoDeleteFolder(bool confirm, const std::string& root, const std::string& nodePath, TUserPrompt& prompt) {
    return Trap("DoDeleteFolder", false, [&] {
        // The store root itself (the empty path) and paths leading out of the store are refused.
        if (!StoreOperations::IsValidNodePath(nodePath, StoreOperations::TNames::Shown)) return false;
        const size_t slash = nodePath.rfind('/');
        const std::string name = slash == std::string::npos ? nodePath : nodePath.substr(slash + 1);
        if (confirm) {
            const std::string question = "Are you sure to delete folder\n\"" + name + "\"\nand all it's content?";
            if (prompt.Ask(question, "Delete", TButtons::YesNoCancel, TIcon::Question) != TAnswer::Yes) return false;
        }
        return DeleteDir(FileSystem::IncludeTrailingPathDelimiter(root + nodePath));
    });
}

bool GetFileInformation(const std::string& path, FileSystem::TSearchRec& rec) {
    return Trap("ReportUtils.GetFileInformation", false, [&] {
        if (!FileSystem::GetSearchRec(path, rec)) RaiseLastOSError("Cannot find \"" + path + "\"");
        return true;
    });
}

std::string GetSpecialFolderLocation(int csidl) {
    return Trap("ReportUtils.GetSpecialFolderLocation", std::string(), [&] {
        switch (csidl) {
            case CSIDL_PERSONAL: return Folders::PersonalFolder();
            case CSIDL_FAVORITES: return Folders::FavoritesFolder();
            default: return std::string();
        }
    });
}

std::string GetPersonalFolder() {
    return Trap("ReportUtils.GetPersonalFolder", std::string(), [] { return GetSpecialFolderLocation(CSIDL_PERSONAL); });
}

std::string GetWindowsTempFolder() {
    return Trap("ReportUtils.GetWindowsTempFolder", std::string(), [&] {
        return Folders::PrivateTempFolder();
    });
}

std::string GetProgramAssociation(const std::string& extension) {
    return Trap("ReportUtils.GetProgramAssociation", std::string(), [&] {
        std::string command = RegisteredOpenCommand(extension);
        if (command.empty()) {
            // The desktop's default application for the extension's type, when it has a type.
            const std::string mimeType = MimeTypes::MimeTypeForExtension(extension);
            if (mimeType != "application/octet-stream") command = Shell::DefaultApplicationCommand(mimeType);
        }
        return ProgramOfCommand(command);
    });
}

}  // namespace ReportUtils
