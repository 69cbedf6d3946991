#pragma once
// ReportUtils, the store's file operations: safe and free names, deleting a folder with its
// question, file information, the special folders and the word processor's association.
// Paths use "/" and are formed by plain joining.
#include "platform/FileSystem.h"

#include <string>

class TUserPrompt;

namespace ReportUtils {

// The text without the 14 characters a file name cannot hold, spaces collapsed and trimmed.
std::string MakeValidFileName(const std::string& text);
// basePath.extension, else basePath + separator + 1, 2, ... + .extension while a file has the name.
std::string FindUnusedFileName(const std::string& basePath, const std::string& extension, const std::string& separator);
// basePath, else basePath + separator + 1, 2, ... while anything (folder or file) has the name.
std::string FindUnusedDirName(const std::string& basePath, const std::string& separator);
// Removes a folder (path ending in "/") with everything in it; true when it no longer exists.
// A read-only file is not deleted (so its folder stays); links are removed, never followed.
bool DeleteDir(const std::string& folder);
// Asks (when confirm) and deletes root + nodePath with everything in it. A node path that is
// not valid (StoreOperations::IsValidNodePath), the store root's empty one too, deletes nothing.
bool DoDeleteFolder(bool confirm, const std::string& root, const std::string& nodePath, TUserPrompt& prompt);
bool GetFileInformation(const std::string& path, FileSystem::TSearchRec& rec);
enum : int { CSIDL_PERSONAL = 5, CSIDL_FAVORITES = 6 };
std::string GetSpecialFolderLocation(int csidl);
std::string GetPersonalFolder();
// The private folder of the temporary files (Folders::PrivateTempFolder), without a trailing
// "/"; "" when it cannot be made.
std::string GetWindowsTempFolder();
// The program registered to open files of the extension (".doc"), or "".
std::string GetProgramAssociation(const std::string& extension);

}  // namespace ReportUtils
