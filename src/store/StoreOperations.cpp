#include "store/StoreOperations.h"

#include "platform/FileSystem.h"
#include "platform/Strings.h"
#include "settings/Trap.h"
#include "store/FileOperations.h"
#include "store/NoteFile.h"
#include "store/StoreListing.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace StoreOperations {

namespace {

TResult Refused(std::string name, std::string reason) { return {false, std::move(name), std::move(reason)}; }

// The first of name, name-1, name-2... for which neither dir + it + ".html" nor
// dir + it + ".files" exists, so a moved note and its pictures both land under one name.
std::string FreeNoteName(const std::string& dir, const std::string& name) {
    std::string candidate = name;
    for (long long n = 1; FileSystem::PathExists(dir + candidate + ".html") ||
                          FileSystem::PathExists(dir + candidate + ".files");
         ++n)
        candidate = name + "-" + std::to_string(n);
    return candidate;
}

}  // namespace

bool SameEntry(const std::string& a, const std::string& b) {
    struct stat sa {}, sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

std::string NoteDeleteQuestion(const std::string& name) { return "Are you sure to delete note \n\"" + name + "\"?"; }

bool IsValidFolderName(const std::string& name, TNames names) {
    if (name.empty() || name[0] == '.' || ReportUtils::IsCompanionFolder(name)) return false;
    return names == TNames::Shown || ReportUtils::MakeValidFileName(name) == name;
}

bool IsValidNodePath(const std::string& nodePath, TNames names) {
    if (nodePath.empty()) return false;
    for (size_t start = 0; start <= nodePath.size();) {
        const size_t end = std::min(nodePath.find('/', start), nodePath.size());
        if (!IsValidFolderName(nodePath.substr(start, end - start), names)) return false;
        start = end + 1;
    }
    return true;
}

bool IsValidNotePath(const std::string& folderPath, const std::string& name) {
    return (folderPath.empty() || IsValidNodePath(folderPath, TNames::Shown)) && !name.empty() && name != "." &&
           name != ".." && name.find('/') == std::string::npos;
}

bool IsStoreFolder(const std::string& root, const std::string& nodePath) {
    return (nodePath.empty() || IsValidNodePath(nodePath, TNames::Shown)) &&
           FileSystem::DirectoryExists(FolderDir(root, nodePath));
}

std::string NotANodePath(const std::string& nodePath) {
    return "\"" + nodePath + "\" is not a node path of the store (folder names joined by \"/\")";
}

std::string ParentPath(const std::string& nodePath) {
    const size_t slash = nodePath.rfind('/');
    return slash == std::string::npos ? std::string() : nodePath.substr(0, slash);
}

std::string LastName(const std::string& nodePath) {
    const size_t slash = nodePath.rfind('/');
    return slash == std::string::npos ? nodePath : nodePath.substr(slash + 1);
}

std::string JoinPath(const std::string& parent, const std::string& name) {
    return parent.empty() ? name : parent + "/" + name;
}

std::string FolderDir(const std::string& root, const std::string& nodePath) {
    return root + nodePath + (nodePath.empty() ? "" : "/");
}

bool MovePath(const std::string& from, const std::string& to, std::string* error) {
    int rc = ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
    if (rc != 0 && (errno == EINVAL || errno == ENOSYS) && !FileSystem::PathExists(to)) {
        // A file system without the no-replace flag: the name was checked free just before.
        rc = ::rename(from.c_str(), to.c_str());
    }
    if (rc != 0 && error) *error = std::strerror(errno);
    return rc == 0;
}

bool ListNodes(const std::string& root, const std::string& nodePath, std::vector<ReportUtils::TNoteInfo>& nodes) {
    return Trap("StoreOperations.ListNodes", false, [&] {
        if (!IsStoreFolder(root, nodePath)) return false;
        nodes = ReportUtils::LoadFolderNodes(FolderDir(root, nodePath), !nodePath.empty());
        return true;
    });
}

TResult MakeFolder(const std::string& root, const std::string& nodePath) {
    const std::string name = LastName(nodePath);
    return Trap("StoreOperations.MakeFolder", Refused(name, "the folder could not be made"), [&] {
        if (!IsValidNodePath(nodePath, TNames::Shown)) return Refused(name, NotANodePath(nodePath));
        // A folder that is there may have any name the tree shows; one to be made gets a made name.
        for (size_t start = 0; start <= nodePath.size();) {
            const size_t end = std::min(nodePath.find('/', start), nodePath.size());
            const std::string part = nodePath.substr(start, end - start);
            if (!IsValidFolderName(part) && !FileSystem::DirectoryExists(root + nodePath.substr(0, end)))
                return Refused(name, "\"" + part + "\" cannot be a folder name");
            start = end + 1;
        }
        if (root.empty() || !FileSystem::ForceDirectories(root + nodePath))
            return Refused(name, "cannot make the folder " + root + nodePath);
        return TResult{true, name, {}};
    });
}

TResult RenameFolder(const std::string& root, const std::string& parentPath, const std::string& oldName,
                     const std::string& text) {
    return Trap("StoreOperations.RenameFolder", Refused(oldName, "the folder could not be renamed"), [&] {
        const std::string nodePath = JoinPath(parentPath, oldName);
        if (!IsValidNodePath(nodePath, TNames::Shown)) return Refused(oldName, NotANodePath(nodePath));
        const std::string name = ReportUtils::MakeValidFileName(text);
        // A text that cleans down to the name it had would otherwise number the folder
        // against itself (Travel renamed to "Travel " becoming Travel-1).
        if (text == oldName || name == oldName) return Refused(oldName, "the name is unchanged");
        if (!name.empty() && !IsValidFolderName(name))
            return Refused(oldName, "\"" + name + "\" would hide the folder from the tree");
        const std::string dir = FolderDir(root, parentPath);
        const std::string source = dir + oldName;
        if (!FileSystem::DirectoryExists(source)) return Refused(oldName, "the folder " + source + " does not exist");
        const std::string target = ReportUtils::FindUnusedDirName(dir + name, "-");
        std::string error;
        if (!MovePath(source, target, &error)) return Refused(oldName, "cannot rename " + source + ": " + error);
        return TResult{true, FileSystem::ExtractFileName(target), {}};
    });
}

TResult DeleteNote(const std::string& root, const std::string& folderPath, const std::string& name) {
    return Trap("StoreOperations.DeleteNote", Refused(name, "the note could not be deleted"), [&] {
        const std::string nodePath = JoinPath(folderPath, name);
        if (!IsValidNotePath(folderPath, name)) return Refused(name, NotANodePath(nodePath));
        const std::string base = FolderDir(root, folderPath) + name;
        const std::string file = base + ".html";
        // A note whose file is missing leaves its companion folder alone.
        if (!FileSystem::FileExists(file)) return Refused(name, "the note file " + file + " does not exist");
        if (!ReportUtils::DeleteDir(base + ".files/"))
            return Refused(name, "the pictures in " + base + ".files could not all be deleted; the note is kept");
        if (::unlink(file.c_str()) != 0)
            return Refused(name, "cannot delete " + file + ": " + std::strerror(errno));
        return TResult{true, name, {}};
    });
}

TResult MoveFolder(const std::string& root, const std::string& nodePath, const std::string& targetPath) {
    const std::string name = LastName(nodePath);
    return Trap("StoreOperations.MoveFolder", Refused(name, "the folder could not be moved"), [&] {
        if (!IsValidNodePath(nodePath, TNames::Shown)) return Refused(name, NotANodePath(nodePath));
        if (!targetPath.empty() && !IsValidNodePath(targetPath, TNames::Shown))
            return Refused(name, NotANodePath(targetPath));
        const std::string source = root + nodePath;
        if (!FileSystem::DirectoryExists(source))
            return Refused(name, "the folder " + source + " does not exist");
        if (ParentPath(nodePath) == targetPath) return Refused(name, "the folder is in that folder already");
        if (targetPath == nodePath || Strings::StartsWith(targetPath, nodePath + "/"))
            return Refused(name, "a folder cannot be moved into itself or one of its sub-folders");
        const std::string targetDir = FolderDir(root, targetPath);
        if (!FileSystem::DirectoryExists(targetDir)) return Refused(name, "the folder " + targetDir + " does not exist");
        const std::string destination = ReportUtils::FindUnusedDirName(targetDir + name, "-");
        std::string error;
        if (!MovePath(source, destination, &error))
            return Refused(name, "cannot move " + source + " to " + destination + ": " + error);
        return TResult{true, FileSystem::ExtractFileName(destination), {}};
    });
}

TResult MoveNote(const std::string& root, const std::string& folderPath, const std::string& name,
                 const std::string& targetPath) {
    return Trap("StoreOperations.MoveNote", Refused(name, "the note could not be moved"), [&] {
        if (targetPath.empty()) return Refused(name, "a note cannot be placed in the store root");
        const std::string nodePath = JoinPath(folderPath, name);
        if (!IsValidNotePath(folderPath, name)) return Refused(name, NotANodePath(nodePath));
        if (!IsValidNodePath(targetPath, TNames::Shown)) return Refused(name, NotANodePath(targetPath));
        if (targetPath == folderPath) return Refused(name, "the note is in that folder already");
        const std::string sourceBase = FolderDir(root, folderPath) + name;
        if (!FileSystem::FileExists(sourceBase + ".html"))
            return Refused(name, "the note file " + sourceBase + ".html does not exist");
        const std::string targetDir = FolderDir(root, targetPath);
        if (!FileSystem::DirectoryExists(targetDir)) return Refused(name, "the folder " + targetDir + " does not exist");
        const std::string newName = FreeNoteName(targetDir, name);
        const std::string targetBase = targetDir + newName;
        std::string error;
        if (!MovePath(sourceBase + ".html", targetBase + ".html", &error))
            return Refused(name, "cannot move " + sourceBase + ".html to " + targetDir + ": " + error);
        if (FileSystem::PathExists(sourceBase + ".files") &&
            !MovePath(sourceBase + ".files", targetBase + ".files", &error)) {
            // The pictures stay: the note goes back to them.
            if (MovePath(targetBase + ".html", sourceBase + ".html"))
                return Refused(name, "cannot move the pictures folder " + sourceBase + ".files: " + error +
                                         "; nothing was moved");
            TResult apart = Refused(name, "the note is now " + targetBase + ".html but its pictures are still in " +
                                              sourceBase + ".files (" + error + ")");
            apart.Apart = true;
            return apart;
        }
        return TResult{true, newName, {}};
    });
}

bool CarryCompanionFolder(const std::string& oldFolder, const std::string& newFolder) {
    return Trap("StoreOperations.CarryCompanionFolder", false, [&] {
        if (!FileSystem::DirectoryExists(oldFolder) || SameEntry(oldFolder, newFolder)) return true;
        if (!FileSystem::PathExists(newFolder)) return MovePath(oldFolder, newFolder);
        if (!FileSystem::DirectoryExists(newFolder)) return false;
        std::vector<FileSystem::TSearchRec> entries;
        FileSystem::ListFolder(oldFolder + "/", "*", FileSystem::faAnyFile, entries);
        bool complete = true;
        for (const auto& e : entries) {
            const std::string to = newFolder + "/" + e.Name;
            if (!FileSystem::PathExists(to)) complete = MovePath(oldFolder + "/" + e.Name, to) && complete;
        }
        // What is left holds only entries the new folder has under the same names.
        return complete && ReportUtils::DeleteDir(oldFolder + "/");
    });
}

}  // namespace StoreOperations
