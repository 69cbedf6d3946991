#pragma once
// Organising the store: renaming a folder, deleting a note with its companion folder, and
// moving a note or a folder into another folder with the numbering that keeps every name
// free. The notes pane and quillbox-cli both call these; the tree follows only what these
// report done. The store root ends with "/"; node paths join names with "/" and are empty
// for the root. A node path that breaks IsValidNodePath is refused, never followed. A note
// and its companion folder never end up apart: a move whose second step fails puts the
// first one back.
#include "store/NoteFile.h"

#include <string>
#include <vector>

namespace StoreOperations {

// What an operation did. Done: the files changed. Name: the node's name afterwards (a
// numbered one when the wanted name was taken). Reason: one line saying why nothing was
// done, or where the files are when a move could not be completed nor put back. Apart: a
// note and its companion folder ended up in different folders; the user must be told.
struct TResult {
    bool Done = false;
    std::string Name;
    std::string Reason;
    bool Apart = false;
};

// The question asked before a note is deleted.
std::string NoteDeleteQuestion(const std::string& name);

// Which names a node path may hold. Made: the names the store makes itself, valid file names
// (MakeValidFileName leaves them unchanged); a folder to be created or written into must have
// them. Shown: every name the tree shows, so a folder or note named by another program
// ("Q&A") can still be listed, reported, renamed, moved and deleted.
enum class TNames { Made, Shown };
// Whether a name can be one name of a node path: not empty, not hidden from the tree (a
// leading ".", which also rules out "." and ".."), not the name of a companion folder, and
// with Made a valid file name.
bool IsValidFolderName(const std::string& name, TNames names = TNames::Made);
// The one rule for node paths: names joined by "/", each a valid folder name, so the path
// stays inside the store and names what the tree can show. The empty path (the store root),
// "a//b", "a/../b" and an absolute path (its first name is empty) are refused. Every
// operation below checks its node paths with it before touching the disk.
bool IsValidNodePath(const std::string& nodePath, TNames names = TNames::Made);
// Whether folderPath/name names a note the tree can show: the folder "" or a Shown node path,
// and a name that is not empty, holds no "/" and is not "." or "..". The tree lists every
// "*.html" file, so a note's name may start with "." or end in ".files".
bool IsValidNotePath(const std::string& folderPath, const std::string& name);
// Whether nodePath is the root "" or a Shown node path, and names an existing folder.
bool IsStoreFolder(const std::string& root, const std::string& nodePath);
// The sentence an operation refuses an invalid node path with.
std::string NotANodePath(const std::string& nodePath);
// "Trips/Italy" -> "Trips" and "Italy"; a path of one name has the empty parent.
std::string ParentPath(const std::string& nodePath);
std::string LastName(const std::string& nodePath);
// parent + "/" + name, or name alone under the root.
std::string JoinPath(const std::string& parent, const std::string& name);
// The directory of a folder's node path, ending with "/" (the root for "").
std::string FolderDir(const std::string& root, const std::string& nodePath);

// Whether two paths name the same file or folder (on a file system that ignores case,
// "Idea.html" and "idea.html" may).
bool SameEntry(const std::string& a, const std::string& b);
// Moves a file or folder to a path where nothing is, in one file-system step; an existing
// entry at the destination is never replaced. error gets the system's reason on failure.
bool MovePath(const std::string& from, const std::string& to, std::string* error = nullptr);

// The children of the folder nodePath ("" the root, which shows its folders only) in the
// order of the notes tree (ReportUtils::LoadFolderNodes). False when the path is not valid or
// names no folder.
bool ListNodes(const std::string& root, const std::string& nodePath, std::vector<ReportUtils::TNoteInfo>& nodes);

// Makes the folder nodePath (the store root excluded) with any missing parents, each folder
// made with a name of TNames::Made. Done when the folder exists afterwards, also when it did.
TResult MakeFolder(const std::string& root, const std::string& nodePath);

// Renames the folder parentPath/oldName after an in-place edit of its caption to text: the
// text made a valid file name, numbered with "-" when taken ("-1", "-2"... when nothing is
// left of it). A text equal to the name, or cleaning down to it, changes nothing; a hidden
// or companion-folder name is refused.
TResult RenameFolder(const std::string& root, const std::string& parentPath, const std::string& oldName,
                     const std::string& text);

// Deletes the note folderPath/name: its companion folder first, then its file, and only
// when the file exists. When the companion folder cannot be removed wholly the note file
// is kept, so the note does not vanish while pictures of it remain.
TResult DeleteNote(const std::string& root, const std::string& folderPath, const std::string& name);

// Moves the folder nodePath into the folder targetPath ("" the root), numbered with "-"
// when its name is taken there. Refused when it is there already or the target is the
// folder itself or one of its sub-folders.
TResult MoveFolder(const std::string& root, const std::string& nodePath, const std::string& targetPath);

// Moves the note folderPath/name with its companion folder into the folder targetPath, as
// name, name-1, name-2... whichever is free there for both the file and the companion
// folder. Refused for the root (notes live in folders) and for its own folder.
TResult MoveNote(const std::string& root, const std::string& folderPath, const std::string& name,
                 const std::string& targetPath);

// After an edit wrote a note under a new name, brings the old companion folder's content
// to the new one (paths without a trailing "/"): the folder is renamed when the new one
// does not exist; otherwise each entry the new one lacks is moved in and the old folder,
// left with copies only, is removed. True when the old folder is gone.
bool CarryCompanionFolder(const std::string& oldFolder, const std::string& newFolder);

}  // namespace StoreOperations
