// Store listing: the file lists, sub-folder names and counts the notes tree is filled with.
#include "store/StoreListing.h"

#include "platform/FileSystem.h"
#include "platform/Strings.h"
#include "settings/Trap.h"
#include "store/SymbolicLinks.h"

#include <algorithm>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>
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
        TStoreFolder listing;
        ReadStoreFolder(folder, false, sorted, listing);
        for (TStoreFolder::TFolder& sub : listing.Folders) names.push_back(std::move(sub.Name));
    });
    return names;
}

std::string GetCurFOlders(const std::string& folder, bool sorted) {
    return Strings::JoinLines(GetCurFOldersList(folder, sorted));
}

int GetFileCountInDir(const std::string& folder, const std::string& mask) {
    return Trap("GetFileCountInDir", -1, [&] {
        DIR* const handle = folder.empty() ? nullptr : ::opendir(folder.c_str());
        if (!handle) return -1;
        const std::unique_ptr<DIR, int (*)(DIR*)> closer(handle, ::closedir);
        // Entries of any kind count; only a link is looked up, since a dangling one does not.
        int count = 0;
        while (const dirent* entry = ::readdir(handle)) {
            const std::string name = entry->d_name;
            if (name == "." || name == ".." || !FileSystem::MatchesMask(name, mask)) continue;
            struct stat st {};
            if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN)
                if (::fstatat(::dirfd(handle), entry->d_name, &st, 0) != 0) continue;
            ++count;
        }
        return count == 0 ? -1 : count;
    });
}

bool IsDirectory(const std::string& path) {
    return Trap("ReportUtils.IsDirectory", false, [&] { return FileSystem::DirectoryExists(path); });
}

bool ReadStoreFolder(const std::string& dir, bool withNotes, bool sorted, TStoreFolder& listing) {
    DIR* const handle = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!handle) return false;
    const std::unique_ptr<DIR, int (*)(DIR*)> closer(handle, ::closedir);
    const int dirFd = ::dirfd(handle);
    while (const dirent* entry = ::readdir(handle)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        // Hidden folders and companion folders are no folders of the store. "*.html" is matched
        // by the name's end alone: the mask's star also matches a leading dot.
        const bool folderName = name[0] != '.' && !IsCompanionFolder(name);
        const bool noteName = withNotes && name.ends_with(".html");
        unsigned char type = entry->d_type;
        const bool typeKnown = type != DT_LNK && type != DT_UNKNOWN;
        if (typeKnown && !(type == DT_DIR ? folderName : noteName)) continue;
        if (!typeKnown && !folderName && !noteName) continue;
        // A folder's last-write time is its node's date; a link or an entry without a type is
        // judged by what it leads to (a dangling link is left out).
        struct stat st {};
        if (type == DT_DIR || !typeKnown) {
            if (::fstatat(dirFd, entry->d_name, &st, 0) != 0) continue;
            type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
        }
        if (type == DT_DIR && folderName) {
            listing.Folders.push_back(
                {std::string(name), DateTimeUtils::FromTimeT(st.st_mtim.tv_sec, static_cast<int>(st.st_mtim.tv_nsec / 1000000)), {}});
        } else if (type != DT_DIR && noteName) {
            listing.Notes.push_back({std::string(name), type == DT_REG});
        }
    }
    if (sorted) {
        // One collation key per name, then plain comparisons of the keys.
        for (TStoreFolder::TFolder& sub : listing.Folders) sub.SortKey = Strings::AnsiCompareTextKey(sub.Name);
        std::stable_sort(listing.Folders.begin(), listing.Folders.end(),
                         [](const TStoreFolder::TFolder& a, const TStoreFolder::TFolder& b) { return a.SortKey < b.SortKey; });
    }
    return true;
}

std::vector<TNoteInfo> LoadFolderNodes(const std::string& dir, bool loadFiles) {
    std::vector<TNoteInfo> nodes;
    TrapVoid("ReportUtils.LoadFolderNodes", [&] {
        TStoreFolder listing;
        if (!ReadStoreFolder(dir, loadFiles, true, listing)) return;
        nodes.reserve(listing.Folders.size() + listing.Notes.size());
        for (const TStoreFolder::TFolder& sub : listing.Folders) {
            TNoteInfo& info = nodes.emplace_back();
            info.Name = sub.Name;
            info.Created = sub.Created;
            info.IsFolder = true;
        }
        for (const TStoreFolder::TNote& note : listing.Notes) {
            TNoteInfo info;
            if (LoadNoteFromFile(dir + note.Name, note.Regular, info)) nodes.push_back(std::move(info));
        }
    });
    return nodes;
}

}  // namespace ReportUtils
