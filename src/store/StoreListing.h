#pragma once
// ReportUtils, the store listing: the files and folders of a store folder as the notes tree
// shows them.
#include "platform/DateTime.h"
#include "store/NoteFile.h"

#include <string>
#include <string_view>
#include <vector>

namespace ReportUtils {

// Appends to list the files (and, on request, folders) matching path's mask below path's folder.
// Recursion does not follow links to folders.
bool MyAdvBuildFileList(const std::string& path, int attr, TStringList& list, bool recurse, bool addFolders,
                        bool foldersOnly);
// The names of the folder's sub-folders without companion folders, one per line (CR LF).
std::string GetCurFOlders(const std::string& folder, bool sorted);
// The same names as a list.
TStringList GetCurFOldersList(const std::string& folder, bool sorted);
// The number of entries matching folder + mask, or -1 when none match or the folder is missing.
int GetFileCountInDir(const std::string& folder, const std::string& mask);
bool IsDirectory(const std::string& path);
// A companion folder holds a note's images: its name ends in ".files" (any case) and is
// longer than that. It is never listed as a folder of the store.
bool IsCompanionFolder(std::string_view name);
// One store folder as the notes tree shows it, read with one pass over its directory.
struct TStoreFolder {
    struct TFolder {
        std::string Name;
        TDateTime Created;     // the folder's last-write time
        std::wstring SortKey;  // filled while sorting
    };
    struct TNote {
        std::string Name;  // the file name, ".html" included
        bool Regular;      // known to be a regular file
    };
    std::vector<TFolder> Folders;  // hidden and companion folders left out
    std::vector<TNote> Notes;      // "*.html" entries that are not folders, in directory order
};
// Reads dir (ending with "/") once: each entry's type comes from the directory itself where
// the file system gives it, so only folders and links are looked up. Notes are listed with
// withNotes; folders are sorted by name without regard to case in the user's locale with
// sorted. False when the folder cannot be read.
bool ReadStoreFolder(const std::string& dir, bool withNotes, bool sorted, TStoreFolder& listing);
// The children of a store folder (dir ends with "/") in the order of the notes tree: the
// sub-folders sorted, then (with loadFiles) the "*.html" notes in directory order, each read
// with LoadNodeFromFile, so a note without a block is repaired. Unreadable entries are left out.
std::vector<TNoteInfo> LoadFolderNodes(const std::string& dir, bool loadFiles);

}  // namespace ReportUtils
