// Store listing: the file lists, sub-folder names and counts the notes tree is filled with.
#include "store/ReportUtils.h"

#include <functional>

#include "platform/Strings.h"
#include "settings/Trap.h"
#include "store/SymbolicLinks.h"

#include <algorithm>
#include <unordered_set>

namespace ReportUtils {

namespace {

using FileSystem::TSearchRec;

// Grows the folder list breadth-first with every sub-folder below its entries, hidden ones
// included. A link to a folder is not followed: it could loop or lead out of the tree.
void BuildFolderList(TStringList& folders) {
    for (size_t i = 0; i < folders.size(); ++i) {
        const std::string folder = folders[i];
        std::vector<TSearchRec> entries;
        FileSystem::ListFolder(folder, "*", FileSystem::faAnyFile, entries);
        for (const TSearchRec& e : entries)
            if ((e.Attr & FileSystem::faDirectory) && !IsSymbolicLink(folder + e.Name)) folders.push_back(folder + e.Name + "/");
    }
}

// Reads folder + mask in each folder listed so far: directories join the folder list (once),
// everything else goes to the result list.
void FillFileList(TStringList& folders, const std::string& mask, int attr, TStringList& list) {
    std::unordered_set<std::string> known(folders.begin(), folders.end());
    const size_t count = folders.size();
    for (size_t i = 0; i < count; ++i) {
        const std::string folder = folders[i];
        std::vector<TSearchRec> entries;
        FileSystem::ListFolder(folder, mask, attr, entries);
        for (const TSearchRec& e : entries) {
            if (!(e.Attr & FileSystem::faDirectory)) list.push_back(folder + e.Name);
            else if (const std::string sub = folder + e.Name + "/"; known.insert(sub).second) folders.push_back(sub);
        }
    }
}

}  // namespace

bool IsCompanionFolder(std::string_view name) {
    return name.size() > 6 && Strings::AsciiSameText(name.substr(name.size() - 6), ".files");
}

bool MyAdvBuildFileList(const std::string& path, int attr, TStringList& list, bool recurse, bool addFolders,
                        bool foldersOnly) {
    // Entries found before a failure stay in the list.
    TrapVoid("ReportUtils.MyAdvBuildFileList", [&] {
        const std::string mask = FileSystem::ExtractFileName(path);
        TStringList folders = {FileSystem::ExtractFilePath(path)};
        // "Any file" means any file: folders are matched only when asked for by the mask alone.
        if (attr == FileSystem::faAnyFile)
            attr = FileSystem::faReadOnly | FileSystem::faHidden | FileSystem::faSysFile | FileSystem::faArchive;
        if (recurse) BuildFolderList(folders);
        FillFileList(folders, mask, attr, list);
        // The folders found (never the start folder) join the result only on request.
        if (foldersOnly) list.clear();
        if (addFolders) list.insert(list.end(), folders.begin() + 1, folders.end());
        std::erase_if(list, [](const std::string& entry) { return Strings::Trim(entry).empty(); });
    });
    return true;
}

TStringList GetCurFOldersList(const std::string& folder, bool sorted) {
    TStringList names;
    TrapVoid("ReportUtils.GetCurFOlders", [&] {
        TStringList entries;
        MyAdvBuildFileList(folder + "*", FileSystem::faDirectory, entries, false, true, true);
        for (const std::string& entry : entries) {
            std::string name = Strings::StartsWith(entry, folder) ? entry.substr(folder.size())
                                                                   : Strings::ReplaceFirstIgnoreCase(entry, folder, "");
            if (!name.empty() && name.back() == '/') name.pop_back();
            if (!name.empty() && !IsCompanionFolder(name)) names.push_back(std::move(name));
        }
        if (sorted) {
            std::stable_sort(names.begin(), names.end(),
                             [](const std::string& a, const std::string& b) { return Strings::AnsiCompareText(a, b) < 0; });
        }
    });
    return names;
}

std::string GetCurFOlders(const std::string& folder, bool sorted) {
    return Strings::JoinLines(GetCurFOldersList(folder, sorted));
}

int GetFileCountInDir(const std::string& folder, const std::string& mask) {
    return Trap("GetFileCountInDir", -1, [&] {
        std::vector<TSearchRec> entries;
        if (!FileSystem::DirectoryExists(folder) || !FileSystem::ListFolder(folder, mask, FileSystem::faAnyFile, entries))
            return -1;
        return entries.empty() ? -1 : static_cast<int>(entries.size());
    });
}

bool IsDirectory(const std::string& path) {
    return Trap("ReportUtils.IsDirectory", false, [&] { return FileSystem::DirectoryExists(path); });
}

void ForEachChildPath(const std::string& dir, bool loadFiles, const std::function<void(const std::string&)>& visit) {
    for (const std::string& name : GetCurFOldersList(dir, true)) visit(dir + name);
    if (!loadFiles) return;
    TStringList files;
    MyAdvBuildFileList(dir + "*.html", FileSystem::faAnyFile, files, false, false, false);
    for (const std::string& file : files)
        if (FileSystem::FileExists(file)) visit(file);
}

std::vector<TNoteInfo> LoadFolderNodes(const std::string& dir, bool loadFiles) {
    std::vector<TNoteInfo> nodes;
    TrapVoid("ReportUtils.LoadFolderNodes", [&] {
        ForEachChildPath(dir, loadFiles, [&](const std::string& path) {
            TNoteInfo info;
            if (LoadNodeFromFile(path, info)) nodes.push_back(std::move(info));
        });
    });
    return nodes;
}

}  // namespace ReportUtils
